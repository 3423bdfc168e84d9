#pragma once

#include "skin/ArtTexts.h"

#include <QAccessible>

class QLabel;
class QWidget;

// What screen readers are told beyond what Qt finds out on its own.
namespace Accessible {

// The role widget is read with, in place of Qt's guess (a frameless top-level widget is
// otherwise a mere client area). Call before anything asks for its interface.
void setRole(QWidget* widget, QAccessible::Role role);
// A label over words that the parent's bitmap draws at placed.box: it paints nothing and lets
// the mouse through, so the eye sees only the bitmap, while screen readers read the words as
// static text.
QLabel* bitmapText(QWidget* parent, const ArtTexts::Placed& placed);

} // namespace Accessible
