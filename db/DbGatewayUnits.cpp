#include "db/DbGateway.h"

#include <QHash>
#include <QSqlQuery>

namespace {

// Units are per gateway and per thread: a test may hold two gateways on one thread.
thread_local QHash<quint64, std::shared_ptr<void>> t_units;
thread_local bool t_commitUnknown = false;

} // namespace

bool DbGateway::lastCommitUnknown()
{
    return t_commitUnknown;
}

bool DbGateway::inUnit() const
{
    return unit().depth > 0;
}

DbGateway::Unit& DbGateway::unit() const
{
    std::shared_ptr<void>& slot = t_units[m_id];
    if (!slot)
        slot = std::make_shared<Unit>();
    return *static_cast<Unit*>(slot.get());
}

bool DbGateway::begin(QSqlDatabase& db)
{
    if (hook(QStringLiteral("BEGIN")) == HookAction::Fail) {
        DbError::set(DbError::kConnectionLost);
        return false;
    }
    if (m_config.backend == DbBackend::Sqlite) {
        // Take the write lock at once: a deferred transaction that upgrades later can fail
        // at once with "database is locked" instead of waiting its turn.
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            noteError(query.lastError());
            return false;
        }
        return true;
    }
    if (!db.transaction()) {
        noteError(db.lastError());
        return false;
    }
    return true;
}

bool DbGateway::commit(QSqlDatabase& db)
{
    endWalk(db);
    const HookAction action = hook(QStringLiteral("COMMIT"));
    if (action == HookAction::Fail) {
        unit().broken = true;
        DbError::set(DbError::kConnectionLost);
        return false;
    }
    bool ok = false;
    if (m_config.backend == DbBackend::Sqlite) {
        QSqlQuery query(db);
        ok = query.exec(QStringLiteral("COMMIT"));
        if (!ok)
            noteError(query.lastError());
    } else {
        ok = db.commit();
        if (!ok)
            noteError(db.lastError());
    }
    if (action == HookAction::LoseAnswer) {
        unit().broken = true;
        t_commitUnknown = true;
        DbError::set(DbError::kConnectionLost);
        return false;
    }
    if (!ok && m_config.backend != DbBackend::Sqlite && !connectionAlive(db)) {
        // The request may have reached the server before the connection went.
        unit().broken = true;
        t_commitUnknown = true;
    }
    return ok;
}

void DbGateway::rollback(QSqlDatabase& db)
{
    if (unit().broken || !db.isOpen())
        return;
    endWalk(db);
    if (hook(QStringLiteral("ROLLBACK")) == HookAction::Fail) {
        unit().broken = true;
        return;
    }
    bool ok = false;
    if (m_config.backend == DbBackend::Sqlite) {
        QSqlQuery query(db);
        ok = query.exec(QStringLiteral("ROLLBACK"));
    } else {
        ok = db.rollback();
    }
    if (!ok) {
        unit().broken = true;
        return;
    }
    if (m_config.backend == DbBackend::Postgres) {
        // The driver frees a prepared statement when its query ends, which an aborted
        // transaction refuses; free what the failed unit left on the session.
        QSqlQuery release(db);
        if (!release.exec(QStringLiteral("DEALLOCATE ALL")))
            unit().broken = true;
    }
}

bool DbGateway::transaction(const std::function<bool()>& work)
{
    Unit& state = unit();
    if (state.depth > 0)
        return work();
    t_commitUnknown = false;
    state.broken = false;
    QSqlDatabase db = threadDatabase();
    bool begun = db.isOpen() && begin(db);
    if (!begun && db.isOpen() && !connectionAlive(db)) {
        // A connection that died while idle: nothing of the unit has been sent yet.
        db = QSqlDatabase();
        closeThreadConnection();
        db = threadDatabase();
        begun = db.isOpen() && begin(db);
    }
    if (!begun)
        return false;
    ++state.depth;
    const bool ok = work() && !state.broken && commit(db);
    --state.depth;
    if (ok)
        return true;
    const QString error = lastError();
    const DbErrorKind kind = lastErrorKind();
    rollback(db);
    if (state.broken) {
        state.broken = false;
        db = QSqlDatabase();
        closeThreadConnection();
    }
    DbError::set(error, kind);
    return false;
}
