#include "records/RecordQueries.h"

#include "db/DbGateway.h"
#include "db/GuardedCall.h"

namespace RecordQueries {
namespace {

// Another client may leave a text column NULL; it lists as an empty cell, not as a failure.
QString col(const char* name)
{
    return QStringLiteral("COALESCE(%1,'') AS %1").arg(QLatin1String(name));
}

QString withoutBlanks(QString text)
{
    text.remove(QLatin1Char(' '));
    return text;
}

Outcome readFailure(const DbRows& rows)
{
    return Guarded::listFailure(RecordText::readFailed, rows.error());
}

struct Statement
{
    QString sql;
    QVariantList values;
};

Statement rangeStatement(const QString& select, const std::optional<DayRange>& range, const QString& name,
                         const QString& nameMatch, const QString& order)
{
    Statement statement{select, {}};
    QStringList conditions;
    if (range) {
        conditions << QStringLiteral("addDate >= ?") << QStringLiteral("addDate < ?");
        statement.values << range->from << range->until;
    }
    if (!name.isNull()) {
        conditions << nameMatch;
        statement.values << name;
    }
    if (!conditions.isEmpty())
        statement.sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    statement.sql += order;
    return statement;
}

// A list of a guarded database's API, with the token of the gateway's login and the day range
// after the other arguments; its columns are named as the open statements' are.
Statement guardedList(DbGateway& gateway, const QString& function, QVariantList args,
                      const std::optional<DayRange>& range, std::optional<int> limit = std::nullopt)
{
    args.prepend(Guarded::gatewayToken(gateway));
    args << (range ? QVariant(range->from) : QVariant()) << (range ? QVariant(range->until) : QVariant());
    if (limit)
        args << *limit;
    return {Guarded::listStatement(function, static_cast<int>(args.size())), args};
}

Outcome accounts(DbGateway& gateway, const ListQuery::Sink& sink, const QString& name,
                 const std::optional<DayRange>& range)
{
    const QString select =
        QStringLiteral("SELECT %1,%2,payMoney,%3,%4,%5 FROM UserInfo")
            .arg(col("loginName"), col("type"), col("parentName"), col("telephone"), col("addDate"));
    const Statement statement =
        gateway.guarded()
            ? guardedList(gateway, QStringLiteral("list_accounts"), {Guarded::orNull(name)}, range)
            : rangeStatement(select, range, name.isEmpty() ? QString() : name,
                             QStringLiteral("RTRIM(loginName) = ?"), QString());
    DbRows rows = gateway.DbQuery(statement.sql, statement.values);
    for (; !rows.atEnd(); rows.next()) {
        const QString login = withoutBlanks(rows.text(QStringLiteral("loginName")));
        ReportRow row{{login, rows.text(QStringLiteral("type")), rows.text(QStringLiteral("payMoney")),
                       rows.text(QStringLiteral("parentName")), rows.text(QStringLiteral("telephone")),
                       rows.text(QStringLiteral("addDate"))}};
        if (rows.failed())
            break;
        if (name.isEmpty()) {
            if (!sink(std::move(row)))
                return Outcome::success();
        } else if (login == name) {
            // A named account is listed once, and silently.
            sink(std::move(row));
            return Outcome::success();
        }
    }
    if (rows.failed())
        return readFailure(rows);
    return Outcome::success(range ? QString() : kQueryFinished);
}

Outcome audited(DbGateway& gateway, const ListQuery::Sink& sink, const QString& name,
                const std::optional<DayRange>& range)
{
    const QString select =
        QStringLiteral("SELECT id,%1,%2,%3,%4,%5 FROM UserRecv")
            .arg(col("loginName"), col("Num"), col("message"), col("recvs"), col("addDate"));
    const Statement statement =
        gateway.guarded()
            ? guardedList(gateway, QStringLiteral("list_audited"), {Guarded::orNull(name)}, range)
            : rangeStatement(select, range, name.isEmpty() ? QString() : name,
                             QStringLiteral("loginName = ?"), QStringLiteral(" ORDER BY id"));
    DbRows rows = gateway.DbQuery(statement.sql, statement.values);
    for (; !rows.atEnd(); rows.next()) {
        ReportRow row{{rows.text(QStringLiteral("loginName")), rows.text(QStringLiteral("Num")),
                       rows.text(QStringLiteral("message")), rows.text(QStringLiteral("recvs")) + u'%',
                       rows.text(QStringLiteral("addDate")), QString()},
                      rows.number(QStringLiteral("id"))};
        if (rows.failed())
            break;
        if ((name.isEmpty() || row.cells.at(0) == name) && !sink(std::move(row)))
            return Outcome::success();
    }
    if (rows.failed())
        return readFailure(rows);
    return Outcome::success(range ? QString() : kQueryFinished);
}

Outcome recharges(DbGateway& gateway, const ListQuery::Sink& sink, const QString& name)
{
    const QString select = QStringLiteral("SELECT id,%1,%2,%3,%4 FROM Moneys")
                               .arg(col("loginName"), col("fullMoney"), col("addDate"), col("parentName"));
    const Statement statement =
        gateway.guarded()
            ? Statement{Guarded::listStatement(QStringLiteral("list_balance_changes"), 3),
                        {Guarded::gatewayToken(gateway), QVariant(), Guarded::orNull(name)}}
            : rangeStatement(select, std::nullopt, name.isEmpty() ? QString() : name,
                             QStringLiteral("RTRIM(loginName) = ?"), QStringLiteral(" ORDER BY id"));
    DbRows rows = gateway.DbQuery(statement.sql, statement.values);
    for (; !rows.atEnd(); rows.next()) {
        ReportRow row{{withoutBlanks(rows.text(QStringLiteral("loginName"))),
                       rows.text(QStringLiteral("fullMoney")), rows.text(QStringLiteral("addDate")),
                       rows.text(QStringLiteral("parentName")), QString(), QString()},
                      rows.number(QStringLiteral("id"))};
        if (rows.failed())
            break;
        if ((name.isEmpty() || row.cells.at(0) == name) && !sink(std::move(row)))
            return Outcome::success();
    }
    if (rows.failed())
        return readFailure(rows);
    return Outcome::success(kQueryFinished);
}

} // namespace

WaitingRead readWaitingBatches(DbGateway& gateway, const std::optional<DayRange>& range,
                               const ListQuery::Sink& sink)
{
    const QString select = QStringLiteral("SELECT id,%1,%2,%3,%4 FROM Messages")
                               .arg(col("addDate"), col("loginName"), col("message"), col("status"));
    const Statement statement =
        gateway.guarded()
            ? guardedList(gateway, QStringLiteral("list_waiting"), {}, range, kWaitingRowLimit)
            : rangeStatement(select, range, QString(), QString(), QStringLiteral(" ORDER BY id"));
    DbRows rows = gateway.DbQuery(statement.sql, statement.values);
    if (rows.failed())
        return {WaitingRead::OpenFailed, rows.error()};
    int listed = 0;
    for (; !rows.atEnd() && listed < kWaitingRowLimit; rows.next()) {
        const QString count = range ? QStringLiteral("1") : rows.text(QStringLiteral("status"));
        ReportRow row{{rows.text(QStringLiteral("loginName")), count, rows.text(QStringLiteral("message")),
                       rows.text(QStringLiteral("addDate"))},
                      rows.number(QStringLiteral("id"))};
        if (rows.failed())
            break;
        if (!sink(std::move(row)))
            return {};
        ++listed;
    }
    if (rows.failed())
        return {WaitingRead::ReadFailed, rows.error()};
    return {};
}

ListQuery::Walk waitingBatches(std::optional<DayRange> range)
{
    return [range](DbGateway& gateway, const ListQuery::Sink& sink) {
        const WaitingRead read = readWaitingBatches(gateway, range, sink);
        // The listings end silently, failed or not; the rows listed so far stay.
        return read.status == WaitingRead::Ok ? Outcome::success() : Outcome::failure(QString(), read.reason);
    };
}

QStringList categoryNames()
{
    return {QStringLiteral("账号查询"), QStringLiteral("发送短信查询"), QStringLiteral("充值记录查询")};
}

QStringList categoryHeaders(Category category)
{
    const QString blank = QStringLiteral("    ");
    switch (category) {
    case Category::Accounts:
        return {QStringLiteral("用户名"), QStringLiteral("类型"), QStringLiteral("剩余条数"),
                QStringLiteral("公司"),   QStringLiteral("电话"), QStringLiteral("注册日期")};
    case Category::Audited:
        return {QStringLiteral("用户名"), QStringLiteral("发送数量"), QStringLiteral("短信内容"),
                QStringLiteral("发送率"), QStringLiteral("时间"),     blank};
    case Category::Recharges:
        break;
    }
    return {QStringLiteral("用户名"),
            QStringLiteral("充值条数"),
            QStringLiteral("充值时间"),
            QStringLiteral("公司"),
            blank,
            blank};
}

ListQuery::Walk comprehensive(Category category, QString name, std::optional<DayRange> range)
{
    return [=](DbGateway& gateway, const ListQuery::Sink& sink) {
        switch (category) {
        case Category::Accounts:
            return accounts(gateway, sink, name, range);
        case Category::Audited:
            return audited(gateway, sink, name, range);
        case Category::Recharges:
            break;
        }
        return recharges(gateway, sink, name);
    };
}

ListQuery::Walk records(RecordsScope scope, QString loginName, DayRange range)
{
    return [=](DbGateway& gateway, const ListQuery::Sink& sink) {
        const QString select =
            QStringLiteral("SELECT id,%1,%2,%3,%4,%5 FROM UserRecv")
                .arg(col("addDate"), col("loginName"), col("message"), col("Num"), col("recvs"));
        const std::optional<DayRange> days =
            scope == RecordsScope::OwnInRange ? std::optional(range) : std::nullopt;
        const QString name = scope == RecordsScope::Everyone ? QString() : loginName;
        const Statement statement =
            gateway.guarded()
                ? guardedList(gateway, QStringLiteral("list_audited"), {Guarded::orNull(name)}, days)
                : rangeStatement(select, days, name, QStringLiteral("loginName = ?"),
                                 QStringLiteral(" ORDER BY id"));
        DbRows rows = gateway.DbQuery(statement.sql, statement.values);
        int position = 0;
        for (; !rows.atEnd(); rows.next()) {
            ReportRow row{{rows.text(QStringLiteral("loginName")), rows.text(QStringLiteral("Num")),
                           rows.text(QStringLiteral("message")), rows.text(QStringLiteral("recvs")) + u'%',
                           rows.text(QStringLiteral("addDate")), QString::number(position + 1)},
                          rows.number(QStringLiteral("id"))};
            if (rows.failed())
                break;
            if (!sink(std::move(row)))
                return Outcome::success();
            ++position;
        }
        if (rows.failed())
            return readFailure(rows);
        return Outcome::success();
    };
}

} // namespace RecordQueries
