// Prints the time of readNumberFile on a 50,000-line GBK file of 11-digit numbers.
#include "sending/NumberFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

bool writeNumberFile(const QString& path, int lines)
{
    QByteArray bytes;
    bytes.reserve(lines * 13);
    for (int i = 0; i < lines; ++i)
        bytes += QByteArray::number(13900000000LL + i) + "\r\n";
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main()
{
    constexpr int kLines = 50000;
    QTemporaryDir dir;
    const QString path = dir.filePath("numbers.txt");
    if (!dir.isValid() || !writeNumberFile(path, kLines)) {
        std::puts("cannot write the benchmark file");
        return 1;
    }
    double best = std::numeric_limits<double>::max();
    qsizetype count = 0;
    for (int run = 0; run < 9; ++run) {
        QElapsedTimer timer;
        timer.start();
        const NumberFileRead read = readNumberFile(path);
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        count = read.numbers.size();
    }
    std::printf("readNumberFile, %d lines: %.2f ms (best of 9), %lld numbers read\n", kLines, best,
                static_cast<long long>(count));
    return count == kLines ? 0 : 1;
}
