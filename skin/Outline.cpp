#include "skin/Outline.h"

#include <vector>

namespace Outline {
namespace {

struct Run
{
    int left;
    int right; // exclusive
    bool operator==(const Run&) const = default;
};

// Kept runs of one row inside width; columns past the bitmap are always kept.
void rowRuns(const QRgb* row, int bitmapWidth, int width, std::vector<Run>& runs)
{
    runs.clear();
    const int scanned = std::min(bitmapWidth, width);
    int x = 0;
    while (x < width) {
        while (x < scanned && (row[x] & 0xFFFFFF) == keyColour)
            ++x;
        if (x >= width)
            break;
        const int left = x;
        while (x < scanned && (row[x] & 0xFFFFFF) != keyColour)
            ++x;
        if (x >= scanned)
            x = width;
        runs.push_back({left, x});
    }
}

} // namespace

QRegion fromBitmap(const QImage& bitmap, const QSize& area)
{
    if (area.isEmpty())
        return {};
    if (bitmap.isNull())
        return QRegion(0, 0, area.width(), area.height());
    const QImage pixels = bitmap.format() == QImage::Format_RGB32 || bitmap.format() == QImage::Format_ARGB32
                              ? bitmap
                              : bitmap.convertToFormat(QImage::Format_RGB32);
    std::vector<QRect> rects;
    std::vector<Run> previous, current;
    int bandTop = 0;
    size_t bandStart = 0;
    const auto closeBand = [&](int bottom) {
        for (size_t i = bandStart; i < rects.size(); ++i)
            rects[i].setBottom(bottom - 1);
    };
    for (int y = 0; y < area.height(); ++y) {
        if (y < pixels.height())
            rowRuns(reinterpret_cast<const QRgb*>(pixels.constScanLine(y)), pixels.width(), area.width(),
                    current);
        else
            rowRuns(nullptr, 0, area.width(), current); // rows below the bitmap are kept whole
        if (y > 0 && current == previous)
            continue; // the band grows by this row
        closeBand(y);
        bandTop = y;
        bandStart = rects.size();
        for (const Run& run : current)
            rects.emplace_back(QPoint(run.left, bandTop), QPoint(run.right - 1, bandTop));
        std::swap(previous, current);
    }
    closeBand(area.height());
    QRegion region;
    region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region;
}

} // namespace Outline
