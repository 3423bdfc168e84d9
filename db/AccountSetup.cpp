#include "db/AccountSetup.h"

#include "common/Gbk.h"
#include "db/DbGateway.h"
#include "db/SqlText.h"
#include "db/StorableText.h"

namespace AccountSetup {
namespace {

constexpr int kMaxNameBytes = 25;

QString checkField(const QString& text, const QString& empty, const QString& doubleByte,
                   const QString& tooLong)
{
    if (text.isEmpty())
        return empty;
    if (Gbk::containsDoubleByte(text))
        return doubleByte;
    if (Gbk::byteLength(text) > kMaxNameBytes)
        return tooLong;
    return {};
}

} // namespace

QString validate(Administrator& account)
{
    account.loginName.remove(QLatin1Char(' '));
    account.password.remove(QLatin1Char(' '));
    account.repeatedPassword.remove(QLatin1Char(' '));
    account.nickname = account.nickname.trimmed();
    account.company = account.company.trimmed();
    // Text the database would alter could never be matched again at the next login.
    for (const QString* field : {&account.loginName, &account.password, &account.repeatedPassword,
                                 &account.nickname, &account.company}) {
        if (const QString problem = unstorableCharacter(*field); !problem.isEmpty())
            return problem;
    }
    if (account.nickname.isEmpty())
        return QStringLiteral("昵称不能为空!");
    if (account.company.isEmpty())
        return QStringLiteral("公司名称不能为空!");
    QString message = checkField(account.loginName, QStringLiteral("提示: 用户名请填写英文加数字!"),
                                 QStringLiteral("用户名请填写英文加数字!"),
                                 QStringLiteral("提示: 用户名最多25个英文加数字!"));
    if (message.isEmpty())
        message = checkField(account.password, QStringLiteral("提示: 密码请填写英文加数字!"),
                             QStringLiteral("密码请填写英文加数字!"),
                             QStringLiteral("提示: 密码最多25个英文加数字!"));
    if (message.isEmpty())
        message = checkField(account.repeatedPassword, QStringLiteral("提示: 重复密码请填写英文加数字!"),
                             QStringLiteral("重复密码请填写英文加数字!"),
                             QStringLiteral("提示: 重复密码最多25个英文加数字!"));
    if (message.isEmpty() && account.password != account.repeatedPassword)
        message = QStringLiteral("提示: 重复输入的密码不相同!");
    return message;
}

Outcome createAdministrator(DbGateway& gateway, Administrator account)
{
    const QString problem = validate(account);
    if (!problem.isEmpty())
        return Outcome::failure(problem);
    bool taken = false;
    const bool written = gateway.transaction([&] {
        DbRows rows = gateway.DbQuery(SqlText::accountExists(), {account.loginName});
        if (rows.failed() || rows.atEnd())
            return false;
        if (rows.number(QStringLiteral("accounts")) > 0) {
            taken = true;
            return false;
        }
        const QString type = QStringLiteral("管理员");
        return gateway.DbExecute(SqlText::insertAccount(gateway.dialect()),
                                 {account.loginName, account.nickname, account.company, account.password,
                                  type, QStringLiteral(""), QStringLiteral("")}) &&
               gateway.DbExecute(SqlText::insertTelPhone(), {account.loginName});
    });
    if (taken)
        return Outcome::failure(QStringLiteral("帐号被注册!"));
    if (!written && DbGateway::lastErrorKind() == DbErrorKind::DuplicateKey)
        return Outcome::failure(QStringLiteral("帐号被注册!"));
    if (!written)
        return Outcome::failure(QStringLiteral("连接错误或网络卡线!"), DbGateway::lastError());
    return Outcome::success(QStringLiteral("注册成功!"));
}

} // namespace AccountSetup
