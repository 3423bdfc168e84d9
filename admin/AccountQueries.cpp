#include "admin/AccountQueries.h"

#include "admin/AccountValidation.h"
#include "db/DbGateway.h"
#include "db/GuardedCall.h"
#include "db/SessionUser.h"

namespace AccountQueries {
namespace {

using AccountValidation::withoutBlanks;

// Columns that older rows may hold as NULL are read as empty texts, so one such row cannot
// break a whole listing.
const QString kAccountColumns =
    QStringLiteral("SELECT loginName,COALESCE(pwd,'') AS pwd,COALESCE(userName,'') AS userName,"
                   "COALESCE(parentName,'') AS parentName,COALESCE(type,'') AS type,payMoney,"
                   "COALESCE(addDate,'') AS addDate,COALESCE(telephone,'') AS telephone,"
                   "COALESCE(Address,'') AS Address,COALESCE(daili,'') AS daili FROM UserInfo");

const QString kRecordColumns = QStringLiteral(
    "SELECT COALESCE(parentName,'') AS parentName,loginName,COALESCE(fullMoney,'') AS fullMoney,"
    "COALESCE(addDate,'') AS addDate FROM Moneys");

struct Statement
{
    QString sql;
    QVariantList values;
};

// On a guarded database the lists come from its API, which never hands out a password.
Statement accountsOf(DbGateway& db, const QString& name)
{
    if (db.guarded())
        return {Guarded::listStatement(QStringLiteral("list_accounts"), 4),
                {Guarded::gatewayToken(db), Guarded::orNull(name), QVariant(), QVariant()}};
    if (name.isEmpty())
        return {kAccountColumns, {}};
    return {kAccountColumns + QStringLiteral(" WHERE (RTRIM(loginName)=?)"), {name}};
}

Statement agentsOf(DbGateway& db)
{
    if (db.guarded())
        return {Guarded::listStatement(QStringLiteral("list_agents"), 1), {Guarded::gatewayToken(db)}};
    return {kAccountColumns + QStringLiteral(" WHERE (type=?)"), {QStringLiteral("代理用户")}};
}

Statement subAccountsOf(DbGateway& db, const QString& agent)
{
    if (db.guarded())
        return {Guarded::listStatement(QStringLiteral("list_sub_accounts"), 2),
                {Guarded::gatewayToken(db), agent}};
    return {kAccountColumns + QStringLiteral(" WHERE (daili=?)"), {agent}};
}

// Oldest first, so that the position column counts the changes in the order they were made.
Statement balanceChanges(DbGateway& db, RecordFilter filter, const QString& name)
{
    const bool ofAccount = filter == RecordFilter::OfAccount;
    if (db.guarded())
        return {Guarded::listStatement(QStringLiteral("list_balance_changes"), 3),
                {Guarded::gatewayToken(db),
                 filter == RecordFilter::All || ofAccount ? QVariant() : QVariant(name),
                 ofAccount ? QVariant(name) : QVariant()}};
    if (ofAccount)
        return {kRecordColumns + QStringLiteral(" WHERE (loginName=?) ORDER BY id"), {name}};
    if (filter == RecordFilter::All)
        return {kRecordColumns + QStringLiteral(" ORDER BY id"), {}};
    return {kRecordColumns + QStringLiteral(" WHERE (parentName=?) ORDER BY id"), {name}};
}

struct Account
{
    QString loginName, pwd, userName, parentName, type, payMoney, addDate, telephone, address, daili;
    // As stored, but for trailing blanks, which the statements' matching ignores.
    QString storedName, storedPwd;
};

QString withoutTrailingBlanks(QString text)
{
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

Account readAccount(DbRows& rows)
{
    Account a;
    a.storedName = withoutTrailingBlanks(rows.text(QStringLiteral("loginName")));
    a.storedPwd = withoutTrailingBlanks(rows.text(QStringLiteral("pwd")));
    a.loginName = withoutBlanks(a.storedName);
    a.pwd = withoutBlanks(a.storedPwd);
    a.userName = rows.text(QStringLiteral("userName"));
    a.parentName = rows.text(QStringLiteral("parentName"));
    a.type = rows.text(QStringLiteral("type"));
    a.payMoney = rows.text(QStringLiteral("payMoney"));
    a.addDate = rows.text(QStringLiteral("addDate"));
    a.telephone = rows.text(QStringLiteral("telephone"));
    a.address = rows.text(QStringLiteral("Address"));
    a.daili = rows.text(QStringLiteral("daili"));
    return a;
}

ReportRow adminRow(const Account& a)
{
    ReportRow row{{a.loginName, a.pwd, a.userName, a.parentName, a.type, a.addDate, a.telephone, a.address}};
    row.hidden = a.storedPwd;
    row.account = a.storedName;
    return row;
}

ReportRow balanceRow(const Account& a, const QString& second)
{
    ReportRow row{{a.loginName, second, a.payMoney, a.parentName, a.userName, a.addDate}};
    row.hidden = a.storedPwd;
    row.account = a.storedName;
    return row;
}

enum class Walked
{
    ToEnd,
    Stopped, // the sink stopped it: found, or superseded
    Failed
};

// Walks the rows of one query; onRow answers false to stop.
template <typename OnRow>
Walked walkAccounts(DbGateway& db, const Statement& statement, QString& error, OnRow onRow)
{
    DbRows rows = db.DbQuery(statement.sql, statement.values);
    while (!rows.atEnd()) {
        const Account account = readAccount(rows);
        if (rows.failed())
            break;
        if (!onRow(account))
            return Walked::Stopped;
        rows.next();
    }
    if (rows.failed()) {
        error = rows.error();
        return Walked::Failed;
    }
    return Walked::ToEnd;
}

Outcome failed(const QString& error)
{
    return Guarded::listFailure(kReadFailed, error);
}

QString usersMessage(int added)
{
    return QStringLiteral("共计 %1 用户!").arg(added);
}

} // namespace

ListQuery::Walk adminAccounts(const QString& queryText)
{
    return [queryText](DbGateway& db, const ListQuery::Sink& sink) {
        QString error;
        const Walked walked = queryText.isEmpty()
                                  ? walkAccounts(db, accountsOf(db, {}), error,
                                                 [&](const Account& a) { return sink(adminRow(a)); })
                                  : walkAccounts(db, accountsOf(db, queryText), error, [&](const Account& a) {
                                        if (a.loginName != queryText)
                                            return true;
                                        sink(adminRow(a));
                                        return false;
                                    });
        return walked == Walked::Failed ? failed(error) : Outcome::success();
    };
}

ListQuery::Walk adminAgents()
{
    return [](DbGateway& db, const ListQuery::Sink& sink) {
        QString error;
        int agents = 0;
        const Walked walked = walkAccounts(db, agentsOf(db), error, [&](const Account& a) {
            if (a.type != QStringLiteral("代理用户"))
                return true;
            ++agents;
            return sink(adminRow(a));
        });
        if (walked == Walked::Failed)
            return failed(error);
        return Outcome::success(QStringLiteral("共代理用户 %1 个").arg(agents));
    };
}

ListQuery::Walk rechargeAccounts(const QString& queryText)
{
    return [queryText](DbGateway& db, const ListQuery::Sink& sink) {
        QString error;
        int added = 0;
        const Walked walked = queryText.isEmpty()
                                  ? walkAccounts(db, accountsOf(db, {}), error,
                                                 [&](const Account& a) {
                                                     ++added;
                                                     return sink(balanceRow(a, a.type));
                                                 })
                                  : walkAccounts(db, accountsOf(db, queryText), error, [&](const Account& a) {
                                        if (a.loginName != queryText)
                                            return true;
                                        ++added;
                                        sink(balanceRow(a, a.type));
                                        return false;
                                    });
        if (walked == Walked::Failed)
            return failed(error);
        // A search that found its account says nothing more.
        return walked == Walked::ToEnd ? Outcome::success(usersMessage(added)) : Outcome::success();
    };
}

ListQuery::Walk subAccounts(const QString& agentName)
{
    return [agentName](DbGateway& db, const ListQuery::Sink& sink) {
        QString error;
        int added = 0;
        const Walked walked = walkAccounts(db, subAccountsOf(db, agentName), error, [&](const Account& a) {
            ++added;
            return sink(balanceRow(a, a.daili));
        });
        return walked == Walked::Failed ? failed(error) : Outcome::success(usersMessage(added));
    };
}

ListQuery::Walk balanceRecords(RecordFilter filter, const QString& name)
{
    return [filter, name](DbGateway& db, const ListQuery::Sink& sink) {
        const Statement statement = balanceChanges(db, filter, name);
        DbRows rows = db.DbQuery(statement.sql, statement.values);
        int added = 0;
        while (!rows.atEnd()) {
            const QString operatorName = rows.text(QStringLiteral("parentName"));
            const QString account = rows.text(QStringLiteral("loginName"));
            const QString amount = rows.text(QStringLiteral("fullMoney"));
            const QString date = rows.text(QStringLiteral("addDate"));
            if (rows.failed())
                break;
            if (filter != RecordFilter::ByOperator || operatorName == name) {
                ++added;
                if (!sink({{operatorName, account, amount, date, QString::number(added), QString()}}))
                    return Outcome::success();
            }
            rows.next();
        }
        if (rows.failed())
            return failed(rows.error());
        if (filter == RecordFilter::All || filter == RecordFilter::ByOperator)
            return Outcome::success(QStringLiteral("统计数据共 %1 条!").arg(added));
        return Outcome::success();
    };
}

ReportRow totalRow(const QString& account, const QList<ReportRow>& records)
{
    qint64 sum = 0;
    for (const ReportRow& record : records)
        sum += leadingNumber(record.cells.value(2));
    return {{QStringLiteral("统计累加充值>>"), account, QStringLiteral("总数:%1条").arg(sum),
             QStringLiteral("统计累计条数>>"), QStringLiteral("%1条").arg(records.size()), QString()}};
}

} // namespace AccountQueries
