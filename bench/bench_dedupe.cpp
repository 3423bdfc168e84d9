// Prints the time of removeDuplicates on 200,000 numbers (half of them repeats) and how
// many times faster it is than the pairwise baseline on 20,000 numbers.
#include "sending/Dedupe.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

// distinct numbers, each appearing twice, in random order. The strings are created in list
// order, as an import creates them while reading the file.
QStringList halfRepeated(int distinct)
{
    QList<qint64> order;
    order.reserve(distinct * 2);
    for (int i = 0; i < distinct; ++i)
        order << i << i;
    QRandomGenerator random(42);
    for (qsizetype i = order.size() - 1; i > 0; --i)
        order.swapItemsAt(i, random.bounded(qint64(i + 1)));
    QStringList numbers;
    numbers.reserve(order.size());
    for (qint64 i : order)
        numbers << QString::number(13800000000LL + i * 7919 % 100000000);
    return numbers;
}

template <typename Function> double bestMilliseconds(int runs, Function function)
{
    double best = std::numeric_limits<double>::max();
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const auto kept = function();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        if (kept.isEmpty())
            std::puts("unexpected empty result");
    }
    return best;
}

} // namespace

int main()
{
    const LineList large = halfRepeated(100000);
    const double linear = bestMilliseconds(7, [&] { return removeDuplicates(large); });
    std::printf("removeDuplicates, %lld numbers (half repeated): %.2f ms (best of 7)\n",
                static_cast<long long>(large.size()), linear);

    const QStringList small = halfRepeated(10000);
    const LineList compact = small;
    const double smallLinear = bestMilliseconds(7, [&] { return removeDuplicates(compact); });
    const double pairwise = bestMilliseconds(3, [&] { return removeDuplicatesPairwise(small); });
    std::printf("%lld numbers: pairwise %.2f ms, linear %.3f ms, ratio %.0fx\n",
                static_cast<long long>(small.size()), pairwise, smallLinear, pairwise / smallLinear);
    return 0;
}
