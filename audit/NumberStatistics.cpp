#include "audit/NumberStatistics.h"

#include "app/Gbk.h"

#include <QElapsedTimer>
#include <QHash>

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
    QHash<QStringView, qsizetype> firstIndex;
    firstIndex.reserve(pieces.size());
    QList<QStringView> unique;
    unique.reserve(pieces.size());
    QList<char> repeated; // per unique index: 1 once it repeats and is listed as repeated
    qint64 repeatedCount = 0;
    for (qsizetype k = 0; k < pieces.size(); ++k) {
        const QStringView number = pieces.at(k);
        const auto found = firstIndex.constFind(number);
        if (found == firstIndex.cend()) {
            firstIndex.insert(number, unique.size());
            unique.append(number);
            repeated.append(0);
        } else if (repeated.at(*found) == 0) {
            // Short repeats are dropped from the unique list but never listed as repeated.
            repeated[*found] = longerThanFourBytes(number) ? 1 : 2;
            repeatedCount += repeated.at(*found) == 1;
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
