#pragma once

#include "widgets/Dialogs.h"

#include <QList>
#include <QStringList>

#include <memory>

class CMainDlg;
class DbGateway;
struct SessionUser;

// Answers message boxes and file dialogs for a test and remembers what was shown. Installed
// for the lifetime of the object.
class DialogRecorder
{
public:
    DialogRecorder();
    ~DialogRecorder();

    QList<Dialogs::Message> messages;
    QList<Dialogs::FileRequest> fileRequests;
    bool answerYes = false;
    QStringList files; // answers to file dialogs, in order; empty means cancel
    QList<QUrl> urls;
    bool urlOpens = true; // whether a program takes the opened address
    QList<int> exitCodes;

    QStringList texts() const;
    QString lastText() const { return messages.isEmpty() ? QString() : messages.last().text; }
    void clear();
};

// The main window of an accepted login (into session), shown.
std::unique_ptr<CMainDlg> loggedInWindow(DbGateway& gateway, SessionUser& session, const QString& startFolder,
                                         const QString& loginName, const QString& password);
