#pragma once

#include "db/Outcome.h"
#include "db/SessionUser.h"

#include <functional>
#include <optional>

class DbGateway;

namespace BalanceText {
inline const QString deductFailed = QStringLiteral("err:SEND_payMoney");
inline const QString addSentFailed = QStringLiteral("err:SEND_ADDpayMoney");
inline const QString payFailed = QStringLiteral("err:pay_Money1!");
inline const QString recharged = QStringLiteral("充值成功!");
inline const QString reduced = QStringLiteral("减少成功!");
inline const QString overLimit = QStringLiteral("超出分配限额,分配的数量大于当前数量!");
inline const QString badAmount = QStringLiteral("提示: 数量必须是0到999999999之间的整数!");
// %1 account, %2 its balance, %3 the amount asked for.
inline const QString notCovered = QStringLiteral("提示: 帐号%1当前只有%2条,不能减少%3条!");
inline const QString outcomeUnknown = kOutcomeUnknown;
// Refusals of an allocation; %1 is the receiving account.
inline const QString toSelf = QStringLiteral("代理不能给自己划分充值!");
inline const QString zeroAllocation = QStringLiteral("提示: 划分给帐号%1的条数必须大于0!");
inline const QString noSuchAccount = QStringLiteral("提示: 帐号%1不存在,没有划分条数!");
inline const QString toAdministrator = QStringLiteral("提示: 帐号%1是管理员,不能给管理员划分条数!");
inline const QString toAgent = QStringLiteral("提示: 帐号%1是代理用户,不能给代理用户划分条数!");
inline const QString othersAccount = QStringLiteral("提示: 帐号%1属于其他代理,不能划分条数!");
} // namespace BalanceText

// Runs work as one unit, and once more when the server undid it for a deadlock or a
// serialization failure: such a unit wrote nothing, and a second try nearly always goes through.
bool retriedUnit(DbGateway& gateway, const std::function<bool()>& work);

// Amounts are whole numbers of messages from 0 to 999,999,999, typed with or without blanks.
// Anything else is refused before a statement runs.
std::optional<qint64> parseAmount(const QString& text);

// Charges a written part to the account. The balance is lowered only while it still covers the
// amount at the server, so two clients of one account cannot overdraw it together; the figure
// read back goes to session.remainingBalance either way. Runs inside the caller's transaction.
Outcome DbDeductBalance(DbGateway& gateway, SessionUser& session, const QString& loginName,
                        const QString& pwd, const QString& amount);
// Raises the account's sent total and reads it back into session.sentTotal.
Outcome DbAddSent(DbGateway& gateway, SessionUser& session, const QString& loginName, const QString& pwd,
                  const QString& amount);

// The operator is the logged-in account (session.loginName and session.password), whose
// current type at the server must allow the change: recharge and reduce are an administrator's,
// allocation an administrator's, agent's or VIP user's. Each of these writes the balance change
// and its Moneys row as one unit, or nothing. The amount goes into Moneys as typed, without
// its blanks.
Outcome DbRecharge(DbGateway& gateway, const SessionUser& session, const QString& loginName,
                   const QString& amount);
Outcome DbReduce(DbGateway& gateway, const SessionUser& session, const QString& loginName, const QString& pwd,
                 const QString& amount);

struct AllocateOutcome
{
    bool ok = false;
    QString available; // "当前可以分配 N 条!", shown before the result when set
    QString message;
    QString reason; // the database's own words when it failed

    QString text() const { return Outcome::withReason(message, reason); }
};
// An agent hands part of its own balance to a target account; it can never hand out its last
// message. The target must exist, be neither an administrator, an agent nor the operator
// itself (in any letter case), and have no agent yet or have the operator as its agent; the
// amount must be above 0. Every refusal names the target and writes nothing.
AllocateOutcome DbAllocate(DbGateway& gateway, const SessionUser& session, const QString& targetLoginName,
                           const QString& amount);
