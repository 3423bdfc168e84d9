#include "skin/WindowSkin.h"

#include <QApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <QWindow>

namespace WindowSkin {
namespace {

const QColor kDeepBlue(24, 84, 140);
const QColor kBlue(58, 136, 204);
const QColor kPale(236, 243, 250);

void paintFrame(QPainter& p, const QRect& area)
{
    QPainterPath outline;
    outline.addRoundedRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    p.fillPath(outline, kPale);
    p.setPen(QPen(kDeepBlue, 1));
    p.drawPath(outline);
}

void paintBand(QPainter& p, const QRect& band)
{
    QLinearGradient gradient(band.topLeft(), band.bottomLeft());
    gradient.setColorAt(0, kDeepBlue);
    gradient.setColorAt(1, kBlue);
    QPainterPath outline;
    outline.addRoundedRect(
        QRectF(0, 0, p.device()->width(), p.device()->height()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    p.save();
    p.setClipPath(outline);
    p.fillRect(band, gradient);
    p.restore();
}

void paintTitle(QPainter& p, const QPoint& at, const QString& subtitle)
{
    QFont font = QApplication::font();
    font.setPixelSize(26);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(at, QStringLiteral("Kavrel"));
    font.setPixelSize(14);
    font.setBold(false);
    p.setFont(font);
    p.setPen(QColor(220, 235, 250));
    p.drawText(at + QPoint(104, -2), subtitle);
}

} // namespace

QPixmap mainBackground()
{
    static const QPixmap pixmap = [] {
        QPixmap image(800, 582);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        paintFrame(p, image.rect());
        paintBand(p, QRect(0, 0, 800, 128));
        paintTitle(p, QPoint(24, 52), QStringLiteral("短信群发客户端"));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(214, 230, 245));
        p.drawRoundedRect(QRect(8, 128, 136, 446), 6, 6);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRect(146, 134, 646, 440), 6, 6);
        return image;
    }();
    return pixmap;
}

QPixmap loginBackground()
{
    static const QPixmap pixmap = [] {
        QPixmap image(614, 362);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        paintFrame(p, image.rect());
        paintBand(p, QRect(0, 0, 614, 120));
        paintTitle(p, QPoint(24, 60), QStringLiteral("短信群发 · 登录"));
        QFont font = QApplication::font();
        font.setPixelSize(13);
        p.setFont(font);
        p.setPen(QColor(60, 60, 60));
        p.drawText(QRect(24, 160, 48, 17), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("帐号:"));
        p.drawText(QRect(24, 185, 48, 17), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("密码:"));
        p.drawText(QRect(86, 204, 90, 18), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("记住密码"));
        p.setPen(QColor(210, 222, 235));
        p.drawLine(226, 134, 226, 340);
        return image;
    }();
    return pixmap;
}

QPixmap popupBackground()
{
    static const QPixmap pixmap = [] {
        QPixmap image(271, 143);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        paintFrame(p, image.rect());
        paintBand(p, QRect(0, 0, 271, 28));
        return image;
    }();
    return pixmap;
}

QPixmap profilePicture()
{
    static const QPixmap pixmap = [] {
        QPixmap image(634, 277);
        image.fill(kPale);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        paintBand(p, QRect(0, 0, 634, 60));
        return image;
    }();
    return pixmap;
}

void paintBackground(QWidget* window, const QPixmap& background)
{
    QPainter p(window);
    p.drawPixmap(0, 0, background);
}

bool dragOnPress(QWidget* window, QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !window->windowHandle())
        return false;
    return window->windowHandle()->startSystemMove();
}

void applyApplicationFont()
{
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("AR PL UMing CN"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(12);
    QApplication::setFont(font);
}

} // namespace WindowSkin

namespace WindowSkin {

void stylePage(QWidget* page)
{
    page->setAttribute(Qt::WA_StyledBackground, true);
    page->setStyleSheet(
        QStringLiteral("#%1{background:#ffffff;} QLabel{color:rgb(115,115,115);background:transparent;}")
            .arg(page->objectName()));
}

} // namespace WindowSkin
