#include "sending/Dedupe.h"

#include <QSet>
#include <QStringView>

namespace {
constexpr qsizetype kProgressStep = 4096;
}

QStringList removeDuplicates(const QStringList& entries,
                             const std::function<void(qsizetype walked)>& progress)
{
    // Views into entries avoid copying or ref-counting every string while hashing.
    QSet<QStringView> seen;
    seen.reserve(entries.size());
    QStringList kept;
    kept.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (progress && i > 0 && i % kProgressStep == 0)
            progress(i);
        const qsizetype before = seen.size();
        seen.insert(QStringView(entries.at(i)));
        if (seen.size() != before)
            kept.append(entries.at(i));
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
