#include "db/BalanceStatements.h"

#include "db/DbGateway.h"

namespace {

constexpr qint64 kMaxAmount = 999999999;

const QString kAccountMatch = QStringLiteral("(RTRIM(loginName)=?) and (RTRIM(pwd)=?)");

QString insertMoneys(const DbGateway& gateway)
{
    return QStringLiteral("INSERT INTO Moneys (loginName,fullMoney,addDate,parentName) VALUES (?,?,%1,?)")
        .arg(gateway.dialect().now());
}

// Executes an UPDATE that must change exactly one row.
bool updateOne(DbGateway& gateway, const QString& sql, const QVariantList& values)
{
    qint64 changed = 0;
    return gateway.DbExecute(sql, values, &changed) && changed == 1;
}

bool readFigure(DbGateway& gateway, const QString& column, const QString& loginName, const QString& pwd,
                qint64& figure)
{
    DbRows rows = gateway.DbQuery(
        QStringLiteral("SELECT %1 FROM UserInfo WHERE %2").arg(column, kAccountMatch), {loginName, pwd});
    if (rows.atEnd())
        return false;
    const QString text = rows.text(column);
    if (rows.failed())
        return false;
    figure = leadingNumber(text);
    return true;
}

} // namespace

std::optional<qint64> parseAmount(const QString& text)
{
    QString digits = text;
    digits.remove(QLatin1Char(' '));
    if (digits.isEmpty() || digits.size() > 18)
        return std::nullopt;
    for (QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    const qint64 amount = digits.toLongLong();
    if (amount > kMaxAmount)
        return std::nullopt;
    return amount;
}

Outcome DbDeductBalance(DbGateway& gateway, SessionUser& session, const QString& loginName,
                        const QString& pwd, const QString& amount)
{
    const auto value = parseAmount(amount);
    if (!value)
        return Outcome::failure(BalanceText::badAmount);
    const bool charged =
        updateOne(gateway,
                  QStringLiteral("UPDATE UserInfo SET payMoney = payMoney-? WHERE %1 and (payMoney>=?)")
                      .arg(kAccountMatch),
                  {*value, loginName, pwd, *value});
    readFigure(gateway, QStringLiteral("payMoney"), loginName, pwd, session.remainingBalance);
    return charged ? Outcome::success() : Outcome::failure(BalanceText::deductFailed);
}

Outcome DbAddSent(DbGateway& gateway, SessionUser& session, const QString& loginName, const QString& pwd,
                  const QString& amount)
{
    const auto value = parseAmount(amount);
    if (!value)
        return Outcome::failure(BalanceText::badAmount);
    if (!updateOne(gateway,
                   QStringLiteral("UPDATE UserInfo SET status = status+? WHERE %1").arg(kAccountMatch),
                   {*value, loginName, pwd}) ||
        !readFigure(gateway, QStringLiteral("status"), loginName, pwd, session.sentTotal))
        return Outcome::failure(BalanceText::addSentFailed);
    return Outcome::success();
}

// A balance change and its Moneys row, as one unit; the update must find its account.
static bool changeWithRecord(DbGateway& gateway, const QString& update, const QVariantList& values,
                             const QString& account, const QString& signedAmount, const QString& operatorName)
{
    return gateway.transaction([&] {
        return updateOne(gateway, update, values) &&
               gateway.DbExecute(insertMoneys(gateway), {account, signedAmount, operatorName});
    });
}

Outcome DbRecharge(DbGateway& gateway, const SessionUser& session, const QString& loginName,
                   const QString& amount)
{
    const auto value = parseAmount(amount);
    if (!value)
        return Outcome::failure(BalanceText::badAmount);
    const bool ok = changeWithRecord(
        gateway, QStringLiteral("UPDATE UserInfo SET payMoney = payMoney+? WHERE (RTRIM(loginName)=?)"),
        {*value, loginName}, loginName, QString::number(*value), session.loginName);
    return ok ? Outcome::success(BalanceText::recharged) : Outcome::failure(BalanceText::payFailed);
}

Outcome DbReduce(DbGateway& gateway, const SessionUser& session, const QString& loginName, const QString& pwd,
                 const QString& amount)
{
    const auto value = parseAmount(amount);
    if (!value)
        return Outcome::failure(BalanceText::badAmount);
    const bool ok = changeWithRecord(
        gateway, QStringLiteral("UPDATE UserInfo SET payMoney = payMoney-? WHERE %1").arg(kAccountMatch),
        {*value, loginName, pwd}, loginName, QStringLiteral("-") + QString::number(*value),
        session.loginName);
    return ok ? Outcome::success(BalanceText::reduced) : Outcome::failure(BalanceText::payFailed);
}

AllocateOutcome DbAllocate(DbGateway& gateway, const SessionUser& session, const QString& targetLoginName,
                           const QString& amount)
{
    AllocateOutcome outcome;
    const auto value = parseAmount(amount);
    if (!value) {
        outcome.message = BalanceText::badAmount;
        return outcome;
    }
    qint64 available = 0;
    DbRows rows = gateway.DbQuery(
        QStringLiteral("SELECT payMoney,loginName FROM UserInfo WHERE (loginName=?)"), {session.loginName});
    while (!rows.atEnd()) {
        const QString balance = rows.text(QStringLiteral("payMoney"));
        const QString name = rows.text(QStringLiteral("loginName"));
        if (rows.failed())
            break;
        if (name == session.loginName) {
            available = leadingNumber(balance);
            outcome.available = QStringLiteral("当前可以分配 %1 条!").arg(balance);
            break;
        }
        rows.next();
    }
    if (rows.failed()) {
        outcome.message = QStringLiteral("连接错误或网络卡线!");
        return outcome;
    }
    rows = DbRows();
    if (available <= 0)
        return outcome;
    if (*value >= available) {
        outcome.message = BalanceText::overLimit;
        return outcome;
    }
    const QString number = QString::number(*value);
    const QString insert = insertMoneys(gateway);
    outcome.ok = gateway.transaction([&] {
        // The operator's balance must still exceed the amount at the server, and the password
        // must match, or nothing is written.
        return updateOne(gateway,
                         QStringLiteral("UPDATE UserInfo SET payMoney = payMoney-? WHERE %1 and (payMoney>?)")
                             .arg(kAccountMatch),
                         {*value, session.loginName, session.password, *value}) &&
               updateOne(
                   gateway,
                   QStringLiteral("UPDATE UserInfo SET payMoney = payMoney+? WHERE (RTRIM(loginName)=?)"),
                   {*value, targetLoginName}) &&
               updateOne(gateway, QStringLiteral("UPDATE UserInfo SET daili = ? WHERE (RTRIM(loginName)=?)"),
                         {session.loginName, targetLoginName}) &&
               gateway.DbExecute(insert,
                                 {session.loginName, QStringLiteral("-") + number, session.loginName}) &&
               gateway.DbExecute(insert, {targetLoginName, number, session.loginName});
    });
    outcome.message = outcome.ok ? QStringLiteral("分配给帐号%1数量%2条成功!").arg(targetLoginName, number)
                                 : BalanceText::payFailed;
    return outcome;
}
