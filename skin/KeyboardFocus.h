#pragma once

#include <QRect>

class QPainter;
class QWidget;

// Focus is shown only to a keyboard user: after a key press the focused control carries a navy
// ring with a white ring inside it, which stands out on every face of the palette; a mouse
// press takes the ring away again.
namespace KeyboardFocus {

// Whether the user's last input came from the keyboard.
bool shown();
// The ring around whatever control has the focus, in every window; painted buttons draw their
// own. Safe to call more than once.
void install();
// Draws the ring just inside rect.
void paintRing(QPainter& painter, const QRectF& rect, qreal radius);
// The ring's widget, while it is shown on target; null otherwise.
QWidget* ringOn(const QWidget* target);

} // namespace KeyboardFocus
