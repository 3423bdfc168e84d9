// A second staff client for the concurrency test: opens the audit window of one waiting batch
// as the administrator "boss" (password "pw"), lets it count, says "ready", and presses "审核"
// once the go file appears. Prints the message the window showed.
// Usage: kavrel_audit_client <address> <message id> <go file>
#include "GuiTestSupport.h"

#include "audit/AuditDlg.h"
#include "db/DbGateway.h"
#include "db/LoginStatements.h"
#include "db/SessionUser.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QThread>

#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    DbGateway gateway(DbConfig::parse(args[1], QDir::currentPath()));
    if (!gateway.DbOpen())
        return 3;
    SessionUser session;
    session.loginName = QStringLiteral("boss");
    session.password = QStringLiteral("pw");
    if (DbLogin(gateway, session, QStringLiteral("boss"), QStringLiteral("pw")).result !=
        LoginResult::Accepted)
        return 4;
    DialogRecorder recorder;
    CStatisticsWindow::setCaptionPause(0);
    SelectedRecord record{args[2].toLongLong(), QStringLiteral("alice"), QStringLiteral("2"),
                          QStringLiteral("race"), QString()};
    auto* window = new CAuditDlg({gateway, session, QDir::tempPath()}, record, nullptr);
    window->show();
    while (recorder.messages.isEmpty())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::printf("ready\n");
    std::fflush(stdout);
    recorder.clear();
    while (!QFileInfo::exists(args[3]))
        QThread::usleep(200);
    window->findChild<QPushButton*>(QStringLiteral("auditButton"))->click();
    std::printf("%s\n", qPrintable(recorder.lastText().replace(u'\n', u' ')));
    delete window;
    return 0;
}
