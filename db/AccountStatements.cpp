#include "db/AccountStatements.h"

#include "db/DbGateway.h"
#include "db/SqlText.h"

namespace {

// Matches as the login does: SQL Server ignores trailing blanks, so every backend does.
const QString kAccountMatch = QStringLiteral("(RTRIM(loginName)=?) and (RTRIM(pwd)=?)");

Outcome change(DbGateway& gateway, const QString& column, const QString& loginName, const QString& pwd,
               const QString& value, const QString& failure)
{
    qint64 changed = 0;
    if (!gateway.DbExecute(AccountSql::changeColumn(column), {value, loginName, pwd}, &changed))
        return Outcome::failure(failure, DbGateway::lastError());
    if (changed < 1)
        return Outcome::failure(failure, QStringLiteral("没有用户名为 %1 且密码相符的帐号").arg(loginName));
    return Outcome::success();
}

} // namespace

namespace AccountSql {

QString changeColumn(const QString& column)
{
    return QStringLiteral("UPDATE UserInfo SET %1 = ? WHERE %2").arg(column, kAccountMatch);
}

QString deleteUser()
{
    return QStringLiteral("DELETE FROM UserInfo WHERE (RTRIM(loginName)=?)");
}

} // namespace AccountSql

Outcome DbRegisterUser(DbGateway& gateway, const NewAccount& account)
{
    return DbRegisterUser(gateway, account, AccountText::registeredUser);
}

Outcome DbRegisterUser(DbGateway& gateway, const NewAccount& account, const QString& type)
{
    const bool written = gateway.transaction([&] {
        return gateway.DbExecute(SqlText::insertAccount(gateway.dialect()),
                                 {account.loginName, account.nickname, account.company, account.password,
                                  type, account.address, account.telephone}) &&
               gateway.DbExecute(SqlText::insertTelPhone(), {account.loginName});
    });
    if (written)
        return Outcome::success(AccountText::registered);
    if (DbGateway::lastErrorKind() == DbErrorKind::DuplicateKey)
        return Outcome::failure(AccountText::taken);
    if (DbGateway::lastCommitUnknown())
        return Outcome::failure(kOutcomeUnknown, DbGateway::lastError());
    return Outcome::failure(AccountText::connectionFailed, DbGateway::lastError());
}

Outcome DbChangePassword(DbGateway& gateway, const QString& loginName, const QString& currentPwd,
                         const QString& newPwd)
{
    return change(gateway, QStringLiteral("pwd"), loginName, currentPwd, newPwd, AccountText::passwordFailed);
}

Outcome DbChangeNickname(DbGateway& gateway, const QString& loginName, const QString& currentPwd,
                         const QString& newNickname)
{
    return change(gateway, QStringLiteral("userName"), loginName, currentPwd, newNickname,
                  AccountText::nicknameFailed);
}

Outcome DbChangeCompany(DbGateway& gateway, const QString& loginName, const QString& currentPwd,
                        const QString& newCompany)
{
    return change(gateway, QStringLiteral("parentName"), loginName, currentPwd, newCompany,
                  AccountText::companyFailed);
}

Outcome DbSetUserType(DbGateway& gateway, const QString& loginName, const QString& pwd, const QString& type)
{
    return change(gateway, QStringLiteral("type"), loginName, pwd, type, AccountText::typeFailed);
}

Outcome DbDeleteUser(DbGateway& gateway, const QString& loginName)
{
    if (!gateway.DbExecute(AccountSql::deleteUser(), {loginName}))
        return Outcome::failure(AccountText::deleteFailed, DbGateway::lastError());
    return Outcome::success();
}
