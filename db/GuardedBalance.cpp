#include "db/GuardedRoute.h"

#include "db/DbGateway.h"
#include "db/GuardedCall.h"

namespace GuardedRoute {
namespace {

using Guarded::Reply;

QString typed(QString amount)
{
    amount.remove(QLatin1Char(' '));
    return amount;
}

// A balance change whose answer was lost may or may not have happened, as after the open route's
// lost commit; the operator is told to look before doing it again.
Outcome notAnswered(const Reply& reply)
{
    if (reply.status == Reply::Lost)
        return Outcome::failure(BalanceText::outcomeUnknown, reply.reason);
    return Outcome::failure(BalanceText::payFailed, reply.reason);
}

Outcome refused(const Reply& reply)
{
    if (reply.code == QStringLiteral("bad_amount"))
        return Outcome::failure(BalanceText::badAmount);
    const QString refusal = Guarded::callerRefusal(reply.code);
    return Outcome::failure(refusal.isEmpty() ? BalanceText::payFailed : refusal);
}

// The texts of an allocation's refusals, %1 the receiver.
QString allocationRefusal(const QString& code, const QString& receiver)
{
    static const QHash<QString, QString> texts = {
        {QStringLiteral("zero_allocation"), BalanceText::zeroAllocation},
        {QStringLiteral("no_such_account"), BalanceText::noSuchAccount},
        {QStringLiteral("to_administrator"), BalanceText::toAdministrator},
        {QStringLiteral("to_agent"), BalanceText::toAgent},
        {QStringLiteral("others_account"), BalanceText::othersAccount},
        {QStringLiteral("to_self"), BalanceText::toSelf},
        {QStringLiteral("over_limit"), BalanceText::overLimit},
        {QStringLiteral("bad_amount"), BalanceText::badAmount}};
    const auto text = texts.constFind(code);
    if (text == texts.cend())
        return Guarded::callerRefusal(code);
    return text->contains(QStringLiteral("%1")) ? text->arg(receiver) : *text;
}

} // namespace

Outcome recharge(DbGateway& gateway, const SessionUser& session, const QString& loginName,
                 const QString& amount)
{
    const Reply reply = Guarded::call(gateway, QStringLiteral("recharge"),
                                      {Guarded::tokenOf(gateway, session), loginName, amount});
    if (reply.status != Reply::Answered)
        return notAnswered(reply);
    return reply.ok() ? Outcome::success(BalanceText::recharged) : refused(reply);
}

Outcome reduce(DbGateway& gateway, const SessionUser& session, const QString& loginName,
               const QString& amount)
{
    const Reply reply =
        Guarded::call(gateway, QStringLiteral("reduce"),
                      {Guarded::tokenOf(gateway, session), loginName, amount}, {QStringLiteral("balance")});
    if (reply.status != Reply::Answered)
        return notAnswered(reply);
    if (reply.code == QStringLiteral("not_covered"))
        return Outcome::failure(BalanceText::notCovered.arg(loginName)
                                    .arg(reply.number(QStringLiteral("balance")))
                                    .arg(parseAmount(amount).value_or(0)));
    return reply.ok() ? Outcome::success(BalanceText::reduced) : refused(reply);
}

AllocateOutcome allocate(DbGateway& gateway, const SessionUser& session, const QString& target,
                         const QString& amount)
{
    const Reply reply = Guarded::call(gateway, QStringLiteral("allocate"),
                                      {Guarded::tokenOf(gateway, session), target, amount},
                                      {QStringLiteral("detail"), QStringLiteral("available")});
    AllocateOutcome outcome;
    if (reply.status != Reply::Answered) {
        const Outcome failure = notAnswered(reply);
        outcome.message = failure.message;
        outcome.reason = failure.reason;
        return outcome;
    }
    const QString available = reply.text(QStringLiteral("available"));
    if (!available.isEmpty())
        outcome.available = QStringLiteral("当前可以分配 %1 条!").arg(available);
    const QString receiver = reply.text(QStringLiteral("detail"));
    outcome.ok = reply.ok();
    if (outcome.ok)
        outcome.message = QStringLiteral("分配给帐号%1数量%2条成功!").arg(receiver, typed(amount));
    else if (reply.code != QStringLiteral("no_balance"))
        outcome.message = allocationRefusal(reply.code, receiver);
    if (!outcome.ok && outcome.message.isEmpty() && reply.code != QStringLiteral("no_balance"))
        outcome.message = BalanceText::payFailed;
    return outcome;
}

} // namespace GuardedRoute
