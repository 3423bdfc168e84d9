#include "db/DbGateway.h"

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

bool DbGateway::execute(QSqlQuery& query, const QString& sql, const QVariantList& values)
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
    const bool ok = run(query, sql, values);
    if (action == HookAction::LoseAnswer) {
        unit().broken = true;
        DbError::set(DbError::kConnectionLost);
        return false;
    }
    if (!ok)
        noteError(query.lastError());
    return ok;
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
    if (!execute(query, sql, values)) {
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
    auto query = std::make_unique<QSqlQuery>(db);
    query->setForwardOnly(true);
    if (!execute(*query, sql, values)) {
        rows.fail(lastError());
        query.reset();
        afterFailure(db);
        return rows;
    }
    rows.start(std::move(query));
    return rows;
}
