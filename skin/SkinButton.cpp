#include "skin/SkinButton.h"

#include "skin/KeyboardFocus.h"
#include "skin/SkinArt.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOption>

CSkinButton::CSkinButton(const QString& objectName, const QString& function, QWidget* parent)
    : QPushButton(parent)
{
    setObjectName(objectName);
    setAccessibleName(function);
    setFlat(true);
    setAutoDefault(false);
    setDefault(false);
    setMouseTracking(true);
    KeyboardFocus::shown(); // starts watching the input
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
    QString said = text;
    while (said.endsWith(QLatin1Char('!')) || said.endsWith(QChar(u'！')))
        said.chop(1);
    if (said != accessibleName())
        setAccessibleDescription(text);
}

bool CSkinButton::showsKeyboardFocus() const
{
    return hasFocus() && KeyboardFocus::shown();
}

void CSkinButton::SetCurrentWhileShown(QWidget* page)
{
    m_page = page;
    page->installEventFilter(this);
    setCurrent(page->isVisibleTo(page->parentWidget()));
}

void CSkinButton::setCurrent(bool current)
{
    if (m_current == current)
        return;
    m_current = current;
    update();
}

QPixmap CSkinButton::icon(bool hot) const
{
    const QString& name = hot ? m_hotName : m_normalName;
    if (!name.isEmpty())
        return SkinArt::pixmap(name, devicePixelRatioF());
    return hot ? m_hot : m_normal;
}

QPixmap CSkinButton::currentFace() const
{
    return m_current && !m_normalName.isEmpty()
               ? SkinArt::pixmap(m_normalName + QStringLiteral("-current"), devicePixelRatioF())
               : QPixmap();
}

QPixmap CSkinButton::currentIcon() const
{
    const QPixmap normal = icon(false);
    const bool hot = m_hovered || isDown() || showsKeyboardFocus() || normal.isNull();
    QPixmap shown = currentFace();
    if (shown.isNull())
        shown = hot ? icon(true) : normal;
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
    if (showsKeyboardFocus())
        KeyboardFocus::paintRing(p, QRectF(rect()).adjusted(0, 0, -1, -1), 5);
}

bool CSkinButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_page && (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent))
        setCurrent(event->type() == QEvent::ShowToParent);
    return QPushButton::eventFilter(watched, event);
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
