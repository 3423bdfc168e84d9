#include "Backgrounds.h"

#include "Glyphs.h"
#include "skin/ArtTexts.h"
#include "skin/Palette.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

#include <functional>

namespace Backgrounds {
namespace {

const QRgb kKey = qRgb(0, 255, 0);
const QRgb kNearKey = qRgb(0, 254, 0);

using Paint = std::function<void(QPainter&)>;

QImage render(QSize size, int scale, const Paint& paint)
{
    QImage canvas(size * scale, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(scale, scale);
    paint(p);
    return canvas;
}

// Flattens a painted canvas onto the rim colour; where keep(x, y) is false the pixel becomes the
// key colour, and a painted pixel that happens to be the key colour is nudged off it.
QImage flatten(const QImage& canvas, const std::function<bool(int, int)>& keep)
{
    QImage out(canvas.size(), QImage::Format_RGB888);
    const QRgb rim = Palette::rim.rgb();
    for (int y = 0; y < canvas.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < canvas.width(); ++x) {
            QRgb color = kKey;
            if (keep(x, y)) {
                const QRgb s = in[x];
                const int a = qAlpha(s);
                color = qRgb(qRed(s) + qRed(rim) * (255 - a) / 255, qGreen(s) + qGreen(rim) * (255 - a) / 255,
                             qBlue(s) + qBlue(rim) * (255 - a) / 255);
                if (color == kKey)
                    color = kNearKey;
            }
            out.setPixel(x, y, color);
        }
    }
    return out;
}

// A shaped window: a pixel is cut when less than half of it is covered at scale 1; the 2x image
// cuts exactly the same window pixels, so the outline fits both. The painted canvases, with their
// anti-aliased edges, are the outline where a compositor blends windows.
Pair shaped(QSize size, const Paint& paint)
{
    const QImage one = render(size, 1, paint);
    const QImage two = render(size, 2, paint);
    Pair pair;
    pair.x1 = flatten(one, [&](int x, int y) { return qAlpha(one.pixel(x, y)) >= 128; });
    pair.x2 = flatten(two, [&](int x, int y) { return qAlpha(one.pixel(x / 2, y / 2)) >= 128; });
    pair.smooth1 = one;
    pair.smooth2 = two;
    return pair;
}

Pair flat(QSize size, const Paint& paint)
{
    const auto all = [](int, int) { return true; };
    return {flatten(render(size, 1, paint), all), flatten(render(size, 2, paint), all)};
}

QFont font(const Art& art, int pixels, bool bold = false)
{
    QFont f(art.family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

void text(QPainter& p, const QFont& f, const QColor& color, QPointF baseline, const QString& s)
{
    p.setFont(f);
    p.setPen(color);
    p.drawText(baseline, s);
}

QLinearGradient vertical(double top, double bottom, const QColor& a, const QColor& b)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

QPainterPath windowOutline(QSize size)
{
    QPainterPath outline;
    outline.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), 14, 14);
    return outline;
}

QPainterPath rect(double x, double y, double w, double h)
{
    QPainterPath path;
    path.addRect(x, y, w, h);
    return path;
}

// The dark title band with soft rings in its right half.
void band(QPainter& p, const QPainterPath& outline, double height)
{
    const QPainterPath area = outline.intersected(rect(0, 0, outline.boundingRect().width(), height));
    p.fillPath(area, vertical(0, height, Palette::navy, Palette::bandBottom));
    p.save();
    p.setClipPath(area);
    p.setPen(Qt::NoPen);
    const double w = outline.boundingRect().width();
    p.setBrush(QColor(255, 255, 255, 14));
    p.drawEllipse(QPointF(w - 120, -30), 150, 150);
    p.setBrush(QColor(255, 255, 255, 10));
    p.drawEllipse(QPointF(w - 300, height + 40), 110, 110);
    p.restore();
}

void logoTitle(QPainter& p, const Art& art, QPointF at, const QString& subtitle)
{
    art.logo->render(&p, QRectF(at, QSizeF(44, 44)));
    text(p, font(art, 26, true), Qt::white, at + QPointF(54, 24), QStringLiteral("Kavrel"));
    text(p, font(art, 13), Palette::paleText, at + QPointF(56, 43), subtitle);
}

void card(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(Palette::line, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}

// A small heading with a tone bar in front of it.
void heading(QPainter& p, const Art& art, QPointF at, const QString& s, int pixels = 12)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Palette::blue);
    p.drawRoundedRect(QRectF(at.x(), at.y() - pixels + 1, 3, pixels), 1.5, 1.5);
    text(p, font(art, pixels, true), Palette::ink, at + QPointF(8, 0), s);
}

void border(QPainter& p, const QPainterPath& outline)
{
    const QRectF r = outline.boundingRect().adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(Palette::rim, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, 13.5, 13.5);
}

void paintMain(QPainter& p, const Art& art)
{
    const QSize size(800, 582);
    const QPainterPath outline = windowOutline(size);
    p.fillPath(outline, Palette::surface);
    band(p, outline, 131);
    logoTitle(p, art, QPointF(22, 16), ArtTexts::kMainSubtitle.string());
    // The account line sits on a faint strip; its person mark leads the text.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 26));
    p.drawRoundedRect(QRectF(30, 104, 610, 22), 11, 11);
    Glyphs::draw(p, QStringLiteral("person"), QRectF(37, 108, 13, 13), QColor(255, 255, 255, 210));

    p.fillPath(outline.intersected(rect(0, 131, 146, 451)), Palette::sidebar);
    p.fillRect(QRectF(146, 131, 1, 451), Palette::line);
    text(p, font(art, 11), Palette::muted, QPointF(30, 552), ArtTexts::kMainSlogan.string());

    // Everything drawn on the card stays left of x 781, where the hosted pages end.
    card(p, QRectF(148, 136, 643, 439));
    heading(p, art, QPointF(153, 151), ArtTexts::kNumberList.string());
    heading(p, art, QPointF(327, 151), ArtTexts::kMessage.string());
    heading(p, art, QPointF(670, 151), ArtTexts::kCharacters.string());
    p.setPen(QPen(Palette::line, 1));
    p.drawLine(QPointF(670, 206.5), QPointF(780, 206.5));

    heading(p, art, QPointF(327, 275), ArtTexts::kSending.string());
    p.setPen(QPen(QColor(0xE1, 0xE8, 0xF0), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(327.5, 280.5, 453, 62), 6, 6);
    p.drawLine(QPointF(491.5, 288), QPointF(491.5, 335));
    p.drawLine(QPointF(653.5, 288), QPointF(653.5, 335));

    heading(p, art, QPointF(327, 372), ArtTexts::kUsage.string());
    for (int k = 0; k < int(ArtTexts::kUsageSteps.size()); ++k)
        text(p, font(art, 12), Palette::grey, QPointF(335, 400 + 24 * k), ArtTexts::kUsageSteps[k].string());
    border(p, outline);
}

void paintLogin(QPainter& p, const Art& art)
{
    const QSize size(614, 362);
    const QPainterPath outline = windowOutline(size);
    p.fillPath(outline, Palette::surface);
    band(p, outline, 118);
    logoTitle(p, art, QPointF(20, 18), ArtTexts::kLoginSubtitle.string());
    const QFont slogan = font(art, 12);
    const QString sloganText = ArtTexts::kLoginSlogan.string();
    text(p, slogan, Palette::paleText,
         QPointF(596 - QFontMetricsF(slogan).horizontalAdvance(sloganText), 102), sloganText);

    card(p, QRectF(10, 126, 214, 226));
    heading(p, art, QPointF(24, 148), ArtTexts::kLoginHeading.string(), 14);
    text(p, font(art, 13), Palette::formLabel, QPointF(26, 175), ArtTexts::kLoginName.string());
    text(p, font(art, 13), Palette::formLabel, QPointF(26, 200), ArtTexts::kLoginPassword.string());
    p.setPen(QPen(Palette::line, 1));
    p.drawLine(QPointF(22, 270.5), QPointF(212, 270.5));

    card(p, QRectF(230, 126, 374, 226));
    // A phone with two message bubbles.
    QPainterPath phone;
    phone.addRoundedRect(QRectF(258, 160, 70, 124), 10, 10);
    p.setPen(QPen(Palette::blue, 2));
    p.setBrush(QColor(0xF2, 0xF7, 0xFC));
    p.drawPath(phone);
    p.drawLine(QPointF(284, 272), QPointF(302, 272));
    p.setPen(Qt::NoPen);
    p.setBrush(Palette::sky);
    p.drawRoundedRect(QRectF(268, 178, 46, 20), 8, 8);
    p.setBrush(Palette::orange);
    p.drawRoundedRect(QRectF(278, 206, 40, 20), 8, 8);
    p.setBrush(QColor(0xD6, 0xE4, 0xF2));
    p.drawRoundedRect(QRectF(268, 234, 36, 16), 7, 7);
    heading(p, art, QPointF(356, 172), ArtTexts::kServiceHeading.string(), 16);
    for (int k = 0; k < int(ArtTexts::kServicePoints.size()); ++k) {
        p.setPen(Qt::NoPen);
        p.setBrush(Palette::blue);
        p.drawEllipse(QPointF(362, 201 + 26 * k), 2.5, 2.5);
        text(p, font(art, 12), Palette::grey, QPointF(370, 205 + 26 * k),
             ArtTexts::kServicePoints[k].string());
    }
    text(p, font(art, 10), Palette::muted, QPointF(500, 345), ArtTexts::kLoginFooter.string());
    border(p, outline);
}

void paintPopup(QPainter& p, const Art& art)
{
    p.fillRect(QRectF(0, 0, 271, 143), Qt::white);
    p.fillRect(QRectF(0, 0, 271, 47), vertical(0, 47, Palette::popupTop, Palette::popupBottom));
    Glyphs::draw(p, QStringLiteral("bell"), QRectF(10, 10, 24, 24), Palette::orange);
    text(p, font(art, 14, true), Palette::navy, QPointF(42, 22), ArtTexts::kPopupHeading.string());
    text(p, font(art, 11), Palette::muted, QPointF(42, 39), ArtTexts::kPopupHint.string());
    p.fillRect(QRectF(0, 50, 271, 26), vertical(50, 76, Palette::navy, Palette::bandBottom));
    Glyphs::draw(p, QStringLiteral("person"), QRectF(14, 55, 16, 16), QColor(255, 255, 255, 220));
    p.setPen(QPen(QColor(0xDC, 0xE6, 0xF0), 1));
    p.setBrush(QColor(0xF7, 0xFA, 0xFD));
    p.drawRoundedRect(QRectF(39.5, 82.5, 228, 55), 5, 5);
    Glyphs::draw(p, QStringLiteral("envelope"), QRectF(9, 96, 24, 24), Palette::blue);
    p.setPen(QPen(QColor(0x8F, 0xA8, 0xC2), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 270, 142));
}

void paintProfile(QPainter& p, const Art& art)
{
    p.fillRect(QRectF(0, 0, 634, 277), QColor(0xF4, 0xF8, 0xFC));
    p.fillRect(QRectF(0, 0, 634, 1), Palette::line);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1F, 0x6F, 0xB2, 12));
    p.drawEllipse(QPointF(590, 40), 120, 120);
    p.drawEllipse(QPointF(520, 280), 80, 80);
    // The page shows only the picture's top 184 pixels (the rest lies below the page's edge), so
    // everything that must be read sits there.
    Glyphs::draw(p, QStringLiteral("shield"), QRectF(50, 22, 118, 136), Palette::blue);
    Glyphs::draw(p, QStringLiteral("shield"), QRectF(61, 35, 96, 110), Palette::sky);
    Glyphs::draw(p, QStringLiteral("check"), QRectF(82, 60, 54, 54), Qt::white);
    heading(p, art, QPointF(206, 40), ArtTexts::kProfileHeading.string(), 17);
    for (int k = 0; k < int(ArtTexts::kProfileTips.size()); ++k) {
        p.setPen(Qt::NoPen);
        p.setBrush(Palette::blue);
        p.drawEllipse(QPointF(214, 72 + 27 * k), 3, 3);
        text(p, font(art, 13), Palette::muted, QPointF(224, 77 + 27 * k), ArtTexts::kProfileTips[k].string());
    }
}

} // namespace

Pair main(const Art& art)
{
    return shaped(QSize(800, 582), [&](QPainter& p) { paintMain(p, art); });
}

Pair login(const Art& art)
{
    return shaped(QSize(614, 362), [&](QPainter& p) { paintLogin(p, art); });
}

Pair popup(const Art& art)
{
    return flat(QSize(271, 143), [&](QPainter& p) { paintPopup(p, art); });
}

Pair profile(const Art& art)
{
    return flat(QSize(634, 277), [&](QPainter& p) { paintProfile(p, art); });
}

int countKeyPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFF) == (kKey & 0xFFFFFF);
    }
    return count;
}

} // namespace Backgrounds
