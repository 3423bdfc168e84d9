#include "db/AccountStatements.h"

#include "db/AccountGuard.h"
#include "db/ActingAccount.h"
#include "db/DbGateway.h"
#include "db/GuardedRoute.h"
#include "db/SqlText.h"
#include "db/UnitOutcome.h"

namespace {

// Matches as the login does: SQL Server ignores trailing blanks, so every backend does.
const QString kAccountMatch = QStringLiteral("(RTRIM(loginName)=?) and (RTRIM(pwd)=?)");

std::optional<qint64> accountCount(DbGateway& gateway, const QString& loginName)
{
    return DbCount(gateway, QStringLiteral("SELECT COUNT(*) AS n FROM UserInfo WHERE (RTRIM(loginName)=?)"),
                   {loginName});
}

std::optional<bool> counted(const std::optional<qint64>& count, bool wantRows)
{
    if (!count)
        return std::nullopt;
    return wantRows ? *count > 0 : *count == 0;
}

// One column of one account, matched by name and current password, set to value.
Outcome change(DbGateway& gateway, const std::function<Outcome()>& allowed, const QString& column,
               const QString& loginName, const QString& pwd, const QString& value, const QString& failure)
{
    Outcome refusal;
    const UnitResult result = DbRunUnit(
        gateway,
        [&] {
            if (!ruleAllows(allowed(), refusal))
                return false;
            qint64 changed = 0;
            if (!gateway.DbExecute(AccountSql::changeColumn(column), {value, loginName, pwd}, &changed))
                return false;
            return ruleAllows(
                changed > 0 ? Outcome::success()
                            : Outcome::failure(
                                  failure, QStringLiteral("没有用户名为 %1 且密码相符的帐号").arg(loginName)),
                refusal);
        },
        [&] {
            // After a password change the account answers to the new one.
            const QString pwdAfter = column == QStringLiteral("pwd") ? value : pwd;
            return counted(DbCount(gateway,
                                   QStringLiteral("SELECT COUNT(*) AS n FROM UserInfo WHERE %1 = ? AND %2")
                                       .arg(column, kAccountMatch),
                                   {value, loginName, pwdAfter}),
                           true);
        });
    return unitOutcome(result, refusal, failure);
}

Outcome changeOwn(DbGateway& gateway, const SessionUser& acting, const QString& column,
                  const QString& loginName, const QString& pwd, const QString& value, const QString& failure)
{
    return change(
        gateway, [&] { return DbCheckActing(gateway, acting, ActingRight::Use); }, column, loginName, pwd,
        value, failure);
}

// Our own registration, found by what it wrote.
std::optional<bool> registrationFound(DbGateway& gateway, const NewAccount& account, const QString& type)
{
    return counted(DbCount(gateway,
                           QStringLiteral("SELECT COUNT(*) AS n FROM UserInfo WHERE %1 AND userName = ? AND "
                                          "parentName = ? AND type = ?")
                               .arg(kAccountMatch),
                           {account.loginName, account.password, account.nickname, account.company, type}),
                   true);
}

// A refusal for a reason the server does not report as a taken key (another language, an
// older driver) still says "taken" when the name is there.
bool nameTaken(DbGateway& gateway, const QString& loginName)
{
    const std::optional<qint64> count = accountCount(gateway, loginName);
    return count && *count > 0;
}

Outcome mayAdd(DbGateway& gateway, const SessionUser& acting, const QString& type)
{
    QString actingType;
    const Outcome allowed = DbCheckActing(gateway, acting, ActingRight::Administer, &actingType);
    if (allowed && !typesAddableBy(actingType).contains(type))
        return Outcome::failure(ActingText::notAllowed);
    return allowed;
}

Outcome registerAccount(DbGateway& gateway, const SessionUser* acting, const NewAccount& account,
                        const QString& type)
{
    Outcome refusal;
    const UnitResult result = DbRunUnit(
        gateway,
        [&] {
            if (acting && !ruleAllows(mayAdd(gateway, *acting, type), refusal))
                return false;
            return gateway.DbExecute(SqlText::insertAccount(gateway.dialect()),
                                     {account.loginName, account.nickname, account.company, account.password,
                                      type, account.address, account.telephone}) &&
                   gateway.DbExecute(SqlText::insertTelPhone(), {account.loginName});
        },
        [&] { return registrationFound(gateway, account, type); });
    if (!result.done() && refusal.message.isEmpty() &&
        (result.kind == DbErrorKind::DuplicateKey ||
         (result.end == UnitEnd::NotDone && nameTaken(gateway, account.loginName))))
        return Outcome::failure(AccountText::taken);
    return unitOutcome(result, refusal, AccountText::connectionFailed, AccountText::registered);
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

QStringList typesAddableBy(const QString& actingType)
{
    if (actingType == AccountText::administrator)
        return {AccountText::registeredUser, AccountText::agent};
    if (actingType == AccountText::agent || actingType == AccountText::vip)
        return {AccountText::vip};
    return {};
}

Outcome DbRegisterUser(DbGateway& gateway, const NewAccount& account)
{
    if (gateway.guarded())
        return GuardedRoute::registerUser(gateway, nullptr, account, AccountText::registeredUser);
    return registerAccount(gateway, nullptr, account, AccountText::registeredUser);
}

Outcome DbRegisterUser(DbGateway& gateway, const SessionUser& acting, const NewAccount& account,
                       const QString& type)
{
    if (gateway.guarded())
        return GuardedRoute::registerUser(gateway, &acting, account, type);
    return registerAccount(gateway, &acting, account, type);
}

namespace {

struct DetailColumn
{
    GuardedRoute::Detail detail;
    const char* column;
    QString failureText;
};

Outcome changeDetail(DbGateway& gateway, const SessionUser& acting, const DetailColumn& target,
                     const QString& loginName, const QString& currentPwd, const QString& value)
{
    if (gateway.guarded())
        return GuardedRoute::changeDetail(gateway, acting, target.detail, loginName, currentPwd, value);
    return changeOwn(gateway, acting, QLatin1String(target.column), loginName, currentPwd, value,
                     target.failureText);
}

} // namespace

Outcome DbChangePassword(DbGateway& gateway, const SessionUser& acting, const QString& loginName,
                         const QString& currentPwd, const QString& newPwd)
{
    return changeDetail(gateway, acting, {GuardedRoute::Detail::Password, "pwd", AccountText::passwordFailed},
                        loginName, currentPwd, newPwd);
}

Outcome DbChangeNickname(DbGateway& gateway, const SessionUser& acting, const QString& loginName,
                         const QString& currentPwd, const QString& newNickname)
{
    return changeDetail(gateway, acting,
                        {GuardedRoute::Detail::Nickname, "userName", AccountText::nicknameFailed}, loginName,
                        currentPwd, newNickname);
}

Outcome DbChangeCompany(DbGateway& gateway, const SessionUser& acting, const QString& loginName,
                        const QString& currentPwd, const QString& newCompany)
{
    return changeDetail(gateway, acting,
                        {GuardedRoute::Detail::Company, "parentName", AccountText::companyFailed}, loginName,
                        currentPwd, newCompany);
}

Outcome DbSetUserType(DbGateway& gateway, const SessionUser& acting, const QString& loginName,
                      const QString& pwd, const QString& type)
{
    if (gateway.guarded())
        return GuardedRoute::setUserType(gateway, acting, loginName, type);
    return change(
        gateway, [&] { return DbGuardAccountChange(gateway, acting, loginName); }, QStringLiteral("type"),
        loginName, pwd, type, AccountText::typeFailed);
}

Outcome DbDeleteUser(DbGateway& gateway, const SessionUser& acting, const QString& loginName)
{
    if (gateway.guarded())
        return GuardedRoute::deleteUser(gateway, acting, loginName);
    Outcome refusal;
    const UnitResult result = DbRunUnit(
        gateway,
        [&] {
            return ruleAllows(DbGuardAccountChange(gateway, acting, loginName), refusal) &&
                   gateway.DbExecute(AccountSql::deleteUser(), {loginName});
        },
        [&] { return counted(accountCount(gateway, loginName), false); });
    return unitOutcome(result, refusal, AccountText::deleteFailed);
}
