#include "app/WindowKeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

WindowKeys::WindowKeys(QWidget* window, Keeps keeps, std::function<void()> escape)
    : QObject(window), m_window(window), m_keeps(std::move(keeps)), m_escape(std::move(escape))
{
    qApp->installEventFilter(this);
}

WindowKeys::~WindowKeys()
{
    qApp->removeEventFilter(this);
}

bool WindowKeys::inTextEditor(const QWidget* control)
{
    for (const QWidget* widget = control; widget; widget = widget->parentWidget()) {
        if (qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
            qobject_cast<const QLineEdit*>(widget))
            return true;
    }
    return false;
}

bool WindowKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != m_window)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape) {
        if (event->type() == QEvent::KeyPress)
            m_escape();
        return true;
    }
    if (key == Qt::Key_Space && qobject_cast<const QAbstractButton*>(widget))
        return false;
    const bool returnOrSpace = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
    return returnOrSpace && !m_keeps(widget);
}
