// kavrel-setup: creates the service tables in the configured database and, when asked, the
// first administrator account. The password is never given on the command line, where other
// users could read it: it is typed at the prompt or read from standard input.
#include "db/AccountSetup.h"
#include "db/DbConfig.h"
#include "db/DbGateway.h"
#include "db/Schema.h"

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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kavrel-setup"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Creates the Kavrel tables in the database named by KAVREL_DB (or the build default)\n"
                       "and, with --admin, the first administrator account."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("admin"), QStringLiteral("Login name of the administrator to create."),
                      QStringLiteral("name")});
    parser.addOption({QStringLiteral("nickname"), QStringLiteral("Nickname shown in the header."),
                      QStringLiteral("text"), QStringLiteral("管理员")});
    parser.addOption({QStringLiteral("company"), QStringLiteral("Company shown in the header."),
                      QStringLiteral("text"), QStringLiteral("Kavrel")});
    parser.addOption({QStringLiteral("password-stdin"),
                      QStringLiteral("Read the password from the first line of standard input.")});
    parser.process(app);

    QString error;
    const DbConfig config = DbConfig::fromEnvironment(QDir::currentPath(), &error);
    if (!config.isValid())
        return fail(error);
    DbGateway gateway(config);
    if (!gateway.DbOpen())
        return fail(QStringLiteral("cannot open %1: %2").arg(config.describe(), DbGateway::lastError()));
    if (!Schema::create(gateway, &error))
        return fail(QStringLiteral("cannot create the tables: %1").arg(error));
    QTextStream(stdout) << "tables ready in " << config.describe() << Qt::endl;

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
