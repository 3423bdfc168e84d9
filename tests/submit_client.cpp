// A second client for the concurrency test: logs in once and then submits single-part batches
// with the balance it saw at login, as a client whose figures have gone stale would.
// Usage: kavrel_submit_client <address> <login> <password> <submissions> <numbers per batch>
// Prints "charged N refused M". With KAVREL_KILL_AT_STATEMENT=k it kills itself with SIGKILL
// just before its k-th statement (0 is the first part's first: its BEGIN, or on a guarded database
// its one call), as a crash or a kill -9 would.
#include "db/DbGateway.h"
#include "db/LoginStatements.h"
#include "sending/SubmissionRun.h"

#include <QCoreApplication>
#include <QDir>

#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6)
        return 2;
    DbGateway gateway(DbConfig::parse(args[1], QDir::currentPath()));
    SessionUser session;
    if (DbLogin(gateway, session, args[2], args[3]).result != LoginResult::Accepted)
        return 3;
    bool killAt = false;
    const int killStep = qEnvironmentVariableIntValue("KAVREL_KILL_AT_STATEMENT", &killAt);
    if (killAt) {
        // Steps count from the first part's BEGIN.
        auto seen = std::make_shared<int>(-1);
        gateway.setStatementHook([seen, killStep](const QString& sql) {
            if (*seen < 0 &&
                (sql == QStringLiteral("BEGIN") || sql.contains(QStringLiteral("kavrel_api.write_part"))))
                *seen = 0;
            if (*seen >= 0 && (*seen)++ == killStep)
                std::raise(SIGKILL);
            return DbGateway::HookAction::Proceed;
        });
    }
    QStringList numbers;
    for (int i = 0; i < args[5].toInt(); ++i)
        numbers << QStringLiteral("1390000%1").arg(i, 4, 10, QLatin1Char('0'));
    int charged = 0;
    int refused = 0;
    for (int k = 0; k < args[4].toInt(); ++k) {
        RunRequest request{args[2],
                           args[3],
                           {QStringLiteral("round %1").arg(k)},
                           numbers,
                           leadingNumber(session.balanceText)};
        SubmissionRun run(gateway, request);
        QObject::connect(&run, &SubmissionRun::partCharged, [&] { ++charged; });
        QObject::connect(&run, &SubmissionRun::partFailed, [&] { ++refused; });
        run.run();
    }
    std::printf("charged %d refused %d\n", charged, refused);
    return 0;
}
