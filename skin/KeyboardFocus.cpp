#include "skin/KeyboardFocus.h"

#include "skin/Palette.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QTabBar>
#include <QWidget>

namespace KeyboardFocus {
namespace {

// Painted over the focused control as its last child; the mouse goes through it.
class Ring : public QWidget
{
public:
    explicit Ring(QWidget* target) : QWidget(target)
    {
        setObjectName(QStringLiteral("keyboardFocusRing"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        paintRing(p, rect(), 4);
    }
};

class Watch : public QObject
{
public:
    static Watch& instance()
    {
        static QPointer<Watch> watch;
        if (!watch) {
            watch = new Watch;
            qApp->installEventFilter(watch);
        }
        return *watch;
    }

    bool keyboard() const { return m_keyboard; }
    void setRings(bool rings)
    {
        if (m_rings == rings)
            return;
        m_rings = rings;
        if (rings)
            connect(qApp, &QApplication::focusChanged, this, &Watch::follow);
        follow();
    }
    QWidget* ringOn(const QWidget* target) const
    {
        return m_ring && m_ring->isVisible() && m_ring->parentWidget() == target ? m_ring.data() : nullptr;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            setKeyboard(true);
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            setKeyboard(false);
            break;
        case QEvent::Resize:
        case QEvent::Move:
            if (m_ring && watched == m_ring->parentWidget())
                place();
            break;
        default:
            break;
        }
        return false;
    }

private:
    Watch() : QObject(qApp) {}

    void setKeyboard(bool keyboard)
    {
        if (m_keyboard == keyboard)
            return;
        m_keyboard = keyboard;
        if (QWidget* focused = QApplication::focusWidget())
            focused->update(); // painted buttons draw their own ring
        follow();
    }

    static bool wantsRing(const QWidget* widget)
    {
        // Painted buttons draw their own ring; a window as a whole gets none.
        return widget && !widget->isWindow() && !widget->inherits("CSkinButton");
    }

    void follow()
    {
        QWidget* focused = QApplication::focusWidget();
        if (!m_rings || !m_keyboard || !wantsRing(focused)) {
            if (m_ring)
                m_ring->hide();
            return;
        }
        if (!m_ring || m_ring->parentWidget() != focused) {
            delete m_ring;
            m_ring = new Ring(focused);
            if (auto* tabs = qobject_cast<QTabBar*>(focused))
                connect(tabs, &QTabBar::currentChanged, m_ring, [this] { place(); });
        }
        place();
        m_ring->show();
        m_ring->raise();
    }

    // Around the control, or around the current tab of a tab bar.
    void place()
    {
        QWidget* target = m_ring->parentWidget();
        auto* tabs = qobject_cast<QTabBar*>(target);
        m_ring->setGeometry(tabs && tabs->currentIndex() >= 0 ? tabs->tabRect(tabs->currentIndex())
                                                              : target->rect());
    }

    bool m_keyboard = false;
    bool m_rings = false;
    QPointer<Ring> m_ring;
};

} // namespace

bool shown()
{
    return Watch::instance().keyboard();
}

void install()
{
    Watch::instance().setRings(true);
}

void paintRing(QPainter& painter, const QRectF& rect, qreal radius)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Palette::focusRing, 2));
    painter.drawRoundedRect(rect.adjusted(1, 1, -1, -1), radius, radius);
    painter.setPen(QPen(Palette::focusInner, 1));
    painter.drawRoundedRect(rect.adjusted(2.5, 2.5, -2.5, -2.5), std::max(0.0, radius - 1.5),
                            std::max(0.0, radius - 1.5));
    painter.restore();
}

QWidget* ringOn(const QWidget* target)
{
    return Watch::instance().ringOn(target);
}

} // namespace KeyboardFocus
