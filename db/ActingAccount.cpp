#include "db/ActingAccount.h"

#include "db/DbGateway.h"
#include "db/GuardedRoute.h"
#include "db/LoginStatements.h"

bool typeGrants(const QString& type, ActingRight right)
{
    SessionUser rights;
    rights.applyType(type);
    switch (right) {
    case ActingRight::Use:
        // The login's rule: every account but a disabled one may log in and use the client.
        return type != QStringLiteral("禁用");
    case ActingRight::Administer:
        return rights.canAdminister;
    case ActingRight::Administrator:
        return rights.typeCode == SessionUser::Administrator;
    }
    return false;
}

Outcome DbCheckActing(DbGateway& gateway, const SessionUser& session, ActingRight right, QString* type)
{
    if (gateway.guarded())
        return GuardedRoute::checkActing(gateway, session, right);
    DbRows rows = gateway.DbQuery(
        QStringLiteral("SELECT type FROM UserInfo WHERE (RTRIM(loginName)=?) and (RTRIM(pwd)=?)"),
        {session.loginName, session.password});
    if (rows.failed())
        return Outcome::failure(LoginText::readFailed, rows.error());
    // Deleted, renamed or given a new password since this session logged in.
    if (rows.atEnd())
        return Outcome::failure(LoginText::wrongPassword);
    const QString stored = rows.text(QStringLiteral("type")).trimmed();
    if (rows.failed())
        return Outcome::failure(LoginText::readFailed, rows.error());
    if (stored == QStringLiteral("禁用"))
        return Outcome::failure(LoginText::disabled);
    if (!typeGrants(stored, right))
        return Outcome::failure(ActingText::notAllowed);
    if (type)
        *type = stored;
    return Outcome::success();
}
