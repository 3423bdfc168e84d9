#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

struct ButtonArt
{
    QString name;
    QSize size;
    QString face;
    QString tone;
    QString glyph;
    QString caption; // empty: glyph only
};

namespace ButtonFaces {

// The normal face, the hot face (hovered or pressed), and a tile's face while its page is shown.
enum class Variant
{
    Normal,
    Hot,
    Current
};

// Reads the button manifest; on a malformed line returns nothing and sets error.
QList<ButtonArt> readManifest(const QString& path, QString* error);
// A face at scale 1 or 2; a null image when the face, tone or glyph is unknown, or for a current
// face of anything but a tile.
QImage draw(const ButtonArt& button, Variant variant, int scale, const QString& fontFamily);

} // namespace ButtonFaces
