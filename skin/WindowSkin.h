#pragma once

#include <QPixmap>

class QMouseEvent;
class QWidget;

// Backgrounds of the frameless windows and dragging them by any point of their surface.
namespace WindowSkin {

QPixmap mainBackground();  // 800 x 582
QPixmap loginBackground(); // 614 x 362
QPixmap popupBackground(); // 271 x 143
QPixmap profilePicture();  // 634 x 277
void paintBackground(QWidget* window, const QPixmap& background);
// Starts moving the window with the mouse after a left press on its background.
bool dragOnPress(QWidget* window, QMouseEvent* event);
// A CJK face for the whole program, so Chinese text never shows as boxes.
void applyApplicationFont();

} // namespace WindowSkin

namespace WindowSkin {
// Child pages: white background, grey static texts.
void stylePage(QWidget* page);
} // namespace WindowSkin
