#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

class QMouseEvent;
class QWidget;

// Backgrounds of the frameless windows, their outlines, and dragging them by any point of
// their surface.
namespace WindowSkin {

// Pictures for a device pixel ratio; 0 means the application's highest ratio. In the two
// window backgrounds the cut-away key colour is transparent; where a compositor runs their
// outline is the artwork's own anti-aliased edge.
QPixmap mainBackground(qreal devicePixelRatio = 0);  // 800 x 582
QPixmap loginBackground(qreal devicePixelRatio = 0); // 614 x 362
QPixmap popupBackground(qreal devicePixelRatio = 0); // 271 x 143
QPixmap profilePicture(qreal devicePixelRatio = 0);  // 634 x 277
// The 1x bitmaps whose pure green marks the cut-away parts of the windows.
QImage mainBitmap();
QImage loginBitmap();
QIcon applicationIcon();

// Cuts the window's outline from bitmap (see Outline). A bitmap without pure green, or one
// that would cut away the whole window, leaves it rectangular; false then. While a compositor
// runs the window has no mask: its background's transparent edge is the outline.
bool shape(QWidget* window, const QImage& bitmap);
// Whether shaped windows show the smooth outline now.
bool smoothOutline();
void paintBackground(QWidget* window, const QPixmap& background);
// Starts moving the window with the mouse after a left press on its background. Where the
// platform cannot move windows itself, the window follows the mouse until the release.
bool dragOnPress(QWidget* window, QMouseEvent* event);
// A CJK face for the whole program, so Chinese text never shows as boxes.
void applyApplicationFont();

} // namespace WindowSkin

namespace WindowSkin {
// Child pages: white background, grey static texts.
void stylePage(QWidget* page);
} // namespace WindowSkin
