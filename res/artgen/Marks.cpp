#include "Marks.h"

#include "Glyphs.h"
#include "skin/Palette.h"

#include <QPainter>
#include <QPolygonF>

namespace Marks {
namespace {

constexpr int kBoxMark = 32;
constexpr int kChevron = 10;

struct BoxMark
{
    const char* name;
    const char* glyph;
    QColor disc;
};

const BoxMark kBoxMarks[] = {{"information", "info", Palette::blue},
                             {"question", "question", Palette::blue},
                             {"warning", "exclaim", Palette::accent.normal.top},
                             {"critical", "close", Palette::danger.normal.top}};

struct Chevron
{
    const char* name;
    double angle; // from pointing down
    QColor color;
};

const Chevron kChevrons[] = {{"chevron-down", 0, Palette::ink},
                             {"chevron-left", 90, Palette::white},
                             {"chevron-right", -90, Palette::white}};

QImage canvas(int size, int scale, QPainter& p)
{
    QImage image(QSize(size, size) * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    p.begin(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    return image;
}

} // namespace

QStringList names()
{
    QStringList all;
    for (const BoxMark& mark : kBoxMarks)
        all << QLatin1String(mark.name);
    for (const Chevron& chevron : kChevrons)
        all << QLatin1String(chevron.name);
    return all;
}

QImage draw(const QString& name, int scale)
{
    QPainter p;
    for (const BoxMark& mark : kBoxMarks) {
        if (name != QLatin1String(mark.name))
            continue;
        QImage image = canvas(kBoxMark, scale, p);
        p.setPen(Qt::NoPen);
        p.setBrush(mark.disc);
        p.drawEllipse(QRectF(1, 1, kBoxMark - 2, kBoxMark - 2));
        Glyphs::draw(p, QLatin1String(mark.glyph), QRectF(7, 7, kBoxMark - 14, kBoxMark - 14), Qt::white);
        return image;
    }
    for (const Chevron& chevron : kChevrons) {
        if (name != QLatin1String(chevron.name))
            continue;
        QImage image = canvas(kChevron, scale, p);
        p.translate(kChevron / 2.0, kChevron / 2.0);
        p.rotate(chevron.angle);
        p.setPen(QPen(chevron.color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({{-3.5, -1.75}, {0, 1.75}, {3.5, -1.75}}));
        return image;
    }
    return {};
}

} // namespace Marks
