#pragma once

#include <QImage>
#include <QRegion>
#include <QSize>

// The outline of a shaped window: every pixel of area except those of the bitmap that are
// exactly pure green RGB(0, 255, 0). Pixels outside the bitmap are kept; alpha is ignored.
namespace Outline {

inline constexpr QRgb keyColour = 0x00FF00;

// Built from runs of kept pixels, one rectangle per run, rows with the same runs merged.
QRegion fromBitmap(const QImage& bitmap, const QSize& area);

} // namespace Outline
