#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// Marks of the standard controls, from the artwork's glyphs and the palette: the message boxes'
// marks (a glyph on a disc, 32 pixels) and the chevrons of drop-down lists and the calendar.
namespace Marks {

QStringList names();
// The mark at scale 1 or 2; a null image for an unknown name.
QImage draw(const QString& name, int scale);

} // namespace Marks
