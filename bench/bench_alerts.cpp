// Alert latency on PostgreSQL, with two processes: a customer process submits one single-part
// batch at a time through the submission run, and this process, as a staff client with the
// receive page's popup watch on, waits for the popup request. Measured from the customer's
// commit (when its COMMIT, or on a guarded database its one call, goes to the server) to the
// popup request, 50 times on an open and on a guarded database; then, as the baseline, 5 times
// on the open database without its trigger, where only the 6 s poll finds the batch.
// Needs a server: KAVREL_TEST_PG (scripts/with-postgres.sh runs it so).
#include "db/AccountSetup.h"
#include "db/DbGateway.h"
#include "db/GuardedSetup.h"
#include "db/LoginStatements.h"
#include "db/Schema.h"
#include "db/SqlText.h"
#include "records/ReceiveDlg.h"
#include "sending/SubmissionRun.h"
#include "widgets/Dialogs.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

// The same clock in both processes (CLOCK_MONOTONIC).
qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The customer: one part per line read, answering with the time its commit went out (-1 when
// the part was not charged).
int customer(const QString& address)
{
    DbGateway gateway(DbConfig::parse(address, QDir::currentPath()));
    SessionUser session;
    if (DbLogin(gateway, session, QStringLiteral("cust"), QStringLiteral("pw")).result !=
        LoginResult::Accepted)
        return 3;
    qint64 committed = -1;
    gateway.setStatementHook([&](const QString& sql) {
        if (sql == QStringLiteral("COMMIT") || sql.contains(QStringLiteral("kavrel_api.write_part")))
            committed = nowNs();
        return DbGateway::HookAction::Proceed;
    });
    for (std::string line; std::getline(std::cin, line);) {
        SubmissionRun run(gateway, {QStringLiteral("cust"),
                                    QStringLiteral("pw"),
                                    {QStringLiteral("您的验证码是 1234")},
                                    {QStringLiteral("13800000001")},
                                    1000000});
        bool charged = false;
        QObject::connect(&run, &SubmissionRun::partCharged, [&] { charged = true; });
        run.run();
        std::printf("%lld\n", charged ? static_cast<long long>(committed) : -1LL);
        std::fflush(stdout);
    }
    return 0;
}

bool waitFor(const std::function<bool()>& done, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

// A new database of the server with an administrator and a customer; guarded when asked. Returns
// the superuser's address and the address the clients use.
std::pair<QString, QString> prepare(const QString& server, const QString& name, bool guarded)
{
    DbGateway admin(DbConfig::parse(server, QDir::currentPath()));
    admin.DbExecute(QStringLiteral("DROP DATABASE IF EXISTS ") + name);
    if (!admin.DbExecute(QStringLiteral("CREATE DATABASE ") + name))
        return {};
    QUrl url(server);
    url.setPath(QLatin1Char('/') + name);
    DbGateway owner(DbConfig::parse(url.toString(), QDir::currentPath()));
    if (!owner.DbOpen() || !Schema::create(owner) ||
        !AccountSetup::createAdministrator(owner, {QStringLiteral("boss"), QStringLiteral("pw"),
                                                   QStringLiteral("pw"), QStringLiteral("值班员"),
                                                   QStringLiteral("bench")}) ||
        !owner.DbExecute(SqlText::insertAccount(owner.dialect()),
                         {QStringLiteral("cust"), QStringLiteral("客户"), QStringLiteral("bench"),
                          QStringLiteral("pw"), QStringLiteral("注册用户"), QStringLiteral("地址"),
                          QStringLiteral("13800000000")}) ||
        !owner.DbExecute(QStringLiteral("UPDATE UserInfo SET payMoney=100000000 WHERE loginName='cust'")))
        return {};
    if (!guarded)
        return {url.toString(), url.toString()};
    const QString role = name + QStringLiteral("_client");
    if (!GuardedSetup::guard(owner, role, {}).ok)
        return {};
    QUrl client(url);
    client.setUserName(role);
    client.setPassword(QString());
    return {url.toString(), client.toString()};
}

struct Figures
{
    std::vector<double> ms;
    QString error;
};

Figures sample(CReceiveDlg& page, QProcess& customer, DbGateway& owner, int samples)
{
    Figures figures;
    qint64 popupAt = 0;
    const QMetaObject::Connection popups =
        QObject::connect(&page, &CReceiveDlg::WM_SHOW_POPUP, [&] { popupAt = popupAt ? popupAt : nowNs(); });
    auto* clear = page.findChild<QPushButton*>(QStringLiteral("clearButton"));
    for (int k = 0; k < samples && figures.error.isEmpty(); ++k) {
        // Past the watch's least gap between polls that notifications bring.
        waitFor([] { return false; }, 700);
        popupAt = 0;
        customer.write("\n");
        if (!waitFor([&] { return popupAt != 0 && customer.canReadLine(); }, 15000)) {
            figures.error = QStringLiteral("no popup within 15 s");
            break;
        }
        const qint64 committed = customer.readLine().trimmed().toLongLong();
        if (committed < 0)
            figures.error = QStringLiteral("the customer's part was not charged");
        figures.ms.push_back((popupAt - committed) / 1e6);
        // The batch is audited away and the list cleared, so the watch waits again.
        owner.DbExecute(QStringLiteral("DELETE FROM Messages"));
        clear->click();
    }
    QObject::disconnect(popups);
    return figures;
}

void report(const char* what, Figures figures, int samples)
{
    if (!figures.error.isEmpty() || int(figures.ms.size()) != samples) {
        std::printf("%s: failed: %s\n", what, qPrintable(figures.error));
        return;
    }
    std::sort(figures.ms.begin(), figures.ms.end());
    std::printf("%s, commit to popup request, %d batches: median %.1f ms, worst %.1f ms (goal < 1000)\n",
                what, samples, figures.ms[figures.ms.size() / 2], figures.ms.back());
}

double median(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return ms.empty() ? 0 : ms[ms.size() / 2];
}

Figures measure(const char* what, const QString& server, const QString& name, bool guarded, bool baseline)
{
    const auto [ownerAddress, clientAddress] = prepare(server, name, guarded);
    if (clientAddress.isEmpty())
        return {{}, QStringLiteral("cannot prepare %1: %2").arg(name, DbGateway::lastError())};
    QTemporaryDir folder;
    DbGateway owner(DbConfig::parse(ownerAddress, folder.path()));
    DbGateway gateway(DbConfig::parse(clientAddress, folder.path()));
    SessionUser session;
    if (DbLogin(gateway, session, QStringLiteral("boss"), QStringLiteral("pw")).result !=
        LoginResult::Accepted)
        return {{}, QStringLiteral("the administrator cannot log in")};
    if (baseline)
        owner.DbExecute(QStringLiteral("DROP TRIGGER messages_announced ON Messages"));
    CReceiveDlg page({gateway, session, folder.path()}, nullptr);
    WatchTimings timings;
    // The popup watch's own pause after a popup is cut so that the batches follow each other
    // quickly; the poll stays at its 6 s.
    timings.afterPopupMs = 0;
    page.setWatchTimings(timings);
    bool listening = false;
    QObject::connect(page.popupWatch(), &ReceiveWatch::listening, [&](bool on) { listening = on; });
    page.findChild<QPushButton*>(QStringLiteral("popupWatchButton"))->click();
    if (!waitFor([&] { return listening; }, 15000))
        return {{}, QStringLiteral("the watch does not listen")};
    QProcess customer;
    customer.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--customer"), clientAddress});
    const int samples = baseline ? 5 : 50;
    Figures figures = customer.waitForStarted() ? sample(page, customer, owner, samples)
                                                : Figures{{}, QStringLiteral("the customer did not start")};
    customer.closeWriteChannel();
    customer.waitForFinished();
    page.findChild<QPushButton*>(QStringLiteral("popupWatchButton"))->click();
    report(what, figures, samples);
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--customer") == 0) {
        QCoreApplication app(argc, argv);
        return customer(QString::fromLocal8Bit(argv[2]));
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Dialogs::setMessageHook([](const Dialogs::Message&) { return true; });
    const QString server = qEnvironmentVariable("KAVREL_TEST_PG");
    if (server.isEmpty()) {
        std::printf("alert latency: needs a PostgreSQL server in KAVREL_TEST_PG\n");
        return 1;
    }
    const Figures open =
        measure("open PostgreSQL", server, QStringLiteral("kavrel_bench_alerts"), false, false);
    measure("guarded PostgreSQL", server, QStringLiteral("kavrel_bench_alerts_guarded"), true, false);
    const Figures polled = measure("open PostgreSQL without the trigger (6 s poll only)", server,
                                   QStringLiteral("kavrel_bench_alerts_polled"), false, true);
    if (!open.ms.empty() && !polled.ms.empty())
        std::printf("median latency, poll only / notified: %.0fx\n", median(polled.ms) / median(open.ms));
    return 0;
}
