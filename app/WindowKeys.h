#pragma once

#include <QObject>

#include <functional>

class QWidget;

// The keys of one of the application's frameless windows, watched program-wide: Escape asks
// before quitting, and Return and space never press a button or act on a list, except in the
// controls the window lets keep them. Space still presses the focused button or check box, as a
// keyboard user's only way to press it; Return never does.
class WindowKeys : public QObject
{
    Q_OBJECT
public:
    using Keeps = std::function<bool(const QWidget* control)>;
    // keeps names the controls that take Return and space themselves; escape asks and quits.
    WindowKeys(QWidget* window, Keeps keeps, std::function<void()> escape);
    ~WindowKeys() override;

    // True inside a text editor, which needs its blanks and line breaks.
    static bool inTextEditor(const QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    Keeps m_keeps;
    std::function<void()> m_escape;
};
