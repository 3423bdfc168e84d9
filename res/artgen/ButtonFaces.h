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

// Reads the button manifest; on a malformed line returns nothing and sets error.
QList<ButtonArt> readManifest(const QString& path, QString* error);
// The normal or hot face at scale 1 or 2; a null image when the face, tone or glyph is unknown.
QImage draw(const ButtonArt& button, bool hot, int scale, const QString& fontFamily);

} // namespace ButtonFaces
