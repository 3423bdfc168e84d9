#include "db/PartStatements.h"

#include "db/ActingAccount.h"
#include "db/BalanceStatements.h"
#include "db/DbGateway.h"
#include "db/GuardedCall.h"
#include "db/LoginStatements.h"

#include <QThread>
#include <QUuid>

namespace {

using Guarded::Reply;

// Attempts to reach the database again after a part whose answer was lost.
constexpr int kSettleAttempts = 3;

// Asks, on a fresh connection each time, whether the part of that key was kept.
PartEnd settle(DbGateway& gateway, const std::function<std::optional<bool>()>& written,
               const SessionUser& acting, SessionUser& figures, QString& message)
{
    for (int attempt = 0; attempt < kSettleAttempts; ++attempt) {
        if (attempt > 0)
            QThread::sleep(attempt);
        if (!gateway.DbOpen())
            continue;
        const std::optional<bool> kept = written();
        if (!kept)
            continue;
        DbReadFigures(gateway, acting, figures);
        if (*kept)
            return PartEnd::Charged;
        message = Outcome::withReason(LoginText::insertFailed, DbGateway::lastError());
        return PartEnd::Failed;
    }
    return PartEnd::Unknown;
}

// A part that failed for want of balance is told apart from one that failed otherwise: another
// client of the account may have spent the balance meanwhile.
PartEnd failedPart(DbGateway& gateway, const SessionUser& acting, qint64 cost, SessionUser& figures)
{
    DbReadFigures(gateway, acting, figures);
    return figures.remainingBalance < cost ? PartEnd::OutOfBalance : PartEnd::Failed;
}

PartEnd writeOpen(DbGateway& gateway, const SessionUser& acting, const MessagePart& part, qint64 cost,
                  SessionUser& figures, QString& message)
{
    const QString countText = QString::number(part.count);
    const QString partKey = QUuid::createUuid().toString(QUuid::WithoutBraces);
    SessionUser written = figures;
    bool refused = false;
    const bool charged = retriedUnit(gateway, [&] {
        written = figures;
        // An account disabled, demoted or given a new password since its login writes nothing more.
        Outcome step = DbCheckActing(gateway, acting, ActingRight::Use);
        refused = !step && step.message != LoginText::readFailed;
        if (step)
            step =
                DbInsertMessage(gateway, acting.loginName, part.message, countText, part.numberList, partKey);
        if (step)
            step = DbDeductBalance(gateway, written, acting.loginName, acting.password, countText);
        if (step)
            step = DbAddSent(gateway, written, acting.loginName, acting.password, countText);
        message = step.text();
        return step.ok;
    });
    if (charged) {
        figures = written;
        return PartEnd::Charged;
    }
    if (refused)
        return PartEnd::Refused;
    if (DbGateway::lastCommitUnknown())
        return settle(
            gateway,
            [&]() -> std::optional<bool> {
                bool kept = false;
                return DbPartWritten(gateway, partKey, &kept) ? std::optional(kept) : std::nullopt;
            },
            acting, figures, message);
    if (message.isEmpty())
        message = Outcome::withReason(LoginText::insertFailed, DbGateway::lastError());
    return failedPart(gateway, acting, cost, figures);
}

void takeFigures(const Reply& reply, SessionUser& figures)
{
    figures.remainingBalance = reply.number(QStringLiteral("balance"));
    figures.sentTotal = reply.number(QStringLiteral("sent"));
}

// One call: the server counts the numbers, charges them and writes the row and its key.
PartEnd writeGuarded(DbGateway& gateway, const SessionUser& acting, const MessagePart& part, qint64 cost,
                     SessionUser& figures, QString& message, qint64& written)
{
    const QString token = Guarded::tokenOf(gateway, acting);
    const QString partKey = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QStringList columns{QStringLiteral("balance"), QStringLiteral("sent"), QStringLiteral("numbers")};
    const Reply reply = Guarded::call(gateway, QStringLiteral("write_part"),
                                      {token, part.message, part.numberList, partKey}, columns);
    if (reply.status == Reply::Lost)
        return settle(
            gateway,
            [&]() -> std::optional<bool> {
                const Reply asked = Guarded::call(gateway, QStringLiteral("part_written"), {token, partKey},
                                                  {QStringLiteral("written")});
                return asked.ok()
                           ? std::optional(asked.text(QStringLiteral("written")) == QStringLiteral("true"))
                           : std::nullopt;
            },
            acting, figures, message);
    if (reply.status == Reply::Failed) {
        message = Outcome::withReason(LoginText::insertFailed, reply.reason);
        return failedPart(gateway, acting, cost, figures);
    }
    takeFigures(reply, figures);
    if (reply.ok()) {
        written = reply.number(QStringLiteral("numbers"));
        return PartEnd::Charged;
    }
    if (reply.code == QStringLiteral("out_of_balance"))
        return PartEnd::OutOfBalance;
    message = Guarded::callerRefusal(reply.code);
    if (!message.isEmpty())
        return PartEnd::Refused;
    message = reply.code == QStringLiteral("no_numbers") ? QStringLiteral("提示: 请加入手机号码!")
                                                         : LoginText::insertFailed;
    return PartEnd::Failed;
}

} // namespace

QString numberList(const QStringList& numbers)
{
    QString list;
    list.reserve(numbers.size() * 13);
    for (const QString& number : numbers)
        list += number + QLatin1Char(',');
    return list;
}

PartEnd DbWritePart(DbGateway& gateway, const SessionUser& acting, const MessagePart& part, qint64 cost,
                    SessionUser& figures, QString& message, qint64* written)
{
    // Where the answer was lost, the part counts as written with the numbers it was sent with.
    qint64 numbers = part.count;
    const PartEnd end = gateway.guarded()
                            ? writeGuarded(gateway, acting, part, cost, figures, message, numbers)
                            : writeOpen(gateway, acting, part, cost, figures, message);
    if (written)
        *written = numbers;
    return end;
}

void DbReadFigures(DbGateway& gateway, const SessionUser& acting, SessionUser& figures)
{
    if (gateway.guarded()) {
        const Reply reply =
            Guarded::call(gateway, QStringLiteral("account_figures"), {Guarded::tokenOf(gateway, acting)},
                          {QStringLiteral("balance"), QStringLiteral("sent")});
        if (reply.ok())
            takeFigures(reply, figures);
        return;
    }
    DbRows rows = gateway.DbQuery(
        QStringLiteral("SELECT payMoney,status FROM UserInfo WHERE (RTRIM(loginName)=?) and (RTRIM(pwd)=?)"),
        {acting.loginName, acting.password});
    const qint64 balance = rows.number(QStringLiteral("payMoney"));
    const qint64 sent = rows.number(QStringLiteral("status"));
    if (rows.failed())
        return;
    figures.remainingBalance = balance;
    figures.sentTotal = sent;
}
