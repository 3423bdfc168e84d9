#include "db/RecordStatements.h"

#include "db/DbGateway.h"

namespace {

const QString kDayStart = QStringLiteral("yyyy-MM-dd 00:00:00");
// Ids per DELETE of ticked rows; well under every server's limit of bound values.
constexpr qsizetype kIdsPerStatement = 500;

StoredNumbers readNumbers(DbGateway& gateway, const QString& sql, const QString& column, qint64 id)
{
    StoredNumbers stored;
    DbRows rows = gateway.DbQuery(sql, {id});
    if (!rows.atEnd()) {
        stored.list = rows.text(column);
        stored.found = !rows.failed();
    }
    stored.outcome =
        rows.failed() ? Outcome::failure(RecordText::readFailed, rows.error()) : Outcome::success();
    return stored;
}

QString placeholders(qsizetype count)
{
    QString marks;
    for (qsizetype k = 0; k < count; ++k)
        marks += k == 0 ? QStringLiteral("?") : QStringLiteral(",?");
    return marks;
}

} // namespace

DayRange dayRange(const QDate& first, const QDate& last)
{
    return {first.toString(kDayStart), last.addDays(1).toString(kDayStart)};
}

namespace RecordSql {

QString insertAudited(const SqlDialect& dialect)
{
    return QStringLiteral(
               "INSERT INTO UserRecv (loginName,message,Num,recvs,addDate,tel) VALUES (?,%1,?,?,%2,%1)")
        .arg(dialect.longText(), dialect.now());
}

QString updateRate()
{
    return QStringLiteral("UPDATE UserInfo SET recvs = ? WHERE (loginName = ?)");
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

Outcome DbAuditBatch(DbGateway& gateway, qint64 messageId, const QString& account, const QString& content,
                     const QString& count, const QString& rate, const QString& numberList)
{
    bool gone = false;
    // The batch leaves Messages first: of two staff members approving it at once, the second
    // finds it gone (its DELETE waits for the first to commit) and writes nothing.
    const bool done = gateway.transaction([&] {
        qint64 removed = 0;
        if (!gateway.DbExecute(RecordSql::deleteWaiting(), {messageId}, &removed))
            return false;
        if (removed != 1) {
            gone = true;
            return false;
        }
        return gateway.DbExecute(RecordSql::insertAudited(gateway.dialect()),
                                 {account, content, count, rate, numberList}) &&
               gateway.DbExecute(RecordSql::updateRate(), {rate, account});
    });
    if (gone)
        return Outcome::failure(RecordText::batchGone);
    if (!done && DbGateway::lastCommitUnknown())
        return Outcome::failure(kOutcomeUnknown, DbGateway::lastError());
    if (!done)
        return Outcome::failure(RecordText::readFailed, DbGateway::lastError());
    return Outcome::success(RecordText::audited);
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
