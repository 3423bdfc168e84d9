#pragma once

#include "db/Outcome.h"

#include <QDate>
#include <QList>
#include <QString>

class DbGateway;
class SqlDialect;
struct SessionUser;

namespace RecordText {
inline const QString readFailed = QStringLiteral("连接错误或网络卡线!");
inline const QString deleteAllFailed = QStringLiteral("err:SEND_delete1");
inline const QString deleteFailed = QStringLiteral("err:SEND_delete2");
inline const QString cleared = QStringLiteral("相关信息已清空!");
inline const QString audited = QStringLiteral("审核完毕!");
inline const QString countFirst = QStringLiteral("请先点击[统计号码及条数]按钮!");
inline const QString batchGone =
    QStringLiteral("提示: 这批短信已不在待审核列表中(已被审核或删除),未做任何改动!");
inline const QString recordGone = QStringLiteral("提示: 这条记录已不存在(已被删除)!");
} // namespace RecordText

// Whole days from the first picked day through the last, as half-open bounds on the stored
// "YYYY-MM-DD HH:MM:SS" texts: from <= addDate < until. The same range under every collation;
// a first day after the last gives a range that holds nothing.
struct DayRange
{
    QString from;
    QString until;
};
DayRange dayRange(const QDate& first, const QDate& last);

// Longest send rate and count the UserRecv and UserInfo columns hold, in GBK bytes (SQL Server
// counts bytes, the others characters).
constexpr int kMaxAuditField = 20;

// The first fault of the typed count and rate that the database could not keep as typed, with
// the field named; empty when both can be stored.
QString auditFieldFault(const QString& count, const QString& rate);

// Statement texts, with `?` for every value.
namespace RecordSql {
QString listedWaiting();
QString insertAudited(const SqlDialect& dialect);
QString updateRate();
QString deleteWaiting();
QString deleteAudited();
} // namespace RecordSql

// The number list of one batch, read by its id.
struct StoredNumbers
{
    Outcome outcome;
    bool found = false;
    QString list;
};
StoredNumbers DbReadWaitingNumbers(DbGateway& gateway, qint64 messageId); // Messages.CountNum
StoredNumbers DbReadAuditedNumbers(DbGateway& gateway, qint64 recordId);  // UserRecv.tel

// Approves a waiting batch, acting for an administrator: its UserRecv record with the typed
// count and rate and the batch's own account, content and number list exactly as stored, the
// account's displayed rate, and its removal from Messages, as one unit. A batch without
// numbers is refused like an approval before the count; when the batch is no longer waiting
// (another staff member was quicker) nothing is written.
Outcome DbAuditBatch(DbGateway& gateway, const SessionUser& session, qint64 messageId, const QString& count,
                     const QString& rate);
// The deletions run as units; when the answer to a commit is lost they find out on a fresh
// connection whether the rows are gone. Each first checks, inside its unit, the acting
// account's current type: a disabled account is refused with the login's text.

// Discards a waiting batch. Administrators only.
Outcome DbDeleteWaitingBatch(DbGateway& gateway, const SessionUser& acting, qint64 messageId);

// Audited records. The ticked ones go together or not at all. An administrator deletes any
// account's records; any other account only its own, and another's record is refused.
Outcome DbDeleteAuditedRecord(DbGateway& gateway, const SessionUser& acting, qint64 recordId);
Outcome DbDeleteAuditedRecords(DbGateway& gateway, const SessionUser& acting, const QList<qint64>& recordIds);
Outcome DbDeleteAuditedOf(DbGateway& gateway, const SessionUser& acting, const QString& loginName);
// Administrators only.
Outcome DbDeleteAllAudited(DbGateway& gateway, const SessionUser& acting,
                           const QString& failureText = RecordText::deleteFailed);
