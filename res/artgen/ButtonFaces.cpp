#include "ButtonFaces.h"

#include "Glyphs.h"
#include "skin/Palette.h"

#include <QFile>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QTextStream>

namespace ButtonFaces {
namespace {

// What a tone paints: its glyph on light grounds, its filled faces, and a hot link's caption.
struct Tone
{
    QColor glyph;
    const Palette::Faces* solid;
    const Palette::Face* tileHot;
    QColor linkHot;
};

bool toneOf(const QString& name, Tone* tone)
{
    if (name == QLatin1String("blue"))
        *tone = {Palette::blue, &Palette::primary, &Palette::blueTileHot, Palette::blueInk};
    else if (name == QLatin1String("orange"))
        *tone = {Palette::orange, &Palette::accent, nullptr, Palette::orangeInk};
    else if (name == QLatin1String("red"))
        *tone = {Palette::red, &Palette::danger, &Palette::redTileHot, Palette::orangeInk};
    else if (name == QLatin1String("light"))
        *tone = {QColor(255, 255, 255, 70), nullptr, nullptr, Palette::white};
    else
        return false;
    return true;
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

void faceBox(QPainter& p, const QRectF& r, double radius, const Palette::Face& face)
{
    roundedBox(p, r, radius, vertical(r, face.top, face.bottom), face.border);
}

// A sidebar tile. The page shown is navy with an orange mark at its left edge.
bool drawTile(QPainter& p, const ButtonArt& button, const QRectF& face, const Tone& tone, Variant variant,
              const QString& family)
{
    if (variant == Variant::Current) {
        faceBox(p, face, 5, Palette::current);
        p.setPen(Qt::NoPen);
        p.setBrush(Palette::orange);
        p.drawRoundedRect(QRectF(face.left() + 3, face.top() + 7, 3, face.height() - 14), 1.5, 1.5);
        drawContent(p, button, face, Palette::current.text, Palette::current.text, family, true);
        return true;
    }
    if (variant == Variant::Hot) {
        if (!tone.tileHot)
            return false;
        faceBox(p, face, 5, *tone.tileHot);
        drawContent(p, button, face, tone.tileHot->text, tone.tileHot->text, family, true);
        return true;
    }
    faceBox(p, face, 5, Palette::tile);
    drawContent(p, button, face, tone.glyph, Palette::tile.text, family, true);
    return true;
}

bool drawSolid(QPainter& p, const ButtonArt& button, const QRectF& face, const Tone& tone, bool hot,
               const QString& family)
{
    if (!tone.solid)
        return false;
    const Palette::Face& shown = hot ? tone.solid->hover : tone.solid->normal;
    faceBox(p, face, 5, shown);
    if (hot) {
        p.setPen(QPen(QColor(255, 255, 255, 90), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(face.adjusted(1, 1, -1, -1), 4, 4);
    }
    drawContent(p, button, face, shown.text, shown.text, family, true);
    return true;
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

QImage draw(const ButtonArt& button, Variant variant, int scale, const QString& family)
{
    Tone tone;
    if (!toneOf(button.tone, &tone) || !Glyphs::exists(button.glyph))
        return {};
    if (variant == Variant::Current && button.face != QLatin1String("tile"))
        return {};
    const bool hot = variant == Variant::Hot;
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
        known = drawTile(p, button, face, tone, variant, family);
    } else if (button.face == QLatin1String("solid")) {
        known = drawSolid(p, button, face, tone, hot, family);
    } else if (button.face == QLatin1String("band")) {
        if (hot) {
            const double r = std::min(face.width(), face.height()) / 2;
            p.setPen(Qt::NoPen);
            p.setBrush(button.tone == QLatin1String("red") ? Palette::danger.normal.bottom : tone.glyph);
            p.drawEllipse(face.center(), r, r);
        }
        drawContent(p, button, face, hot ? Qt::white : QColor(255, 255, 255, 225), Qt::white, family, true);
    } else if (button.face == QLatin1String("link")) {
        if (hot)
            roundedBox(p, face, 4, Palette::pale, QColor(0xB9, 0xD0, 0xE8));
        drawContent(p, button, face, tone.glyph, hot ? tone.linkHot : Palette::ink, family, false);
    } else {
        known = false;
    }
    p.end();
    return known ? image : QImage();
}

} // namespace ButtonFaces
