#include "db/DbGateway.h"

#include <QAtomicInteger>
#include <QMutex>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>

#include <libpq-fe.h>
#include <poll.h>

namespace {

// Qt 6.4's driver registry is not safe to use from several threads at once.
QMutex& registryMutex()
{
    static QMutex mutex;
    return mutex;
}

QAtomicInteger<quint64> g_nextGatewayId{1};
QAtomicInteger<quint64> g_nextThreadToken{1};

quint64 threadToken()
{
    thread_local const quint64 token = g_nextThreadToken.fetchAndAddRelaxed(1);
    return token;
}

thread_local QString t_lastError;
thread_local DbErrorKind t_lastErrorKind = DbErrorKind::None;

void setError(const QString& error, DbErrorKind kind = DbErrorKind::Other)
{
    t_lastError = error;
    t_lastErrorKind = kind;
}

// PostgreSQL 40P01 (deadlock) and 40001 (serialization); SQL Server 1205 (deadlock victim).
bool isConflict(const QString& code)
{
    return code == QStringLiteral("40P01") || code == QStringLiteral("40001") ||
           code == QStringLiteral("1205") || code.startsWith(QStringLiteral("1205 "));
}

QString describe(const QSqlError& error)
{
    const QString text = error.text().trimmed();
    return text.isEmpty() ? QStringLiteral("unknown database error") : text;
}

// The codes of a taken key on each server.
QStringList duplicateCodes(DbBackend backend)
{
    switch (backend) {
    case DbBackend::Sqlite:
        return {QStringLiteral("2067"), QStringLiteral("1555")}; // unique, primary key
    case DbBackend::Postgres:
        return {QStringLiteral("23505")};
    case DbBackend::SqlServer:
        return {QStringLiteral("2627"), QStringLiteral("2601")}; // constraint, unique index
    }
    return {};
}

// SQL Server follows a taken key with 3621 ("The statement has been terminated"). Qt 6.4's
// ODBC driver reports only the last code, with the texts of all messages joined; later
// versions join every code with ';'. The texts then still tell, in English or Chinese.
const QStringList kSqlServerDuplicateTexts = {QStringLiteral("Violation of UNIQUE KEY constraint"),
                                              QStringLiteral("Violation of PRIMARY KEY constraint"),
                                              QStringLiteral("Cannot insert duplicate key"),
                                              QStringLiteral("重复键")};

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

DbRows::~DbRows()
{
    if (m_query)
        m_query->finish();
}

void DbRows::fail(const QString& error)
{
    m_failed = true;
    m_atEnd = true;
    m_error = error;
    setError(error);
}

QString DbRows::text(const QString& column)
{
    if (m_failed || m_atEnd) {
        fail(m_error.isEmpty() ? QStringLiteral("no current row") : m_error);
        return {};
    }
    auto known = m_columns.constFind(column);
    if (known == m_columns.cend())
        known = m_columns.insert(column, m_query->record().indexOf(column));
    const int index = *known;
    if (index < 0) {
        fail(QStringLiteral("no column %1").arg(column));
        return {};
    }
    const QVariant value = m_query->value(index);
    if (value.isNull()) {
        fail(QStringLiteral("column %1 is NULL").arg(column));
        return {};
    }
    return value.toString();
}

qint64 DbRows::number(const QString& column)
{
    return text(column).trimmed().toLongLong();
}

void DbRows::next()
{
    if (m_failed || m_atEnd)
        return;
    if (!m_query->next()) {
        if (m_query->lastError().isValid())
            fail(describe(m_query->lastError()));
        m_atEnd = true;
    }
}

struct DbGateway::Unit
{
    int depth = 0;
    bool broken = false; // the connection failed inside the unit; it is replaced afterwards
};

namespace {

// Units are per gateway and per thread: a test may hold two gateways on one thread.
thread_local QHash<quint64, std::shared_ptr<void>> t_units;
thread_local bool t_commitUnknown = false;

const QString kConnectionLost = QStringLiteral("connection to the database was lost");

} // namespace

DbGateway::DbGateway(DbConfig config)
    : m_config(std::move(config)), m_dialect(m_config.backend), m_id(g_nextGatewayId.fetchAndAddRelaxed(1))
{
}

DbGateway::~DbGateway()
{
    closeThreadConnection();
}

QString DbGateway::lastError()
{
    return t_lastError;
}

DbErrorKind DbGateway::lastErrorKind()
{
    return t_lastErrorKind;
}

bool DbGateway::lastCommitUnknown()
{
    return t_commitUnknown;
}

DbErrorKind DbGateway::errorKindOf(DbBackend backend, const QString& nativeCode, const QString& databaseText)
{
    if (isConflict(nativeCode))
        return DbErrorKind::Conflict;
    static const QRegularExpression notDigits(QStringLiteral("[^0-9]+"));
    const QStringList codes = duplicateCodes(backend);
    for (const QString& code : nativeCode.split(notDigits, Qt::SkipEmptyParts)) {
        if (codes.contains(code))
            return DbErrorKind::DuplicateKey;
    }
    if (backend == DbBackend::SqlServer) {
        for (const QString& text : kSqlServerDuplicateTexts) {
            if (databaseText.contains(text, Qt::CaseInsensitive))
                return DbErrorKind::DuplicateKey;
        }
    }
    return DbErrorKind::Other;
}

void DbGateway::noteError(const QSqlError& error) const
{
    setError(describe(error), errorKindOf(m_config.backend, error.nativeErrorCode(), error.databaseText()));
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

QString DbGateway::connectionName() const
{
    return QStringLiteral("kavrel-%1-%2").arg(m_id).arg(threadToken());
}

DbGateway::HookAction DbGateway::hook(const QString& sql) const
{
    return m_hook ? m_hook(sql) : HookAction::Proceed;
}

bool DbGateway::openDatabase(QSqlDatabase& db)
{
    switch (m_config.backend) {
    case DbBackend::Sqlite:
        db.setDatabaseName(m_config.database);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
        break;
    case DbBackend::Postgres:
        db.setHostName(m_config.host);
        db.setPort(m_config.port);
        db.setDatabaseName(m_config.database);
        db.setUserName(m_config.user);
        db.setPassword(m_config.password);
        db.setConnectOptions(QStringLiteral("connect_timeout=%1").arg(m_config.connectTimeoutSeconds));
        break;
    case DbBackend::SqlServer:
        db.setDatabaseName(m_config.odbcConnectionString());
        db.setConnectOptions(QStringLiteral("SQL_ATTR_ODBC_VERSION=SQL_OV_ODBC3;SQL_ATTR_LOGIN_TIMEOUT=%1")
                                 .arg(m_config.connectTimeoutSeconds));
        break;
    }
    if (!db.open()) {
        noteError(db.lastError());
        return false;
    }
    if (m_config.backend == DbBackend::Sqlite) {
        // Several threads write the same file; WAL lets readers go on while one writes.
        QSqlQuery pragma(db);
        pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    }
    return true;
}

// The thread's connection. Inside a unit a lost connection stays lost: opening a new one there
// would let the rest of the unit commit statement by statement outside any transaction. Outside
// a unit, one that the server has ended while it sat idle is replaced before it is used.
QSqlDatabase DbGateway::threadDatabase()
{
    const QString name = connectionName();
    QSqlDatabase db;
    {
        QMutexLocker lock(&registryMutex());
        db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                          : QSqlDatabase::addDatabase(m_dialect.driverName(), name);
    }
    if (db.isOpen() && unit().depth == 0 && idleConnectionEnded(db)) {
        db = QSqlDatabase();
        closeThreadConnection();
        QMutexLocker lock(&registryMutex());
        db = QSqlDatabase::addDatabase(m_dialect.driverName(), name);
    }
    if (!db.isOpen()) {
        if (unit().depth > 0) {
            unit().broken = true;
            setError(kConnectionLost);
        } else {
            openDatabase(db);
        }
    }
    return db;
}

// Qt's PostgreSQL driver notices a connection that the server ended (idle timeout, restart,
// pg_terminate_backend) only when a statement fails on it. The server's farewell and the end
// of the stream wait on the socket, though: look there without waiting and without a round
// trip. Anything that arrives for a session that asked nothing is such a farewell.
bool DbGateway::idleConnectionEnded(const QSqlDatabase& db) const
{
    if (m_config.backend != DbBackend::Postgres)
        return false;
    // Qt 6 names the handle's type by the struct behind libpq's typedef.
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0))
        return false;
    PGconn* connection = *static_cast<PGconn* const*>(handle.constData());
    if (!connection || PQstatus(connection) != CONNECTION_OK)
        return true;
    pollfd socket{PQsocket(connection), POLLIN, 0};
    if (socket.fd < 0)
        return true;
    if (::poll(&socket, 1, 0) <= 0)
        return false;
    if (!PQconsumeInput(connection) || PQstatus(connection) != CONNECTION_OK)
        return true;
    // An unfinished row walk still receives its rows; that connection is busy, not ended.
    return PQtransactionStatus(connection) == PQTRANS_IDLE;
}

bool DbGateway::connectionAlive(QSqlDatabase& db)
{
    // The PostgreSQL driver reports a dropped connection here; the others need a question.
    if (!db.isOpen())
        return false;
    QSqlQuery ping(db);
    return ping.exec(QStringLiteral("SELECT 1")) && (ping.finish(), true);
}

bool DbGateway::DbOpen()
{
    closeThreadConnection();
    QSqlDatabase db = threadDatabase();
    return db.isOpen();
}

void DbGateway::closeThreadConnection()
{
    const QString name = connectionName();
    QMutexLocker lock(&registryMutex());
    if (!QSqlDatabase::contains(name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

bool DbGateway::execute(QSqlQuery& query, const QString& sql, const QVariantList& values)
{
    if (unit().depth > 0 && unit().broken) {
        setError(kConnectionLost);
        return false;
    }
    const HookAction action = hook(sql);
    if (action == HookAction::Fail) {
        unit().broken = true;
        setError(kConnectionLost);
        return false;
    }
    const bool ok = run(query, sql, values);
    if (action == HookAction::LoseAnswer) {
        unit().broken = true;
        setError(kConnectionLost);
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
        unit().broken = false;
        db = QSqlDatabase();
        closeThreadConnection();
    }
    setError(error, kind);
}

bool DbGateway::DbExecute(const QString& sql, const QVariantList& values, qint64* rowsAffected)
{
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
    rows.m_failed = false;
    rows.m_query = std::move(query);
    rows.m_atEnd = !rows.m_query->next();
    if (rows.m_atEnd && rows.m_query->lastError().isValid())
        rows.fail(describe(rows.m_query->lastError()));
    return rows;
}

bool DbGateway::begin(QSqlDatabase& db)
{
    if (hook(QStringLiteral("BEGIN")) == HookAction::Fail) {
        setError(kConnectionLost);
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
    const HookAction action = hook(QStringLiteral("COMMIT"));
    if (action == HookAction::Fail) {
        unit().broken = true;
        setError(kConnectionLost);
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
        setError(kConnectionLost);
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
    setError(error, kind);
    return false;
}
