#include "audit/NumberStatistics.h"

#include "common/Gbk.h"

#include <QBitArray>
#include <QElapsedTimer>

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

// The piece that starts at from: up to the next comma, none at an empty piece or when no comma
// is left. *next is where the piece after it starts.
bool nextPiece(QStringView list, qsizetype from, QStringView* piece, qsizetype* next)
{
    if (from >= list.size())
        return false;
    const qsizetype comma = list.indexOf(u',', from);
    if (comma <= from)
        return false;
    *piece = list.sliced(from, comma - from);
    *next = comma + 1;
    return true;
}

// Counts the pieces, reporting as the cut goes.
qint64 countPieces(QStringView list, Reporter& reporter, bool& cancelled)
{
    qint64 total = 0;
    QStringView piece;
    for (qsizetype from = 0; nextPiece(list, from, &piece, &from);) {
        ++total;
        if (!reporter.tick(total, {Stage::Splitting, total, 0, 0})) {
            cancelled = true;
            break;
        }
    }
    return total;
}

// Names the pieces a few steps ahead of the walk that inserts them, so that their slots are in
// the cache by the time they are inserted.
class LookAhead
{
public:
    LookAhead(QStringView list, const LineSet& seen) : m_list(list), m_seen(seen)
    {
        for (int k = 0; k < kLookAhead; ++k)
            step();
    }
    void step()
    {
        QStringView piece;
        if (nextPiece(m_list, m_from, &piece, &m_from))
            m_seen.prefetch(piece);
    }

private:
    static constexpr int kLookAhead = 16;
    QStringView m_list;
    const LineSet& m_seen;
    qsizetype m_from = 0;
};

// Fills result.unique with first occurrences and marks in listed those that repeat and are
// long enough to be listed as repeated; how many are.
qint64 findRepeats(QStringView list, Result& result, QBitArray& listed, Reporter& reporter)
{
    // Each number goes into the unique list and leaves it again when the set already holds it.
    LineList& unique = result.unique;
    unique.reserve(result.total, list.size());
    LineSet seen(result.total, true);
    LookAhead ahead(list, seen);
    qint64 repeatedCount = 0;
    qint64 checked = 0;
    QStringView number;
    for (qsizetype from = 0; nextPiece(list, from, &number, &from); ahead.step()) {
        const qsizetype last = unique.size();
        unique.append(number);
        qsizetype entry = last;
        const LineSet::Seen found = seen.insert(unique, last, &entry);
        if (found != LineSet::New)
            unique.truncate(last);
        // Short repeats are dropped from the unique list but never listed as repeated.
        if (found == LineSet::FirstRepeat && longerThanFourBytes(number)) {
            listed.setBit(entry);
            ++repeatedCount;
        }
        ++checked;
        if (!reporter.tick(checked, {Stage::Checking, result.total, checked, repeatedCount})) {
            result.cancelled = true;
            break;
        }
    }
    return repeatedCount;
}

} // namespace

QList<QStringView> split(QStringView list)
{
    QList<QStringView> pieces;
    QStringView piece;
    for (qsizetype from = 0; nextPiece(list, from, &piece, &from);)
        pieces.append(piece);
    return pieces;
}

Result listOnly(QStringView list, const ProgressSink& progress, const std::atomic<bool>* cancel)
{
    Result result;
    Reporter reporter(progress, cancel);
    result.total = countPieces(list, reporter, result.cancelled);
    if (result.cancelled)
        return result;
    result.unique.reserve(result.total, list.size());
    QStringView piece;
    for (qsizetype from = 0; nextPiece(list, from, &piece, &from);)
        result.unique.append(piece);
    reporter.report({Stage::Done, result.total, result.total, 0});
    return result;
}

Result count(QStringView list, const ProgressSink& progress, const std::atomic<bool>* cancel)
{
    Result result;
    Reporter reporter(progress, cancel);
    result.total = countPieces(list, reporter, result.cancelled);
    if (result.cancelled)
        return result;
    reporter.report({Stage::Checking, result.total, 0, 0});
    QBitArray listed(result.total);
    const qint64 repeatedCount = findRepeats(list, result, listed, reporter);
    if (result.cancelled) {
        result.unique.clear();
        return result;
    }
    result.repeated.reserve(repeatedCount, 0);
    for (qsizetype k = 0; k < result.unique.size(); ++k) {
        if (listed.testBit(k))
            result.repeated.appendFrom(result.unique, k);
    }
    reporter.report({Stage::Done, result.total, result.total, repeatedCount});
    return result;
}

} // namespace NumberStatistics
