#include "skin/Compositor.h"

#include <QGuiApplication>
#include <QTimer>

#if defined(KAVREL_HAVE_XCB) && QT_CONFIG(xcb)
#define KAVREL_ASK_X11 1
#include <xcb/xcb.h>
#endif

namespace {

constexpr int kPollMs = 3000;

#if defined(KAVREL_ASK_X11)
// An X compositing manager owns the selection _NET_WM_CM_S<screen>.
bool x11CompositorRunning()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    static xcb_atom_t atom = XCB_ATOM_NONE;
    if (atom == XCB_ATOM_NONE) {
        const QByteArray display = qgetenv("DISPLAY");
        const qsizetype dot = display.lastIndexOf('.');
        const int screen = dot > display.lastIndexOf(':') ? display.mid(dot + 1).toInt() : 0;
        const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, name.size(), name.constData()), nullptr);
        if (!reply)
            return false;
        atom = reply->atom;
        free(reply);
    }
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom), nullptr);
    const bool running = owner && owner->owner != XCB_WINDOW_NONE;
    free(owner);
    return running;
}
#endif

} // namespace

Compositor::Compositor() : QObject(qApp)
{
    m_active = askSystem();
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &Compositor::poll);
    timer->start(kPollMs);
}

Compositor& Compositor::instance()
{
    static Compositor* watch = new Compositor;
    return *watch;
}

bool Compositor::active()
{
    Compositor& watch = instance();
    return watch.m_override.value_or(watch.m_active);
}

void Compositor::setOverride(std::optional<bool> active)
{
    Compositor& watch = instance();
    const bool before = Compositor::active();
    watch.m_override = active;
    watch.m_active = askSystem();
    if (Compositor::active() != before)
        emit watch.changed(Compositor::active());
}

bool Compositor::askSystem()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) {
#if defined(KAVREL_ASK_X11)
        return x11CompositorRunning();
#else
        return false;
#endif
    }
    // Wayland, Windows and macOS always compose; the offscreen and minimal platforms never show.
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void Compositor::poll()
{
    if (m_override)
        return;
    const bool now = askSystem();
    if (now == m_active)
        return;
    m_active = now;
    emit changed(now);
}
