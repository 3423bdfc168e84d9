#include "db/DbGateway.h"

#include "db/PgRows.h"

#include <QAtomicInteger>

namespace {

QAtomicInteger<quint64> g_nextGatewayId{1};
thread_local bool t_answerLost = false;

// Statements without values run directly: PostgreSQL cannot prepare DDL such as CREATE.
bool run(QSqlQuery& query, const QString& sql, const QVariantList& values)
{
    if (values.isEmpty())
        return query.exec(sql);
    if (!query.prepare(sql))
        return false;
    for (const QVariant& value : values)
        query.addBindValue(value);
    return query.exec();
}

} // namespace

DbGateway::DbGateway(DbConfig config)
    : m_config(std::move(config)), m_dialect(m_config.backend), m_id(g_nextGatewayId.fetchAndAddRelaxed(1))
{
}

DbGateway::~DbGateway()
{
    closeThreadConnection();
}

void DbGateway::noteError(const QSqlError& error) const
{
    DbError::note(m_config.backend, error);
}

DbGateway::HookAction DbGateway::hook(const QString& sql) const
{
    return m_hook ? m_hook(sql) : HookAction::Proceed;
}

bool DbGateway::execute(const QString& sql, const std::function<bool()>& run)
{
    if (unit().depth > 0 && unit().broken) {
        DbError::set(DbError::kConnectionLost);
        return false;
    }
    const HookAction action = hook(sql);
    if (action == HookAction::Fail) {
        unit().broken = true;
        DbError::set(DbError::kConnectionLost);
        return false;
    }
    const bool ok = run();
    if (action == HookAction::LoseAnswer) {
        unit().broken = true;
        DbError::set(DbError::kConnectionLost);
        return false;
    }
    return ok;
}

std::unique_ptr<DbRowSource> DbGateway::runStatement(QSqlDatabase& db, const QString& sql,
                                                     const QVariantList& values, int waitMs)
{
    PGconn* connection = PgLink::of(db);
    // The guarded API is called, not queried: there the driver's three round trips per call cost
    // more than the call itself. A walk of the driver's own would be cut short by another
    // statement, so it is left to the driver.
    const bool oneTrip = connection && !values.isEmpty() && (m_route == Route::Guarded || waitMs >= 0) &&
                         (PgRows::walking(connection) || !PgLink::busy(connection));
    if (oneTrip) {
        PgRows::endWalkOn(connection);
        auto rows = std::make_unique<PgRows>(connection, sql, values);
        if (rows->started(waitMs))
            return rows;
        // A connection still owing an answer can take no other statement.
        if (rows->timedOut())
            unit().broken = true;
        noteError(rows->sqlError());
        return nullptr;
    }
    auto query = std::make_unique<QSqlQuery>(db);
    query->setForwardOnly(true);
    if (!run(*query, sql, values)) {
        noteError(query->lastError());
        return nullptr;
    }
    return queryRows(std::move(query));
}

// A failure outside a unit: if the connection itself is gone, drop it so that the next
// statement starts on a new one.
void DbGateway::afterFailure(QSqlDatabase& db)
{
    if (unit().depth > 0)
        return;
    const QString error = lastError();
    const DbErrorKind kind = lastErrorKind();
    if (unit().broken || !connectionAlive(db)) {
        t_answerLost = true;
        unit().broken = false;
        db = QSqlDatabase();
        closeThreadConnection();
    }
    DbError::set(error, kind);
}

bool DbGateway::lastAnswerLost()
{
    return t_answerLost;
}

bool DbGateway::DbExecute(const QString& sql, const QVariantList& values, qint64* rowsAffected)
{
    t_answerLost = false;
    QSqlDatabase db = threadDatabase();
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    const bool ok = execute(sql, [&] {
        if (run(query, sql, values))
            return true;
        noteError(query.lastError());
        return false;
    });
    if (!ok) {
        query = QSqlQuery();
        afterFailure(db);
        return false;
    }
    if (rowsAffected)
        *rowsAffected = query.numRowsAffected();
    query.finish();
    return true;
}

DbRows DbGateway::DbQuery(const QString& sql, const QVariantList& values)
{
    DbRows rows;
    t_answerLost = false;
    QSqlDatabase db = threadDatabase();
    if (!db.isOpen()) {
        rows.fail(lastError());
        return rows;
    }
    std::unique_ptr<DbRowSource> source;
    if (!execute(sql, [&] { return (source = runStatement(db, sql, values, -1)) != nullptr; })) {
        rows.fail(lastError());
        source.reset();
        afterFailure(db);
        return rows;
    }
    rows.start(std::move(source));
    return rows;
}

bool DbGateway::DbExecuteWithin(const QString& sql, const QVariantList& values, int waitMs)
{
    t_answerLost = false;
    if (!threadConnectionOpen()) {
        DbError::set(QStringLiteral("no open connection"));
        return false;
    }
    QSqlDatabase db = threadDatabase();
    std::unique_ptr<DbRowSource> source;
    if (!execute(sql, [&] { return (source = runStatement(db, sql, values, waitMs)) != nullptr; })) {
        source.reset();
        afterFailure(db);
        return false;
    }
    return true;
}
