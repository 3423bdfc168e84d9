#include "BuildConfig.h"
#include "app/Dialogs.h"
#include "app/MainDlg.h"
#include "app/StartFolder.h"
#include "app/Translations.h"
#include "db/DbConfig.h"
#include "db/DbGateway.h"
#include "db/SessionUser.h"
#include "skin/WindowSkin.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <cstdio>

namespace {

const QString kUserDataOption = QStringLiteral("user-data");

void describeOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Desktop client of the Kavrel bulk-SMS service.\n\n"
        "The client keeps kavrel.db, KVR.ini, XPOP.dat, mac.wav and LOG/ in one folder: the\n"
        "current folder when it holds kavrel.db or KVR.ini, otherwise the per-user data folder\n"
        "$XDG_DATA_HOME/kavrel (~/.local/share/kavrel). A client run from its build folder stays\n"
        "in the current folder. KAVREL_DB names another database (see kavrel-setup(1))."));
    // Our own help option: Qt's adds --help-all, which needs the application object.
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Displays this help.")});
    parser.addVersionOption();
    parser.addOption(
        {kUserDataOption, QStringLiteral("Use the per-user data folder whatever the current folder "
                                         "holds (the desktop menu starts the client so).")});
}

QStringList argumentList(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// The box names the path and the system's reason, so the user can fix it and start again.
int refuse(const QString& what, const QString& reason)
{
    std::fprintf(stderr, "kavrel: %s\n", qPrintable(reason));
    Dialogs::inform(nullptr, QStringLiteral("启动错误!\n\n%1\n%2").arg(what, reason));
    return 1;
}

// The folder of kavrel.db, KVR.ini, XPOP.dat and LOG/; empty after telling the user why there is none.
QString chooseStartFolder(bool userData, QString* reason)
{
    const QString shared = StartFolder::installedSharedFolder(QCoreApplication::applicationDirPath());
    const StartFolder::Choice choice = StartFolder::choose(
        QDir::currentPath(), userData ? StartFolder::Mode::PerUser : StartFolder::Mode::Auto,
        !shared.isEmpty(), StartFolder::Environment::fromProcess());
    if (!choice.isValid()) {
        *reason = choice.error;
        return {};
    }
    if (choice.perUser) {
        const StartFolder::Preparation prepared = StartFolder::prepare(choice.folder, shared);
        for (const QString& warning : prepared.warnings)
            std::fprintf(stderr, "kavrel: %s\n", qPrintable(warning));
        if (!prepared.ok) {
            *reason = prepared.error;
            return {};
        }
    }
    return choice.folder;
}

} // namespace

int main(int argc, char** argv)
{
    QCommandLineParser parser;
    describeOptions(parser);
    // Answered before the application object exists, so that they need no display.
    parser.parse(argumentList(argc, argv));
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("kavrel %s\n", KAVREL_VERSION);
        return 0;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                               QStringLiteral("kavrel"))));
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kavrel"));
    QApplication::setApplicationVersion(QStringLiteral(KAVREL_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("example.kavrel.Kavrel"));
    // Qt has taken its own options (-platform, -style, ...) by now; anything left is a mistake.
    if (!parser.parse(QCoreApplication::arguments()) || !parser.positionalArguments().isEmpty()) {
        const QString wrong =
            parser.errorText().isEmpty()
                ? QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first())
                : parser.errorText();
        std::fprintf(stderr, "kavrel: %s\nTry kavrel --help.\n", qPrintable(wrong));
        return 1;
    }
    // Every window, the first-administrator dialog and message boxes too, carries the icon.
    QApplication::setWindowIcon(WindowSkin::applicationIcon());
    WindowSkin::applyApplicationFont();
    QApplication::setWindowIcon(WindowSkin::applicationIcon());
    if (!Translations::install(app))
        std::fprintf(stderr,
                     "kavrel: Qt's Chinese translations are missing; standard dialogs stay in English\n");

    QString reason;
    const QString startFolder = chooseStartFolder(parser.isSet(kUserDataOption), &reason);
    if (startFolder.isEmpty())
        return refuse(QStringLiteral("数据文件夹无法使用:"), reason);
    QString error;
    const DbConfig config = DbConfig::fromEnvironment(startFolder, &error);
    if (!error.isEmpty())
        std::fprintf(stderr, "kavrel: %s\n", qPrintable(error));
    if (config.isEmbedded() && !StartFolder::danglingLink(config.database).isEmpty())
        return refuse(QStringLiteral("数据库文件无法打开:"), StartFolder::danglingLink(config.database));
    DbGateway gateway(config);
    SessionUser session;
    CMainDlg window(gateway, session, startFolder);
    if (!window.startUp())
        return 1;
    window.show();
    return app.exec();
}
