#include "app/MainKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

MainKeys::MainKeys(QWidget* window, std::function<bool(const QWidget*)> hosted, std::function<void()> escape)
    : QObject(window), m_window(window), m_hosted(std::move(hosted)), m_escape(std::move(escape))
{
    qApp->installEventFilter(this);
}

MainKeys::~MainKeys()
{
    qApp->removeEventFilter(this);
}

bool MainKeys::isOwnControl(QObject* watched) const
{
    // Keys typed inside a hosted page belong to that page (its editors take Return and space).
    for (auto* widget = qobject_cast<QWidget*>(watched); widget; widget = widget->parentWidget()) {
        if (widget == m_window)
            return true;
        if (m_hosted(widget))
            return false;
    }
    return false;
}

bool MainKeys::isTextEditor(QObject* watched)
{
    for (auto* widget = qobject_cast<QWidget*>(watched); widget; widget = widget->parentWidget()) {
        if (qobject_cast<QPlainTextEdit*>(widget) || qobject_cast<QTextEdit*>(widget) ||
            qobject_cast<QLineEdit*>(widget))
            return true;
    }
    return false;
}

bool MainKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != m_window)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (event->type() == QEvent::KeyPress && key == Qt::Key_Escape) {
        m_escape();
        return true;
    }
    const bool returnOrSpace = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
    // Neither key may trigger a button or act on the list, but a message needs its blanks and
    // line breaks.
    return returnOrSpace && isOwnControl(watched) && !isTextEditor(watched);
}
