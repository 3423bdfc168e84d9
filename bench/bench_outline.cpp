// Times building a window's outline from its bitmap: the main window's artwork, that artwork
// at 4K, and a 4K checkerboard of key-coloured pixels (the most runs a bitmap can have). The
// runs are compared with the one-pixel-at-a-time cut and with Qt's own region from a bitmap,
// measured in the same process.
#include "skin/Outline.h"
#include "skin/WindowSkin.h"

#include <QApplication>
#include <QBitmap>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Median of several runs, in milliseconds.
double medianMs(int runs, const std::function<QRegion()>& build, int* rects)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const QRegion region = build();
        times.push_back(timer.nsecsElapsed() / 1e6);
        *rects = region.rectCount();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

QRegion pixelByPixel(const QImage& bitmap)
{
    const QImage pixels = bitmap.convertToFormat(QImage::Format_RGB32);
    QRegion region(pixels.rect());
    for (int x = 0; x < pixels.width(); ++x) {
        for (int y = 0; y < pixels.height(); ++y) {
            if ((pixels.pixel(x, y) & 0xFFFFFF) == Outline::keyColour)
                region ^= QRegion(x, y, 1, 1);
        }
    }
    return region;
}

QRegion fromQtBitmap(const QImage& bitmap)
{
    const QImage key = bitmap.convertToFormat(QImage::Format_RGB32)
                           .createMaskFromColor(qRgb(0, 255, 0) | 0xFF000000, Qt::MaskOutColor);
    return QRegion(QBitmap::fromImage(key));
}

void report(const char* name, const QImage& bitmap, bool withPixelCut)
{
    int rects = 0;
    const double runs = medianMs(
        15, [&] { return Outline::fromBitmap(bitmap, bitmap.size()); }, &rects);
    std::printf("%-34s %5dx%-5d runs: %8.2f ms (%d rectangles)\n", name, bitmap.width(), bitmap.height(),
                runs, rects);
    const double qt = medianMs(
        5, [&] { return fromQtBitmap(bitmap); }, &rects);
    std::printf("%-34s %11s Qt bitmap region: %8.2f ms (%.1fx the runs)\n", "", "", qt, qt / runs);
    if (withPixelCut) {
        const double pixels = medianMs(
            3, [&] { return pixelByPixel(bitmap); }, &rects);
        std::printf("%-34s %11s pixel by pixel: %8.2f ms (%.1fx the runs)\n", "", "", pixels, pixels / runs);
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QImage main = WindowSkin::mainBitmap();
    report("main window (goal: under 5 ms)", main, true);
    report("main window artwork at 4K", main.scaled(3840, 2160), false);
    QImage checker(3840, 2160, QImage::Format_RGB32);
    for (int y = 0; y < checker.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(checker.scanLine(y));
        for (int x = 0; x < checker.width(); ++x)
            row[x] = (x + y) % 2 ? qRgb(0, 255, 0) : qRgb(20, 20, 20);
    }
    report("4K checkerboard (worst case)", checker, false);
    return 0;
}
