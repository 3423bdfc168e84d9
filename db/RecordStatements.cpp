#include "db/RecordStatements.h"

#include "app/Gbk.h"
#include "db/ActingAccount.h"
#include "db/DbGateway.h"
#include "db/ServerRead.h"
#include "db/StorableText.h"

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

namespace RecordSql {

// 1 when the stored list gives at least one number: a comma after its first character.
QString listedWaiting()
{
    return QStringLiteral("SELECT CASE WHEN CountNum LIKE '%,%' AND CountNum NOT LIKE ',%' THEN 1 ELSE 0 END "
                          "AS listed FROM Messages WHERE id = ?");
}

// Account, content and number list are copied on the server, so they stay exactly as stored.
QString insertAudited(const SqlDialect& dialect)
{
    return QStringLiteral("INSERT INTO UserRecv (loginName,message,Num,recvs,addDate,tel) "
                          "SELECT loginName,message,?,?,%1,CountNum FROM Messages WHERE id = ?")
        .arg(dialect.now());
}

QString updateRate()
{
    return QStringLiteral(
        "UPDATE UserInfo SET recvs = ? WHERE RTRIM(loginName) = (SELECT RTRIM(loginName) FROM Messages "
        "WHERE id = ?)");
}

QString deleteWaiting()
{
    return QStringLiteral("DELETE FROM Messages WHERE id = ?");
}

QString deleteAudited()
{
    return QStringLiteral("DELETE FROM UserRecv WHERE id = ?");
}

} // namespace RecordSql

StoredNumbers DbReadWaitingNumbers(DbGateway& gateway, qint64 messageId)
{
    return readNumbers(gateway, QStringLiteral("SELECT CountNum FROM Messages WHERE id = ?"),
                       QStringLiteral("CountNum"), messageId);
}

StoredNumbers DbReadAuditedNumbers(DbGateway& gateway, qint64 recordId)
{
    return readNumbers(gateway, QStringLiteral("SELECT tel FROM UserRecv WHERE id = ?"),
                       QStringLiteral("tel"), recordId);
}

Outcome DbAuditBatch(DbGateway& gateway, const SessionUser& session, qint64 messageId, const QString& count,
                     const QString& rate)
{
    const QString fault = auditFieldFault(count, rate);
    if (!fault.isEmpty())
        return Outcome::failure(fault);
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

Outcome DbDeleteWaitingBatch(DbGateway& gateway, qint64 messageId)
{
    qint64 removed = 0;
    if (!gateway.DbExecute(RecordSql::deleteWaiting(), {messageId}, &removed))
        return Outcome::failure(RecordText::deleteFailed, DbGateway::lastError());
    if (removed == 0)
        return Outcome::failure(RecordText::batchGone);
    return Outcome::success(RecordText::audited);
}

Outcome DbDeleteAuditedRecord(DbGateway& gateway, qint64 recordId)
{
    qint64 removed = 0;
    if (!gateway.DbExecute(RecordSql::deleteAudited(), {recordId}, &removed))
        return Outcome::failure(RecordText::deleteFailed, DbGateway::lastError());
    if (removed == 0)
        return Outcome::failure(RecordText::recordGone);
    return Outcome::success(RecordText::cleared);
}

Outcome DbDeleteAuditedRecords(DbGateway& gateway, const QList<qint64>& recordIds)
{
    const bool done = gateway.transaction([&] {
        for (qsizetype from = 0; from < recordIds.size(); from += kIdsPerStatement) {
            const QList<qint64> chunk = recordIds.mid(from, kIdsPerStatement);
            QVariantList values;
            for (qint64 id : chunk)
                values.append(id);
            const QString sql =
                QStringLiteral("DELETE FROM UserRecv WHERE id IN (%1)").arg(placeholders(chunk.size()));
            if (!gateway.DbExecute(sql, values))
                return false;
        }
        return true;
    });
    if (!done)
        return Outcome::failure(RecordText::deleteFailed, DbGateway::lastError());
    return Outcome::success(RecordText::cleared);
}

Outcome DbDeleteAuditedOf(DbGateway& gateway, const QString& loginName)
{
    if (!gateway.DbExecute(QStringLiteral("DELETE FROM UserRecv WHERE (loginName = ?)"), {loginName}))
        return Outcome::failure(RecordText::deleteFailed, DbGateway::lastError());
    return Outcome::success(RecordText::cleared);
}

Outcome DbDeleteAllAudited(DbGateway& gateway, const QString& failureText)
{
    if (!gateway.DbExecute(QStringLiteral("DELETE FROM UserRecv")))
        return Outcome::failure(failureText, DbGateway::lastError());
    return Outcome::success(RecordText::cleared);
}
