#include "db/OptOutStatements.h"

#include "db/ActingAccount.h"
#include "db/DbGateway.h"
#include "db/GuardedCall.h"
#include "db/PartStatements.h"
#include "db/UnitOutcome.h"

#include <QSet>

namespace {

using Guarded::Reply;

// SQL Server takes at most 1000 rows of VALUES and 2100 values in one statement; the other two
// servers take a whole list as one value and split it themselves.
constexpr qsizetype kServerChunk = 1000;

struct Statement
{
    QString sql;
    QVariantList values;
};

// SQLite reads the list as a JSON array. The texts are printable ASCII: only quotes and
// backslashes need escaping.
QString jsonArray(const QStringList& texts)
{
    QString json;
    json.reserve(texts.size() * 15 + 2);
    json += QLatin1Char('[');
    for (const QString& text : texts) {
        if (json.size() > 1)
            json += QLatin1Char(',');
        json += QLatin1Char('"');
        for (QChar c : text) {
            if (c == u'"' || c == u'\\')
                json += QLatin1Char('\\');
            json += c;
        }
        json += QLatin1Char('"');
    }
    return json + QLatin1Char(']');
}

// The statements that run pattern over the numbers; %1 in pattern stands for a query whose one
// column n gives the numbers.
QList<Statement> overNumbers(const SqlDialect& dialect, const QString& pattern, const QStringList& numbers)
{
    switch (dialect.backend()) {
    case DbBackend::Sqlite:
        return {{pattern.arg(QStringLiteral("SELECT value AS n FROM json_each(?)")), {jsonArray(numbers)}}};
    case DbBackend::Postgres:
        return {{pattern.arg(QStringLiteral("SELECT unnest(string_to_array(?, ',')) AS n")),
                 {numbers.join(QLatin1Char(','))}}};
    case DbBackend::SqlServer:
        break;
    }
    QList<Statement> statements;
    for (qsizetype start = 0; start < numbers.size(); start += kServerChunk) {
        const QStringList chunk = numbers.mid(start, kServerChunk);
        QStringList rows(chunk.size(), QStringLiteral("(?)"));
        statements.append(
            {pattern.arg(
                 QStringLiteral("SELECT v.n FROM (VALUES %1) AS v(n)").arg(rows.join(QLatin1Char(',')))),
             QVariantList(chunk.cbegin(), chunk.cend())});
    }
    return statements;
}

// The screening is the one statement a submission waits for: each backend gets the join its
// planner walks from the numbers into the list's key.
QList<Statement> listedAmong(const SqlDialect& dialect, const QStringList& numbers)
{
    switch (dialect.backend()) {
    case DbBackend::Sqlite:
        return {
            {QStringLiteral("SELECT o.tel FROM json_each(?) AS j CROSS JOIN OptOut AS o WHERE o.tel=j.value"),
             {jsonArray(numbers)}}};
    case DbBackend::Postgres:
        // One walk of the key for all the numbers. Behind a subquery the planner does not see how
        // many they are, which would make it read the whole list instead.
        return {{QStringLiteral(
                     "SELECT tel FROM OptOut WHERE tel = ANY ((SELECT string_to_array(?, ','))::text[])"),
                 {numbers.join(QLatin1Char(','))}}};
    case DbBackend::SqlServer:
        break;
    }
    return overNumbers(dialect, QStringLiteral("SELECT tel FROM OptOut WHERE tel IN (%1)"), numbers);
}

// The numbers the statements give in their column tel; nothing when a read failed, with the
// database's words in *error.
std::optional<QSet<QString>> numbersOf(DbGateway& gateway, const QList<Statement>& statements, QString* error)
{
    QSet<QString> found;
    for (const Statement& statement : statements) {
        DbRows rows = gateway.DbQuery(statement.sql, statement.values);
        for (; !rows.atEnd(); rows.next())
            found.insert(rows.text(QStringLiteral("tel")));
        if (rows.failed()) {
            if (error)
                *error = rows.error();
            return std::nullopt;
        }
    }
    return found;
}

// The guarded database's screening of a list as write_part will get it, which it remembers.
Statement screening(DbGateway& gateway, const SessionUser& acting, const QString& list)
{
    return {Guarded::listStatement(QStringLiteral("opted_out"), 2),
            {Guarded::tokenOf(gateway, acting), list}};
}

// Which of numbers are on the list.
std::optional<QSet<QString>> listed(DbGateway& gateway, const SessionUser& acting, const QStringList& numbers,
                                    QString* error = nullptr)
{
    if (numbers.isEmpty())
        return QSet<QString>();
    if (gateway.guarded())
        return numbersOf(gateway, {screening(gateway, acting, numbers.join(QLatin1Char(',')))}, error);
    return numbersOf(gateway, listedAmong(gateway.dialect(), numbers), error);
}

// After a lost answer: whether the list now shows the change, by how many of numbers it holds.
using Settled = std::function<bool(qint64 listedNow)>;
ChangeFound changeFound(DbGateway& gateway, const SessionUser& acting, const QStringList& numbers,
                        const Settled& settled)
{
    return [&gateway, &acting, &numbers, settled]() -> std::optional<bool> {
        const std::optional<QSet<QString>> now = listed(gateway, acting, numbers);
        return now ? std::optional(settled(now->size())) : std::nullopt;
    };
}

// Runs change over the numbers as one unit of an administrator; *changed gets the rows it touched.
Outcome changeOpen(DbGateway& gateway, const SessionUser& acting, const QString& pattern,
                   const QStringList& numbers, qint64* changed, const Settled& settled)
{
    Outcome refusal;
    const UnitResult result = DbRunUnit(
        gateway,
        [&] {
            *changed = 0;
            if (!ruleAllows(DbCheckActing(gateway, acting, ActingRight::Administrator), refusal))
                return false;
            for (const Statement& statement : overNumbers(gateway.dialect(), pattern, numbers)) {
                qint64 rows = 0;
                if (!gateway.DbExecute(statement.sql, statement.values, &rows))
                    return false;
                *changed += rows;
            }
            return true;
        },
        changeFound(gateway, acting, numbers, settled));
    return unitOutcome(result, refusal, OptOutText::changeFailed);
}

// One call: the server checks the caller and the numbers, and changes the list or nothing.
Outcome changeGuarded(DbGateway& gateway, const SessionUser& acting, const QString& function,
                      const QStringList& numbers, qint64* changed, const Settled& settled)
{
    const QString column =
        function == QStringLiteral("opt_out_add") ? QStringLiteral("added") : QStringLiteral("removed");
    const Reply reply = Guarded::call(
        gateway, function, {Guarded::tokenOf(gateway, acting), numbers.join(QLatin1Char(','))}, {column});
    if (reply.status != Reply::Answered)
        return Guarded::unanswered(gateway, reply, changeFound(gateway, acting, numbers, settled),
                                   OptOutText::changeFailed);
    *changed = reply.number(column);
    if (reply.ok())
        return Outcome::success();
    if (reply.code == QStringLiteral("invalid"))
        return Outcome::failure(OptOutText::invalid);
    const QString refusal = Guarded::callerRefusal(reply.code);
    return Outcome::failure(refusal.isEmpty() ? OptOutText::changeFailed : refusal);
}

// What of an entry could be a number of the list: a piece between commas that the column holds.
bool mayBeListed(const QString& piece)
{
    if (piece.isEmpty() || piece.size() > kOptOutNumberLength)
        return false;
    for (QChar c : piece) {
        if (c.unicode() <= 0x20 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

// The distinct pieces that could be listed, in order: the lookups then walk the list's key
// forward, page after page, instead of jumping about a list far larger than any cache.
QStringList candidatesOf(const QStringList& entries)
{
    QSet<QString> seen;
    seen.reserve(entries.size());
    const auto consider = [&](const QString& piece) {
        if (mayBeListed(piece))
            seen.insert(piece);
    };
    for (const QString& entry : entries) {
        if (!entry.contains(QLatin1Char(','))) {
            consider(entry);
            continue;
        }
        for (const QString& piece : entry.split(QLatin1Char(',')))
            consider(piece);
    }
    QStringList candidates(seen.cbegin(), seen.cend());
    candidates.sort();
    return candidates;
}

qint64 leaveOut(QStringList& entries, const QSet<QString>& listedNumbers)
{
    qint64 removed = 0;
    QStringList kept;
    kept.reserve(entries.size());
    for (const QString& entry : std::as_const(entries)) {
        if (!entry.contains(QLatin1Char(','))) {
            if (listedNumbers.contains(entry))
                ++removed;
            else
                kept << entry;
            continue;
        }
        QStringList pieces = entry.split(QLatin1Char(','));
        const qsizetype before = pieces.size();
        pieces.removeIf([&](const QString& piece) { return listedNumbers.contains(piece); });
        removed += before - pieces.size();
        const QString rest = pieces.join(QLatin1Char(','));
        // An entry left with nothing but commas would still be sent, and charged, as numbers.
        if (before == pieces.size())
            kept << entry;
        else if (!QString(rest).remove(QLatin1Char(',')).isEmpty())
            kept << rest;
    }
    entries = kept;
    return removed;
}

} // namespace

Outcome DbAddOptOut(DbGateway& gateway, const SessionUser& acting, const QStringList& numbers, qint64* added)
{
    *added = 0;
    QStringList unique = numbers;
    unique.removeDuplicates();
    // A large import goes into the key in order.
    unique.sort();
    const Settled allListed = [count = unique.size()](qint64 listedNow) { return listedNow == count; };
    if (gateway.guarded())
        return changeGuarded(gateway, acting, QStringLiteral("opt_out_add"), unique, added, allListed);
    const DbBackend backend = gateway.dialect().backend();
    const QString insert = backend == DbBackend::Sqlite ? QStringLiteral("INSERT OR IGNORE INTO")
                                                        : QStringLiteral("INSERT INTO");
    QString pattern = QStringLiteral("%1 OptOut (tel,addDate) SELECT s.n,%2 FROM (%3) s")
                          .arg(insert, gateway.dialect().now(), QStringLiteral("%1"));
    if (backend == DbBackend::Postgres)
        pattern += QStringLiteral(" ON CONFLICT (tel) DO NOTHING");
    else if (backend == DbBackend::SqlServer)
        pattern += QStringLiteral(" WHERE NOT EXISTS (SELECT 1 FROM OptOut o WHERE o.tel=s.n)");
    return changeOpen(gateway, acting, pattern, unique, added, allListed);
}

Outcome DbRemoveOptOut(DbGateway& gateway, const SessionUser& acting, const QStringList& numbers,
                       qint64* removed)
{
    *removed = 0;
    const Settled noneListed = [](qint64 listedNow) { return listedNow == 0; };
    if (gateway.guarded())
        return changeGuarded(gateway, acting, QStringLiteral("opt_out_remove"), numbers, removed, noneListed);
    return changeOpen(gateway, acting,
                      QStringLiteral("DELETE FROM OptOut WHERE tel IN (SELECT s.n FROM (%1) s)"), numbers,
                      removed, noneListed);
}

Outcome DbCountOptOut(DbGateway& gateway, const SessionUser& acting, qint64* total)
{
    if (gateway.guarded()) {
        const Reply reply = Guarded::call(gateway, QStringLiteral("opt_out_count"),
                                          {Guarded::tokenOf(gateway, acting)}, {QStringLiteral("total")});
        if (reply.status != Reply::Answered)
            return Outcome::failure(OptOutText::readFailed, reply.reason);
        *total = reply.number(QStringLiteral("total"));
        const QString refusal = Guarded::callerRefusal(reply.code);
        return reply.ok() ? Outcome::success()
                          : Outcome::failure(refusal.isEmpty() ? OptOutText::readFailed : refusal);
    }
    const std::optional<qint64> counted =
        DbCount(gateway, QStringLiteral("SELECT COUNT(*) AS n FROM OptOut"), {});
    if (!counted)
        return Outcome::failure(OptOutText::readFailed, DbGateway::lastError());
    *total = *counted;
    return Outcome::success();
}

Outcome DbWalkOptOut(DbGateway& gateway, const SessionUser& acting, const QString& prefix, int limit,
                     const OptOutRow& onRow)
{
    Statement statement;
    if (gateway.guarded()) {
        statement = {Guarded::listStatement(QStringLiteral("list_opt_out"), 3),
                     {Guarded::tokenOf(gateway, acting), Guarded::orNull(prefix),
                      limit == kEveryNumber ? QVariant() : QVariant(limit)}};
    } else {
        const bool top = gateway.dialect().backend() == DbBackend::SqlServer && limit != kEveryNumber;
        statement.sql = QStringLiteral("SELECT %1tel,COALESCE(addDate,'') AS addDate FROM OptOut")
                            .arg(top ? QStringLiteral("TOP (%1) ").arg(limit) : QString());
        // The numbers are digits, and ':' follows '9': this range is every number that begins with
        // prefix, found through the key.
        if (!prefix.isEmpty()) {
            statement.sql += QStringLiteral(" WHERE tel>=? AND tel<?");
            statement.values = {prefix, prefix + QLatin1Char(':')};
        }
        statement.sql += QStringLiteral(" ORDER BY tel");
        if (!top && limit != kEveryNumber)
            statement.sql += QStringLiteral(" LIMIT %1").arg(limit);
    }
    DbRows rows = gateway.DbQuery(statement.sql, statement.values);
    for (; !rows.atEnd(); rows.next()) {
        const QString number = rows.text(QStringLiteral("tel"));
        const QString addDate = rows.text(QStringLiteral("addDate"));
        if (rows.failed() || !onRow(number, addDate))
            break;
    }
    if (rows.failed())
        return gateway.guarded() ? Guarded::listFailure(OptOutText::readFailed, rows.error())
                                 : Outcome::failure(OptOutText::readFailed, rows.error());
    return Outcome::success();
}

Outcome DbScreenOptOut(DbGateway& gateway, const SessionUser& acting, QStringList& entries, qint64* removed)
{
    *removed = 0;
    QString error;
    // A guarded database gets the list as the parts will carry it, so that it need not screen them
    // again; the others only the pieces that could be listed.
    const std::optional<QSet<QString>> found =
        gateway.guarded() ? numbersOf(gateway, {screening(gateway, acting, numberList(entries))}, &error)
                          : listed(gateway, acting, candidatesOf(entries), &error);
    if (!found)
        return gateway.guarded() ? Guarded::listFailure(OptOutText::screenFailed, error)
                                 : Outcome::failure(OptOutText::screenFailed, error);
    if (!found->isEmpty())
        *removed = leaveOut(entries, *found);
    return Outcome::success();
}
