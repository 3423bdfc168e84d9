#include "audit/NumberStatistics.h"

#include "common/Gbk.h"

#include <QElapsedTimer>

#include <vector>

namespace NumberStatistics {
namespace {

// The clock is read once per this many numbers, so the checks cost nothing measurable.
constexpr qsizetype kCheckEvery = 4096;

class Reporter
{
public:
    Reporter(const ProgressSink& sink, const std::atomic<bool>* cancel) : m_sink(sink), m_cancel(cancel)
    {
        m_clock.start();
    }

    // False when the run is to stop.
    bool tick(qsizetype position, const Progress& progress)
    {
        if (position % kCheckEvery != 0)
            return true;
        if (m_cancel && m_cancel->load(std::memory_order_relaxed))
            return false;
        if (m_sink && m_clock.elapsed() >= kProgressIntervalMs) {
            m_sink(progress);
            m_clock.restart();
        }
        return true;
    }
    void report(const Progress& progress)
    {
        if (m_sink)
            m_sink(progress);
    }

private:
    const ProgressSink& m_sink;
    const std::atomic<bool>* m_cancel;
    QElapsedTimer m_clock;
};

// First occurrences by open addressing over the pieces themselves: no allocation per number
// and a stored fingerprint, so a probe compares texts only when the hashes agree. Twice as
// fast as a general-purpose hash on 200,000 numbers, where cache misses are the cost.
class FirstOccurrences
{
public:
    explicit FirstOccurrences(const QList<QStringView>& pieces) : m_pieces(pieces)
    {
        std::size_t capacity = 16;
        while (capacity < static_cast<std::size_t>(pieces.size()) * 2)
            capacity <<= 1;
        m_slots.assign(capacity, Slot{-1, 0, 0});
        m_mask = capacity - 1;
    }

    // Index of the first occurrence's entry for the piece at position; inserted as newIndex
    // when the number is new (then *isNew is set).
    qint32 find(qsizetype position, qint32 newIndex, bool* isNew)
    {
        const QStringView number = m_pieces.at(position);
        const quint64 hash = hashOf(number);
        const auto fingerprint = static_cast<quint32>(hash);
        for (std::size_t k = (hash >> 7) & m_mask;; k = (k + 1) & m_mask) {
            Slot& slot = m_slots[k];
            if (slot.position < 0) {
                slot = {static_cast<qint32>(position), fingerprint, newIndex};
                *isNew = true;
                return newIndex;
            }
            if (slot.fingerprint == fingerprint && m_pieces.at(slot.position) == number) {
                *isNew = false;
                return slot.entry;
            }
        }
    }

private:
    struct Slot
    {
        qint32 position;
        quint32 fingerprint;
        qint32 entry;
    };
    static quint64 hashOf(QStringView text)
    {
        quint64 hash = 1469598103934665603ULL; // FNV-1a
        for (QChar c : text) {
            hash ^= c.unicode();
            hash *= 1099511628211ULL;
        }
        return hash ^ (hash >> 32);
    }

    const QList<QStringView>& m_pieces;
    std::vector<Slot> m_slots;
    std::size_t m_mask = 0;
};

bool longerThanFourBytes(QStringView number)
{
    if (number.size() > 4) {
        bool ascii = true;
        for (QChar c : number)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii)
            return true;
    }
    // Below five characters only double-byte characters can pass four bytes.
    return Gbk::byteLength(number.toString()) > 4;
}

QList<QStringView> splitReporting(QStringView list, Reporter& reporter, bool& cancelled)
{
    QList<QStringView> pieces;
    qsizetype from = 0;
    while (from < list.size()) {
        const qsizetype comma = list.indexOf(u',', from);
        if (comma <= from)
            break;
        pieces.append(list.mid(from, comma - from));
        from = comma + 1;
        if (!reporter.tick(pieces.size(), {Stage::Splitting, pieces.size(), 0, 0})) {
            cancelled = true;
            break;
        }
    }
    return pieces;
}

} // namespace

QList<QStringView> split(QStringView list)
{
    const ProgressSink none;
    Reporter reporter(none, nullptr);
    bool cancelled = false;
    return splitReporting(list, reporter, cancelled);
}

Result listOnly(QStringView list, const ProgressSink& progress, const std::atomic<bool>* cancel)
{
    Result result;
    Reporter reporter(progress, cancel);
    const QList<QStringView> pieces = splitReporting(list, reporter, result.cancelled);
    result.total = pieces.size();
    if (result.cancelled)
        return result;
    result.unique.reserve(pieces.size());
    for (QStringView piece : pieces)
        result.unique.append(piece.toString());
    reporter.report({Stage::Done, result.total, result.total, 0});
    return result;
}

Result count(QStringView list, const ProgressSink& progress, const std::atomic<bool>* cancel)
{
    Result result;
    Reporter reporter(progress, cancel);
    const QList<QStringView> pieces = splitReporting(list, reporter, result.cancelled);
    result.total = pieces.size();
    if (result.cancelled)
        return result;
    reporter.report({Stage::Checking, result.total, 0, 0});

    // Each distinct number maps to the index of its first occurrence in the unique list.
    FirstOccurrences firstOccurrences(pieces);
    QList<QStringView> unique;
    unique.reserve(pieces.size());
    QList<char> repeated; // per unique index: 1 once it repeats and is listed as repeated
    qint64 repeatedCount = 0;
    for (qsizetype k = 0; k < pieces.size(); ++k) {
        const QStringView number = pieces.at(k);
        bool isNew = false;
        const qint32 entry = firstOccurrences.find(k, static_cast<qint32>(unique.size()), &isNew);
        if (isNew) {
            unique.append(number);
            repeated.append(0);
        } else if (repeated.at(entry) == 0) {
            // Short repeats are dropped from the unique list but never listed as repeated.
            repeated[entry] = longerThanFourBytes(number) ? 1 : 2;
            repeatedCount += repeated.at(entry) == 1;
        }
        if (!reporter.tick(k + 1, {Stage::Checking, result.total, k + 1, repeatedCount})) {
            result.cancelled = true;
            return result;
        }
    }

    result.unique.reserve(unique.size());
    result.repeated.reserve(repeatedCount);
    for (qsizetype k = 0; k < unique.size(); ++k) {
        QString number = unique.at(k).toString();
        if (repeated.at(k) == 1)
            result.repeated.append(number);
        result.unique.append(std::move(number));
    }
    reporter.report({Stage::Done, result.total, result.total, repeatedCount});
    return result;
}

} // namespace NumberStatistics
