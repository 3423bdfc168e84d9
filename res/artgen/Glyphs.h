#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace Glyphs {

// Draws the line symbol called name into box (square) in color; false for an unknown name.
bool exists(const QString& name);
bool draw(QPainter& painter, const QString& name, const QRectF& box, const QColor& color);

} // namespace Glyphs
