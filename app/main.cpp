#include "app/MainDlg.h"
#include "common/BuildConfig.h"
#include "common/CommandLine.h"
#include "common/StartFolder.h"
#include "common/Translations.h"
#include "db/DbConfig.h"
#include "db/DbGateway.h"
#include "db/LoginStatements.h"
#include "db/SessionUser.h"
#include "skin/WindowSkin.h"
#include "widgets/AppStyle.h"
#include "widgets/Dialogs.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QProcessEnvironment>

#include <cstdio>
#include <optional>

namespace {

const QString kUserDataOption = QStringLiteral("user-data");

void describeOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Kavrel 短信群发服务的桌面客户端。\n\n"
        "客户端把 kavrel.db、KVR.ini、XPOP.dat、mac.wav 和 LOG/ 放在同一个文件夹里: 当前文件夹里有\n"
        "kavrel.db 或 KVR.ini 时就用当前文件夹, 否则用个人数据文件夹 $XDG_DATA_HOME/kavrel\n"
        "(~/.local/share/kavrel)。从构建文件夹运行的客户端留在当前文件夹。KAVREL_DB 指定另一个\n"
        "数据库(见 kavrel-setup(1))。"));
    CommandLine::addStandardOptions(parser);
    parser.addOption({kUserDataOption, QStringLiteral("不论当前文件夹里有什么, 都用个人数据文件夹"
                                                      "(桌面菜单这样启动客户端)。")});
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

// A link to a missing file is refused; a missing database is made for its owner only, since
// SQLite would make it readable for all and its -wal and -shm files take its mode.
bool embeddedDatabaseUsable(const DbConfig& config)
{
    if (const QString dangling = StartFolder::danglingLink(config.database); !dangling.isEmpty()) {
        refuse(QStringLiteral("数据库文件无法打开:"), dangling);
        return false;
    }
    QString reason;
    if (!StartFolder::createPrivateFile(config.database, &reason)) {
        refuse(QStringLiteral("数据库文件无法创建:"), reason);
        return false;
    }
    return true;
}

// Help, version, mistakes and a missing display are answered in text before anything needs a
// display: without one, QApplication would abort. Nothing when the client is to start.
std::optional<int> answerWithoutWindows(int& argc, char** argv)
{
    const QStringList arguments = CommandLine::withoutQtOptions(argumentList(argc, argv));
    {
        QCommandLineParser parser;
        describeOptions(parser);
        if (!CommandLine::answer(parser, arguments, QStringLiteral("kavrel"),
                                 QStringLiteral(KAVREL_VERSION))) {
            const QString noDisplay = CommandLine::missingDisplay(argumentList(argc, argv),
                                                                  QProcessEnvironment::systemEnvironment());
            if (noDisplay.isEmpty())
                return std::nullopt;
            std::fprintf(stderr, "kavrel: %s\n", qPrintable(noDisplay));
            return 1;
        }
    }
    // Again with Qt's Chinese texts, which need an application object (one without windows).
    QCoreApplication app(argc, argv);
    Translations::install(app);
    QCommandLineParser parser;
    describeOptions(parser);
    const auto answer =
        CommandLine::answer(parser, arguments, QStringLiteral("kavrel"), QStringLiteral(KAVREL_VERSION));
    CommandLine::print(*answer);
    return answer->exitCode;
}

} // namespace

int main(int argc, char** argv)
{
    if (const std::optional<int> code = answerWithoutWindows(argc, argv))
        return *code;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kavrel"));
    QApplication::setApplicationVersion(QStringLiteral(KAVREL_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("example.kavrel.Kavrel"));
    if (!Translations::install(app))
        std::fprintf(stderr, "kavrel: 找不到 Qt 的中文翻译, 标准对话框将显示英文\n");
    // An option taken for Qt's above that Qt did not take after all (-title off xcb).
    QCommandLineParser parser;
    describeOptions(parser);
    if (const auto answer = CommandLine::answer(parser, QCoreApplication::arguments(),
                                                QStringLiteral("kavrel"), QStringLiteral(KAVREL_VERSION))) {
        CommandLine::print(*answer);
        return answer->exitCode;
    }
    // Every window, the first-administrator dialog and message boxes too, carries the icon and
    // the skin's look.
    QApplication::setWindowIcon(WindowSkin::applicationIcon());
    AppStyle::apply(app);

    QString reason;
    const QString startFolder = chooseStartFolder(parser.isSet(kUserDataOption), &reason);
    if (startFolder.isEmpty())
        return refuse(QStringLiteral("数据文件夹无法使用:"), reason);
    QString error;
    const DbConfig config = DbConfig::fromEnvironment(startFolder, &error);
    if (!error.isEmpty())
        std::fprintf(stderr, "kavrel: %s\n", qPrintable(error));
    if (config.isEmbedded() && !embeddedDatabaseUsable(config))
        return 1;
    DbGateway gateway(config);
    SessionUser session;
    CMainDlg window(gateway, session, startFolder);
    if (!window.startUp())
        return 1;
    window.show();
    const int code = app.exec();
    // The server forgets the login now rather than after hours of idleness.
    DbEndSession(gateway, session);
    return code;
}
