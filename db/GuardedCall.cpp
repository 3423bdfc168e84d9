#include "db/GuardedCall.h"

#include "db/ActingAccount.h"
#include "db/DbGateway.h"
#include "db/GuardedApi.h"
#include "db/LoginStatements.h"
#include "db/SessionUser.h"

namespace Guarded {
namespace {

QString marks(int count)
{
    QStringList list;
    for (int k = 0; k < count; ++k)
        list << QStringLiteral("?");
    return list.join(QStringLiteral(", "));
}

} // namespace

std::shared_ptr<SessionToken> holderOf(DbGateway& gateway, const SessionUser& session)
{
    if (session.token)
        return session.token;
    std::shared_ptr<SessionToken> login = gateway.session();
    return login && login->loginName() == session.loginName ? login : nullptr;
}

QString tokenOf(DbGateway& gateway, const SessionUser& session)
{
    const std::shared_ptr<SessionToken> holder = holderOf(gateway, session);
    return holder ? holder->value() : QString();
}

QString gatewayToken(DbGateway& gateway)
{
    const std::shared_ptr<SessionToken> login = gateway.session();
    return login ? login->value() : QString();
}

QString callerRefusal(const QString& code)
{
    static const QHash<QString, QString> texts = {
        {QStringLiteral("no_session"), GuardedText::sessionEnded},
        {QStringLiteral("session_expired"), GuardedText::sessionExpired},
        {QStringLiteral("disabled"), LoginText::disabled},
        {QStringLiteral("account_changed"), GuardedText::accountChanged},
        {QStringLiteral("not_allowed"), ActingText::notAllowed}};
    return texts.value(code);
}

bool refusesCaller(const QString& text)
{
    return text == GuardedText::sessionEnded || text == GuardedText::sessionExpired ||
           text == GuardedText::accountChanged || text == LoginText::disabled ||
           text == ActingText::notAllowed;
}

// The server's message comes first, after its severity in the server's language: "ERROR:  code".
QString listRefusal(const QString& error)
{
    const QString first = error.section(QLatin1Char('\n'), 0, 0);
    const QString code = first.section(QLatin1Char(':'), 1).trimmed().section(QLatin1Char(' '), 0, 0);
    return callerRefusal(code).isEmpty() ? QString() : code;
}

Outcome listFailure(const QString& fallback, const QString& error)
{
    const QString code = listRefusal(error);
    return code.isEmpty() ? Outcome::failure(fallback, error) : Outcome::failure(callerRefusal(code));
}

Reply call(DbGateway& gateway, const QString& function, const QVariantList& args, const QStringList& columns)
{
    QStringList select{QStringLiteral("code")};
    select << columns;
    for (QString& column : select)
        column = QStringLiteral("COALESCE(%1::text, '') AS %1").arg(column);
    const QString sql = QStringLiteral("SELECT %1 FROM %2.%3(%4)")
                            .arg(select.join(QStringLiteral(", ")), GuardedApi::kSchema, function,
                                 marks(static_cast<int>(args.size())));
    Reply reply;
    DbRows rows = gateway.DbQuery(sql, args);
    const bool answered = !rows.failed() && !rows.atEnd();
    if (answered) {
        reply.code = rows.text(QStringLiteral("code"));
        for (const QString& column : columns)
            reply.columns.insert(column, rows.text(column));
        // The row comes before the call's commit: only the statement's end tells that it was kept.
        // A failure there leaves the change as uncertain as a lost answer.
        const bool read = !rows.failed();
        rows.next();
        if (read && rows.failed()) {
            reply.status = Reply::Lost;
            reply.reason = rows.error();
            return reply;
        }
    }
    if (!answered || rows.failed()) {
        reply.status = DbGateway::lastAnswerLost() ? Reply::Lost : Reply::Failed;
        reply.reason = rows.failed() ? rows.error() : QStringLiteral("no answer from %1").arg(function);
        return reply;
    }
    reply.status = Reply::Answered;
    // An answered call leaves no database failure behind for a caller that reports one.
    DbError::set(QString(), DbErrorKind::None);
    return reply;
}

UnitResult settle(DbGateway& gateway, const Reply& reply, const ChangeFound& found)
{
    if (reply.status == Reply::Answered)
        return {UnitEnd::Done, {}, DbErrorKind::None};
    UnitResult result{UnitEnd::NotDone, reply.reason, DbErrorKind::Other};
    if (reply.status == Reply::Lost && found && !gateway.inUnit())
        result.end = DbFindOutOnFreshConnection(gateway, found);
    return result;
}

Outcome unanswered(DbGateway& gateway, const Reply& reply, const ChangeFound& found, const QString& failure,
                   const QString& success)
{
    return unitOutcome(settle(gateway, reply, found), {}, failure, success);
}

QString listStatement(const QString& function, int arguments)
{
    return QStringLiteral("SELECT * FROM %1.%2(%3)").arg(GuardedApi::kSchema, function, marks(arguments));
}

QVariant orNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

} // namespace Guarded
