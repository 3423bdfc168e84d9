#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Where the program's secondary windows appear: centred over the window they belong to, so
// that they are seen at once and not at the screen's corner.
namespace WindowPlacement {

// Top-left corner that centres a window of this size over the owner's frame, moved as little
// as needed to lie inside the available area.
QPoint centredOver(const QRect& owner, const QSize& size, const QRect& available);

// Moves a window that is about to be shown over its parent's window, or over the screen when
// it has none.
void centreOverParent(QWidget* window);

// Shows the window (restored if minimised), raises it and gives it the focus.
void bringToFront(QWidget* window);

} // namespace WindowPlacement
