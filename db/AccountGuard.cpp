#include "db/AccountGuard.h"

#include "db/ActingAccount.h"
#include "db/DbGateway.h"
#include "db/LoginStatements.h"

namespace GuardSql {

QString lockPair(const SqlDialect& dialect)
{
    const QString flags =
        QStringLiteral("SELECT CASE WHEN RTRIM(loginName)=? THEN 1 ELSE 0 END AS isTarget, "
                       "CASE WHEN RTRIM(loginName)=? THEN 1 ELSE 0 END AS isActing FROM UserInfo");
    const QString pair = QStringLiteral(" WHERE RTRIM(loginName) IN (?,?) ORDER BY loginName");
    switch (dialect.backend()) {
    case DbBackend::Postgres:
        return flags + pair + QStringLiteral(" FOR UPDATE");
    case DbBackend::SqlServer:
        return flags + QStringLiteral(" WITH (UPDLOCK, HOLDLOCK)") + pair;
    case DbBackend::Sqlite:
        break; // the unit's BEGIN IMMEDIATE already holds the whole file
    }
    return flags + pair;
}

} // namespace GuardSql

Outcome DbGuardAccountChange(DbGateway& gateway, const SessionUser& acting, const QString& target)
{
    bool self = false;
    DbRows rows = gateway.DbQuery(GuardSql::lockPair(gateway.dialect()),
                                  {target, acting.loginName, target, acting.loginName});
    while (!rows.atEnd()) {
        const bool isTarget = rows.number(QStringLiteral("isTarget")) == 1;
        const bool isActing = rows.number(QStringLiteral("isActing")) == 1;
        self = self || (isTarget && isActing);
        rows.next();
    }
    if (rows.failed())
        return Outcome::failure(LoginText::readFailed, rows.error());
    rows = DbRows();
    if (const Outcome allowed = DbCheckActing(gateway, acting, ActingRight::Administrator); !allowed)
        return allowed;
    if (self)
        return Outcome::failure(GuardText::ownAccount.arg(target));
    return Outcome::success();
}
