#include "admin/AccountProcedures.h"

#include "common/ReportModel.h"
#include "db/AccountStatements.h"
#include "db/ActingAccount.h"
#include "db/BalanceStatements.h"
#include "db/DbGateway.h"
#include "db/GuardedCall.h"
#include "db/LoginStatements.h"
#include "db/SessionUser.h"

namespace AccountProcedures {
namespace {

using AccountValidation::withoutBlanks;

void tellText(const Tell& tell, const QString& text)
{
    if (!text.isEmpty())
        tell({text, false});
}

struct BulkStep
{
    QString type; // empty: delete
    QString closing;
};

bool refusesOperator(const Outcome& outcome)
{
    return !outcome &&
           (outcome.message == LoginText::wrongPassword || Guarded::refusesCaller(outcome.message));
}

BulkStep stepOf(BulkAction action)
{
    switch (action) {
    case BulkAction::Disable:
        return {AccountText::disabled, QStringLiteral("提示: 被勾选的用户[禁用]完毕!点击查询确认!")};
    case BulkAction::Enable:
        return {AccountText::registeredUser,
                QStringLiteral("提示: 被勾选的用户[解除禁用]完毕!点击查询确认!")};
    case BulkAction::MakeAgent:
        return {AccountText::agent, QStringLiteral("提示: 被勾选的用户为[代理用户]完毕!点击查询确认!")};
    case BulkAction::MakeRegistered:
        return {AccountText::registeredUser,
                QStringLiteral("提示: 被勾选的用户为[注册用户]完毕!点击查询确认!")};
    case BulkAction::Delete:
        break;
    }
    return {QString(), QStringLiteral("提示: 被勾选的用户[删除]完毕!点击查询确认!")};
}

bool createAccount(DbGateway& gateway, const SessionUser* session, AccountValidation::CreationFields fields,
                   AccountValidation::NumberRule rule, const QString& type, const Tell& tell)
{
    fields.removeBlanks();
    if (const auto fault = AccountValidation::checkCreation(fields, rule)) {
        tell(*fault);
        return false;
    }
    const NewAccount account{fields.loginName, fields.nickname, fields.company,
                             fields.password,  fields.address,  fields.telephone};
    const Outcome outcome =
        session ? DbRegisterUser(gateway, *session, account, type) : DbRegisterUser(gateway, account);
    tellText(tell, outcome.text());
    return outcome.ok;
}

} // namespace

bool registerAccount(DbGateway& gateway, AccountValidation::CreationFields fields, const Tell& tell)
{
    return createAccount(gateway, nullptr, std::move(fields), AccountValidation::NumberRule::Registration,
                         AccountText::registeredUser, tell);
}

bool addAccount(DbGateway& gateway, const SessionUser& session, AccountValidation::CreationFields fields,
                const QString& type, const Tell& tell)
{
    return createAccount(gateway, &session, std::move(fields), AccountValidation::NumberRule::AddUser, type,
                         tell);
}

void modifyAccount(DbGateway& gateway, SessionUser& session, AccountValidation::ChangeFields fields,
                   const Tell& tell)
{
    fields.removeBlanks();
    if (const auto fault = AccountValidation::checkChange(fields)) {
        tell(*fault);
        return;
    }
    // Checking the pair must not touch the session nor end the program, whatever the account.
    const LoginOutcome verified = DbVerifyAccount(gateway, fields.loginName, fields.currentPassword);
    switch (verified.result) {
    case LoginResult::Accepted:
        break;
    case LoginResult::Rejected:
        tellText(tell, QStringLiteral("提示: 用户名或密码不正确!"));
        return;
    case LoginResult::Disabled:
        tellText(tell, verified.message);
        return;
    case LoginResult::Failed:
        tellText(tell, Outcome::withReason(verified.message, DbGateway::lastError()));
        return;
    }
    // Nickname and company first, while the current password still matches. A step refused
    // for the operator's own account ends the change: the next would only say it again.
    const auto change = [&](const QString& value, auto statement, const QString& done) {
        if (value.isEmpty())
            return true;
        const Outcome outcome = statement(gateway, session, fields.loginName, fields.currentPassword, value);
        tellText(tell, outcome ? done : outcome.text());
        return !refusesOperator(outcome);
    };
    if (!change(fields.nickname, DbChangeNickname, QStringLiteral("修改[昵称]成功![重新登陆更新信息]")) ||
        !change(fields.company, DbChangeCompany, QStringLiteral("修改[公司]成功![重新登陆更新信息]")))
        return;
    const Outcome outcome =
        DbChangePassword(gateway, session, fields.loginName, fields.currentPassword, fields.newPassword);
    if (!outcome) {
        tellText(tell, outcome.text());
        return;
    }
    // Only the operator's own account: the balance statements send this password.
    if (fields.loginName == session.loginName)
        session.password = fields.newPassword;
    tellText(tell, QStringLiteral("修改[密码]成功![重新登陆更新信息]"));
}

QList<TickedAccount> tickedAccounts(const ReportModel& list)
{
    QList<TickedAccount> ticked;
    // The stored name and password, not the shown texts, which have lost their blanks.
    for (int row : list.checkedRows())
        ticked.append({list.row(row).account, list.row(row).hidden.toString()});
    return ticked;
}

void applyBulkAction(DbGateway& gateway, const SessionUser& session, BulkAction action,
                     const QList<TickedAccount>& accounts, const Tell& tell)
{
    const BulkStep step = stepOf(action);
    for (const TickedAccount& account : accounts) {
        const Outcome outcome = step.type.isEmpty() ? DbDeleteUser(gateway, session, account.loginName)
                                                    : DbSetUserType(gateway, session, account.loginName,
                                                                    account.password, step.type);
        if (!outcome)
            tellText(tell, outcome.text());
        // The operator's own refusal would only repeat for every further row.
        if (refusesOperator(outcome))
            break;
    }
    tellText(tell, step.closing);
}

namespace {

// Recharge and reduce share their walk over the ticked rows.
template <typename Change>
bool changeTicked(const QList<TickedAccount>& accounts, const QString& countText, const Tell& tell,
                  const QString& verb, Change change)
{
    const auto amount = parseAmount(countText);
    if (!amount) {
        tellText(tell, BalanceText::badAmount);
        return false;
    }
    // Stored as typed: "0100" stays "0100".
    const QString count = withoutBlanks(countText);
    for (const TickedAccount& account : accounts) {
        const Outcome outcome = change(account.loginName, account.password, count);
        tellText(tell, outcome.text());
        if (outcome)
            tellText(tell,
                     QStringLiteral("提示: %1 %2%3成功！,点击查询确认!").arg(account.loginName, verb, count));
    }
    return true;
}

} // namespace

bool rechargeTicked(DbGateway& gateway, const SessionUser& session, const QList<TickedAccount>& accounts,
                    const QString& countText, const Tell& tell)
{
    return changeTicked(accounts, countText, tell, QStringLiteral("充值"),
                        [&](const QString& name, const QString&, const QString& count) {
                            return DbRecharge(gateway, session, name, count);
                        });
}

bool reduceTicked(DbGateway& gateway, const SessionUser& session, const QList<TickedAccount>& accounts,
                  const QString& countText, const Tell& tell)
{
    return changeTicked(accounts, countText, tell, QStringLiteral("减少条数"),
                        [&](const QString& name, const QString& pwd, const QString& count) {
                            return DbReduce(gateway, session, name, pwd, count);
                        });
}

bool allocate(DbGateway& gateway, const SessionUser& session, const QString& targetText,
              const QString& countText, const Tell& tell)
{
    const QString count = withoutBlanks(countText);
    QString target = withoutBlanks(targetText);
    // SQL Server compares names without letter case: "Agent" is the agent itself there.
    if (target.compare(session.loginName, Qt::CaseInsensitive) == 0) {
        tellText(tell, BalanceText::toSelf);
        target.clear();
    }
    if (count.isEmpty() || target.isEmpty())
        return false;
    const AllocateOutcome outcome = DbAllocate(gateway, session, target, count);
    tellText(tell, outcome.available);
    tellText(tell, outcome.text());
    if (outcome.ok)
        tellText(tell, QStringLiteral("提示: %1 充值%2成功！,点击查询确认!").arg(target, count));
    return outcome.ok;
}

} // namespace AccountProcedures
