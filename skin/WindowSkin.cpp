#include "skin/WindowSkin.h"

#include "skin/Compositor.h"
#include "skin/Outline.h"
#include "skin/SkinArt.h"

#include <QApplication>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace WindowSkin {
namespace {

qreal ratioOrApplication(qreal ratio)
{
    return ratio > 0 ? ratio : qApp->devicePixelRatio();
}

// The key colour made transparent, so a platform that composites but cannot cut still shows
// the rounded outline.
QPixmap withoutKey(const QString& name, qreal ratio)
{
    static QHash<QString, QPixmap> cache;
    const QPixmap source = SkinArt::pixmap(name, ratioOrApplication(ratio));
    const QString key = name + QString::number(source.devicePixelRatio());
    auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((row[x] & 0xFFFFFF) == Outline::keyColour)
                row[x] = 0;
        }
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(source.devicePixelRatio());
    cache.insert(key, pixmap);
    return pixmap;
}

// A left press on the background arms a move; the move starts once the mouse has travelled
// with the button still held. Handing the window manager a move on the press itself races a
// quick click: its release can come before the manager grabs the pointer, which then leaves
// the window stuck to the cursor until the next click. Where the platform offers no move of
// its own, the window follows the mouse until the release.
class PendingDrag : public QObject
{
public:
    PendingDrag(QWidget* window, const QPoint& pressedAt)
        : QObject(window), m_window(window), m_pressedAt(pressedAt), m_windowAt(window->pos())
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (m_done)
            return false;
        if (event->type() == QEvent::MouseButtonRelease) {
            finish();
            return false;
        }
        if (event->type() != QEvent::MouseMove || !m_window)
            return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!(mouse->buttons() & Qt::LeftButton)) {
            finish();
            return false;
        }
        const QPoint at = mouse->globalPosition().toPoint();
        if (!m_following) {
            if ((at - m_pressedAt).manhattanLength() < QApplication::startDragDistance())
                return true;
            QWindow* handle = m_window->windowHandle();
            if (handle && handle->startSystemMove()) {
                finish();
                return true;
            }
            m_following = true;
        }
        m_window->move(m_windowAt + at - m_pressedAt);
        return true;
    }

private:
    void finish()
    {
        m_done = true;
        deleteLater();
    }

    QPointer<QWidget> m_window;
    QPoint m_pressedAt;
    QPoint m_windowAt;
    bool m_following = false;
    bool m_done = false;
};

// Keeps a shaped window's outline fitting the screen: blended at its anti-aliased edge where a
// compositor runs, cut by the mask where none does, switching when a compositor starts or stops.
class OutlineKeeper : public QObject
{
public:
    OutlineKeeper(QWidget* window, const QRegion& outline)
        : QObject(window), m_window(window), m_outline(outline)
    {
        setObjectName(QStringLiteral("outlineKeeper"));
        connect(&Compositor::instance(), &Compositor::changed, this, &OutlineKeeper::apply);
    }

    void setOutline(const QRegion& outline)
    {
        m_outline = outline;
        apply();
    }

    void apply()
    {
        if (Compositor::active())
            m_window->clearMask();
        else
            m_window->setMask(m_outline);
        m_window->update();
    }

private:
    QWidget* m_window;
    QRegion m_outline;
};

// The picture of a shaped window as the screen can show it.
QPixmap shapedBackground(const QString& name, qreal ratio)
{
    if (Compositor::active()) {
        const QPixmap smooth = SkinArt::pixmap(name + QStringLiteral("-smooth"), ratioOrApplication(ratio));
        if (!smooth.isNull())
            return smooth;
    }
    return withoutKey(name, ratio);
}

} // namespace

QPixmap mainBackground(qreal ratio)
{
    return shapedBackground(QStringLiteral("main"), ratio);
}

QPixmap loginBackground(qreal ratio)
{
    return shapedBackground(QStringLiteral("login"), ratio);
}

QPixmap popupBackground(qreal ratio)
{
    return SkinArt::pixmap(QStringLiteral("popup"), ratioOrApplication(ratio));
}

QPixmap profilePicture(qreal ratio)
{
    return SkinArt::pixmap(QStringLiteral("profile"), ratioOrApplication(ratio));
}

QImage mainBitmap()
{
    return SkinArt::image(QStringLiteral("main"));
}

QImage loginBitmap()
{
    return SkinArt::image(QStringLiteral("login"));
}

QIcon applicationIcon()
{
    return SkinArt::applicationIcon();
}

bool shape(QWidget* window, const QImage& bitmap)
{
    const QRegion outline = Outline::fromBitmap(bitmap, window->size());
    auto* keeper =
        window->findChild<OutlineKeeper*>(QStringLiteral("outlineKeeper"), Qt::FindDirectChildrenOnly);
    // An empty outline would make the window vanish for good: keep it whole instead.
    if (outline.isEmpty() || outline == QRegion(window->rect())) {
        delete keeper;
        window->clearMask();
        return false;
    }
    if (!keeper)
        keeper = new OutlineKeeper(window, outline);
    keeper->setOutline(outline);
    return true;
}

bool smoothOutline()
{
    return Compositor::active();
}

void paintBackground(QWidget* window, const QPixmap& background)
{
    QPainter p(window);
    p.drawPixmap(0, 0, background);
}

bool dragOnPress(QWidget* window, QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    static QPointer<PendingDrag> current;
    delete current;
    current = new PendingDrag(window, event->globalPosition().toPoint());
    return true;
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
