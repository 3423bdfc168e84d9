#include "sending/SendingController.h"

#include "sending/SendingState.h"
#include "widgets/Dialogs.h"

SendingController::SendingController(SendingState& state, QWidget* window, QObject* parent)
    : QObject(parent), m_state(state), m_window(window)
{
    connect(&state, &SendingState::importFailed, this, &SendingController::tell);
    // Direct: the next removal may only start once the user has read this one's message.
    connect(&state, &SendingState::dedupeFinished, this, &SendingController::tell, Qt::DirectConnection);
    connect(&state, &SendingState::successRateFailed, this, &SendingController::tell);
    connect(&state, &SendingState::runFinished, this, [this](const QString& closingMessage) {
        emit pauseOffered(false);
        tell(closingMessage);
    });
}

void SendingController::tell(const QString& text)
{
    if (!text.isEmpty())
        Dialogs::inform(m_window, text);
}

bool SendingController::canClose()
{
    if (m_state.isRunning() &&
        !Dialogs::ask(m_window, QStringLiteral("提示: 短信正在提交,确认在当前这一条写完后停止并退出程序?"),
                      Dialogs::kNotice, Dialogs::Icon::Question))
        return false;
    m_state.stopRun();
    return true;
}

void SendingController::addManualNumbers(const QString& manualEntryText)
{
    tell(m_state.addManualNumbers(manualEntryText));
}

void SendingController::deleteAt(int row)
{
    tell(m_state.deleteRow(row));
}

void SendingController::deleteRemembered()
{
    tell(m_state.deleteRemembered());
}

void SendingController::clearList()
{
    if (Dialogs::ask(m_window, QStringLiteral("确认是否清空所有号码!"), Dialogs::kNotice,
                     Dialogs::Icon::Question))
        tell(m_state.clearList());
}

void SendingController::importNumbers()
{
    if (const QString refusal = m_state.importRefusal(); !refusal.isEmpty()) {
        tell(refusal);
        return;
    }
    const QString path = Dialogs::openTextFile(m_window, QStringLiteral("[打开手机号码]"));
    if (!path.isEmpty())
        m_state.startImport(path);
}

void SendingController::exportNumbers()
{
    const QString path = Dialogs::saveTextFile(m_window, QStringLiteral("[保存手机号码]"));
    if (!path.isEmpty())
        tell(m_state.exportList(path));
}

void SendingController::removeDuplicates()
{
    tell(m_state.startDedupe());
}

void SendingController::clearText()
{
    m_state.clearMessage();
}

void SendingController::submit()
{
    emit compositionRequested();
    if (const QString refusal = m_state.submit(); !refusal.isEmpty()) {
        tell(refusal);
        return;
    }
    emit pauseOffered(true);
}

void SendingController::pause()
{
    // The run goes on to its end; the button only comes back.
    emit compositionRequested();
    emit pauseOffered(false);
}
