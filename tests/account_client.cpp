// An operator for the concurrency tests: logs in and, round after round, recharges and reduces
// the given accounts (when it is an administrator), allocates to them and to the peer operator,
// through the same procedures as the recharge page.
// Usage: kavrel_account_client <address> <login> <password> <rounds> <peer> <account:password>...
// Prints "recharged R reduced D allocated A failed F"; a failure is any message that is neither
// a success nor a refusal the page explains.
#include "admin/AccountProcedures.h"
#include "db/DbGateway.h"
#include "db/LoginStatements.h"
#include "db/SessionUser.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 6)
        return 2;
    DbGateway gateway(DbConfig::parse(args[1], QDir::currentPath()));
    SessionUser session;
    session.loginName = args[2];
    session.password = args[3];
    if (DbLogin(gateway, session, session.loginName, session.password).result != LoginResult::Accepted)
        return 3;
    QList<AccountProcedures::TickedAccount> accounts;
    for (const QString& pair : args.mid(6))
        accounts.append({pair.section(QLatin1Char(':'), 0, 0), pair.section(QLatin1Char(':'), 1)});
    int recharged = 0, reduced = 0, allocated = 0, failed = 0;
    const Tell count = [&](const Notice& notice) {
        if (notice.text == QStringLiteral("充值成功!"))
            ++recharged;
        else if (notice.text == QStringLiteral("减少成功!"))
            ++reduced;
        else if (notice.text.startsWith(QStringLiteral("分配给帐号")))
            ++allocated;
        else if (!notice.text.startsWith(QStringLiteral("提示: ")) &&
                 !notice.text.startsWith(QStringLiteral("当前"))) {
            ++failed;
            std::fprintf(stderr, "%s\n", qPrintable(notice.text));
        }
    };
    const bool administrator = session.typeCode == SessionUser::Administrator;
    for (int round = 0; round < args[4].toInt(); ++round) {
        if (administrator) {
            AccountProcedures::rechargeTicked(gateway, session, accounts, QStringLiteral("7"), count);
            AccountProcedures::reduceTicked(gateway, session, accounts, QStringLiteral("2"), count);
        }
        for (const auto& account : accounts)
            AccountProcedures::allocate(gateway, session, account.loginName, QStringLiteral("3"), count);
        AccountProcedures::allocate(gateway, session, args[5], QStringLiteral("5"), count);
    }
    std::printf("recharged %d reduced %d allocated %d failed %d\n", recharged, reduced, allocated, failed);
    return 0;
}
