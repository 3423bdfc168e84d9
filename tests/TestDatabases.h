#pragma once

#include "db/AccountSetup.h"
#include "db/DbGateway.h"
#include "db/SessionUser.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// Databases for statement tests: an SQLite file always, and when the test command has started a
// PostgreSQL server (KAVREL_TEST_PG holds its address) an open and a guarded database on it. Each
// test program gets its own PostgreSQL databases so that programs may run side by side.
//
// On the guarded database the code under test acts as a client does: with the client's login,
// which reaches no table, and with real sessions. The fixtures below write and read the tables
// through the server's superuser instead, whichever gateway they are handed (see owner()).
namespace TestDb {

struct Backend
{
    QString name;    // "sqlite", "postgres" or "guarded"
    QString address; // empty for SQLite: a temporary file is used; the client's login when guarded
};

QList<Backend> backends();
// Adds the rows "sqlite" and, when available, "postgres" and "guarded" with a column "backend";
// without guarded, only the open layouts (for tests of the gateway or the layout themselves).
void addBackendRows(bool guarded = true);
Backend currentBackend();
// Whether the database opened last is the guarded one. Where its results differ from the open
// route's by a stated departure, the tests say so next to the expectation.
bool isGuarded();

// A gateway on empty tables of the backend; for the guarded database, the client's.
std::unique_ptr<DbGateway> open(const Backend& backend, const QTemporaryDir& dir);
// The gateway that may write the tables of gateway's database: the superuser's when gateway is a
// guarded database's client, else gateway itself.
DbGateway& owner(DbGateway& gateway);
// Makes session the login the gateway's session-less calls (lists, number reads) act for.
void useSession(DbGateway& gateway, const SessionUser& session);
// A table the server fails on, and the tables mended again. On the guarded database the table
// stays (its functions' owner loses its rights on it), so that its guard is kept.
void breakTable(DbGateway& gateway, const QString& table);
void mendTables(DbGateway& gateway);
// The start of a unit of work among the statements a hook sees: a BEGIN, or one call of the
// guarded API, which is a unit of its own.
bool startsUnit(const QString& sql);
// Address of the backend's database, for a second gateway or a second process.
QString address(const Backend& backend, const QTemporaryDir& dir);
void clearTables(DbGateway& gateway);

void addAccount(DbGateway& gateway, const QString& loginName, const QString& password, const QString& type,
                qint64 balance = 0, const QString& nickname = QStringLiteral("测试员"),
                const QString& company = QStringLiteral("测试公司"));
// Adds an account (password "pw") and returns the session of its login.
SessionUser addActingAccount(DbGateway& gateway, const QString& loginName,
                             const QString& type = QStringLiteral("管理员"));
// The session of a logged-in account: its name, password and the rights of its type, and on the
// guarded database the token of a real login (none when the login is refused). With signIn the
// account is written first.
SessionUser session(const QString& loginName, const QString& password, const QString& type);
SessionUser signIn(DbGateway& gateway, const QString& loginName, const QString& password,
                   const QString& type);
qint64 balanceOf(DbGateway& gateway, const QString& loginName);
qint64 count(DbGateway& gateway, const QString& table, const QString& where = {},
             const QVariantList& values = {});
QString text(DbGateway& gateway, const QString& sql, const QVariantList& values, const QString& column);
// Accounts whose balance differs from the sum of their Moneys rows, as "name: balance/records".
QStringList ledgerBreaks(DbGateway& gateway);

// Address of an empty PostgreSQL database of this program named with suffix, dropped and made
// anew; empty when no server runs.
QString freshPostgresDatabase(const QString& suffix);

// A guarded PostgreSQL database of this test program (its own, named after the program),
// emptied, with the cheapest bcrypt cost so that accounts are added quickly. owner is the
// server's superuser; client is the client's login role, which has only the API's rights. Both
// are empty when no server runs.
struct GuardedDb
{
    std::unique_ptr<DbGateway> owner;
    std::unique_ptr<DbGateway> client;
    QString clientAddress;
    QString clientRole;
};
GuardedDb openGuarded();
// Runs "SELECT * FROM kavrel_api.<call>" and returns its column "code", or "error: " and the
// database's text when the call failed.
QString apiCode(DbGateway& client, const QString& call, const QVariantList& values = {});
// The token of an accepted login, empty when refused.
QString guardedLogin(DbGateway& client, const QString& loginName, const QString& password);
// A digest of every row of the service tables and, when guarded, of the private tables but the
// sessions: equal digests mean nothing was written.
QString snapshot(DbGateway& owner);

// A stalled server: holds a PostgreSQL table locked from a connection of its own until released
// or destroyed, so that every other statement on the table waits. The server ends the holder
// after maxSeconds, so a failing test cannot hang on it.
class TableLock
{
public:
    TableLock(const QString& address, const QString& table, int maxSeconds = 20);
    ~TableLock() { release(); }
    bool held() const { return m_held; }
    void release();

private:
    std::unique_ptr<DbGateway> m_gateway;
    bool m_held = false;
};

} // namespace TestDb
