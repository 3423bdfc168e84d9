#include "db/GuardedRoute.h"

#include "db/AccountGuard.h"
#include "db/DbGateway.h"
#include "db/GuardedCall.h"

namespace GuardedRoute {
namespace {

using Guarded::Reply;

// What a refused call tells: the caller's refusal, or the statement's own text for the rest.
Outcome refused(const Reply& reply, const QString& failure)
{
    if (reply.code == QStringLiteral("too_many_failures"))
        return Outcome::failure(GuardedText::tooManyFailures.arg(reply.text(QStringLiteral("retry_at"))));
    const QString refusal = Guarded::callerRefusal(reply.code);
    return Outcome::failure(refusal.isEmpty() ? failure : refusal);
}

// An account as the administrators' list shows it; nothing when the list could not be read.
struct Listed
{
    bool found = false;
    QString type;
};
std::optional<Listed> listed(DbGateway& gateway, const QString& token, const QString& loginName)
{
    DbRows rows = gateway.DbQuery(Guarded::listStatement(QStringLiteral("list_accounts"), 4),
                                  {token, loginName, QVariant(), QVariant()});
    Listed account;
    account.found = !rows.atEnd();
    if (account.found)
        account.type = rows.text(QStringLiteral("type")).trimmed();
    if (rows.failed())
        return std::nullopt;
    return account;
}

// Whether the pair logs in; a session opened to find out is ended at once.
std::optional<bool> pairLogsIn(DbGateway& gateway, const QString& loginName, const QString& password)
{
    const Reply reply =
        Guarded::call(gateway, QStringLiteral("login"), {loginName, password}, {QStringLiteral("token")});
    if (reply.status != Reply::Answered)
        return std::nullopt;
    if (reply.ok())
        gateway.DbExecute(QStringLiteral("SELECT kavrel_api.end_session(?)"),
                          {reply.text(QStringLiteral("token"))});
    if (reply.ok() || reply.code == QStringLiteral("wrong_password"))
        return reply.ok();
    return std::nullopt;
}

// After a lost answer to a change of a password: the caller's own, which ended its session and
// opened a new one, is settled by logging in with the new password (unless the old session still
// lives: then nothing changed); another account's by checking its new password.
std::optional<bool> passwordChanged(DbGateway& gateway, const std::shared_ptr<SessionToken>& holder,
                                    const QString& loginName, const QString& newPwd, bool own)
{
    const QString token = holder ? holder->value() : QString();
    if (!own) {
        // "disabled" may be the caller's or the account's: nobody can tell.
        const Reply check =
            Guarded::call(gateway, QStringLiteral("verify_account"), {token, loginName, newPwd});
        if (check.ok() || check.code == QStringLiteral("wrong_password"))
            return check.ok();
        return std::nullopt;
    }
    if (Guarded::call(gateway, QStringLiteral("account_figures"), {token}).ok())
        return false;
    const Reply login =
        Guarded::call(gateway, QStringLiteral("login"), {loginName, newPwd}, {QStringLiteral("token")});
    if (login.ok() && holder)
        holder->renew(login.text(QStringLiteral("token")));
    if (login.ok() || login.code == QStringLiteral("wrong_password"))
        return login.ok();
    return std::nullopt;
}

const QString& functionOf(Detail detail)
{
    static const QString names[] = {QStringLiteral("change_password"), QStringLiteral("change_nickname"),
                                    QStringLiteral("change_company")};
    return names[static_cast<int>(detail)];
}

const QString& failureOf(Detail detail)
{
    static const QString texts[] = {AccountText::passwordFailed, AccountText::nicknameFailed,
                                    AccountText::companyFailed};
    return texts[static_cast<int>(detail)];
}

} // namespace

Outcome registerUser(DbGateway& gateway, const SessionUser* acting, const NewAccount& account,
                     const QString& type)
{
    QVariantList values{account.loginName, account.nickname, account.company,
                        account.password,  account.address,  account.telephone};
    if (acting) {
        values.prepend(Guarded::tokenOf(gateway, *acting));
        values.append(type);
    }
    const Reply reply =
        Guarded::call(gateway, acting ? QStringLiteral("register_account") : QStringLiteral("register_self"),
                      values, {QStringLiteral("detail")});
    if (reply.status != Reply::Answered)
        return Guarded::unanswered(
            gateway, reply, [&] { return pairLogsIn(gateway, account.loginName, account.password); },
            AccountText::connectionFailed, AccountText::registered);
    if (reply.ok())
        return Outcome::success(AccountText::registered);
    if (reply.code == QStringLiteral("taken"))
        return Outcome::failure(AccountText::taken);
    if (reply.code == QStringLiteral("invalid"))
        return Outcome::failure(GuardedText::cannotStore, reply.text(QStringLiteral("detail")));
    return refused(reply, AccountText::connectionFailed);
}

Outcome changeDetail(DbGateway& gateway, const SessionUser& acting, Detail detail, const QString& loginName,
                     const QString& currentPwd, const QString& value)
{
    const std::shared_ptr<SessionToken> holder = Guarded::holderOf(gateway, acting);
    const QString token = holder ? holder->value() : QString();
    const bool own = holder && holder->loginName() == loginName;
    const auto run = [&] {
        QStringList columns{QStringLiteral("retry_at")};
        if (detail == Detail::Password)
            columns << QStringLiteral("token");
        return Guarded::call(gateway, functionOf(detail), {token, loginName, currentPwd, value}, columns);
    };
    const Reply reply = run();
    if (reply.status != Reply::Answered) {
        // A nickname or company set once more changes nothing when the first call went through.
        return Guarded::unanswered(
            gateway, reply,
            [&]() -> std::optional<bool> {
                if (detail == Detail::Password)
                    return passwordChanged(gateway, holder, loginName, value, own);
                const Reply again = run();
                if (again.ok() || again.code == QStringLiteral("wrong_password"))
                    return again.ok();
                return std::nullopt;
            },
            failureOf(detail));
    }
    if (!reply.ok())
        return refused(reply, failureOf(detail));
    if (holder && !reply.text(QStringLiteral("token")).isEmpty())
        holder->renew(reply.text(QStringLiteral("token")));
    return Outcome::success();
}

Outcome setUserType(DbGateway& gateway, const SessionUser& acting, const QString& loginName,
                    const QString& type)
{
    const QString token = Guarded::tokenOf(gateway, acting);
    const Reply reply = Guarded::call(gateway, QStringLiteral("set_type"), {token, loginName, type});
    if (reply.status != Reply::Answered)
        return Guarded::unanswered(
            gateway, reply,
            [&]() -> std::optional<bool> {
                const std::optional<Listed> now = listed(gateway, token, loginName);
                return now ? std::optional(now->found && now->type == type) : std::nullopt;
            },
            AccountText::typeFailed);
    if (reply.code == QStringLiteral("own_account"))
        return Outcome::failure(GuardText::ownAccount.arg(loginName));
    return reply.ok() ? Outcome::success() : refused(reply, AccountText::typeFailed);
}

Outcome deleteUser(DbGateway& gateway, const SessionUser& acting, const QString& loginName)
{
    const QString token = Guarded::tokenOf(gateway, acting);
    const Reply reply = Guarded::call(gateway, QStringLiteral("delete_account"), {token, loginName});
    if (reply.status != Reply::Answered)
        return Guarded::unanswered(
            gateway, reply,
            [&]() -> std::optional<bool> {
                const std::optional<Listed> now = listed(gateway, token, loginName);
                return now ? std::optional(!now->found) : std::nullopt;
            },
            AccountText::deleteFailed);
    if (reply.code == QStringLiteral("own_account"))
        return Outcome::failure(GuardText::ownAccount.arg(loginName));
    return reply.ok() ? Outcome::success() : refused(reply, AccountText::deleteFailed);
}

} // namespace GuardedRoute
