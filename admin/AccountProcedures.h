#pragma once

#include "admin/AccountValidation.h"

#include <QList>

class DbGateway;
class ReportModel;
struct SessionUser;

// The account forms' procedures: check, write, and tell the user each step's outcome through
// tell, in the order the steps run.
namespace AccountProcedures {

// Self-registration: a "注册用户" account, with the registration page's number rule.
bool registerAccount(DbGateway& gateway, AccountValidation::CreationFields fields, const Tell& tell);
// Staff adding an account of a chosen type, with the add-user number rule.
bool addAccount(DbGateway& gateway, const SessionUser& session, AccountValidation::CreationFields fields,
                const QString& type, const Tell& tell);

// Changes nickname, company and password of an account whose name and current password the
// user knows. The session takes the new password only when the account is the logged-in one,
// and also when the answer was lost but the new password was found to work.
void modifyAccount(DbGateway& gateway, SessionUser& session, AccountValidation::ChangeFields fields,
                   const Tell& tell);

// A ticked row's account as stored (trailing blanks aside): the actions act on exactly that
// name, never on another account whose name differs only in blanks.
struct TickedAccount
{
    QString loginName;
    QString password;
};
// The ticked rows' accounts of an account list, from what the rows carry unseen.
QList<TickedAccount> tickedAccounts(const ReportModel& list);

enum class BulkAction
{
    Disable,
    Enable,
    MakeAgent,
    MakeRegistered,
    Delete
};
// One action for every ticked account; a failed or refused row tells why and the run goes on.
// Ends with the action's closing message. The logged-in administrator's own row is refused.
void applyBulkAction(DbGateway& gateway, const SessionUser& session, BulkAction action,
                     const QList<TickedAccount>& accounts, const Tell& tell);

// Balance changes of the recharge page. A count that is not a whole number from 0 to
// 999,999,999 is told once and nothing runs; false then, true when the rows were worked.
bool rechargeTicked(DbGateway& gateway, const SessionUser& session, const QList<TickedAccount>& accounts,
                    const QString& countText, const Tell& tell);
bool reduceTicked(DbGateway& gateway, const SessionUser& session, const QList<TickedAccount>& accounts,
                  const QString& countText, const Tell& tell);
// The logged-in account hands part of its balance to target; never to itself.
bool allocate(DbGateway& gateway, const SessionUser& session, const QString& targetText,
              const QString& countText, const Tell& tell);

} // namespace AccountProcedures
