#pragma once

#include "db/Outcome.h"
#include "db/SqlDialect.h"

class DbGateway;
struct SessionUser;

namespace AccountText {
inline const QString registered = QStringLiteral("注册成功!");
inline const QString taken = QStringLiteral("帐号被注册!");
inline const QString connectionFailed = QStringLiteral("连接错误或网络卡线!");
inline const QString passwordFailed = QStringLiteral("err:SEND_XGPASS");
inline const QString nicknameFailed = QStringLiteral("err:SEND_XGuserName");
inline const QString companyFailed = QStringLiteral("err:SEND_XGparentName");
// The type change reports with the company change's tag.
inline const QString typeFailed = QStringLiteral("err:SEND_XGparentName");
inline const QString deleteFailed = QStringLiteral("err:SEND_delete2");
inline const QString registeredUser = QStringLiteral("注册用户");
inline const QString agent = QStringLiteral("代理用户");
inline const QString vip = QStringLiteral("VIP用户");
inline const QString disabled = QStringLiteral("禁用");
inline const QString administrator = QStringLiteral("管理员");
} // namespace AccountText

// The fields of a new account, already checked by AccountValidation.
struct NewAccount
{
    QString loginName;
    QString nickname; // UserInfo.userName
    QString company;  // UserInfo.parentName
    QString password;
    QString address;
    QString telephone;
};

// Statement texts, for the dialect checks.
namespace AccountSql {
QString changeColumn(const QString& column);
QString deleteUser();
} // namespace AccountSql

// The types an account of the given type may give the accounts it adds: an administrator
// "注册用户" or "代理用户", an agent or VIP user "VIP用户"; anyone else none.
QStringList typesAddableBy(const QString& actingType);

// Every statement below runs as one unit and tells the truth about it: when the answer to its
// commit is lost, it finds out on a fresh connection whether the change was made. Those that
// take the acting session first check, inside the unit, the acting account's current type:
// a disabled account is refused with the login's text.

// Writes the UserInfo row and its TelPhone row: both or neither. "帐号被注册!" only when the
// name is taken; any other failure is a connection failure with its reason.
// Self-registration, without a session: always a "注册用户".
Outcome DbRegisterUser(DbGateway& gateway, const NewAccount& account);
// Staff adding an account of one of the types typesAddableBy allows them.
Outcome DbRegisterUser(DbGateway& gateway, const SessionUser& acting, const NewAccount& account,
                       const QString& type);

// The changes match the account by name and current password. A pair that matches no account
// changed nothing and fails with the statement's tag. The acting account must be one that may
// log in.
Outcome DbChangePassword(DbGateway& gateway, const SessionUser& acting, const QString& loginName,
                         const QString& currentPwd, const QString& newPwd);
Outcome DbChangeNickname(DbGateway& gateway, const SessionUser& acting, const QString& loginName,
                         const QString& currentPwd, const QString& newNickname);
Outcome DbChangeCompany(DbGateway& gateway, const SessionUser& acting, const QString& loginName,
                        const QString& currentPwd, const QString& newCompany);
// Administrators only, and never on their own account (see DbGuardAccountChange).
Outcome DbSetUserType(DbGateway& gateway, const SessionUser& acting, const QString& loginName,
                      const QString& pwd, const QString& type);
// Removes the UserInfo row only; the account's other rows stay. An account that is already
// gone is not a failure. Administrators only, never their own account.
Outcome DbDeleteUser(DbGateway& gateway, const SessionUser& acting, const QString& loginName);
