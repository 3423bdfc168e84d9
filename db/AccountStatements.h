#pragma once

#include "db/Outcome.h"
#include "db/SqlDialect.h"

class DbGateway;

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

// Writes the UserInfo row and its TelPhone row as one unit: both or neither. "帐号被注册!" only
// when the database's unique key refuses the name; any other failure is a connection failure
// with its reason.
Outcome DbRegisterUser(DbGateway& gateway, const NewAccount& account);
Outcome DbRegisterUser(DbGateway& gateway, const NewAccount& account, const QString& type);

// The changes match the account by name and current password. A pair that matches no account
// changed nothing and fails with the statement's tag, as a failed execute does.
Outcome DbChangePassword(DbGateway& gateway, const QString& loginName, const QString& currentPwd,
                         const QString& newPwd);
Outcome DbChangeNickname(DbGateway& gateway, const QString& loginName, const QString& currentPwd,
                         const QString& newNickname);
Outcome DbChangeCompany(DbGateway& gateway, const QString& loginName, const QString& currentPwd,
                        const QString& newCompany);
Outcome DbSetUserType(DbGateway& gateway, const QString& loginName, const QString& pwd, const QString& type);
// Removes the UserInfo row only; the account's other rows stay. An account that is already
// gone is not a failure.
Outcome DbDeleteUser(DbGateway& gateway, const QString& loginName);
