#pragma once

#include "db/AccountStatements.h"
#include "db/ActingAccount.h"
#include "db/BalanceStatements.h"
#include "db/LoginStatements.h"
#include "db/RecordStatements.h"

// The Db* statements on a guarded database: each is one call of its API, which checks the caller
// at the server. The Db* functions hand over to these when their gateway is guarded, and take
// the same arguments, so each keeps its open twin's texts and outcomes.
namespace GuardedRoute {

LoginOutcome login(DbGateway& gateway, SessionUser& session, const QString& loginName,
                   const QString& password);
// Nothing without a token: the open route's sessions have none.
void endSession(DbGateway& gateway, SessionUser& session);
LoginOutcome verifyAccount(DbGateway& gateway, const QString& loginName, const QString& password);
enum class Figure
{
    RechargeTotal,
    SuccessRate
};
Outcome readFigure(DbGateway& gateway, SessionUser& session, const QString& loginName, Figure figure);
Outcome checkActing(DbGateway& gateway, const SessionUser& session, ActingRight right);
Outcome partWritten(DbGateway& gateway, const QString& partKey, bool* written);

Outcome registerUser(DbGateway& gateway, const SessionUser* acting, const NewAccount& account,
                     const QString& type);
enum class Detail
{
    Password,
    Nickname,
    Company
};
Outcome changeDetail(DbGateway& gateway, const SessionUser& acting, Detail detail, const QString& loginName,
                     const QString& currentPwd, const QString& value);
Outcome setUserType(DbGateway& gateway, const SessionUser& acting, const QString& loginName,
                    const QString& type);
Outcome deleteUser(DbGateway& gateway, const SessionUser& acting, const QString& loginName);

Outcome recharge(DbGateway& gateway, const SessionUser& session, const QString& loginName,
                 const QString& amount);
Outcome reduce(DbGateway& gateway, const SessionUser& session, const QString& loginName,
               const QString& amount);
AllocateOutcome allocate(DbGateway& gateway, const SessionUser& session, const QString& target,
                         const QString& amount);

StoredNumbers readNumbers(DbGateway& gateway, bool waiting, qint64 id);
Outcome approve(DbGateway& gateway, const SessionUser& session, qint64 messageId, const QString& count,
                const QString& rate);
Outcome discardBatch(DbGateway& gateway, const SessionUser& acting, qint64 messageId);
// singleRecord: one ticked row, whose absence is told as such.
Outcome deleteAudited(DbGateway& gateway, const SessionUser& acting, const QList<qint64>& recordIds,
                      bool singleRecord);
Outcome deleteAuditedOf(DbGateway& gateway, const SessionUser& acting, const QString& loginName);
Outcome deleteAllAudited(DbGateway& gateway, const SessionUser& acting, const QString& failureText);

} // namespace GuardedRoute
