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

// Executes an UPDATE that must change exactly one row. When the database itself failed, its
// reason goes to *reason; an update that found no row leaves it empty.
bool updateOne(DbGateway& gateway, const QString& sql, const QVariantList& values, QString* reason = nullptr)
{
    qint64 changed = 0;
    if (!gateway.DbExecute(sql, values, &changed)) {
        if (reason)
            *reason = DbGateway::lastError();
        return false;
    }
    return changed == 1;
}

// The unit's outcome as the user must hear it: a commit whose answer was lost is neither a
// success nor a failure.
Outcome unitFailure(const QString& text, const QString& reason)
{
    if (DbGateway::lastCommitUnknown())
        return Outcome::failure(BalanceText::outcomeUnknown, DbGateway::lastError());
    return Outcome::failure(text, reason);
}

// Reads a figure back after its update. A failed read fails the statement: the unit must not
// commit a charge whose result the client could not see.
bool readFigure(DbGateway& gateway, const QString& column, const QString& loginName, const QString& pwd,
                qint64& figure, QString* reason)
{
    DbRows rows = gateway.DbQuery(
        QStringLiteral("SELECT %1 FROM UserInfo WHERE %2").arg(column, kAccountMatch), {loginName, pwd});
    const QString text = rows.text(column);
    if (rows.failed()) {
        *reason = rows.error();
        return false;
    }
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
    QString reason;
    const bool charged =
        updateOne(gateway,
                  QStringLiteral("UPDATE UserInfo SET payMoney = payMoney-? WHERE %1 and (payMoney>=?)")
                      .arg(kAccountMatch),
                  {*value, loginName, pwd, *value}, &reason) &&
        readFigure(gateway, QStringLiteral("payMoney"), loginName, pwd, session.remainingBalance, &reason);
    return charged ? Outcome::success() : Outcome::failure(BalanceText::deductFailed, reason);
}

Outcome DbAddSent(DbGateway& gateway, SessionUser& session, const QString& loginName, const QString& pwd,
                  const QString& amount)
{
    const auto value = parseAmount(amount);
    if (!value)
        return Outcome::failure(BalanceText::badAmount);
    QString reason;
    if (!updateOne(gateway,
                   QStringLiteral("UPDATE UserInfo SET status = status+? WHERE %1").arg(kAccountMatch),
                   {*value, loginName, pwd}, &reason) ||
        !readFigure(gateway, QStringLiteral("status"), loginName, pwd, session.sentTotal, &reason))
        return Outcome::failure(BalanceText::addSentFailed, reason);
    return Outcome::success();
}

// A balance change and its Moneys row, as one unit; the update must find its account.
static bool changeWithRecord(DbGateway& gateway, const QString& update, const QVariantList& values,
                             const QString& account, const QString& signedAmount, const QString& operatorName,
                             QString* reason)
{
    return gateway.transaction([&] {
        if (!updateOne(gateway, update, values, reason))
            return false;
        if (gateway.DbExecute(insertMoneys(gateway), {account, signedAmount, operatorName}))
            return true;
        *reason = DbGateway::lastError();
        return false;
    });
}

Outcome DbRecharge(DbGateway& gateway, const SessionUser& session, const QString& loginName,
                   const QString& amount)
{
    const auto value = parseAmount(amount);
    if (!value)
        return Outcome::failure(BalanceText::badAmount);
    QString reason;
    const bool ok = changeWithRecord(
        gateway, QStringLiteral("UPDATE UserInfo SET payMoney = payMoney+? WHERE (RTRIM(loginName)=?)"),
        {*value, loginName}, loginName, QString::number(*value), session.loginName, &reason);
    return ok ? Outcome::success(BalanceText::recharged) : unitFailure(BalanceText::payFailed, reason);
}

Outcome DbReduce(DbGateway& gateway, const SessionUser& session, const QString& loginName, const QString& pwd,
                 const QString& amount)
{
    const auto value = parseAmount(amount);
    if (!value)
        return Outcome::failure(BalanceText::badAmount);
    // The balance must cover the reduction at the server: a balance never goes below zero.
    QString reason;
    const bool ok = changeWithRecord(
        gateway,
        QStringLiteral("UPDATE UserInfo SET payMoney = payMoney-? WHERE %1 and (payMoney>=?)")
            .arg(kAccountMatch),
        {*value, loginName, pwd, *value}, loginName, QStringLiteral("-") + QString::number(*value),
        session.loginName, &reason);
    if (ok)
        return Outcome::success(BalanceText::reduced);
    if (reason.isEmpty() && !DbGateway::lastCommitUnknown()) {
        qint64 balance = 0;
        QString readReason;
        if (readFigure(gateway, QStringLiteral("payMoney"), loginName, pwd, balance, &readReason) &&
            balance < *value)
            return Outcome::failure(BalanceText::notCovered.arg(loginName).arg(balance).arg(*value));
    }
    return unitFailure(BalanceText::payFailed, reason);
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
        outcome.reason = rows.error();
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
    QString reason;
    outcome.ok = gateway.transaction([&] {
        // The operator's balance must still exceed the amount at the server, and the password
        // must match, or nothing is written.
        if (!updateOne(gateway,
                       QStringLiteral("UPDATE UserInfo SET payMoney = payMoney-? WHERE %1 and (payMoney>?)")
                           .arg(kAccountMatch),
                       {*value, session.loginName, session.password, *value}, &reason) ||
            !updateOne(gateway,
                       QStringLiteral("UPDATE UserInfo SET payMoney = payMoney+? WHERE (RTRIM(loginName)=?)"),
                       {*value, targetLoginName}, &reason) ||
            !updateOne(gateway, QStringLiteral("UPDATE UserInfo SET daili = ? WHERE (RTRIM(loginName)=?)"),
                       {session.loginName, targetLoginName}, &reason))
            return false;
        if (gateway.DbExecute(insert, {session.loginName, QStringLiteral("-") + number, session.loginName}) &&
            gateway.DbExecute(insert, {targetLoginName, number, session.loginName}))
            return true;
        reason = DbGateway::lastError();
        return false;
    });
    if (outcome.ok) {
        outcome.message = QStringLiteral("分配给帐号%1数量%2条成功!").arg(targetLoginName, number);
    } else {
        const Outcome failure = unitFailure(BalanceText::payFailed, reason);
        outcome.message = failure.message;
        outcome.reason = failure.reason;
    }
    return outcome;
}
