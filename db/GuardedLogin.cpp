#include "db/GuardedRoute.h"

#include "db/DbGateway.h"
#include "db/GuardedApi.h"
#include "db/GuardedCall.h"

namespace GuardedRoute {
namespace {

using Guarded::Reply;

const QStringList kLoginColumns = {QStringLiteral("token"),          QStringLiteral("retry_at"),
                                   QStringLiteral("login_name"),     QStringLiteral("user_name"),
                                   QStringLiteral("company"),        QStringLiteral("account_type"),
                                   QStringLiteral("balance"),        QStringLiteral("sent"),
                                   QStringLiteral("recharge_total"), QStringLiteral("success_rate")};

// The labels and figures as the open login builds them from the account's row.
void fillSession(SessionUser& session, const Reply& reply)
{
    session.nickLabel = QStringLiteral("昵称：") + reply.text(QStringLiteral("user_name"));
    session.userLabel = QStringLiteral("USER：") + reply.text(QStringLiteral("login_name"));
    session.typeLabel = QStringLiteral("状态：") + reply.text(QStringLiteral("account_type"));
    session.companyLabel = QStringLiteral("公司：") + reply.text(QStringLiteral("company"));
    session.balanceText = reply.text(QStringLiteral("balance"));
    session.sentText = reply.text(QStringLiteral("sent"));
    session.rechargeTotal = reply.number(QStringLiteral("recharge_total"));
    session.successRate = reply.text(QStringLiteral("success_rate"));
    session.applyType(reply.text(QStringLiteral("account_type")));
}

// The answer to a check of a name and password, the login's or another account's.
LoginOutcome checked(const Reply& reply)
{
    if (reply.status != Reply::Answered)
        return {LoginResult::Failed, Outcome::withReason(LoginText::readFailed, reply.reason)};
    if (reply.code == QStringLiteral("ok"))
        return {LoginResult::Accepted, {}};
    if (reply.code == QStringLiteral("wrong_password"))
        return {LoginResult::Rejected, {}};
    if (reply.code == QStringLiteral("disabled"))
        return {LoginResult::Disabled, LoginText::disabled};
    if (reply.code == QStringLiteral("too_many_failures"))
        return {LoginResult::Failed,
                GuardedText::tooManyFailures.arg(reply.text(QStringLiteral("retry_at")))};
    const QString refusal = Guarded::callerRefusal(reply.code);
    return {LoginResult::Failed, refusal.isEmpty() ? LoginText::readFailed : refusal};
}

Outcome refusalOrFailure(const Reply& reply, const QString& failure)
{
    if (reply.status != Reply::Answered)
        return Outcome::failure(failure, reply.reason);
    const QString refusal = Guarded::callerRefusal(reply.code);
    return Outcome::failure(refusal.isEmpty() ? failure : refusal,
                            refusal.isEmpty() ? reply.code : QString());
}

} // namespace

LoginOutcome login(DbGateway& gateway, SessionUser& session, const QString& loginName,
                   const QString& password)
{
    const Reply reply = Guarded::call(gateway, QStringLiteral("login"), {loginName, password}, kLoginColumns);
    const LoginOutcome outcome = checked(reply);
    if (outcome.result != LoginResult::Accepted)
        return outcome;
    fillSession(session, reply);
    session.token = std::make_shared<SessionToken>(loginName, reply.text(QStringLiteral("token")));
    gateway.setSession(session.token);
    return outcome;
}

void endSession(DbGateway& gateway, SessionUser& session)
{
    const std::shared_ptr<SessionToken> holder = Guarded::holderOf(gateway, session);
    if (!holder)
        return;
    gateway.DbExecuteWithin(QStringLiteral("SELECT %1.end_session(?)").arg(GuardedApi::kSchema),
                            {holder->value()}, kEndSessionWaitMs);
    if (gateway.session() == holder)
        gateway.setSession(nullptr);
    session.token.reset();
}

LoginOutcome verifyAccount(DbGateway& gateway, const QString& loginName, const QString& password)
{
    return checked(Guarded::call(gateway, QStringLiteral("verify_account"),
                                 {Guarded::gatewayToken(gateway), loginName, password},
                                 {QStringLiteral("retry_at")}));
}

// Only the caller's own figures can be read: the session's, or the gateway's login when the
// session carries no token and names the same account.
Outcome readFigure(DbGateway& gateway, SessionUser& session, const QString& loginName, Figure figure)
{
    SessionUser asking = session;
    asking.loginName = session.token ? session.token->loginName() : loginName;
    if (asking.loginName != loginName)
        return Outcome::failure(ActingText::notAllowed);
    const Reply reply =
        Guarded::call(gateway, QStringLiteral("account_figures"), {Guarded::tokenOf(gateway, asking)},
                      {QStringLiteral("recharge_total"), QStringLiteral("success_rate")});
    if (!reply.ok())
        return refusalOrFailure(reply, LoginText::readFailed);
    if (figure == Figure::RechargeTotal)
        session.rechargeTotal = reply.number(QStringLiteral("recharge_total"));
    else
        session.successRate = reply.text(QStringLiteral("success_rate"));
    return Outcome::success();
}

// Every function checks its caller itself; this asks the same of the session alone. Rights above
// using the client are asked of a list only they may read.
Outcome checkActing(DbGateway& gateway, const SessionUser& session, ActingRight right)
{
    const QString token = Guarded::tokenOf(gateway, session);
    if (right == ActingRight::Use) {
        const Reply reply = Guarded::call(gateway, QStringLiteral("account_figures"), {token});
        return reply.ok() ? Outcome::success() : refusalOrFailure(reply, LoginText::readFailed);
    }
    const QString sql =
        right == ActingRight::Administrator
            ? Guarded::listStatement(QStringLiteral("list_agents"), 1) + QStringLiteral(" LIMIT 1")
            : Guarded::listStatement(QStringLiteral("list_sub_accounts"), 2) + QStringLiteral(" LIMIT 1");
    QVariantList values{token};
    if (right == ActingRight::Administer)
        values << session.loginName;
    DbRows rows = gateway.DbQuery(sql, values);
    if (rows.failed())
        return Guarded::listFailure(LoginText::readFailed, rows.error());
    return Outcome::success();
}

Outcome partWritten(DbGateway& gateway, const QString& partKey, bool* written)
{
    const Reply reply = Guarded::call(gateway, QStringLiteral("part_written"),
                                      {Guarded::gatewayToken(gateway), partKey}, {QStringLiteral("written")});
    if (!reply.ok())
        return refusalOrFailure(reply, LoginText::readFailed);
    *written = reply.text(QStringLiteral("written")) == QStringLiteral("true");
    return Outcome::success();
}

} // namespace GuardedRoute
