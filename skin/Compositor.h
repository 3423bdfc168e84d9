#pragma once

#include <QObject>

#include <optional>

// Whether a compositing manager blends the windows on screen. Only then may a window have an
// outline with partly transparent pixels; without one those pixels show black, so the window
// is cut by a mask instead.
class Compositor : public QObject
{
    Q_OBJECT
public:
    // The one watch of the process, asking the system every few seconds while windows need it.
    static Compositor& instance();
    static bool active();
    // Fixes the answer (tests, or a compositor that misbehaves); nullopt asks the system again.
    static void setOverride(std::optional<bool> active);

signals:
    void changed(bool active);

private:
    Compositor();
    static bool askSystem();
    void poll();

    bool m_active = false;
    std::optional<bool> m_override;
};
