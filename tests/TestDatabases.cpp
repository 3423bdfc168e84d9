#include "TestDatabases.h"

#include "db/GuardedApi.h"
#include "db/GuardedSetup.h"
#include "db/LoginStatements.h"
#include "db/Schema.h"
#include "db/SqlText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
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

// Creates a database of this program on the server once, through the server's own address.
QString createdDatabase(const QString& name)
{
    static QHash<QString, QString> created;
    if (const auto known = created.constFind(name); known != created.cend())
        return *known;
    const QString server = qEnvironmentVariable("KAVREL_TEST_PG");
    QString error;
    DbGateway admin(DbConfig::parse(server, QDir::currentPath(), &error));
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
    created.insert(name, url.toString());
    return url.toString();
}

QString postgresAddress()
{
    static const QString address = qEnvironmentVariable("KAVREL_TEST_PG").isEmpty()
                                       ? QString()
                                       : createdDatabase(postgresDatabaseName());
    return address;
}

const QStringList kServiceTables = {QStringLiteral("UserInfo"), QStringLiteral("Messages"),
                                    QStringLiteral("TelPhone"), QStringLiteral("UserRecv"),
                                    QStringLiteral("Moneys"),   QStringLiteral("SubmittedParts"),
                                    QStringLiteral("OptOut")};

// The program's guarded database, made and guarded once: the superuser's address, and the
// client's login, which has only the API's rights.
struct GuardedSite
{
    QString ownerAddress;
    QString clientAddress;
    QString clientRole;
};

const GuardedSite& guardedSite()
{
    static const GuardedSite site = [] {
        GuardedSite made;
        made.ownerAddress = createdDatabase(postgresDatabaseName() + QStringLiteral("_guarded"));
        made.clientRole = postgresDatabaseName() + QStringLiteral("_guarded_client");
        QUrl url(made.ownerAddress);
        url.setUserName(made.clientRole);
        url.setPassword(QString());
        made.clientAddress = url.toString();
        return made;
    }();
    return site;
}

// Guards the program's database on its first use.
void ensureGuarded(DbGateway& owner)
{
    static bool guarded = false;
    if (guarded)
        return;
    QString error;
    if (!owner.DbOpen() || !Schema::create(owner, &error))
        qFatal("cannot open %s: %s %s", qPrintable(guardedSite().ownerAddress),
               qPrintable(DbGateway::lastError()), qPrintable(error));
    const GuardedSetup::Result result = GuardedSetup::guard(owner, guardedSite().clientRole, {});
    if (!result.ok)
        qFatal("cannot guard %s: %s", qPrintable(guardedSite().ownerAddress), qPrintable(result.error));
    guarded = true;
}

// The fixtures' way into the guarded database's tables.
DbGateway& siteOwner()
{
    static DbGateway owner(DbConfig::parse(guardedSite().ownerAddress, QDir::currentPath()));
    return owner;
}

bool g_guardedOpen = false;

bool isGuardedClient(const DbGateway& gateway)
{
    return gateway.config().backend == DbBackend::Postgres &&
           !qEnvironmentVariable("KAVREL_TEST_PG").isEmpty() &&
           gateway.config().user == guardedSite().clientRole;
}

// Empty tables, the functions' rights on them restored, and the settings of a new database but
// for the cheapest bcrypt cost, which keeps tests quick.
void prepareGuarded(DbGateway& owner)
{
    ensureGuarded(owner);
    mendTables(owner);
    clearTables(owner);
    owner.DbExecute(QStringLiteral(
        "UPDATE kavrel_private.settings SET value = CASE name WHEN 'bcrypt_cost' THEN '4' WHEN "
        "'session_idle_hours' THEN '12' WHEN 'failed_login_limit' THEN '10' WHEN 'failed_login_minutes' "
        "THEN '15' ELSE value END"));
}

} // namespace

QList<Backend> backends()
{
    QList<Backend> result{{QStringLiteral("sqlite"), QString()}};
    if (!qEnvironmentVariable("KAVREL_TEST_PG").isEmpty())
        result << Backend{QStringLiteral("postgres"), postgresAddress()}
               << Backend{QStringLiteral("guarded"), guardedSite().clientAddress};
    else if (qEnvironmentVariableIntValue("KAVREL_TEST_PG_REQUIRED"))
        qFatal("KAVREL_TEST_PG_REQUIRED is set but KAVREL_TEST_PG is not");
    return result;
}

void addBackendRows(bool guarded)
{
    QTest::addColumn<QString>("backend");
    for (const Backend& backend : backends()) {
        if (guarded || backend.name != QStringLiteral("guarded"))
            QTest::newRow(qPrintable(backend.name)) << backend.name;
    }
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

bool isGuarded()
{
    return g_guardedOpen;
}

DbGateway& owner(DbGateway& gateway)
{
    return isGuardedClient(gateway) ? siteOwner() : gateway;
}

void useSession(DbGateway& gateway, const SessionUser& session)
{
    gateway.setSession(session.token);
}

void breakTable(DbGateway& gateway, const QString& table)
{
    if (isGuardedClient(gateway))
        QVERIFY(siteOwner().DbExecute(
            QStringLiteral("REVOKE ALL ON %1 FROM %2").arg(table, GuardedApi::kOwnerRole)));
    else
        QVERIFY(gateway.DbExecute(QStringLiteral("DROP TABLE ") + table));
}

void mendTables(DbGateway& gateway)
{
    if (!GuardedSetup::isGuarded(owner(gateway))) {
        QVERIFY(Schema::create(gateway));
        return;
    }
    QVERIFY(
        owner(gateway).DbExecute(QStringLiteral("GRANT ALL ON %1 TO %2")
                                     .arg(kServiceTables.join(QLatin1Char(',')), GuardedApi::kOwnerRole)));
}

bool startsUnit(const QString& sql)
{
    return sql == QStringLiteral("BEGIN") || sql.contains(QStringLiteral("FROM kavrel_api."));
}

QString address(const Backend& backend, const QTemporaryDir& dir)
{
    if (backend.address.isEmpty())
        return QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("test.db"));
    return backend.address;
}

void clearTables(DbGateway& client)
{
    DbGateway& gateway = owner(client);
    if (GuardedSetup::isGuarded(gateway)) {
        for (const char* table : {"sessions", "failed_logins", "credentials", "screened_lists"})
            QVERIFY(gateway.DbExecute(QStringLiteral("DELETE FROM kavrel_private.") + QLatin1String(table)));
    }
    for (const QString& table : kServiceTables)
        QVERIFY2(gateway.DbExecute(QStringLiteral("DELETE FROM ") + table),
                 qPrintable(DbGateway::lastError()));
}

std::unique_ptr<DbGateway> open(const Backend& backend, const QTemporaryDir& dir)
{
    g_guardedOpen = backend.name == QStringLiteral("guarded");
    if (g_guardedOpen) {
        prepareGuarded(siteOwner());
        auto client = std::make_unique<DbGateway>(DbConfig::parse(backend.address, dir.path()));
        if (!client->DbOpen() || !client->guarded())
            qFatal("cannot open %s: %s", qPrintable(backend.address), qPrintable(DbGateway::lastError()));
        return client;
    }
    QString error;
    auto gateway = std::make_unique<DbGateway>(DbConfig::parse(address(backend, dir), dir.path(), &error));
    if (!gateway->DbOpen())
        qFatal("cannot open %s: %s", qPrintable(address(backend, dir)), qPrintable(DbGateway::lastError()));
    if (!Schema::create(*gateway, &error))
        qFatal("cannot create the tables: %s", qPrintable(error));
    clearTables(*gateway);
    return gateway;
}

void addAccount(DbGateway& client, const QString& loginName, const QString& password, const QString& type,
                qint64 balance, const QString& nickname, const QString& company)
{
    DbGateway& gateway = owner(client);
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
    if (g_guardedOpen && !loginName.isEmpty()) {
        DbGateway login(DbConfig::parse(guardedSite().clientAddress, QDir::currentPath()));
        SessionUser accepted;
        if (DbLogin(login, accepted, loginName, password).result == LoginResult::Accepted)
            user.token = accepted.token;
    }
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
    DbRows rows = owner(gateway).DbQuery(QStringLiteral("SELECT payMoney FROM UserInfo WHERE loginName=?"),
                                         {loginName});
    return rows.atEnd() ? -1 : rows.number(QStringLiteral("payMoney"));
}

qint64 count(DbGateway& gateway, const QString& table, const QString& where, const QVariantList& values)
{
    QString sql = QStringLiteral("SELECT COUNT(*) AS n FROM ") + table;
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    DbRows rows = owner(gateway).DbQuery(sql, values);
    return rows.atEnd() ? -1 : rows.number(QStringLiteral("n"));
}

QString text(DbGateway& gateway, const QString& sql, const QVariantList& values, const QString& column)
{
    DbRows rows = owner(gateway).DbQuery(sql, values);
    return rows.atEnd() ? QString() : rows.text(column);
}

QStringList ledgerBreaks(DbGateway& gateway)
{
    DbRows rows = owner(gateway).DbQuery(QStringLiteral(
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

QString freshPostgresDatabase(const QString& suffix)
{
    const QString server = qEnvironmentVariable("KAVREL_TEST_PG");
    if (server.isEmpty())
        return {};
    const QString name = postgresDatabaseName() + QLatin1Char('_') + suffix;
    DbGateway admin(DbConfig::parse(server, QDir::currentPath()));
    if (!admin.DbExecute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name)) ||
        !admin.DbExecute(QStringLiteral("CREATE DATABASE ") + name))
        qFatal("cannot make %s anew: %s", qPrintable(name), qPrintable(DbGateway::lastError()));
    QUrl url(server);
    url.setPath(QLatin1Char('/') + name);
    return url.toString();
}

GuardedDb openGuarded()
{
    GuardedDb db;
    if (qEnvironmentVariable("KAVREL_TEST_PG").isEmpty())
        return db;
    const GuardedSite& site = guardedSite();
    db.clientRole = site.clientRole;
    db.clientAddress = site.clientAddress;
    db.owner = std::make_unique<DbGateway>(DbConfig::parse(site.ownerAddress, QDir::currentPath()));
    db.client = std::make_unique<DbGateway>(DbConfig::parse(site.clientAddress, QDir::currentPath()));
    prepareGuarded(*db.owner);
    if (!db.client->DbOpen())
        qFatal("cannot open %s: %s", qPrintable(site.clientAddress), qPrintable(DbGateway::lastError()));
    return db;
}

QString apiCode(DbGateway& client, const QString& call, const QVariantList& values)
{
    DbRows rows = client.DbQuery(QStringLiteral("SELECT * FROM kavrel_api.") + call, values);
    const QString code = rows.atEnd() ? QString() : rows.text(QStringLiteral("code"));
    return rows.failed() || rows.atEnd() ? QStringLiteral("error: ") + DbGateway::lastError() : code;
}

QString guardedLogin(DbGateway& client, const QString& loginName, const QString& password)
{
    DbRows rows = client.DbQuery(QStringLiteral("SELECT code, COALESCE(token, '') AS token FROM "
                                                "kavrel_api.login(?, ?)"),
                                 {loginName, password});
    return rows.atEnd() || rows.text(QStringLiteral("code")) != QStringLiteral("ok")
               ? QString()
               : rows.text(QStringLiteral("token"));
}

QString snapshot(DbGateway& owner)
{
    QStringList tables = kServiceTables;
    if (GuardedSetup::isGuarded(owner))
        tables << QStringLiteral("kavrel_private.credentials") << QStringLiteral("kavrel_private.settings")
               << QStringLiteral("kavrel_private.failed_logins");
    QString all;
    for (const QString& table : tables)
        all +=
            text(owner,
                 QStringLiteral("SELECT COALESCE(md5(string_agg(t::text, '|' ORDER BY t::text)), '-') AS v "
                                "FROM %1 t")
                     .arg(table),
                 {}, QStringLiteral("v")) +
            QLatin1Char(' ');
    return all;
}

TableLock::TableLock(const QString& address, const QString& table, int maxSeconds)
    : m_gateway(std::make_unique<DbGateway>(DbConfig::parse(address, QDir::currentPath())))
{
    // The client of a guarded database may lock nothing; its superuser may.
    if (isGuardedClient(*m_gateway))
        m_gateway =
            std::make_unique<DbGateway>(DbConfig::parse(guardedSite().ownerAddress, QDir::currentPath()));
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
