#include "db/RecordStatements.h"

#include "common/Gbk.h"
#include "db/ActingAccount.h"
#include "db/DbGateway.h"
#include "db/GuardedRoute.h"
#include "db/ServerRead.h"
#include "db/StorableText.h"

#include "db/UnitOutcome.h"
#include <QElapsedTimer>

namespace {

const QString kDayStart = QStringLiteral("yyyy-MM-dd 00:00:00");
// Ids per DELETE of ticked rows; well under every server's limit of bound values.
constexpr qsizetype kIdsPerStatement = 500;

StoredNumbers readNumbers(DbGateway& gateway, const QString& sql, const QString& column, qint64 id)
{
    StoredNumbers stored;
    const ServerRead::Reads reads = ServerRead::within(gateway, [&] {
        DbRows rows = gateway.DbQuery(sql, {id});
        if (!rows.atEnd()) {
            stored.list = rows.text(column);
            stored.found = !rows.failed();
        }
        return !rows.failed();
    });
    if (reads.ok) {
        stored.outcome = Outcome::success();
        return stored;
    }
    stored.found = false;
    stored.list.clear();
    stored.outcome =
        Outcome::failure(reads.timedOut ? ServerRead::timedOutText() : RecordText::readFailed, reads.error);
    return stored;
}

QString placeholders(qsizetype count)
{
    QString marks;
    for (qsizetype k = 0; k < count; ++k)
        marks += k == 0 ? QStringLiteral("?") : QStringLiteral(",?");
    return marks;
}

QString fieldFault(const QString& label, const QString& text)
{
    const QString problem = unstorableCharacter(text);
    if (!problem.isEmpty()) {
        // "提示: 不能使用字符…" as "提示: <field>中不能使用字符…".
        const QString lead = QStringLiteral("提示: ");
        return lead + label + QStringLiteral("中") +
               (problem.startsWith(lead) ? problem.mid(lead.size()) : problem);
    }
    if (Gbk::byteLength(text) > kMaxAuditField)
        return QStringLiteral("提示: %1最多%2个字节(一个汉字算2个)!").arg(label).arg(kMaxAuditField);
    return {};
}

Outcome databaseFailure()
{
    return Outcome::failure(RecordText::readFailed, DbGateway::lastError());
}

// The steps of one approval inside its unit. The record and the account's rate are written
// before the batch leaves Messages; of two staff members approving at once, the second finds
// nothing to remove (its DELETE waits for the first to commit) and its unit is undone.
Outcome approve(DbGateway& gateway, const SessionUser& session, qint64 messageId, const QString& count,
                const QString& rate)
{
    if (!ServerRead::limit(gateway))
        return databaseFailure();
    const Outcome acting = DbCheckActing(gateway, session, ActingRight::Administrator);
    if (!acting)
        return acting;
    DbRows rows = gateway.DbQuery(RecordSql::listedWaiting(), {messageId});
    if (rows.failed())
        return databaseFailure();
    if (rows.atEnd())
        return Outcome::failure(RecordText::batchGone);
    const qint64 listed = rows.number(QStringLiteral("listed"));
    if (rows.failed())
        return databaseFailure();
    rows = DbRows();
    if (listed == 0)
        return Outcome::failure(RecordText::countFirst);
    qint64 written = 0;
    if (!gateway.DbExecute(RecordSql::insertAudited(gateway.dialect()), {count, rate, messageId}, &written))
        return databaseFailure();
    if (written != 1)
        return Outcome::failure(RecordText::batchGone);
    if (!gateway.DbExecute(RecordSql::updateRate(), {rate, messageId}))
        return databaseFailure();
    qint64 removed = 0;
    if (!gateway.DbExecute(RecordSql::deleteWaiting(), {messageId}, &removed))
        return databaseFailure();
    if (removed != 1)
        return Outcome::failure(RecordText::batchGone);
    return Outcome::success(RecordText::audited);
}

// Runs one statement per chunk of ids; pick is the chunk's "id IN (...)". Stops at the first
// that returns false.
bool forEachChunk(const QList<qint64>& ids,
                  const std::function<bool(const QString&, const QVariantList&)>& run)
{
    for (qsizetype from = 0; from < ids.size(); from += kIdsPerStatement) {
        QVariantList values;
        for (qint64 id : ids.mid(from, kIdsPerStatement))
            values.append(id);
        if (!run(QStringLiteral("id IN (%1)").arg(placeholders(values.size())), values))
            return false;
    }
    return true;
}

std::optional<bool> noneLeft(const std::optional<qint64>& count)
{
    if (!count)
        return std::nullopt;
    return *count == 0;
}

// The newest record a deletion by name or of all may meet: rows audited after it began are not
// its business when it asks afterwards whether it went through.
std::optional<qint64> newestId(DbGateway& gateway, const QString& where, const QVariantList& values)
{
    DbRows rows =
        gateway.DbQuery(QStringLiteral("SELECT COALESCE(MAX(id),0) AS n FROM UserRecv") + where, values);
    const qint64 id = rows.number(QStringLiteral("n"));
    if (rows.failed())
        return std::nullopt;
    return id;
}

// Whose audited records the acting account may delete: an administrator's, anyone's; any
// other account's, its own.
class Owner
{
public:
    Outcome read(DbGateway& gateway, const SessionUser& acting)
    {
        QString type;
        const Outcome allowed = DbCheckActing(gateway, acting, ActingRight::Use, &type);
        m_everyone = type == QStringLiteral("管理员");
        m_name = acting.loginName;
        return allowed;
    }
    QString condition() const { return m_everyone ? QString() : QStringLiteral(" AND (loginName = ?)"); }
    QVariantList values(QVariantList values) const
    {
        if (!m_everyone)
            values.append(m_name);
        return values;
    }
    Outcome allowsName(const QString& loginName) const
    {
        return m_everyone || loginName == m_name ? Outcome::success()
                                                 : Outcome::failure(ActingText::notAllowed);
    }
    // Records of another account among those a condition picks are refused, not skipped.
    Outcome allowsRecords(DbGateway& gateway, const QString& pick, const QVariantList& values) const
    {
        if (m_everyone)
            return Outcome::success();
        const std::optional<qint64> others = DbCount(
            gateway,
            QStringLiteral("SELECT COUNT(*) AS n FROM UserRecv WHERE %1 AND NOT (loginName = ?)").arg(pick),
            this->values(values));
        if (!others)
            return Outcome::failure(RecordText::readFailed, DbGateway::lastError());
        return *others == 0 ? Outcome::success() : Outcome::failure(ActingText::notAllowed);
    }

private:
    bool m_everyone = false;
    QString m_name;
};

} // namespace

QString auditFieldFault(const QString& count, const QString& rate)
{
    QString fault = fieldFault(QStringLiteral("相同内容短信发送条数"), count);
    if (fault.isEmpty())
        fault = fieldFault(QStringLiteral("发送率"), rate);
    return fault;
}

DayRange dayRange(const QDate& first, const QDate& last)
{
    return {first.toString(kDayStart), last.addDays(1).toString(kDayStart)};
}

StoredNumbers DbReadWaitingNumbers(DbGateway& gateway, qint64 messageId)
{
    if (gateway.guarded())
        return GuardedRoute::readNumbers(gateway, true, messageId);
    return readNumbers(gateway, QStringLiteral("SELECT CountNum FROM Messages WHERE id = ?"),
                       QStringLiteral("CountNum"), messageId);
}

StoredNumbers DbReadAuditedNumbers(DbGateway& gateway, qint64 recordId)
{
    if (gateway.guarded())
        return GuardedRoute::readNumbers(gateway, false, recordId);
    return readNumbers(gateway, QStringLiteral("SELECT tel FROM UserRecv WHERE id = ?"),
                       QStringLiteral("tel"), recordId);
}

Outcome DbAuditBatch(DbGateway& gateway, const SessionUser& session, qint64 messageId, const QString& count,
                     const QString& rate)
{
    const QString fault = auditFieldFault(count, rate);
    if (!fault.isEmpty())
        return Outcome::failure(fault);
    if (gateway.guarded())
        return GuardedRoute::approve(gateway, session, messageId, count, rate);
    Outcome outcome;
    bool ran = false;
    QElapsedTimer clock;
    clock.start();
    const bool done = gateway.transaction([&] {
        ran = true;
        outcome = approve(gateway, session, messageId, count, rate);
        return outcome.ok;
    });
    const QString lastError = DbGateway::lastError();
    const bool unknown = DbGateway::lastCommitUnknown();
    ServerRead::lift(gateway);
    if (done)
        return outcome;
    if (unknown)
        return Outcome::failure(kOutcomeUnknown, lastError);
    if (!ran || outcome.ok || outcome.message == RecordText::readFailed) {
        // Not begun, failed in a statement or at the commit: a stalled server or a lost one.
        const QString reason = outcome.reason.isEmpty() ? lastError : outcome.reason;
        return Outcome::failure(ServerRead::timedOut(reason, clock.elapsed()) ? ServerRead::timedOutText()
                                                                              : RecordText::readFailed,
                                reason);
    }
    return outcome;
}

Outcome DbDeleteWaitingBatch(DbGateway& gateway, const SessionUser& acting, qint64 messageId)
{
    if (gateway.guarded())
        return GuardedRoute::discardBatch(gateway, acting, messageId);
    Outcome refusal;
    qint64 removed = 0;
    const UnitResult result = DbRunUnit(
        gateway,
        [&] {
            return ruleAllows(DbCheckActing(gateway, acting, ActingRight::Administrator), refusal) &&
                   gateway.DbExecute(RecordSql::deleteWaiting(), {messageId}, &removed);
        },
        [&] {
            return noneLeft(DbCount(
                gateway, QStringLiteral("SELECT COUNT(*) AS n FROM Messages WHERE id = ?"), {messageId}));
        });
    if (result.done() && removed == 0)
        return Outcome::failure(RecordText::batchGone);
    return unitOutcome(result, refusal, RecordText::deleteFailed, RecordText::audited);
}

Outcome DbDeleteAuditedRecord(DbGateway& gateway, const SessionUser& acting, qint64 recordId)
{
    if (gateway.guarded())
        return GuardedRoute::deleteAudited(gateway, acting, {recordId}, true);
    Outcome refusal;
    Owner owner;
    qint64 removed = 0;
    const UnitResult result = DbRunUnit(
        gateway,
        [&] {
            return ruleAllows(owner.read(gateway, acting), refusal) &&
                   ruleAllows(owner.allowsRecords(gateway, QStringLiteral("id = ?"), {recordId}), refusal) &&
                   gateway.DbExecute(QStringLiteral("DELETE FROM UserRecv WHERE id = ?") + owner.condition(),
                                     owner.values({recordId}), &removed);
        },
        [&] {
            return noneLeft(
                DbCount(gateway,
                        QStringLiteral("SELECT COUNT(*) AS n FROM UserRecv WHERE id = ?") + owner.condition(),
                        owner.values({recordId})));
        });
    if (result.done() && removed == 0)
        return Outcome::failure(RecordText::recordGone);
    return unitOutcome(result, refusal, RecordText::deleteFailed, RecordText::cleared);
}

Outcome DbDeleteAuditedRecords(DbGateway& gateway, const SessionUser& acting, const QList<qint64>& recordIds)
{
    if (gateway.guarded())
        return GuardedRoute::deleteAudited(gateway, acting, recordIds, false);
    Outcome refusal;
    Owner owner;
    const UnitResult result = DbRunUnit(
        gateway,
        [&] {
            return ruleAllows(owner.read(gateway, acting), refusal) &&
                   forEachChunk(recordIds, [&](const QString& pick, const QVariantList& ids) {
                       return ruleAllows(owner.allowsRecords(gateway, pick, ids), refusal) &&
                              gateway.DbExecute(QStringLiteral("DELETE FROM UserRecv WHERE ") + pick +
                                                    owner.condition(),
                                                owner.values(ids));
                   });
        },
        [&]() -> std::optional<bool> {
            std::optional<bool> gone = true;
            forEachChunk(recordIds, [&](const QString& pick, const QVariantList& ids) {
                gone = noneLeft(DbCount(gateway,
                                        QStringLiteral("SELECT COUNT(*) AS n FROM UserRecv WHERE ") + pick +
                                            owner.condition(),
                                        owner.values(ids)));
                return gone.value_or(false);
            });
            return gone;
        });
    return unitOutcome(result, refusal, RecordText::deleteFailed, RecordText::cleared);
}

Outcome DbDeleteAuditedOf(DbGateway& gateway, const SessionUser& acting, const QString& loginName)
{
    if (gateway.guarded())
        return GuardedRoute::deleteAuditedOf(gateway, acting, loginName);
    Outcome refusal;
    Owner owner;
    std::optional<qint64> newest;
    const UnitResult result = DbRunUnit(
        gateway,
        [&] {
            if (!ruleAllows(owner.read(gateway, acting), refusal) ||
                !ruleAllows(owner.allowsName(loginName), refusal))
                return false;
            newest = newestId(gateway, QStringLiteral(" WHERE (loginName = ?)"), {loginName});
            return newest && gateway.DbExecute(QStringLiteral("DELETE FROM UserRecv WHERE (loginName = ?)"),
                                               {loginName});
        },
        [&] {
            return noneLeft(DbCount(
                gateway,
                QStringLiteral("SELECT COUNT(*) AS n FROM UserRecv WHERE (loginName = ?) AND id <= ?"),
                {loginName, newest.value_or(0)}));
        });
    return unitOutcome(result, refusal, RecordText::deleteFailed, RecordText::cleared);
}

Outcome DbDeleteAllAudited(DbGateway& gateway, const SessionUser& acting, const QString& failureText)
{
    if (gateway.guarded())
        return GuardedRoute::deleteAllAudited(gateway, acting, failureText);
    Outcome refusal;
    std::optional<qint64> newest;
    const UnitResult result = DbRunUnit(
        gateway,
        [&] {
            if (!ruleAllows(DbCheckActing(gateway, acting, ActingRight::Administrator), refusal))
                return false;
            newest = newestId(gateway, QString(), {});
            return newest && gateway.DbExecute(QStringLiteral("DELETE FROM UserRecv"));
        },
        [&] {
            return noneLeft(DbCount(gateway,
                                    QStringLiteral("SELECT COUNT(*) AS n FROM UserRecv WHERE id <= ?"),
                                    {newest.value_or(0)}));
        });
    return unitOutcome(result, refusal, failureText, RecordText::cleared);
}
