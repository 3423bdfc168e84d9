#pragma once

#include "db/DbConfig.h"
#include "db/DbError.h"
#include "db/DbRows.h"
#include "db/SqlDialect.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariantList>

#include <QMutex>

#include <atomic>
#include <functional>
#include <memory>

class SessionToken;

// The program's route to the service database. Every thread gets a connection of its own to
// the same database (a Qt connection must stay in the thread that made it); values are always
// bound, never spliced into the statement text.
//
// A unit of work (transaction) lives and dies with its connection: a connection lost inside a
// unit fails the whole unit and is never replaced under it, and the next unit starts on a
// fresh, working connection.
class DbGateway
{
public:
    // What a fault-injection hook asks the gateway to do with the statement about to run.
    enum class HookAction
    {
        Proceed,
        Fail,      // fail as if the connection broke before the statement reached the server
        LoseAnswer // run it, then behave as if the connection broke before the answer came back
    };
    // Called on the executing thread before every statement, including "BEGIN", "COMMIT" and
    // "ROLLBACK" of units. Tests and the attack tools use it; set it before work starts.
    using StatementHook = std::function<HookAction(const QString& sql)>;

    explicit DbGateway(DbConfig config);
    ~DbGateway();
    DbGateway(const DbGateway&) = delete;
    DbGateway& operator=(const DbGateway&) = delete;

    const DbConfig& config() const { return m_config; }
    const SqlDialect& dialect() const { return m_dialect; }

    // Opens the calling thread's connection (again, if it was open). On PostgreSQL it also finds
    // out whether the database is guarded, which picks the statements' route.
    bool DbOpen();
    // Whether the statements go through the guarded database's API; asks the server when no
    // DbOpen has told yet.
    bool guarded();
    // The login made through this gateway: the calls that take no session (lists, number reads)
    // act with its token.
    void setSession(std::shared_ptr<SessionToken> token);
    std::shared_ptr<SessionToken> session() const;
    // A gateway of its own for a worker: the same route and login as other.
    void shareSession(const DbGateway& other);
    bool DbExecute(const QString& sql, const QVariantList& values = {}, qint64* rowsAffected = nullptr);
    // On a guarded PostgreSQL database a query with values costs one round trip (see PgRows).
    DbRows DbQuery(const QString& sql, const QVariantList& values = {});
    // A last word to the server that must not hold up the program's end: runs only on a
    // connection the calling thread has open, and waits at most waitMs for the answer on
    // PostgreSQL; a connection that did not answer in time is closed.
    bool DbExecuteWithin(const QString& sql, const QVariantList& values, int waitMs);
    // Runs work as one unit: committed when it returns true, rolled back otherwise or when the
    // commit fails. Nested calls join the outer unit.
    bool transaction(const std::function<bool()>& work);
    // True when the calling thread's last unit failed at its commit with the connection gone,
    // so the server may or may not have committed it.
    static bool lastCommitUnknown();
    // True when the calling thread's last statement outside a unit failed with its connection
    // gone: the server may have run it.
    static bool lastAnswerLost();
    // True while the calling thread runs work inside a unit of this gateway.
    bool inUnit() const;
    // Opens the calling thread's connection anew and subscribes it to the server's notifications
    // on channel (PostgreSQL only). The driver announces them while the thread runs an event
    // loop, and reports the connection closed once it has read the connection's end. Null when
    // the connection or the subscription failed; the connection goes with the thread's.
    QSqlDriver* DbListen(const QString& channel);
    // Workers call this before they end; see DbThreadScope.
    void closeThreadConnection();

    void setStatementHook(StatementHook hook) { m_hook = std::move(hook); }

    // The last failure seen by the calling thread.
    static QString lastError() { return DbError::last(); }
    static DbErrorKind lastErrorKind() { return DbError::lastKind(); }
    static DbErrorKind errorKindOf(DbBackend backend, const QString& nativeCode, const QString& databaseText)
    {
        return DbError::kindOf(backend, nativeCode, databaseText);
    }

private:
    // The calling thread's unit on this gateway.
    struct Unit
    {
        int depth = 0;
        bool broken = false; // the connection failed inside the unit; it is replaced afterwards
    };
    Unit& unit() const;
    QString connectionName() const;
    QSqlDatabase threadDatabase();
    bool openDatabase(QSqlDatabase& db, const QString& moreOptions = {});
    bool connectionAlive(QSqlDatabase& db);
    bool probeRoute(QSqlDatabase& db);
    bool idleConnectionEnded(const QSqlDatabase& db) const;
    bool threadConnectionOpen();
    void endWalk(const QSqlDatabase& db) const;
    void noteError(const QSqlError& error) const;
    // Runs the statement through run, which notes its own failure, as the hook says.
    bool execute(const QString& sql, const std::function<bool()>& run);
    // The statement's rows; null after a failure. waitMs (unless negative) bounds the wait for
    // the answer on PostgreSQL.
    std::unique_ptr<DbRowSource> runStatement(QSqlDatabase& db, const QString& sql,
                                              const QVariantList& values, int waitMs);
    void afterFailure(QSqlDatabase& db);
    HookAction hook(const QString& sql) const;
    bool begin(QSqlDatabase& db);
    bool commit(QSqlDatabase& db);
    void rollback(QSqlDatabase& db);

    DbConfig m_config;
    SqlDialect m_dialect;
    quint64 m_id;
    StatementHook m_hook;
    enum class Route
    {
        Unknown,
        Open,
        Guarded
    };
    std::atomic<Route> m_route{Route::Unknown};
    mutable QMutex m_sessionMutex;
    std::shared_ptr<SessionToken> m_session;
};

// Closes the thread's connection when a worker leaves its scope.
class DbThreadScope
{
public:
    explicit DbThreadScope(DbGateway& gateway) : m_gateway(gateway) {}
    ~DbThreadScope() { m_gateway.closeThreadConnection(); }
    DbThreadScope(const DbThreadScope&) = delete;
    DbThreadScope& operator=(const DbThreadScope&) = delete;

private:
    DbGateway& m_gateway;
};
