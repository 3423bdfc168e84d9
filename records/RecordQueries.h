#pragma once

#include "db/ListQuery.h"
#include "db/RecordStatements.h"

#include <optional>

// The list queries of the receive, query and records pages. Each walk runs on a ListQuery
// worker with that worker's connection; rows carry their table id.
namespace RecordQueries {

// The receive page never lists more than this many waiting rows.
inline constexpr int kWaitingRowLimit = 5001;

struct WaitingRead
{
    enum Status
    {
        Ok,
        OpenFailed, // the statement could not be run
        ReadFailed  // rows stopped coming part way
    };
    Status status = Ok;
    QString reason;
};

// Waiting batches (Messages), oldest first, at most kWaitingRowLimit rows. Columns: account,
// count, message, time; with a day range the count column shows "1".
WaitingRead readWaitingBatches(DbGateway& gateway, const std::optional<DayRange>& range,
                               const ListQuery::Sink& sink);
ListQuery::Walk waitingBatches(std::optional<DayRange> range);

enum class Category
{
    Accounts, // "账号查询"
    Audited,  // "发送短信查询"
    Recharges // "充值记录查询"
};
inline const QString kQueryFinished = QStringLiteral("提示:查询完毕!");
QStringList categoryNames();
QStringList categoryHeaders(Category category);

// The comprehensive query; name as typed, range when the date box is ticked. The outcome's
// message is "提示:查询完毕!" for the walks that announce their end, empty for the others.
ListQuery::Walk comprehensive(Category category, QString name, std::optional<DayRange> range);

enum class RecordsScope
{
    OwnInRange,
    Own,
    Everyone
};
// Audited records of the records page, with their position in the last column.
ListQuery::Walk records(RecordsScope scope, QString loginName, DayRange range);

} // namespace RecordQueries
