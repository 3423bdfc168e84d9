#include "GuiTestSupport.h"

#include "Fixtures.h"

#include "app/MainDlg.h"
#include "common/ProcessExit.h"

DialogRecorder::DialogRecorder()
{
    Dialogs::setMessageHook([this](const Dialogs::Message& message) {
        messages << message;
        return answerYes;
    });
    Dialogs::setFileHook([this](const Dialogs::FileRequest& request) {
        fileRequests << request;
        return files.isEmpty() ? QString() : files.takeFirst();
    });
    Dialogs::setUrlHook([this](const QUrl& url) {
        urls << url;
        return urlOpens;
    });
    ProcessExit::setHook([this](int code) { exitCodes << code; });
}

DialogRecorder::~DialogRecorder()
{
    Dialogs::setMessageHook({});
    Dialogs::setFileHook({});
    Dialogs::setUrlHook({});
    ProcessExit::setHook({});
}

QStringList DialogRecorder::texts() const
{
    QStringList result;
    for (const Dialogs::Message& message : messages)
        result << message.text;
    return result;
}

void DialogRecorder::clear()
{
    messages.clear();
    fileRequests.clear();
    urls.clear();
    exitCodes.clear();
}

std::unique_ptr<CMainDlg> loggedInWindow(DbGateway& gateway, SessionUser& session, const QString& startFolder,
                                         const QString& loginName, const QString& password)
{
    session = Fixtures::logIn(gateway, loginName, password);
    auto window = std::make_unique<CMainDlg>(gateway, session, startFolder);
    window->enterSession();
    window->show();
    return window;
}
