#pragma once

#include "db/Outcome.h"
#include "db/SessionUser.h"

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
} // namespace BalanceText

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

// The operator is the logged-in account (session.loginName and session.password). Each of
// these writes the balance change and its Moneys row as one unit, or nothing.
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
// message.
AllocateOutcome DbAllocate(DbGateway& gateway, const SessionUser& session, const QString& targetLoginName,
                           const QString& amount);
