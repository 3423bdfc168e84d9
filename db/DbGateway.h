#pragma once

#include "db/DbConfig.h"
#include "db/SqlDialect.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>

// What kind of failure the calling thread saw last; a taken key is told apart from a lost
// connection so that "already registered" is only said when it is true.
enum class DbErrorKind
{
    None,
    DuplicateKey,
    Conflict, // deadlock or serialization failure: the unit was undone and may run again
    Other
};

// The rows of one query, walked forward: while (!rows.atEnd()) { rows.text("col"); rows.next(); }
// Reading a NULL or unknown column, or a failure to move on, marks the walk failed.
class DbRows
{
public:
    DbRows() = default;
    DbRows(DbRows&&) noexcept = default;
    DbRows& operator=(DbRows&&) noexcept = default;
    ~DbRows();

    bool isOpen() const { return m_query != nullptr; }
    bool failed() const { return m_failed; }
    QString error() const { return m_error; }
    bool atEnd() const { return m_atEnd; }
    QString text(const QString& column);
    qint64 number(const QString& column);
    void next();

private:
    friend class DbGateway;
    void fail(const QString& error);

    std::unique_ptr<QSqlQuery> m_query;
    bool m_atEnd = true;
    bool m_failed = true;
    QString m_error;
    // Column positions, looked up once per name: a fresh record per read copies every value
    // of the row, which made long listings slow.
    QHash<QString, int> m_columns;
};

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

    // Opens the calling thread's connection (again, if it was open).
    bool DbOpen();
    bool DbExecute(const QString& sql, const QVariantList& values = {}, qint64* rowsAffected = nullptr);
    DbRows DbQuery(const QString& sql, const QVariantList& values = {});
    // Runs work as one unit: committed when it returns true, rolled back otherwise or when the
    // commit fails. Nested calls join the outer unit.
    bool transaction(const std::function<bool()>& work);
    // True when the calling thread's last unit failed at its commit with the connection gone,
    // so the server may or may not have committed it.
    static bool lastCommitUnknown();
    // True while the calling thread runs work inside a unit of this gateway.
    bool inUnit() const;
    // Workers call this before they end; see DbThreadScope.
    void closeThreadConnection();

    void setStatementHook(StatementHook hook) { m_hook = std::move(hook); }

    // The last failure seen by the calling thread.
    static QString lastError();
    static DbErrorKind lastErrorKind();
    // What a driver's error means: a taken key whichever way the driver reports its codes
    // (one code, the last of several, or all of them joined), or anything else.
    static DbErrorKind errorKindOf(DbBackend backend, const QString& nativeCode, const QString& databaseText);

private:
    struct Unit;
    Unit& unit() const;
    QString connectionName() const;
    QSqlDatabase threadDatabase();
    bool openDatabase(QSqlDatabase& db);
    bool connectionAlive(QSqlDatabase& db);
    bool idleConnectionEnded(const QSqlDatabase& db) const;
    void noteError(const QSqlError& error) const;
    bool execute(QSqlQuery& query, const QString& sql, const QVariantList& values);
    void afterFailure(QSqlDatabase& db);
    HookAction hook(const QString& sql) const;
    bool begin(QSqlDatabase& db);
    bool commit(QSqlDatabase& db);
    void rollback(QSqlDatabase& db);

    DbConfig m_config;
    SqlDialect m_dialect;
    quint64 m_id;
    StatementHook m_hook;
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
