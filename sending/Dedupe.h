#pragma once

#include "common/LineList.h"

#include <QStringList>

#include <functional>

// Keeps the first occurrence of every distinct entry (exact, case-sensitive) in the original
// order. progress is called every few thousand entries and once at the end with the number of
// entries walked so far.
LineList removeDuplicates(const LineList& entries,
                          const std::function<void(qsizetype walked)>& progress = {});

// The former quadratic algorithm, kept only as the baseline of the dedupe benchmark.
QStringList removeDuplicatesPairwise(const QStringList& entries);
