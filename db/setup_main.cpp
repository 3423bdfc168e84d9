// kavrel-setup: creates the service tables in the configured database and, when asked, the
// first administrator account. The password is never given on the command line, where other
// users could read it: it is typed at the prompt or read from standard input.
#include "common/BuildConfig.h"
#include "common/CommandLine.h"
#include "common/StartFolder.h"
#include "common/Translations.h"
#include "db/AccountSetup.h"
#include "db/DbConfig.h"
#include "db/DbGateway.h"
#include "db/Schema.h"
#include "db/SetupLayout.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {

QString readSecret(const QString& prompt, bool fromStdin)
{
    QTextStream out(stderr);
    const bool terminal = !fromStdin && isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        out << prompt << Qt::flush;
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    QTextStream in(stdin);
    const QString line = in.readLine();
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        out << Qt::endl;
    }
    return line;
}

int fail(const QString& message)
{
    QTextStream(stderr) << "kavrel-setup: " << message << Qt::endl;
    return 1;
}

// The embedded database lives in the folder the client would start in, so that the client
// finds what was set up here.
bool embeddedInStartFolder(bool userData, DbConfig& config, QString* error)
{
    const QString shared = StartFolder::installedSharedFolder(QCoreApplication::applicationDirPath());
    const StartFolder::Choice choice = StartFolder::choose(
        QDir::currentPath(), userData ? StartFolder::Mode::PerUser : StartFolder::Mode::Auto,
        !shared.isEmpty(), StartFolder::Environment::fromProcess());
    if (!choice.isValid()) {
        *error = choice.error;
        return false;
    }
    if (choice.perUser) {
        const StartFolder::Preparation prepared = StartFolder::prepare(choice.folder, shared);
        for (const QString& warning : prepared.warnings)
            QTextStream(stderr) << "kavrel-setup: " << warning << Qt::endl;
        if (!prepared.ok) {
            *error = prepared.error;
            return false;
        }
    }
    config = DbConfig::fromEnvironment(choice.folder, error);
    if (config.isValid())
        *error = StartFolder::danglingLink(config.database);
    // SQLite would make the file readable for all, and its -wal and -shm files take its mode.
    return error->isEmpty() && StartFolder::createPrivateFile(config.database, error);
}

void describeOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("在 KAVREL_DB 指定的数据库(默认: %1)里创建 Kavrel 的数据表, 用 --admin 时\n"
                       "还创建第一个管理员帐号。嵌入式数据库建在客户端启动时所用的文件夹里: 当前文件夹里\n"
                       "有 kavrel.db 或 KVR.ini 时就用当前文件夹, 否则用个人数据文件夹\n"
                       "$XDG_DATA_HOME/kavrel (~/.local/share/kavrel)。")
            .arg(QStringLiteral(KAVREL_DB_DEFAULT)));
    CommandLine::addStandardOptions(parser);
    parser.addOption(
        {QStringLiteral("admin"), QStringLiteral("要创建的管理员的登录名。"), QStringLiteral("登录名")});
    parser.addOption({QStringLiteral("nickname"), QStringLiteral("标题栏显示的昵称。"),
                      QStringLiteral("昵称"), QStringLiteral("管理员")});
    parser.addOption({QStringLiteral("company"), QStringLiteral("标题栏显示的公司。"), QStringLiteral("公司"),
                      QStringLiteral("Kavrel")});
    parser.addOption({QStringLiteral("password-stdin"), QStringLiteral("从标准输入的第一行读取密码。")});
    parser.addOption({QStringLiteral("user-data"),
                      QStringLiteral("不论当前文件夹里有什么, 都在个人数据文件夹里建嵌入式数据库。")});
}

// A server's notices ("relation ... already exists, skipping" on every later run) are no news
// to the user and would speak the server's language; warnings and errors still come through.
void quietServerNotices()
{
    QByteArray options = qgetenv("PGOPTIONS");
    options.append(options.isEmpty() ? "" : " ").append("-c client_min_messages=warning");
    qputenv("PGOPTIONS", options);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kavrel-setup"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KAVREL_VERSION));
    // Qt's parts of the command line's texts in the client's language.
    Translations::install(app);
    QCommandLineParser parser;
    describeOptions(parser);
    SetupLayout::addOptions(parser);
    if (const auto answer =
            CommandLine::answer(parser, QCoreApplication::arguments(), QStringLiteral("kavrel-setup"),
                                QStringLiteral(KAVREL_VERSION))) {
        CommandLine::print(*answer);
        return answer->exitCode;
    }

    QString error;
    DbConfig config = DbConfig::fromEnvironment(QDir::currentPath(), &error);
    if (!config.isValid())
        return fail(error);
    if (const QString refused = SetupLayout::refusal(config, parser); !refused.isEmpty())
        return fail(refused);
    if (config.isEmbedded() &&
        !embeddedInStartFolder(parser.isSet(QStringLiteral("user-data")), config, &error))
        return fail(error);
    quietServerNotices();
    DbGateway gateway(config);
    if (!gateway.DbOpen())
        return fail(QStringLiteral("无法打开数据库 %1: %2").arg(config.describe(), DbGateway::lastError()));
    const bool fresh = SetupLayout::isNew(gateway);
    if (!Schema::create(gateway, &error))
        return fail(QStringLiteral("无法创建数据表: %1").arg(error));
    QTextStream(stdout) << QStringLiteral("数据表已就绪: %1").arg(config.describe()) << Qt::endl;
    if (const int status = SetupLayout::apply(gateway, fresh, parser); status != 0)
        return status;

    if (!parser.isSet(QStringLiteral("admin")))
        return 0;
    AccountSetup::Administrator admin;
    admin.loginName = parser.value(QStringLiteral("admin"));
    admin.nickname = parser.value(QStringLiteral("nickname"));
    admin.company = parser.value(QStringLiteral("company"));
    const bool fromStdin = parser.isSet(QStringLiteral("password-stdin"));
    admin.password = readSecret(QStringLiteral("密码: "), fromStdin);
    admin.repeatedPassword = fromStdin ? admin.password : readSecret(QStringLiteral("再次输入密码: "), false);
    const Outcome outcome = AccountSetup::createAdministrator(gateway, admin);
    if (!outcome)
        return fail(outcome.text());
    QTextStream(stdout) << QStringLiteral("已创建管理员 %1").arg(admin.loginName.remove(QLatin1Char(' ')))
                        << Qt::endl;
    return 0;
}
