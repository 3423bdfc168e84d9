#include "skin/SkinButton.h"

#include "skin/SkinArt.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOption>

namespace {

const QColor kFocusRing(0xF2, 0x9E, 0x38);

// Whether the user's last input came from the keyboard. Focus is shown only then, so a mouse
// user keeps the frameless look and a keyboard user always sees where the focus is.
class InputWatch : public QObject
{
public:
    static bool keyboard() { return instance().m_keyboard; }

    static InputWatch& instance()
    {
        static QPointer<InputWatch> watch;
        if (!watch) {
            watch = new InputWatch(qApp);
            qApp->installEventFilter(watch);
        }
        return *watch;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            setKeyboard(true);
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            setKeyboard(false);
            break;
        default:
            break;
        }
        return false;
    }

private:
    using QObject::QObject;

    void setKeyboard(bool keyboard)
    {
        if (m_keyboard == keyboard)
            return;
        m_keyboard = keyboard;
        if (auto* button = qobject_cast<CSkinButton*>(QApplication::focusWidget()))
            button->update();
    }

    bool m_keyboard = false;
};

} // namespace

CSkinButton::CSkinButton(const QString& objectName, const QString& function, QWidget* parent)
    : QPushButton(parent)
{
    setObjectName(objectName);
    setAccessibleName(function);
    setFlat(true);
    setAutoDefault(false);
    setDefault(false);
    setMouseTracking(true);
    InputWatch::instance();
}

void CSkinButton::SetIcons(const QString& hot, const QString& normal)
{
    m_hotName = hot;
    m_normalName = normal;
    m_hot = QPixmap();
    m_normal = QPixmap();
    updateGeometry();
    update();
}

void CSkinButton::SetIcons(const QPixmap& hot, const QPixmap& normal)
{
    m_hotName.clear();
    m_normalName.clear();
    m_hot = hot;
    m_normal = normal;
    updateGeometry();
    update();
}

void CSkinButton::SetTooltipText(const QString& text, bool activate)
{
    if (text.isNull())
        return;
    setToolTip(activate ? text : QString());
    setAccessibleName(text);
}

bool CSkinButton::showsKeyboardFocus() const
{
    return hasFocus() && InputWatch::keyboard();
}

QPixmap CSkinButton::icon(bool hot) const
{
    const QString& name = hot ? m_hotName : m_normalName;
    if (!name.isEmpty())
        return SkinArt::pixmap(name, devicePixelRatioF());
    return hot ? m_hot : m_normal;
}

QPixmap CSkinButton::currentIcon() const
{
    const QPixmap normal = icon(false);
    const bool hot = m_hovered || isDown() || showsKeyboardFocus() || normal.isNull();
    QPixmap shown = hot ? icon(true) : normal;
    if (shown.isNull())
        shown = normal;
    if (isEnabled() || shown.isNull())
        return shown;
    QStyleOption option;
    option.initFrom(this);
    QPixmap greyed = style()->generatedIconPixmap(QIcon::Disabled, shown, &option);
    greyed.setDevicePixelRatio(shown.devicePixelRatio());
    return greyed;
}

QPoint CSkinButton::iconPosition() const
{
    const QSize size = currentIcon().deviceIndependentSize().toSize();
    QPoint at((width() - size.width()) / 2, (height() - size.height()) / 2);
    if (isDown())
        at += QPoint(1, 1);
    return at;
}

QSize CSkinButton::sizeHint() const
{
    const QPixmap normal = icon(false);
    return normal.isNull() ? QSize(16, 16) : normal.deviceIndependentSize().toSize();
}

void CSkinButton::paintEvent(QPaintEvent*)
{
    // Nothing is painted under the icon: the window draws its own bitmap there, so the button
    // never shows a stale copy of it.
    QPainter p(this);
    const QPixmap shown = currentIcon();
    if (!shown.isNull())
        p.drawPixmap(iconPosition(), shown);
    if (showsKeyboardFocus()) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(kFocusRing, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1.5, -1.5), 5, 5);
    }
}

void CSkinButton::setHovered(bool hovered)
{
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    update();
}

void CSkinButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    // Dragging onto the button with the left button held does not light it up.
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton) && isEnabled())
        setHovered(true);
}

void CSkinButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    setHovered(false);
}

void CSkinButton::mouseMoveEvent(QMouseEvent* event)
{
    QPushButton::mouseMoveEvent(event);
    if ((event->buttons() & Qt::LeftButton) && !m_hovered)
        return;
    setHovered(isEnabled() && rect().contains(event->position().toPoint()));
}

void CSkinButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double-click is a press like any other, so it clicks again.
    mousePressEvent(event);
}

void CSkinButton::hideEvent(QHideEvent* event)
{
    QPushButton::hideEvent(event);
    // Hidden under the mouse (submit gives way to pause), it is not hot when it comes back.
    setHovered(false);
}

void CSkinButton::focusInEvent(QFocusEvent* event)
{
    QPushButton::focusInEvent(event);
    update();
}

void CSkinButton::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
    setHovered(false);
    update();
}

void CSkinButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        setHovered(false);
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        setHovered(false);
        // Qt has passed the focus on to the next control if it could; where it could not, the
        // focus goes to the parent rather than stay on a button that cannot be pressed.
        if (hasFocus() && parentWidget())
            parentWidget()->setFocus(Qt::OtherFocusReason);
    }
}
