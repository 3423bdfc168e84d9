// kavrel-setup: creates the service tables in the configured database and, when asked, the
// first administrator account. The password is never given on the command line, where other
// users could read it: it is typed at the prompt or read from standard input.
#include "BuildConfig.h"
#include "app/StartFolder.h"
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
    return error->isEmpty();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kavrel-setup"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KAVREL_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Creates the Kavrel tables in the database named by KAVREL_DB (default: %1)\n"
            "and, with --admin, the first administrator account. An embedded database is made in the\n"
            "folder the client starts in: the current folder when it holds kavrel.db or KVR.ini,\n"
            "otherwise the per-user data folder $XDG_DATA_HOME/kavrel (~/.local/share/kavrel).")
            .arg(QStringLiteral(KAVREL_DB_DEFAULT)));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("admin"), QStringLiteral("Login name of the administrator to create."),
                      QStringLiteral("name")});
    parser.addOption({QStringLiteral("nickname"), QStringLiteral("Nickname shown in the header."),
                      QStringLiteral("text"), QStringLiteral("管理员")});
    parser.addOption({QStringLiteral("company"), QStringLiteral("Company shown in the header."),
                      QStringLiteral("text"), QStringLiteral("Kavrel")});
    parser.addOption({QStringLiteral("password-stdin"),
                      QStringLiteral("Read the password from the first line of standard input.")});
    parser.addOption(
        {QStringLiteral("user-data"),
         QStringLiteral("Make an embedded database in the per-user data folder whatever the current "
                        "folder holds.")});
    SetupLayout::addOptions(parser);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first()));

    QString error;
    DbConfig config = DbConfig::fromEnvironment(QDir::currentPath(), &error);
    if (!config.isValid())
        return fail(error);
    if (const QString refused = SetupLayout::refusal(config, parser); !refused.isEmpty())
        return fail(refused);
    if (config.isEmbedded() &&
        !embeddedInStartFolder(parser.isSet(QStringLiteral("user-data")), config, &error))
        return fail(error);
    DbGateway gateway(config);
    if (!gateway.DbOpen())
        return fail(QStringLiteral("cannot open %1: %2").arg(config.describe(), DbGateway::lastError()));
    const bool fresh = SetupLayout::isNew(gateway);
    if (!Schema::create(gateway, &error))
        return fail(QStringLiteral("cannot create the tables: %1").arg(error));
    QTextStream(stdout) << "tables ready in " << config.describe() << Qt::endl;
    if (const int status = SetupLayout::apply(gateway, fresh, parser); status != 0)
        return status;

    if (!parser.isSet(QStringLiteral("admin")))
        return 0;
    AccountSetup::Administrator admin;
    admin.loginName = parser.value(QStringLiteral("admin"));
    admin.nickname = parser.value(QStringLiteral("nickname"));
    admin.company = parser.value(QStringLiteral("company"));
    const bool fromStdin = parser.isSet(QStringLiteral("password-stdin"));
    admin.password = readSecret(QStringLiteral("Password: "), fromStdin);
    admin.repeatedPassword =
        fromStdin ? admin.password : readSecret(QStringLiteral("Repeat password: "), false);
    const Outcome outcome = AccountSetup::createAdministrator(gateway, admin);
    if (!outcome)
        return fail(outcome.text());
    QTextStream(stdout) << "administrator " << admin.loginName.remove(QLatin1Char(' ')) << " created"
                        << Qt::endl;
    return 0;
}
