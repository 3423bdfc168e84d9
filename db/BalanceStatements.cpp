#include "db/BalanceStatements.h"

#include "db/ActingAccount.h"
#include "db/DbGateway.h"
#include "db/GuardedCall.h"
#include "db/GuardedRoute.h"
#include "db/StorableText.h"

namespace {

constexpr qint64 kMaxAmount = 999999999;
// Width of UserInfo.loginName in every schema.
constexpr qsizetype kNameLength = 50;

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

bool retriedUnit(DbGateway& gateway, const std::function<bool()>& work)
{
    if (gateway.transaction(work))
        return true;
    if (DbGateway::lastCommitUnknown() || DbGateway::lastErrorKind() != DbErrorKind::Conflict)
        return false;
    return gateway.transaction(work);
}

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
    if (gateway.guarded())
        return Outcome::failure(BalanceText::deductFailed, GuardedText::partOfOneCall);
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
    if (gateway.guarded())
        return Outcome::failure(BalanceText::addSentFailed, GuardedText::partOfOneCall);
    QString reason;
    if (!updateOne(gateway,
                   QStringLiteral("UPDATE UserInfo SET status = status+? WHERE %1").arg(kAccountMatch),
                   {*value, loginName, pwd}, &reason) ||
        !readFigure(gateway, QStringLiteral("status"), loginName, pwd, session.sentTotal, &reason))
        return Outcome::failure(BalanceText::addSentFailed, reason);
    return Outcome::success();
}

namespace {

QString typedAmount(QString text)
{
    text.remove(QLatin1Char(' '));
    return text;
}

// A balance change and its Moneys row, as one unit, by an operator whose type grants right;
// the update must find its account. *refusal gets a refusal's text, *reason the database's.
bool changeWithRecord(DbGateway& gateway, const SessionUser& session, ActingRight right,
                      const QString& update, const QVariantList& values, const QString& account,
                      const QString& signedAmount, QString* refusal, QString* reason)
{
    return retriedUnit(gateway, [&] {
        refusal->clear();
        reason->clear();
        const Outcome acting = DbCheckActing(gateway, session, right);
        if (!acting) {
            *refusal = acting.message;
            *reason = acting.reason;
            return false;
        }
        if (!updateOne(gateway, update, values, reason))
            return false;
        if (gateway.DbExecute(insertMoneys(gateway), {account, signedAmount, session.loginName}))
            return true;
        *reason = DbGateway::lastError();
        return false;
    });
}

Outcome changeFailure(const QString& refusal, const QString& reason)
{
    if (!refusal.isEmpty())
        return Outcome::failure(refusal, reason);
    return unitFailure(BalanceText::payFailed, reason);
}

} // namespace

Outcome DbRecharge(DbGateway& gateway, const SessionUser& session, const QString& loginName,
                   const QString& amount)
{
    const auto value = parseAmount(amount);
    if (!value)
        return Outcome::failure(BalanceText::badAmount);
    if (gateway.guarded())
        return GuardedRoute::recharge(gateway, session, loginName, amount);
    QString refusal, reason;
    const bool ok = changeWithRecord(
        gateway, session, ActingRight::Administrator,
        QStringLiteral("UPDATE UserInfo SET payMoney = payMoney+? WHERE (RTRIM(loginName)=?)"),
        {*value, loginName}, loginName, typedAmount(amount), &refusal, &reason);
    return ok ? Outcome::success(BalanceText::recharged) : changeFailure(refusal, reason);
}

Outcome DbReduce(DbGateway& gateway, const SessionUser& session, const QString& loginName, const QString& pwd,
                 const QString& amount)
{
    const auto value = parseAmount(amount);
    if (!value)
        return Outcome::failure(BalanceText::badAmount);
    if (gateway.guarded())
        return GuardedRoute::reduce(gateway, session, loginName, amount);
    // The balance must cover the reduction at the server: a balance never goes below zero.
    QString refusal, reason;
    const bool ok = changeWithRecord(
        gateway, session, ActingRight::Administrator,
        QStringLiteral("UPDATE UserInfo SET payMoney = payMoney-? WHERE %1 and (payMoney>=?)")
            .arg(kAccountMatch),
        {*value, loginName, pwd, *value}, loginName, QStringLiteral("-") + typedAmount(amount), &refusal,
        &reason);
    if (ok)
        return Outcome::success(BalanceText::reduced);
    if (refusal.isEmpty() && reason.isEmpty() && !DbGateway::lastCommitUnknown()) {
        qint64 balance = 0;
        QString readReason;
        if (readFigure(gateway, QStringLiteral("payMoney"), loginName, pwd, balance, &readReason) &&
            balance < *value)
            return Outcome::failure(BalanceText::notCovered.arg(loginName).arg(balance).arg(*value));
    }
    return changeFailure(refusal, reason);
}

namespace {

// One account of an allocation, read under its row lock.
struct LockedAccount
{
    enum Agent
    {
        NoAgent = 0,
        Operator = 1, // its agent is the allocating account, as the server compares names
        OtherAgent = 2
    };
    bool found = false;
    QString name; // as stored, trailing blanks removed
    QString type;
    QString balance;
    int agent = NoAgent;
};

bool lockAccount(DbGateway& gateway, const QString& name, const QString& operatorName, LockedAccount& account,
                 QString& reason)
{
    DbRows rows = gateway.DbQuery(
        gateway.dialect().selectForUpdate(
            QStringLiteral(
                "loginName,COALESCE(type,'') AS type,payMoney,CASE WHEN COALESCE(RTRIM(daili),'')='' "
                "THEN 0 WHEN RTRIM(daili)=? THEN 1 ELSE 2 END AS agent"),
            QStringLiteral("UserInfo"), QStringLiteral("(RTRIM(loginName)=?)")),
        {operatorName, name});
    account.found = !rows.atEnd();
    if (account.found) {
        QString stored = rows.text(QStringLiteral("loginName"));
        while (stored.endsWith(QLatin1Char(' ')))
            stored.chop(1);
        account.name = stored;
        account.type = rows.text(QStringLiteral("type")).trimmed();
        account.balance = rows.text(QStringLiteral("payMoney"));
        account.agent = static_cast<int>(rows.number(QStringLiteral("agent")));
    }
    if (rows.failed()) {
        reason = rows.error();
        return false;
    }
    return true;
}

// Both rows of an allocation, always in the same order whoever allocates to whom, so that two
// allocations in opposite directions wait for each other instead of deadlocking. The order
// ignores letter case, as SQL Server's names do.
bool lockBoth(DbGateway& gateway, const QString& operatorName, const QString& target, LockedAccount& payer,
              LockedAccount& receiver, QString& reason)
{
    int order = operatorName.compare(target, Qt::CaseInsensitive);
    if (order == 0)
        order = operatorName.compare(target);
    if (order < 0)
        return lockAccount(gateway, operatorName, operatorName, payer, reason) &&
               lockAccount(gateway, target, operatorName, receiver, reason);
    return lockAccount(gateway, target, operatorName, receiver, reason) &&
           lockAccount(gateway, operatorName, operatorName, payer, reason);
}

QString receiverRefusal(const LockedAccount& payer, const LockedAccount& receiver, const QString& target)
{
    if (!receiver.found)
        return BalanceText::noSuchAccount.arg(target);
    if (receiver.name == payer.name)
        return BalanceText::toSelf;
    if (receiver.type == QStringLiteral("管理员"))
        return BalanceText::toAdministrator.arg(receiver.name);
    if (receiver.type == QStringLiteral("代理用户"))
        return BalanceText::toAgent.arg(receiver.name);
    if (receiver.agent == LockedAccount::OtherAgent)
        return BalanceText::othersAccount.arg(receiver.name);
    return {};
}

struct Allocation
{
    AllocateOutcome outcome;
    bool told = false; // refused with its own words (or, for an empty balance, silently)
    QString receiver;
};

bool allocateInUnit(DbGateway& gateway, const SessionUser& session, const QString& target, qint64 value,
                    const QString& typed, Allocation& a)
{
    a = Allocation();
    LockedAccount payer, receiver;
    if (!lockBoth(gateway, session.loginName, target, payer, receiver, a.outcome.reason)) {
        a.outcome.message = QStringLiteral("连接错误或网络卡线!");
        a.told = true;
        return false;
    }
    // Read under the lock, so that a type changed meanwhile cannot slip in before the commit.
    const Outcome acting = DbCheckActing(gateway, session, ActingRight::Administer);
    a.told = true;
    if (!acting) {
        a.outcome.message = acting.message;
        a.outcome.reason = acting.reason;
        return false;
    }
    a.outcome.message = receiverRefusal(payer, receiver, target);
    if (!a.outcome.message.isEmpty())
        return false;
    a.outcome.available = QStringLiteral("当前可以分配 %1 条!").arg(payer.balance);
    const qint64 available = leadingNumber(payer.balance);
    if (available <= 0)
        return false;
    if (value >= available) {
        a.outcome.message = BalanceText::overLimit;
        return false;
    }
    a.told = false;
    a.receiver = receiver.name;
    const QString insert = insertMoneys(gateway);
    if (updateOne(gateway,
                  QStringLiteral("UPDATE UserInfo SET payMoney = payMoney-? WHERE %1 and (payMoney>?)")
                      .arg(kAccountMatch),
                  {value, session.loginName, session.password, value}, &a.outcome.reason) &&
        updateOne(gateway,
                  QStringLiteral("UPDATE UserInfo SET payMoney = payMoney+? WHERE (RTRIM(loginName)=?)"),
                  {value, receiver.name}, &a.outcome.reason) &&
        updateOne(gateway, QStringLiteral("UPDATE UserInfo SET daili = ? WHERE (RTRIM(loginName)=?)"),
                  {session.loginName, receiver.name}, &a.outcome.reason) &&
        gateway.DbExecute(insert, {session.loginName, QStringLiteral("-") + typed, session.loginName}) &&
        gateway.DbExecute(insert, {receiver.name, typed, session.loginName}))
        return true;
    if (a.outcome.reason.isEmpty())
        a.outcome.reason = DbGateway::lastError();
    return false;
}

} // namespace

AllocateOutcome DbAllocate(DbGateway& gateway, const SessionUser& session, const QString& targetLoginName,
                           const QString& amount)
{
    AllocateOutcome outcome;
    const auto value = parseAmount(amount);
    if (!value) {
        outcome.message = BalanceText::badAmount;
        return outcome;
    }
    if (*value == 0) {
        outcome.message = BalanceText::zeroAllocation.arg(targetLoginName);
        return outcome;
    }
    if (targetLoginName.compare(session.loginName, Qt::CaseInsensitive) == 0) {
        outcome.message = BalanceText::toSelf;
        return outcome;
    }
    // No account can carry such a name; the server would only answer with an error of its own.
    if (targetLoginName.size() > kNameLength) {
        outcome.message = BalanceText::noSuchAccount.arg(targetLoginName.left(kNameLength) + QChar(0x2026));
        return outcome;
    }
    if (const QString problem = unstorableCharacter(targetLoginName); !problem.isEmpty()) {
        outcome.message = problem;
        return outcome;
    }
    if (gateway.guarded())
        return GuardedRoute::allocate(gateway, session, targetLoginName, amount);
    const QString typed = typedAmount(amount);
    Allocation a;
    const bool ok = retriedUnit(
        gateway, [&] { return allocateInUnit(gateway, session, targetLoginName, *value, typed, a); });
    outcome = a.outcome;
    outcome.ok = ok;
    if (ok) {
        outcome.message = QStringLiteral("分配给帐号%1数量%2条成功!").arg(a.receiver, typed);
        outcome.reason.clear();
    } else if (!a.told) {
        const Outcome failure = unitFailure(BalanceText::payFailed, outcome.reason);
        outcome.message = failure.message;
        outcome.reason = failure.reason;
    }
    return outcome;
}
