#include "db/GuardedRoute.h"

#include "db/DbGateway.h"
#include "db/GuardedCall.h"
#include "db/ServerRead.h"

#include <QElapsedTimer>

namespace GuardedRoute {
namespace {

using Guarded::Reply;

Outcome refused(const Reply& reply, const QString& failure)
{
    const QString refusal = Guarded::callerRefusal(reply.code);
    return Outcome::failure(refusal.isEmpty() ? failure : refusal);
}

QString idList(const QList<qint64>& ids)
{
    QStringList texts;
    for (qint64 id : ids)
        texts << QString::number(id);
    return QLatin1Char('{') + texts.join(QLatin1Char(',')) + QLatin1Char('}');
}

// Whether the caller's audited records (of one account, or everyone's) are all gone. Records
// audited after the deletion may be there: then nobody can tell, and the answer is nothing.
std::optional<bool> noAuditedLeft(DbGateway& gateway, const QString& token, const QVariant& loginName)
{
    DbRows rows = gateway.DbQuery(Guarded::listStatement(QStringLiteral("list_audited"), 4) +
                                      QStringLiteral(" LIMIT 1"),
                                  {token, loginName, QVariant(), QVariant()});
    if (rows.failed() || !rows.atEnd())
        return std::nullopt;
    return true;
}

Outcome deletion(DbGateway& gateway, const Reply& reply, const ChangeFound& found, const QString& failure)
{
    if (reply.status != Reply::Answered)
        return Guarded::unanswered(gateway, reply, found, failure, RecordText::cleared);
    return reply.ok() ? Outcome::success(RecordText::cleared) : refused(reply, failure);
}

} // namespace

StoredNumbers readNumbers(DbGateway& gateway, bool waiting, qint64 id)
{
    Reply reply;
    const ServerRead::Reads reads = ServerRead::within(gateway, [&] {
        reply = Guarded::call(
            gateway, waiting ? QStringLiteral("waiting_numbers") : QStringLiteral("audited_numbers"),
            {Guarded::gatewayToken(gateway), id}, {QStringLiteral("present"), QStringLiteral("numbers")});
        return reply.status == Reply::Answered;
    });
    StoredNumbers stored;
    if (!reads.ok) {
        stored.outcome = Outcome::failure(
            reads.timedOut ? ServerRead::timedOutText() : RecordText::readFailed, reads.error);
        return stored;
    }
    if (!reply.ok()) {
        stored.outcome = refused(reply, RecordText::readFailed);
        return stored;
    }
    stored.outcome = Outcome::success();
    stored.found = reply.text(QStringLiteral("present")) == QStringLiteral("true");
    stored.list = reply.text(QStringLiteral("numbers"));
    return stored;
}

// In a unit with the read limit, as the open approval: a lost commit is told as doubt.
Outcome approve(DbGateway& gateway, const SessionUser& session, qint64 messageId, const QString& count,
                const QString& rate)
{
    Reply reply;
    QElapsedTimer clock;
    clock.start();
    const bool done = gateway.transaction([&] {
        if (!ServerRead::limit(gateway))
            return false;
        reply = Guarded::call(gateway, QStringLiteral("approve"),
                              {Guarded::tokenOf(gateway, session), messageId, count, rate},
                              {QStringLiteral("detail")});
        return reply.ok();
    });
    const QString error = DbGateway::lastError();
    const bool unknown = DbGateway::lastCommitUnknown();
    if (done)
        return Outcome::success(RecordText::audited);
    if (unknown)
        return Outcome::failure(kOutcomeUnknown, error);
    if (reply.status != Reply::Answered) {
        const QString reason = reply.reason.isEmpty() ? error : reply.reason;
        return Outcome::failure(ServerRead::timedOut(reason, clock.elapsed()) ? ServerRead::timedOutText()
                                                                              : RecordText::readFailed,
                                reason);
    }
    if (reply.code == QStringLiteral("batch_gone"))
        return Outcome::failure(RecordText::batchGone);
    if (reply.code == QStringLiteral("count_first"))
        return Outcome::failure(RecordText::countFirst);
    if (reply.code == QStringLiteral("invalid"))
        return Outcome::failure(GuardedText::cannotStore, reply.text(QStringLiteral("detail")));
    return refused(reply, RecordText::readFailed);
}

Outcome discardBatch(DbGateway& gateway, const SessionUser& acting, qint64 messageId)
{
    const QString token = Guarded::tokenOf(gateway, acting);
    const Reply reply = Guarded::call(gateway, QStringLiteral("discard_batch"), {token, messageId});
    if (reply.status != Reply::Answered)
        return Guarded::unanswered(
            gateway, reply,
            [&]() -> std::optional<bool> {
                const Reply now = Guarded::call(gateway, QStringLiteral("waiting_numbers"),
                                                {token, messageId}, {QStringLiteral("present")});
                if (!now.ok())
                    return std::nullopt;
                return now.text(QStringLiteral("present")) != QStringLiteral("true");
            },
            RecordText::deleteFailed, RecordText::audited);
    if (reply.code == QStringLiteral("batch_gone"))
        return Outcome::failure(RecordText::batchGone);
    return reply.ok() ? Outcome::success(RecordText::audited) : refused(reply, RecordText::deleteFailed);
}

// The ids are fixed: deleting them once more removes nothing else, and says whether they are gone.
Outcome deleteAudited(DbGateway& gateway, const SessionUser& acting, const QList<qint64>& recordIds,
                      bool singleRecord)
{
    const auto run = [&] {
        return Guarded::call(gateway, QStringLiteral("delete_audited"),
                             {Guarded::tokenOf(gateway, acting), idList(recordIds)},
                             {QStringLiteral("removed")});
    };
    const Reply reply = run();
    if (reply.ok() && singleRecord && reply.number(QStringLiteral("removed")) == 0)
        return Outcome::failure(RecordText::recordGone);
    return deletion(
        gateway, reply,
        [&]() -> std::optional<bool> {
            const Reply again = run();
            return again.ok() ? std::optional(true) : std::nullopt;
        },
        RecordText::deleteFailed);
}

Outcome deleteAuditedOf(DbGateway& gateway, const SessionUser& acting, const QString& loginName)
{
    const QString token = Guarded::tokenOf(gateway, acting);
    return deletion(
        gateway, Guarded::call(gateway, QStringLiteral("delete_audited_of"), {token, loginName}),
        [&] { return noAuditedLeft(gateway, token, loginName); }, RecordText::deleteFailed);
}

Outcome deleteAllAudited(DbGateway& gateway, const SessionUser& acting, const QString& failureText)
{
    const QString token = Guarded::tokenOf(gateway, acting);
    return deletion(
        gateway, Guarded::call(gateway, QStringLiteral("delete_all_audited"), {token}),
        [&] { return noAuditedLeft(gateway, token, QVariant()); }, failureText);
}

} // namespace GuardedRoute
