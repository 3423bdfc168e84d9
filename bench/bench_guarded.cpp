// The guarded PostgreSQL route beside the open one, in one run on one server: a message part of
// 30,000 numbers and a login through a relay that delays each direction by half a round trip
// (the relay counts the client's requests), and the account list of 100,000 accounts and the
// receive page's 6,000 waiting rows read directly. Needs a server address with a superuser in
// KAVREL_BENCH_PG or KAVREL_TEST_PG; it makes the databases kavrel_bench_open and
// kavrel_bench_guarded there anew.
// Example: scripts/with-postgres.sh build/bench/bench_guarded
#include "DelayProxy.h"

#include "admin/AccountQueries.h"
#include "db/DbGateway.h"
#include "db/GuardedSetup.h"
#include "db/LoginStatements.h"
#include "db/PartStatements.h"
#include "db/Schema.h"
#include "db/SqlText.h"
#include "records/RecordQueries.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr int kAccounts = 100000;
constexpr int kWaiting = 6000;
constexpr int kNumbers = 30000;
const QString kClientRole = QStringLiteral("kavrel_bench_client");

// One database of the server as the clients and the fixtures reach it.
struct Site
{
    QString label;
    QUrl client; // the address a client uses
    std::unique_ptr<DbGateway> owner;
};

QUrl withDatabase(QUrl url, const QString& database)
{
    url.setPath(QLatin1Char('/') + database);
    return url;
}

DbGateway* gatewayAt(const QUrl& url)
{
    return new DbGateway(DbConfig::parse(url.toString(), QDir::currentPath()));
}

bool run(DbGateway& gateway, const QString& sql, const QVariantList& values = {})
{
    if (gateway.DbExecute(sql, values))
        return true;
    std::printf("%s failed: %s\n", qPrintable(sql.left(60)), qPrintable(DbGateway::lastError()));
    return false;
}

std::unique_ptr<Site> makeSite(const QUrl& server, const QString& label, bool guard)
{
    const QString database = QStringLiteral("kavrel_bench_") + label;
    std::unique_ptr<DbGateway> admin(gatewayAt(server));
    if (!admin->DbOpen() ||
        !run(*admin, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database)) ||
        !run(*admin, QStringLiteral("CREATE DATABASE %1").arg(database)))
        return nullptr;
    auto site = std::make_unique<Site>();
    site->label = label;
    site->client = withDatabase(server, database);
    site->owner.reset(gatewayAt(site->client));
    QString error;
    if (!site->owner->DbOpen() || !Schema::create(*site->owner, &error)) {
        std::printf("%s: cannot make the tables: %s %s\n", qPrintable(label),
                    qPrintable(DbGateway::lastError()), qPrintable(error));
        return nullptr;
    }
    if (guard) {
        const GuardedSetup::Result result = GuardedSetup::guard(*site->owner, kClientRole, {});
        if (!result.ok) {
            std::printf("guarding failed: %s\n", qPrintable(result.error));
            return nullptr;
        }
        site->client.setUserName(kClientRole);
        site->client.setPassword(QString());
    }
    return site;
}

bool addAccount(Site& site, const QString& name, const QString& type, qint64 balance)
{
    DbGateway& owner = *site.owner;
    return run(owner, SqlText::insertAccount(owner.dialect()),
               {name, QStringLiteral("张三"), QStringLiteral("星河公司"), QStringLiteral("pw"), type,
                QStringLiteral("北京路1号"), QStringLiteral("13800000000")}) &&
           run(owner, QStringLiteral("UPDATE UserInfo SET payMoney=? WHERE loginName=?"), {balance, name});
}

// The bulk accounts carry no password on the guarded side: hashing 100,000 of them would take
// the fill hours, and the list never shows one.
bool fill(Site& site, bool guarded)
{
    DbGateway& owner = *site.owner;
    return addAccount(site, QStringLiteral("boss"), QStringLiteral("管理员"), 0) &&
           addAccount(site, QStringLiteral("bench"), QStringLiteral("注册用户"), 1000000000) &&
           run(owner,
               QStringLiteral(
                   "INSERT INTO UserInfo (loginName,userName,parentName,pwd,type,payMoney,"
                   "addDate,status,recvs,Address,telephone) SELECT 'user' || lpad(k::text, 6, '0'), "
                   "'张三', '星河公司', %1, '注册用户', 0, '2011-03-05 15:04:09', 0, '0', "
                   "'北京路1号', '13800000000' FROM generate_series(1, ?) k")
                   .arg(guarded ? QStringLiteral("''") : QStringLiteral("'pw' || k")),
               {kAccounts - 2}) &&
           run(owner, QStringLiteral("ANALYZE"));
}

bool fillWaiting(Site& site)
{
    return run(*site.owner, QStringLiteral("DELETE FROM Messages")) &&
           run(*site.owner,
               QStringLiteral("INSERT INTO Messages (loginName,message,addDate,status,CountNum) SELECT "
                              "'bench', '第' || k || '批 短信内容', '2011-03-05 15:04:09', '2', "
                              "'13800000001,13800000002,' FROM generate_series(1, ?) k"),
               {kWaiting}) &&
           run(*site.owner, QStringLiteral("ANALYZE Messages"));
}

// A client of the site, through a relay when one is given, logged in as loginName.
struct Client
{
    std::unique_ptr<DbGateway> gateway;
    SessionUser session;
};

Client connect(const Site& site, const DelayProxy* proxy, const QString& loginName)
{
    QUrl url = site.client;
    if (proxy)
        url.setPort(proxy->port());
    Client client{std::unique_ptr<DbGateway>(gatewayAt(url)), {}};
    client.session.loginName = loginName;
    client.session.password = QStringLiteral("pw");
    if (!client.gateway->DbOpen() ||
        DbLogin(*client.gateway, client.session, loginName, QStringLiteral("pw")).result !=
            LoginResult::Accepted) {
        std::printf("%s: %s cannot log in: %s\n", qPrintable(site.label), qPrintable(loginName),
                    qPrintable(DbGateway::lastError()));
        client.gateway.reset();
    }
    return client;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

struct Figures
{
    double ms = 0; // median
    double best = 0;
    double requests = 0;
};

// Median time and the requests per call of work, each call timed apart.
Figures timed(int calls, DelayProxy* proxy, const std::function<bool()>& work)
{
    std::vector<double> times;
    int requests = 0;
    for (int k = 0; k < calls; ++k) {
        if (proxy)
            proxy->resetRequests();
        QElapsedTimer timer;
        timer.start();
        if (!work())
            return {-1, -1, -1};
        times.push_back(timer.nsecsElapsed() / 1e6);
        requests += proxy ? proxy->requests() : 0;
    }
    return {median(times), *std::min_element(times.begin(), times.end()), double(requests) / calls};
}

Figures partFigures(const Site& site, DelayProxy* proxy, int parts)
{
    Client client = connect(site, proxy, QStringLiteral("bench"));
    if (!client.gateway)
        return {-1, -1, -1};
    MessagePart part{QString(200, QLatin1Char('m')), QString(), kNumbers};
    part.numberList.reserve(kNumbers * 12);
    for (int i = 0; i < kNumbers; ++i)
        part.numberList += QString::number(13800000000LL + i) + QLatin1Char(',');
    SessionUser figures;
    return timed(parts, proxy, [&] {
        QString message;
        const PartEnd end = DbWritePart(*client.gateway, client.session, part, kNumbers, figures, message);
        if (end != PartEnd::Charged)
            std::printf("%s: part not charged: %s\n", qPrintable(site.label), qPrintable(message));
        return end == PartEnd::Charged;
    });
}

Figures loginFigures(const Site& site, DelayProxy* proxy)
{
    Client client = connect(site, proxy, QStringLiteral("boss"));
    if (!client.gateway)
        return {-1, -1, -1};
    return timed(5, proxy, [&] {
        SessionUser session;
        return DbLogin(*client.gateway, session, QStringLiteral("boss"), QStringLiteral("pw")).result ==
               LoginResult::Accepted;
    });
}

// A list's walk from the statement to its last row, as the page's worker runs it.
Figures listFigures(const Site& site, const ListQuery::Walk& walk, int expected)
{
    Client client = connect(site, nullptr, QStringLiteral("boss"));
    if (!client.gateway)
        return {-1, -1, -1};
    return timed(15, nullptr, [&] {
        int rows = 0;
        const Outcome outcome = walk(*client.gateway, [&](ReportRow) { return ++rows, true; });
        if (!outcome.ok || rows != expected)
            std::printf("%s: %d rows of %d: %s\n", qPrintable(site.label), rows, expected,
                        qPrintable(outcome.text()));
        return outcome.ok && rows == expected;
    });
}

void printPair(const char* what, const char* goal, Figures open, Figures guarded, bool counted)
{
    std::printf("%-24s", what);
    for (const auto& [route, figures] : {std::pair{"open", open}, std::pair{"guarded", guarded}}) {
        std::printf("  %-7s %6.1f ms (best %6.1f)", route, figures.ms, figures.best);
        if (counted)
            std::printf(" %4.1f trips", figures.requests);
    }
    std::printf("  ratio %.2f (best %.2f) %s\n", guarded.ms / open.ms, guarded.best / open.best, goal);
}

void benchRoutes(const Site& open, const Site& guarded, std::uint16_t serverPort)
{
    std::printf("\nmessage part of %d numbers, median of the parts, client requests per part:\n", kNumbers);
    printPair("direct loopback", "", partFigures(open, nullptr, 10), partFigures(guarded, nullptr, 10),
              false);
    for (int roundTrip : {0, 2, 20}) {
        DelayProxy proxy(serverPort, roundTrip);
        const QByteArray what = QByteArray("relay, RTT ") + QByteArray::number(roundTrip) + " ms";
        const int parts = roundTrip >= 20 ? 5 : 10;
        printPair(what.constData(), roundTrip == 20 ? "(goal guarded < 80 ms, <= 3 trips)" : "",
                  partFigures(open, &proxy, parts), partFigures(guarded, &proxy, parts), true);
    }
    std::printf("\nlogin (DbLogin on an open connection), median of 5:\n");
    printPair("direct loopback", "(goal guarded < 200 ms)", loginFigures(open, nullptr),
              loginFigures(guarded, nullptr), false);
    for (int roundTrip : {0, 20}) {
        DelayProxy proxy(serverPort, roundTrip);
        const QByteArray what = QByteArray("relay, RTT ") + QByteArray::number(roundTrip) + " ms";
        printPair(what.constData(), "(goal guarded < 200 ms)", loginFigures(open, &proxy),
                  loginFigures(guarded, &proxy), true);
    }
}

qint64 ownerNumber(Site& site, const QString& sql)
{
    DbRows rows = site.owner->DbQuery(sql);
    return rows.atEnd() ? -1 : rows.number(QStringLiteral("n"));
}

// Parts written while the network fails or the server ends the client's session at a random
// moment of the call: what the client tells must match what the server kept.
void attackParts(Site& guarded, std::uint16_t serverPort)
{
    constexpr int kParts = 20;
    DelayProxy proxy(serverPort, 20);
    Client client = connect(guarded, &proxy, QStringLiteral("bench"));
    if (!client.gateway)
        return;
    const QString rowsSql = QStringLiteral("SELECT count(*) AS n FROM Messages WHERE loginName = 'bench'");
    const QString balanceSql = QStringLiteral("SELECT payMoney AS n FROM UserInfo WHERE loginName = 'bench'");
    const qint64 rowsBefore = ownerNumber(guarded, rowsSql);
    const qint64 balanceBefore = ownerNumber(guarded, balanceSql);
    MessagePart part{QStringLiteral("attack"), QString(), kNumbers};
    for (int i = 0; i < kNumbers; ++i)
        part.numberList += QString::number(13800000000LL + i) + QLatin1Char(',');
    std::mt19937 random(15);
    int told[5] = {};
    int asked = 0;
    client.gateway->setStatementHook([&](const QString& sql) {
        asked += sql.contains(QStringLiteral("part_written")) ? 1 : 0;
        return DbGateway::HookAction::Proceed;
    });
    for (int k = 0; k < kParts; ++k) {
        const auto after = std::chrono::milliseconds(random() % 60);
        std::thread attacker([&, cut = k % 2 == 0] {
            std::this_thread::sleep_for(after);
            if (cut) {
                proxy.cut();
                return;
            }
            DbGateway killer(guarded.owner->config());
            DbThreadScope scope(killer);
            killer.DbExecute(
                QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = ?"),
                {kClientRole});
        });
        SessionUser figures;
        QString message;
        ++told[int(DbWritePart(*client.gateway, client.session, part, kNumbers, figures, message))];
        attacker.join();
    }
    const qint64 rows = ownerNumber(guarded, rowsSql) - rowsBefore;
    const qint64 charged = (balanceBefore - ownerNumber(guarded, balanceSql)) / kNumbers;
    const int toldCharged = told[int(PartEnd::Charged)];
    std::printf(
        "\n%d parts at RTT 20 ms, the link cut or the server session ended at a random moment:\n"
        "told charged %d, failed %d, unknown %d (after %d lost answers, asked anew); the server kept %lld "
        "rows and charged %lld parts: %s\n",
        kParts, toldCharged, told[int(PartEnd::Failed)], told[int(PartEnd::Unknown)], asked,
        static_cast<long long>(rows), static_cast<long long>(charged),
        rows == toldCharged && charged == toldCharged ? "truthful" : "NOT TRUTHFUL");
}

void benchLists(Site& open, Site& guarded)
{
    std::printf("\nlists read directly, from the statement to the last row, median of 5:\n");
    const ListQuery::Walk accounts = AccountQueries::adminAccounts(QString());
    printPair("account list, 100000", "(goal ratio <= 1.5)", listFigures(open, accounts, kAccounts),
              listFigures(guarded, accounts, kAccounts), false);
    if (!fillWaiting(open) || !fillWaiting(guarded))
        return;
    const ListQuery::Walk waiting = RecordQueries::waitingBatches(std::nullopt);
    printPair("receive page, 6000 rows", "(goal ratio <= 1.5)",
              listFigures(open, waiting, RecordQueries::kWaitingRowLimit),
              listFigures(guarded, waiting, RecordQueries::kWaitingRowLimit), false);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString address = qEnvironmentVariable("KAVREL_BENCH_PG");
    if (address.isEmpty())
        address = qEnvironmentVariable("KAVREL_TEST_PG");
    if (address.isEmpty()) {
        std::printf("set KAVREL_BENCH_PG to a PostgreSQL address with a superuser to measure\n");
        return 0;
    }
    const QUrl server(address);
    std::unique_ptr<Site> open = makeSite(server, QStringLiteral("open"), false);
    std::unique_ptr<Site> guarded = makeSite(server, QStringLiteral("guarded"), true);
    if (!open || !guarded || !fill(*open, false) || !fill(*guarded, true))
        return 1;
    const qint64 cost = ownerNumber(
        *guarded, QStringLiteral("SELECT value AS n FROM kavrel_private.settings WHERE name='bcrypt_cost'"));
    // The hash check alone, which the login's time mostly is; it grows with the machine's load.
    const Figures check = timed(5, nullptr, [&] {
        return guarded->owner->DbExecute(
            QStringLiteral("SELECT kavrel_crypto.crypt('pw', kavrel_crypto.gen_salt('bf', ?))"), {cost});
    });
    std::printf("guarded database: bcrypt cost %lld, one hash on the server %.1f ms (best %.1f)\n",
                static_cast<long long>(cost), check.ms, check.best);
    benchRoutes(*open, *guarded, static_cast<std::uint16_t>(server.port(5432)));
    attackParts(*guarded, static_cast<std::uint16_t>(server.port(5432)));
    benchLists(*open, *guarded);
    return 0;
}
