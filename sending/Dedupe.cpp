#include "sending/Dedupe.h"

namespace {
constexpr qsizetype kProgressStep = 4096;
constexpr qsizetype kLookAhead = 16;
} // namespace

LineList removeDuplicates(const LineList& entries, const std::function<void(qsizetype walked)>& progress)
{
    LineSet seen(entries.size(), false);
    LineList kept;
    // Room for every entry: pages never written cost no memory.
    kept.reserve(entries.size(), entries.byteSize());
    for (qsizetype k = 0; k < entries.size(); ++k) {
        if (progress && k > 0 && k % kProgressStep == 0)
            progress(k);
        if (k + kLookAhead < entries.size())
            seen.prefetch(entries, k + kLookAhead);
        if (seen.insert(entries, k) == LineSet::New)
            kept.appendFrom(entries, k);
    }
    if (progress)
        progress(entries.size());
    return kept;
}

QStringList removeDuplicatesPairwise(const QStringList& entries)
{
    QStringList list = entries;
    for (qsizetype i = 0; i < list.size(); ++i) {
        qsizetype write = i + 1;
        for (qsizetype read = i + 1; read < list.size(); ++read) {
            if (list.at(read) != list.at(i))
                list[write++] = list.at(read);
        }
        list.resize(write);
    }
    return list;
}
