#include "db/DbGateway.h"

#include <QAtomicInteger>
#include <QMutex>
#include <QSqlError>
#include <QSqlRecord>

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
thread_local int t_transactionDepth = 0;

void setError(const QString& error, DbErrorKind kind = DbErrorKind::Other)
{
    t_lastError = error;
    t_lastErrorKind = kind;
}

// PostgreSQL 23505; SQLite 2067 (unique) and 1555 (primary key); SQL Server 2627 and 2601.
DbErrorKind kindOf(const QSqlError& error)
{
    static const QStringList duplicateCodes = {QStringLiteral("23505"), QStringLiteral("2067"),
                                               QStringLiteral("1555"), QStringLiteral("2627"),
                                               QStringLiteral("2601")};
    const QString code = error.nativeErrorCode();
    for (const QString& duplicate : duplicateCodes) {
        if (code == duplicate || code.startsWith(duplicate + QLatin1Char(' ')))
            return DbErrorKind::DuplicateKey;
    }
    return DbErrorKind::Other;
}


QString describe(const QSqlError& error)
{
    const QString text = error.text().trimmed();
    return text.isEmpty() ? QStringLiteral("unknown database error") : text;
}

void setError(const QSqlError& error)
{
    setError(describe(error), kindOf(error));
}

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

QString DbGateway::connectionName() const
{
    return QStringLiteral("kavrel-%1-%2").arg(m_id).arg(threadToken());
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
        setError(db.lastError());
        return false;
    }
    if (m_config.backend == DbBackend::Sqlite) {
        // Several threads write the same file; WAL lets readers go on while one writes.
        QSqlQuery pragma(db);
        pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    }
    return true;
}

QSqlDatabase DbGateway::threadDatabase()
{
    const QString name = connectionName();
    QSqlDatabase db;
    {
        QMutexLocker lock(&registryMutex());
        db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                          : QSqlDatabase::addDatabase(m_dialect.driverName(), name);
    }
    if (!db.isOpen())
        openDatabase(db);
    return db;
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

bool DbGateway::DbExecute(const QString& sql, const QVariantList& values, qint64* rowsAffected)
{
    QSqlDatabase db = threadDatabase();
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    if (!run(query, sql, values)) {
        setError(query.lastError());
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
        rows.m_error = lastError();
        return rows;
    }
    auto query = std::make_unique<QSqlQuery>(db);
    query->setForwardOnly(true);
    if (!run(*query, sql, values)) {
        rows.fail(describe(query->lastError()));
        return rows;
    }
    rows.m_failed = false;
    rows.m_query = std::move(query);
    rows.m_atEnd = false;
    rows.m_atEnd = !rows.m_query->next();
    if (rows.m_atEnd && rows.m_query->lastError().isValid())
        rows.fail(describe(rows.m_query->lastError()));
    return rows;
}

bool DbGateway::begin(QSqlDatabase& db)
{
    if (m_config.backend == DbBackend::Sqlite) {
        // Take the write lock at once: a deferred transaction that upgrades later can fail
        // at once with "database is locked" instead of waiting its turn.
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            setError(query.lastError());
            return false;
        }
        return true;
    }
    if (!db.transaction()) {
        setError(db.lastError());
        return false;
    }
    return true;
}

bool DbGateway::finish(QSqlDatabase& db, bool commit)
{
    if (m_config.backend == DbBackend::Sqlite) {
        QSqlQuery query(db);
        if (query.exec(commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK")))
            return true;
        setError(query.lastError());
        if (commit)
            query.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    if (commit && db.commit())
        return true;
    if (commit)
        setError(db.lastError());
    db.rollback();
    return false;
}

bool DbGateway::transaction(const std::function<bool()>& work)
{
    if (t_transactionDepth > 0)
        return work();
    QSqlDatabase db = threadDatabase();
    if (!db.isOpen() || !begin(db))
        return false;
    ++t_transactionDepth;
    const bool ok = work();
    --t_transactionDepth;
    if (!ok) {
        const QString error = lastError();
        const DbErrorKind kind = lastErrorKind();
        finish(db, false);
        setError(error, kind);
        return false;
    }
    return finish(db, true);
}
