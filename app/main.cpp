#include "app/MainDlg.h"
#include "app/Translations.h"
#include "db/DbConfig.h"
#include "db/DbGateway.h"
#include "db/SessionUser.h"
#include "skin/WindowSkin.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kavrel"));
    WindowSkin::applyApplicationFont();
    QApplication::setWindowIcon(WindowSkin::applicationIcon());
    if (!Translations::install(app))
        std::fprintf(stderr,
                     "kavrel: Qt's Chinese translations are missing; standard dialogs stay in English\n");

    // The settings, keyword and database files live in the folder the program starts in.
    const QString startFolder = QDir::currentPath();
    QString error;
    const DbConfig config = DbConfig::fromEnvironment(startFolder, &error);
    if (!error.isEmpty())
        std::fprintf(stderr, "kavrel: %s\n", qPrintable(error));
    DbGateway gateway(config);
    SessionUser session;
    CMainDlg window(gateway, session, startFolder);
    if (!window.startUp())
        return 1;
    window.show();
    return app.exec();
}
