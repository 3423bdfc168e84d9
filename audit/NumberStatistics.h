#pragma once

#include "common/LineList.h"

#include <QString>
#include <QStringView>

#include <atomic>
#include <functional>

// Counting the numbers of one batch: the stored list is cut at its commas, then every number's
// first occurrence and every repeated number are found with one hash table into compact lists,
// so a batch of five million numbers takes a second and a few hundred megabytes.
namespace NumberStatistics {

// Pieces of a stored list ("n1,n2,...,"): the text before each comma, in order. The cut stops
// at an empty piece (a comma at the start of what is left), and text after the last comma is
// not a number. A list without a comma has no numbers. The views point into list.
QList<QStringView> split(QStringView list);

enum class Stage
{
    Splitting, // "统计数量" grows
    Checking,  // positions checked so far
    Done
};

struct Progress
{
    Stage stage = Stage::Splitting;
    qint64 total = 0;    // numbers taken by the cut so far
    qint64 checked = 0;  // positions checked for repeats so far
    qint64 repeated = 0; // distinct repeated numbers found so far
};

struct Result
{
    qint64 total = 0;  // numbers taken by the cut
    LineList unique;   // first occurrence of every number, in batch order
    LineList repeated; // every repeated number once, longer than 4 bytes, by first occurrence
    bool cancelled = false;
};

// Called now and then, never more often than every progressInterval milliseconds.
using ProgressSink = std::function<void(const Progress&)>;
inline constexpr int kProgressIntervalMs = 50;

// Finds first occurrences and repeats. A repeated number of 4 bytes or fewer (GBK) keeps its
// first occurrence but is never listed as repeated.
Result count(QStringView list, const ProgressSink& progress = {}, const std::atomic<bool>* cancel = nullptr);
// The cut alone, for windows that list a batch as it is.
Result listOnly(QStringView list, const ProgressSink& progress = {},
                const std::atomic<bool>* cancel = nullptr);

} // namespace NumberStatistics
