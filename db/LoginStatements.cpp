#include "db/LoginStatements.h"

#include "db/DbGateway.h"
#include "db/GuardedCall.h"
#include "db/GuardedRoute.h"
#include "db/SqlText.h"

namespace {

QString withoutBlanks(QString text)
{
    text.remove(QLatin1Char(' '));
    return text;
}

struct AccountRow
{
    QString loginName, userName, parentName, pwd, type, payMoney, status;
};

AccountRow readAccount(DbRows& rows)
{
    AccountRow row;
    row.loginName = withoutBlanks(rows.text(QStringLiteral("loginName")));
    row.userName = rows.text(QStringLiteral("userName"));
    row.parentName = rows.text(QStringLiteral("parentName"));
    row.pwd = withoutBlanks(rows.text(QStringLiteral("pwd")));
    row.type = rows.text(QStringLiteral("type"));
    row.payMoney = rows.text(QStringLiteral("payMoney"));
    row.status = rows.text(QStringLiteral("status"));
    return row;
}

void fillLabels(SessionUser& session, const AccountRow& row)
{
    session.nickLabel = QStringLiteral("昵称：") + row.userName;
    session.userLabel = QStringLiteral("USER：") + row.loginName;
    session.typeLabel = QStringLiteral("状态：") + row.type;
    session.companyLabel = QStringLiteral("公司：") + row.parentName;
    session.balanceText = row.payMoney;
    session.sentText = row.status;
}

// Walks the rows of the pair; onRow sees every row before the comparison, as the login needs.
template <typename OnRow>
LoginOutcome findAccount(DbGateway& gateway, const QString& loginName, const QString& password, OnRow onRow)
{
    DbRows rows = gateway.DbQuery(SqlText::login(), {loginName, password});
    while (!rows.atEnd()) {
        const AccountRow row = readAccount(rows);
        if (rows.failed())
            break;
        onRow(row);
        if (row.loginName == loginName && row.pwd == password) {
            if (row.type == QStringLiteral("禁用"))
                return {LoginResult::Disabled, LoginText::disabled};
            return {LoginResult::Accepted, {}};
        }
        rows.next();
    }
    if (rows.failed())
        return {LoginResult::Failed, Outcome::withReason(LoginText::readFailed, rows.error())};
    return {LoginResult::Rejected, {}};
}

} // namespace

LoginOutcome DbLogin(DbGateway& gateway, SessionUser& session, const QString& loginName,
                     const QString& password)
{
    if (gateway.guarded())
        return GuardedRoute::login(gateway, session, loginName, password);
    QString type;
    const LoginOutcome outcome = findAccount(gateway, loginName, password, [&](const AccountRow& row) {
        fillLabels(session, row);
        type = row.type;
    });
    if (outcome.result == LoginResult::Accepted)
        session.applyType(type);
    return outcome;
}

void DbEndSession(DbGateway& gateway, SessionUser& session)
{
    GuardedRoute::endSession(gateway, session);
}

LoginOutcome DbVerifyAccount(DbGateway& gateway, const QString& loginName, const QString& password)
{
    if (gateway.guarded())
        return GuardedRoute::verifyAccount(gateway, loginName, password);
    return findAccount(gateway, loginName, password, [](const AccountRow&) {});
}

Outcome DbSumRecharges(DbGateway& gateway, SessionUser& session, const QString& loginName)
{
    if (gateway.guarded())
        return GuardedRoute::readFigure(gateway, session, loginName, GuardedRoute::Figure::RechargeTotal);
    DbRows rows = gateway.DbQuery(SqlText::rechargeRows(), {loginName});
    qint64 sum = 0;
    while (!rows.atEnd()) {
        const QString amount = rows.text(QStringLiteral("fullMoney"));
        const QString name = rows.text(QStringLiteral("loginName"));
        if (rows.failed())
            break;
        if (name == loginName)
            sum += leadingNumber(amount);
        rows.next();
    }
    if (rows.failed())
        return Outcome::failure(LoginText::readFailed, rows.error());
    session.rechargeTotal = sum < 0 ? 0 : sum;
    return Outcome::success();
}

Outcome DbInsertMessage(DbGateway& gateway, const QString& loginName, const QString& part,
                        const QString& countText, const QString& numberList, const QString& partKey)
{
    if (gateway.guarded())
        return Outcome::failure(LoginText::insertFailed, GuardedText::partOfOneCall);
    if (!gateway.DbExecute(SqlText::insertMessage(gateway.dialect()),
                           {loginName, part, countText, numberList}) ||
        (!partKey.isEmpty() &&
         !gateway.DbExecute(SqlText::insertPartKey(gateway.dialect()), {partKey, loginName})))
        return Outcome::failure(LoginText::insertFailed, DbGateway::lastError());
    return Outcome::success();
}

Outcome DbPartWritten(DbGateway& gateway, const QString& partKey, bool* written)
{
    if (gateway.guarded())
        return GuardedRoute::partWritten(gateway, partKey, written);
    DbRows rows = gateway.DbQuery(SqlText::partKeyCount(), {partKey});
    const qint64 count = rows.number(QStringLiteral("parts"));
    if (rows.failed())
        return Outcome::failure(LoginText::readFailed, rows.error());
    *written = count > 0;
    return Outcome::success();
}

Outcome DbReadSuccessRate(DbGateway& gateway, SessionUser& session, const QString& loginName)
{
    if (gateway.guarded())
        return GuardedRoute::readFigure(gateway, session, loginName, GuardedRoute::Figure::SuccessRate);
    DbRows rows = gateway.DbQuery(SqlText::accountByName(), {loginName});
    while (!rows.atEnd()) {
        const QString rate = rows.text(QStringLiteral("recvs"));
        const QString name = rows.text(QStringLiteral("loginName"));
        if (rows.failed())
            break;
        if (name == loginName) {
            session.successRate = rate;
            break;
        }
        rows.next();
    }
    if (rows.failed())
        return Outcome::failure(LoginText::readFailed, rows.error());
    return Outcome::success();
}
