#pragma once

#include "db/ListQuery.h"

// The list queries of the account pages, run by a ListQuery on its worker. Each walk returns
// the closing message of its query (or none), or the failure with the database's reason.
namespace AccountQueries {

inline const QString kReadFailed = QStringLiteral("连接错误或网络卡线!");

// Account admin page: every account, or the one whose name is queryText (no message), with
// name, password, nickname, company, type, date, telephone and address.
ListQuery::Walk adminAccounts(const QString& queryText);
// Account admin page: the agents, closing with "共代理用户 %d 个".
ListQuery::Walk adminAgents();

// Recharge page, account view: name, type, balance, company, nickname, date; the stored
// password travels hidden with the row. Every account closes with "共计 %d 用户!"; the account
// named queryText, when found, closes without a message.
ListQuery::Walk rechargeAccounts(const QString& queryText);
// Recharge page, sub-account view: the accounts whose agent is agentName, closing with
// "共计 %d 用户!".
ListQuery::Walk subAccounts(const QString& agentName);

enum class RecordFilter
{
    All,        // every balance change, closing with "统计数据共 %d 条!"
    ByOperator, // the changes one operator made, closing with "统计数据共 %d 条!"
    OwnChanges, // the changes the logged-in operator made, no message
    OfAccount   // the changes of one account, no message
};
// Recharge view: operator, account, amount, date and the row's position from 1.
ListQuery::Walk balanceRecords(RecordFilter filter, const QString& name);

// The row put above the records of one account: their sum (reductions lower it) and count.
ReportRow totalRow(const QString& account, const QList<ReportRow>& records);

} // namespace AccountQueries
