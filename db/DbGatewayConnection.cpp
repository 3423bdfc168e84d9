#include "db/DbGateway.h"

#include "db/GuardedApi.h"
#include "db/PgRows.h"
#include "db/SessionUser.h"

#include <QAtomicInteger>
#include <QMutex>
#include <QSqlDriver>

#include <libpq-fe.h>
#include <poll.h>

namespace {

// Qt 6.4's driver registry is not safe to use from several threads at once.
QMutex& registryMutex()
{
    static QMutex mutex;
    return mutex;
}

QAtomicInteger<quint64> g_nextThreadToken{1};

quint64 threadToken()
{
    thread_local const quint64 token = g_nextThreadToken.fetchAndAddRelaxed(1);
    return token;
}

} // namespace

QString DbGateway::connectionName() const
{
    return QStringLiteral("kavrel-%1-%2").arg(m_id).arg(threadToken());
}

bool DbGateway::openDatabase(QSqlDatabase& db, const QString& moreOptions)
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
        db.setConnectOptions(QStringLiteral("connect_timeout=%1").arg(m_config.connectTimeoutSeconds) +
                             moreOptions);
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
            DbError::set(DbError::kConnectionLost);
        } else {
            openDatabase(db);
        }
    }
    endWalk(db);
    return db;
}

// A new statement ends the walk still reading on the connection, as the driver does with its own.
void DbGateway::endWalk(const QSqlDatabase& db) const
{
    if (PGconn* connection = PgLink::of(db))
        PgRows::endWalkOn(connection);
}

bool DbGateway::threadConnectionOpen()
{
    const QString name = connectionName();
    QSqlDatabase db;
    {
        QMutexLocker lock(&registryMutex());
        if (!QSqlDatabase::contains(name))
            return false;
        db = QSqlDatabase::database(name, false);
    }
    return db.isOpen() && !idleConnectionEnded(db);
}

// Qt's PostgreSQL driver notices a connection that the server ended (idle timeout, restart,
// pg_terminate_backend) only when a statement fails on it. The server's farewell and the end
// of the stream wait on the socket, though: look there without waiting and without a round
// trip. Anything that arrives for a session that asked nothing is such a farewell.
bool DbGateway::idleConnectionEnded(const QSqlDatabase& db) const
{
    if (m_config.backend != DbBackend::Postgres)
        return false;
    PGconn* connection = PgLink::of(db);
    if (!connection)
        return false;
    if (PQstatus(connection) != CONNECTION_OK)
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
    if (!db.isOpen() || PgLink::lost(PgLink::of(db)))
        return false;
    QSqlQuery ping(db);
    return ping.exec(QStringLiteral("SELECT 1")) && (ping.finish(), true);
}

// Asked directly, past the statement hook: finding the route is no statement of the program's.
bool DbGateway::probeRoute(QSqlDatabase& db)
{
    if (m_config.backend != DbBackend::Postgres) {
        m_route = Route::Open;
        return true;
    }
    QSqlQuery probe(db);
    if (!probe.exec(GuardedApi::probe()) || !probe.next()) {
        noteError(probe.lastError());
        return false;
    }
    m_route = probe.value(0).toBool() ? Route::Guarded : Route::Open;
    return true;
}

bool DbGateway::DbOpen()
{
    closeThreadConnection();
    QSqlDatabase db = threadDatabase();
    if (!db.isOpen())
        return false;
    if (probeRoute(db))
        return true;
    db = QSqlDatabase();
    closeThreadConnection();
    return false;
}

QSqlDriver* DbGateway::DbListen(const QString& channel)
{
    if (m_config.backend != DbBackend::Postgres)
        return nullptr;
    closeThreadConnection();
    QSqlDatabase db;
    {
        QMutexLocker lock(&registryMutex());
        db = QSqlDatabase::addDatabase(m_dialect.driverName(), connectionName());
    }
    // A connection that only listens hears nothing from a server that went away without a word;
    // TCP keepalives tell within about a minute instead of the system's two hours.
    if (openDatabase(db, QStringLiteral(";keepalives_idle=30;keepalives_interval=10;keepalives_count=3"))) {
        if (db.driver()->subscribeToNotification(channel))
            return db.driver();
        noteError(db.driver()->lastError());
    }
    db = QSqlDatabase();
    closeThreadConnection();
    return nullptr;
}

bool DbGateway::guarded()
{
    if (m_config.backend != DbBackend::Postgres)
        return false;
    if (m_route == Route::Unknown) {
        QSqlDatabase db = threadDatabase();
        if (db.isOpen())
            probeRoute(db);
    }
    return m_route == Route::Guarded;
}

void DbGateway::setSession(std::shared_ptr<SessionToken> token)
{
    QMutexLocker lock(&m_sessionMutex);
    m_session = std::move(token);
}

std::shared_ptr<SessionToken> DbGateway::session() const
{
    QMutexLocker lock(&m_sessionMutex);
    return m_session;
}

void DbGateway::shareSession(const DbGateway& other)
{
    setSession(other.session());
    m_route = other.m_route.load();
}

void DbGateway::closeThreadConnection()
{
    const QString name = connectionName();
    QMutexLocker lock(&registryMutex());
    if (!QSqlDatabase::contains(name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (PGconn* connection = PgLink::of(db))
            PgRows::forgetWalkOn(connection);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}
