#include "ButtonFaces.h"

#include "Glyphs.h"
#include "Palette.h"

#include <QFile>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QTextStream>

namespace ButtonFaces {
namespace {

QColor toneColor(const QString& tone)
{
    if (tone == QLatin1String("blue"))
        return Palette::blue;
    if (tone == QLatin1String("orange"))
        return Palette::orange;
    if (tone == QLatin1String("red"))
        return Palette::red;
    if (tone == QLatin1String("light"))
        return QColor(255, 255, 255, 70);
    return QColor();
}

QFont captionFont(const QString& family, int height, bool bold)
{
    QFont font(family);
    font.setPixelSize(height >= 36 ? 14 : height >= 30 ? 14 : height >= 25 ? 13 : 11);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

double glyphSize(const ButtonArt& button)
{
    const int h = button.size.height();
    if (button.caption.isEmpty())
        return h * 0.42;
    return h >= 36 ? 18 : h >= 30 ? 15 : h >= 25 ? 13 : 11;
}

// Glyph and caption centred as one line in area.
void drawContent(QPainter& p, const ButtonArt& button, const QRectF& area, const QColor& glyphColor,
                 const QColor& textColor, const QString& family, bool bold)
{
    const double g = glyphSize(button);
    if (button.caption.isEmpty()) {
        Glyphs::draw(p, button.glyph, QRectF(area.center() - QPointF(g / 2, g / 2), QSizeF(g, g)),
                     glyphColor);
        return;
    }
    const QFont font = captionFont(family, button.size.height(), bold);
    const QFontMetricsF metrics(font);
    const double gap = g * 0.4;
    const double textWidth = metrics.horizontalAdvance(button.caption);
    const double left = area.left() + (area.width() - g - gap - textWidth) / 2;
    Glyphs::draw(p, button.glyph, QRectF(left, area.center().y() - g / 2, g, g), glyphColor);
    p.setFont(font);
    p.setPen(textColor);
    const double baseline = area.center().y() + (metrics.ascent() - metrics.descent()) / 2;
    p.drawText(QPointF(left + g + gap, baseline), button.caption);
}

QLinearGradient vertical(const QRectF& r, const QColor& top, const QColor& bottom)
{
    QLinearGradient gradient(r.topLeft(), r.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    return gradient;
}

void roundedBox(QPainter& p, const QRectF& r, double radius, const QBrush& fill, const QColor& border)
{
    p.setPen(border.isValid() ? QPen(border, 1) : Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
}

} // namespace

QList<ButtonArt> readManifest(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot read %1").arg(path);
        return {};
    }
    QList<ButtonArt> faces;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    int lineNumber = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNumber;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = line.split(QRegularExpression(QStringLiteral("\\s+")));
        bool okW = false, okH = false;
        ButtonArt button;
        if (f.size() == 7) {
            button = {f[0], QSize(f[1].toInt(&okW), f[2].toInt(&okH)),    f[3], f[4],
                      f[5], f[6] == QLatin1String("-") ? QString() : f[6]};
        }
        if (!okW || !okH || button.size.isEmpty()) {
            *error = QStringLiteral("%1:%2: expected name width height face tone glyph caption")
                         .arg(path)
                         .arg(lineNumber);
            return {};
        }
        faces << button;
    }
    return faces;
}

QImage draw(const ButtonArt& button, bool hot, int scale, const QString& family)
{
    const QColor tone = toneColor(button.tone);
    if (!tone.isValid() || !Glyphs::exists(button.glyph))
        return {};
    QImage image(button.size * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale);
    // The last column and row stay clear: the face moves there while the button is pressed.
    const QRectF face(0.5, 0.5, button.size.width() - 2, button.size.height() - 2);
    bool known = true;
    if (button.face == QLatin1String("tile")) {
        if (hot)
            roundedBox(p, face, 5, vertical(face, tone.lighter(125), tone), tone.darker(115));
        else
            roundedBox(p, face, 5, vertical(face, QColor(0xF7, 0xFA, 0xFD), QColor(0xE3, 0xEC, 0xF6)),
                       QColor(0xC3, 0xD3, 0xE4));
        drawContent(p, button, face, hot ? Qt::white : tone, hot ? Qt::white : Palette::ink, family, true);
    } else if (button.face == QLatin1String("solid")) {
        roundedBox(p, face, 5, vertical(face, tone.lighter(hot ? 140 : 118), hot ? tone.lighter(112) : tone),
                   tone.darker(hot ? 105 : 118));
        if (hot) {
            p.setPen(QPen(QColor(255, 255, 255, 110), 1));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(face.adjusted(1, 1, -1, -1), 4, 4);
        }
        drawContent(p, button, face, Qt::white, Qt::white, family, true);
    } else if (button.face == QLatin1String("band")) {
        if (hot) {
            const double r = std::min(face.width(), face.height()) / 2;
            p.setPen(Qt::NoPen);
            p.setBrush(tone);
            p.drawEllipse(face.center(), r, r);
        }
        drawContent(p, button, face, hot ? Qt::white : QColor(255, 255, 255, 225), Qt::white, family, true);
    } else if (button.face == QLatin1String("link")) {
        if (hot)
            roundedBox(p, face, 4, QColor(0xDC, 0xEA, 0xF7), QColor(0xB9, 0xD0, 0xE8));
        drawContent(p, button, face, tone, hot ? tone.darker(140) : Palette::ink, family, false);
    } else {
        known = false;
    }
    p.end();
    return known ? image : QImage();
}

} // namespace ButtonFaces
