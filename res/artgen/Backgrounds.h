#pragma once

#include <QImage>
#include <QString>

class QSvgRenderer;

// The window backgrounds and pictures, each at scale 1 and 2. Shaped windows come out as
// 24-bit images whose pure green RGB(0, 255, 0) marks exactly the pixels cut away; no other
// pixel has that colour. They come out a second time with transparency for their outline.
namespace Backgrounds {

struct Art
{
    QString family;     // the CJK face for every text
    QSvgRenderer* logo; // the application icon
};

struct Pair
{
    QImage x1;
    QImage x2;
    QImage smooth1; // shaped windows only: the picture with an alpha outline
    QImage smooth2;
};

Pair main(const Art& art);    // 800 x 582, shaped
Pair login(const Art& art);   // 614 x 362, shaped
Pair popup(const Art& art);   // 271 x 143
Pair profile(const Art& art); // 634 x 277

// Counts pixels of pure green; used to check the pictures that are never cut.
int countKeyPixels(const QImage& image);

} // namespace Backgrounds
