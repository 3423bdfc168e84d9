#include "TestDatabases.h"

#include "db/Schema.h"
#include "db/SqlText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QUrl>

namespace TestDb {
namespace {

QString postgresDatabaseName()
{
    QString name = QFileInfo(QCoreApplication::applicationFilePath()).baseName().toLower();
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    return QStringLiteral("kavrel_") + name;
}

// Creates this program's database on the server once, through the server's own address.
QString postgresAddress()
{
    static const QString address = [] {
        const QString server = qEnvironmentVariable("KAVREL_TEST_PG");
        if (server.isEmpty())
            return QString();
        QString error;
        DbGateway admin(DbConfig::parse(server, QDir::currentPath(), &error));
        const QString name = postgresDatabaseName();
        DbRows rows =
            admin.DbQuery(QStringLiteral("SELECT COUNT(*) AS n FROM pg_database WHERE datname=?"), {name});
        if (rows.failed())
            qFatal("PostgreSQL at %s is not reachable: %s", qPrintable(server),
                   qPrintable(DbGateway::lastError()));
        const bool exists = rows.number(QStringLiteral("n")) > 0;
        rows = DbRows();
        // Two runs of one program (tst_skin_window and its HiDPI run) may create it at once.
        if (!exists && !admin.DbExecute(QStringLiteral("CREATE DATABASE ") + name) &&
            DbGateway::lastErrorKind() != DbErrorKind::DuplicateKey)
            qFatal("cannot create %s: %s", qPrintable(name), qPrintable(DbGateway::lastError()));
        QUrl url(server);
        url.setPath(QLatin1Char('/') + name);
        return url.toString();
    }();
    return address;
}

} // namespace

QList<Backend> backends()
{
    QList<Backend> result{{QStringLiteral("sqlite"), QString()}};
    if (!qEnvironmentVariable("KAVREL_TEST_PG").isEmpty())
        result << Backend{QStringLiteral("postgres"), postgresAddress()};
    else if (qEnvironmentVariableIntValue("KAVREL_TEST_PG_REQUIRED"))
        qFatal("KAVREL_TEST_PG_REQUIRED is set but KAVREL_TEST_PG is not");
    return result;
}

void addBackendRows()
{
    QTest::addColumn<QString>("backend");
    for (const Backend& backend : backends())
        QTest::newRow(qPrintable(backend.name)) << backend.name;
}

Backend currentBackend()
{
    QFETCH_GLOBAL(QString, backend);
    for (const Backend& candidate : backends()) {
        if (candidate.name == backend)
            return candidate;
    }
    return backends().constFirst();
}

QString address(const Backend& backend, const QTemporaryDir& dir)
{
    if (backend.address.isEmpty())
        return QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("test.db"));
    return backend.address;
}

void clearTables(DbGateway& gateway)
{
    for (const char* table : {"UserInfo", "Messages", "TelPhone", "UserRecv", "Moneys", "SubmittedParts"})
        QVERIFY2(gateway.DbExecute(QStringLiteral("DELETE FROM ") + QLatin1String(table)),
                 qPrintable(DbGateway::lastError()));
}

std::unique_ptr<DbGateway> open(const Backend& backend, const QTemporaryDir& dir)
{
    QString error;
    auto gateway = std::make_unique<DbGateway>(DbConfig::parse(address(backend, dir), dir.path(), &error));
    if (!gateway->DbOpen())
        qFatal("cannot open %s: %s", qPrintable(address(backend, dir)), qPrintable(DbGateway::lastError()));
    if (!Schema::create(*gateway, &error))
        qFatal("cannot create the tables: %s", qPrintable(error));
    clearTables(*gateway);
    return gateway;
}

void addAccount(DbGateway& gateway, const QString& loginName, const QString& password, const QString& type,
                qint64 balance, const QString& nickname, const QString& company)
{
    QVERIFY2(gateway.DbExecute(SqlText::insertAccount(gateway.dialect()),
                               {loginName, nickname, company, password, type, QStringLiteral("地址"),
                                QStringLiteral("13800000000")}),
             qPrintable(DbGateway::lastError()));
    QVERIFY(gateway.DbExecute(QStringLiteral("UPDATE UserInfo SET payMoney=? WHERE loginName=?"),
                              {balance, loginName}));
}

SessionUser session(const QString& loginName, const QString& password, const QString& type)
{
    SessionUser user;
    user.loginName = loginName;
    user.password = password;
    user.applyType(type);
    return user;
}

SessionUser signIn(DbGateway& gateway, const QString& loginName, const QString& password, const QString& type)
{
    addAccount(gateway, loginName, password, type);
    return session(loginName, password, type);
}

SessionUser addActingAccount(DbGateway& gateway, const QString& loginName, const QString& type)
{
    return signIn(gateway, loginName, QStringLiteral("pw"), type);
}

qint64 balanceOf(DbGateway& gateway, const QString& loginName)
{
    DbRows rows =
        gateway.DbQuery(QStringLiteral("SELECT payMoney FROM UserInfo WHERE loginName=?"), {loginName});
    return rows.atEnd() ? -1 : rows.number(QStringLiteral("payMoney"));
}

qint64 count(DbGateway& gateway, const QString& table, const QString& where, const QVariantList& values)
{
    QString sql = QStringLiteral("SELECT COUNT(*) AS n FROM ") + table;
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    DbRows rows = gateway.DbQuery(sql, values);
    return rows.atEnd() ? -1 : rows.number(QStringLiteral("n"));
}

QString text(DbGateway& gateway, const QString& sql, const QVariantList& values, const QString& column)
{
    DbRows rows = gateway.DbQuery(sql, values);
    return rows.atEnd() ? QString() : rows.text(column);
}

QStringList ledgerBreaks(DbGateway& gateway)
{
    DbRows rows = gateway.DbQuery(QStringLiteral(
        "SELECT u.loginName, u.payMoney, COALESCE((SELECT CAST(SUM(CAST(m.fullMoney AS bigint)) AS bigint) "
        "FROM Moneys m WHERE m.loginName=u.loginName),0) AS recorded FROM UserInfo u"));
    QStringList breaks;
    for (; !rows.atEnd(); rows.next()) {
        const QString balance = rows.text(QStringLiteral("payMoney"));
        const QString recorded = rows.text(QStringLiteral("recorded"));
        if (balance.toLongLong() != recorded.toLongLong())
            breaks
                << QStringLiteral("%1: %2/%3").arg(rows.text(QStringLiteral("loginName")), balance, recorded);
    }
    if (rows.failed())
        breaks << rows.error();
    return breaks;
}

TableLock::TableLock(const QString& address, const QString& table, int maxSeconds)
    : m_gateway(std::make_unique<DbGateway>(DbConfig::parse(address, QDir::currentPath())))
{
    m_held = m_gateway->DbExecute(
                 QStringLiteral("SET idle_in_transaction_session_timeout = %1").arg(maxSeconds * 1000)) &&
             m_gateway->DbExecute(QStringLiteral("BEGIN")) &&
             m_gateway->DbExecute(QStringLiteral("LOCK TABLE %1 IN ACCESS EXCLUSIVE MODE").arg(table));
}

void TableLock::release()
{
    if (m_held)
        m_gateway->DbExecute(QStringLiteral("ROLLBACK"));
    m_held = false;
}

} // namespace TestDb
