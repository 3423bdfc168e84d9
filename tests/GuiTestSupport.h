#pragma once

#include "widgets/Dialogs.h"

#include <QImage>
#include <QList>
#include <QStringList>

#include <memory>

class CMainDlg;
class DbGateway;
class QWidget;
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

// Keyboard alone: the controls that Tab reaches, once round, from the focused one (or the first);
// and Tab pressed until target has the focus, false when it never gets it.
QList<QWidget*> tabRound(QWidget* window);
bool tabTo(QWidget* target);

// The main window of an accepted login (into session), shown.
std::unique_ptr<CMainDlg> loggedInWindow(DbGateway& gateway, SessionUser& session, const QString& startFolder,
                                         const QString& loginName, const QString& password);
class DbGateway;
class QTemporaryDir;
class QWidget;

// Every window and page of the client, built on a database of fixed rows, for the tests that
// look at all of them. Dates, hover and focus are fixed too, so a scene renders the same each
// time: no clock text, no blinking caret.
class LookScenes
{
public:
    struct Scene
    {
        const char* name;
        bool window; // a window of its own; otherwise a page shown inside its window
    };
    static const QList<Scene>& all();

    LookScenes();
    ~LookScenes();
    // Builds the scene and returns what it shows: the window, or the page's place in its window.
    // It lives until the next build.
    QWidget* build(const QString& name);
    // The scene as the screen shows it, at the application's device pixel ratio.
    static QImage render(QWidget* shown);
    DbGateway& gateway() { return *m_gateway; }

private:
    QWidget* mainPage(const char* button, const char* holder);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DbGateway> m_gateway;
    DialogRecorder m_dialogs;
    std::unique_ptr<QWidget> m_top;
};
