#include "Glyphs.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>
#include <map>

namespace Glyphs {
namespace {

// Every symbol is drawn on a unit square; At maps it onto the box.
struct Canvas
{
    QPainter& p;
    QRectF box;
    QColor color;

    QPointF at(double x, double y) const
    {
        return box.topLeft() + QPointF(x * box.width(), y * box.height());
    }
    double unit(double v) const { return v * box.width(); }

    void stroke(const QPainterPath& path) const
    {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(color, std::max(1.1, box.width() / 10.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
    }
    void fill(const QPainterPath& path) const
    {
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawPath(path);
    }
    QPainterPath polyline(std::initializer_list<QPointF> points, bool closed = false) const
    {
        QPainterPath path;
        bool first = true;
        for (const QPointF& point : points) {
            const QPointF mapped = at(point.x(), point.y());
            if (first)
                path.moveTo(mapped);
            else
                path.lineTo(mapped);
            first = false;
        }
        if (closed)
            path.closeSubpath();
        return path;
    }
    QPainterPath circle(double cx, double cy, double r) const
    {
        QPainterPath path;
        path.addEllipse(at(cx, cy), unit(r), unit(r));
        return path;
    }
};

void send(const Canvas& c)
{
    c.stroke(c.polyline({{0.08, 0.46}, {0.92, 0.1}, {0.62, 0.9}, {0.47, 0.56}}, true));
    c.stroke(c.polyline({{0.47, 0.56}, {0.92, 0.1}}));
}

void pause(const Canvas& c)
{
    QPainterPath bars;
    bars.addRoundedRect(QRectF(c.at(0.22, 0.14), c.at(0.42, 0.86)), c.unit(0.05), c.unit(0.05));
    bars.addRoundedRect(QRectF(c.at(0.58, 0.14), c.at(0.78, 0.86)), c.unit(0.05), c.unit(0.05));
    c.fill(bars);
}

void eraser(const Canvas& c)
{
    c.stroke(c.polyline({{0.12, 0.6}, {0.5, 0.22}, {0.86, 0.58}, {0.58, 0.86}, {0.38, 0.86}}, true));
    c.stroke(c.polyline({{0.3, 0.42}, {0.68, 0.78}}));
    c.stroke(c.polyline({{0.5, 0.94}, {0.92, 0.94}}));
}

void cross(const Canvas& c)
{
    c.stroke(c.polyline({{0.2, 0.2}, {0.8, 0.8}}));
    c.stroke(c.polyline({{0.8, 0.2}, {0.2, 0.8}}));
}

void minimise(const Canvas& c)
{
    c.stroke(c.polyline({{0.18, 0.62}, {0.82, 0.62}}));
}

void pen(const Canvas& c)
{
    c.stroke(c.polyline({{0.16, 0.84}, {0.2, 0.64}, {0.66, 0.18}, {0.82, 0.34}, {0.36, 0.8}}, true));
    c.stroke(c.polyline({{0.56, 0.28}, {0.72, 0.44}}));
}

void tray(const Canvas& c)
{
    c.stroke(c.polyline({{0.1, 0.58}, {0.1, 0.88}, {0.9, 0.88}, {0.9, 0.58}}));
}

void import(const Canvas& c)
{
    tray(c);
    c.stroke(c.polyline({{0.5, 0.08}, {0.5, 0.64}}));
    c.stroke(c.polyline({{0.3, 0.45}, {0.5, 0.65}, {0.7, 0.45}}));
}

void exportGlyph(const Canvas& c)
{
    tray(c);
    c.stroke(c.polyline({{0.5, 0.66}, {0.5, 0.1}}));
    c.stroke(c.polyline({{0.3, 0.3}, {0.5, 0.1}, {0.7, 0.3}}));
}

void trash(const Canvas& c)
{
    c.stroke(c.polyline({{0.12, 0.24}, {0.88, 0.24}}));
    c.stroke(c.polyline({{0.36, 0.24}, {0.4, 0.1}, {0.6, 0.1}, {0.64, 0.24}}));
    c.stroke(c.polyline({{0.22, 0.24}, {0.28, 0.9}, {0.72, 0.9}, {0.78, 0.24}}));
    c.stroke(c.polyline({{0.42, 0.4}, {0.42, 0.74}}));
    c.stroke(c.polyline({{0.58, 0.4}, {0.58, 0.74}}));
}

void clearList(const Canvas& c)
{
    c.stroke(c.polyline({{0.1, 0.2}, {0.9, 0.2}}));
    c.stroke(c.polyline({{0.1, 0.44}, {0.9, 0.44}}));
    c.stroke(c.polyline({{0.1, 0.68}, {0.44, 0.68}}));
    c.stroke(c.polyline({{0.6, 0.62}, {0.88, 0.9}}));
    c.stroke(c.polyline({{0.88, 0.62}, {0.6, 0.9}}));
}

void shoulders(const Canvas& c, double left, double right)
{
    QPainterPath path;
    path.moveTo(c.at(left, 0.92));
    path.cubicTo(c.at(left, 0.58), c.at(right, 0.58), c.at(right, 0.92));
    c.stroke(path);
}

void person(const Canvas& c)
{
    c.stroke(c.circle(0.5, 0.3, 0.18));
    shoulders(c, 0.14, 0.86);
}

void userPlus(const Canvas& c)
{
    c.stroke(c.circle(0.38, 0.32, 0.17));
    shoulders(c, 0.06, 0.7);
    c.stroke(c.polyline({{0.82, 0.3}, {0.82, 0.62}}));
    c.stroke(c.polyline({{0.66, 0.46}, {0.98, 0.46}}));
}

void gear(const Canvas& c)
{
    c.stroke(c.circle(0.5, 0.5, 0.27));
    c.stroke(c.circle(0.5, 0.5, 0.1));
    for (int k = 0; k < 8; ++k) {
        const double a = k * M_PI / 4;
        c.stroke(c.polyline({{0.5 + 0.27 * std::cos(a), 0.5 + 0.27 * std::sin(a)},
                             {0.5 + 0.43 * std::cos(a), 0.5 + 0.43 * std::sin(a)}}));
    }
}

void clock(const Canvas& c)
{
    c.stroke(c.circle(0.5, 0.5, 0.4));
    c.stroke(c.polyline({{0.5, 0.24}, {0.5, 0.5}, {0.7, 0.62}}));
}

void funnel(const Canvas& c)
{
    c.stroke(
        c.polyline({{0.1, 0.16}, {0.9, 0.16}, {0.58, 0.54}, {0.58, 0.84}, {0.42, 0.94}, {0.42, 0.54}}, true));
}

void key(const Canvas& c)
{
    c.stroke(c.circle(0.28, 0.5, 0.17));
    c.stroke(c.polyline({{0.45, 0.5}, {0.92, 0.5}}));
    c.stroke(c.polyline({{0.74, 0.5}, {0.74, 0.68}}));
    c.stroke(c.polyline({{0.88, 0.5}, {0.88, 0.64}}));
}

void power(const Canvas& c)
{
    QPainterPath arc;
    const QRectF ring(c.at(0.14, 0.16), c.at(0.86, 0.88));
    arc.arcMoveTo(ring, 120);
    arc.arcTo(ring, 120, 300);
    c.stroke(arc);
    c.stroke(c.polyline({{0.5, 0.06}, {0.5, 0.48}}));
}

void phone(const Canvas& c)
{
    QPainterPath body;
    body.addRoundedRect(QRectF(c.at(0.26, 0.06), c.at(0.74, 0.94)), c.unit(0.1), c.unit(0.1));
    c.stroke(body);
    c.stroke(c.polyline({{0.44, 0.78}, {0.56, 0.78}}));
}

void building(const Canvas& c)
{
    c.stroke(c.polyline({{0.18, 0.92}, {0.18, 0.1}, {0.82, 0.1}, {0.82, 0.92}}));
    c.stroke(c.polyline({{0.08, 0.92}, {0.92, 0.92}}));
    for (double y : {0.28, 0.48}) {
        c.stroke(c.polyline({{0.36, y}, {0.4, y}}));
        c.stroke(c.polyline({{0.6, y}, {0.64, y}}));
    }
    c.stroke(c.polyline({{0.42, 0.92}, {0.42, 0.7}, {0.58, 0.7}, {0.58, 0.92}}));
}

void house(const Canvas& c)
{
    c.stroke(c.polyline({{0.08, 0.5}, {0.5, 0.12}, {0.92, 0.5}}));
    c.stroke(c.polyline({{0.22, 0.4}, {0.22, 0.9}, {0.78, 0.9}, {0.78, 0.4}}));
    c.stroke(c.polyline({{0.42, 0.9}, {0.42, 0.64}, {0.58, 0.64}, {0.58, 0.9}}));
}

void question(const Canvas& c)
{
    QPainterPath hook;
    hook.moveTo(c.at(0.36, 0.38));
    hook.cubicTo(c.at(0.36, 0.18), c.at(0.66, 0.18), c.at(0.64, 0.38));
    hook.cubicTo(c.at(0.62, 0.5), c.at(0.5, 0.5), c.at(0.5, 0.62));
    c.stroke(hook);
    c.fill(c.circle(0.5, 0.76, 0.05));
}

void help(const Canvas& c)
{
    c.stroke(c.circle(0.5, 0.5, 0.42));
    question(c);
}

// The marks of the message boxes, drawn on a disc.
void info(const Canvas& c)
{
    c.fill(c.circle(0.5, 0.27, 0.065));
    c.stroke(c.polyline({{0.5, 0.44}, {0.5, 0.76}}));
}

void exclaim(const Canvas& c)
{
    c.stroke(c.polyline({{0.5, 0.22}, {0.5, 0.56}}));
    c.fill(c.circle(0.5, 0.75, 0.065));
}

void globe(const Canvas& c)
{
    c.stroke(c.circle(0.5, 0.5, 0.42));
    QPainterPath meridian;
    meridian.addEllipse(c.at(0.5, 0.5), c.unit(0.18), c.unit(0.42));
    c.stroke(meridian);
    c.stroke(c.polyline({{0.08, 0.5}, {0.92, 0.5}}));
}

void bell(const Canvas& c)
{
    QPainterPath body;
    body.moveTo(c.at(0.16, 0.74));
    body.cubicTo(c.at(0.28, 0.62), c.at(0.22, 0.2), c.at(0.5, 0.18));
    body.cubicTo(c.at(0.78, 0.2), c.at(0.72, 0.62), c.at(0.84, 0.74));
    body.closeSubpath();
    c.stroke(body);
    c.stroke(c.polyline({{0.5, 0.08}, {0.5, 0.18}}));
    c.fill(c.circle(0.5, 0.86, 0.07));
}

void envelope(const Canvas& c)
{
    QPainterPath body;
    body.addRoundedRect(QRectF(c.at(0.08, 0.2), c.at(0.92, 0.8)), c.unit(0.06), c.unit(0.06));
    c.stroke(body);
    c.stroke(c.polyline({{0.1, 0.24}, {0.5, 0.54}, {0.9, 0.24}}));
}

void shield(const Canvas& c)
{
    QPainterPath body;
    body.moveTo(c.at(0.5, 0.06));
    body.lineTo(c.at(0.88, 0.2));
    body.cubicTo(c.at(0.88, 0.6), c.at(0.72, 0.82), c.at(0.5, 0.94));
    body.cubicTo(c.at(0.28, 0.82), c.at(0.12, 0.6), c.at(0.12, 0.2));
    body.closeSubpath();
    c.fill(body);
}

void check(const Canvas& c)
{
    c.stroke(c.polyline({{0.18, 0.52}, {0.42, 0.74}, {0.84, 0.28}}));
}

const std::map<QString, std::function<void(const Canvas&)>>& table()
{
    static const std::map<QString, std::function<void(const Canvas&)>> glyphs = {
        {QStringLiteral("send"), send},         {QStringLiteral("pause"), pause},
        {QStringLiteral("eraser"), eraser},     {QStringLiteral("close"), cross},
        {QStringLiteral("minimise"), minimise}, {QStringLiteral("pen"), pen},
        {QStringLiteral("import"), import},     {QStringLiteral("export"), exportGlyph},
        {QStringLiteral("trash"), trash},       {QStringLiteral("clearlist"), clearList},
        {QStringLiteral("person"), person},     {QStringLiteral("userplus"), userPlus},
        {QStringLiteral("gear"), gear},         {QStringLiteral("clock"), clock},
        {QStringLiteral("funnel"), funnel},     {QStringLiteral("key"), key},
        {QStringLiteral("power"), power},       {QStringLiteral("phone"), phone},
        {QStringLiteral("building"), building}, {QStringLiteral("house"), house},
        {QStringLiteral("help"), help},         {QStringLiteral("globe"), globe},
        {QStringLiteral("bell"), bell},         {QStringLiteral("envelope"), envelope},
        {QStringLiteral("shield"), shield},     {QStringLiteral("check"), check},
        {QStringLiteral("question"), question}, {QStringLiteral("info"), info},
        {QStringLiteral("exclaim"), exclaim},
    };
    return glyphs;
}

} // namespace

bool exists(const QString& name)
{
    return table().count(name) != 0;
}

bool draw(QPainter& painter, const QString& name, const QRectF& box, const QColor& color)
{
    const auto found = table().find(name);
    if (found == table().end())
        return false;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    found->second(Canvas{painter, box, color});
    painter.restore();
    return true;
}

} // namespace Glyphs
