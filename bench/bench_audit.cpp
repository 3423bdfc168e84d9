// Audit and records figures: the statistics of a 200,000-number batch in the core (against the
// pairwise procedure on 20,000 numbers), the receive page's full listing of 6,000 waiting rows
// on SQLite and, when KAVREL_TEST_PG names a server, on PostgreSQL, and the longest stall of
// the window during a statistics run of 1,000,000 numbers and during watch polls.
#include "audit/AuditDlg.h"
#include "audit/NumberStatistics.h"
#include "common/ReportModel.h"
#include "db/DbGateway.h"
#include "db/ListQuery.h"
#include "db/Schema.h"
#include "db/SessionUser.h"
#include "records/ReceiveDlg.h"
#include "widgets/Dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// Half of the numbers repeat an earlier one.
QString halfRepeated(int count)
{
    QString list;
    list.reserve(count * 12);
    const int distinct = count / 2;
    for (int i = 0; i < distinct; ++i)
        list += QString::number(13800000000LL + i) + u',';
    for (int i = 0; i < count - distinct; ++i)
        list += QString::number(13800000000LL + (i * 7919LL) % distinct) + u',';
    return list;
}

struct Lists
{
    qint64 total = 0;
    QStringList unique;
    QStringList repeated;
};

// The service's own procedure: every pair of positions once, the repeated list searched before
// each insertion.
Lists pairwise(const QString& list)
{
    QStringList work;
    for (QStringView piece : NumberStatistics::split(list))
        work.append(piece.toString());
    Lists result;
    result.total = work.size();
    for (qsizetype i = 0; i < work.size(); ++i) {
        for (qsizetype j = work.size() - 1; j > i; --j) {
            if (work.at(j) != work.at(i))
                continue;
            const QString number = work.at(j);
            work[j].clear();
            if (number.size() > 4 && !result.repeated.contains(number))
                result.repeated.append(number);
        }
    }
    for (const QString& number : work) {
        if (!number.isEmpty())
            result.unique.append(number);
    }
    return result;
}

double bestOf(int runs, const std::function<void()>& work)
{
    double best = 1e12;
    for (int k = 0; k < runs; ++k) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

// Longest gap between heartbeats of the user-interface thread while done() is false.
double longestStall(const std::function<bool()>& done, double* elapsed = nullptr)
{
    QElapsedTimer tick, total;
    double longest = 0;
    QTimer heartbeat;
    heartbeat.setInterval(5);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longest = std::max(longest, tick.nsecsElapsed() / 1e6);
        tick.restart();
    });
    tick.start();
    total.start();
    heartbeat.start();
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (elapsed)
        *elapsed = total.nsecsElapsed() / 1e6;
    return longest;
}

bool fillWaiting(DbGateway& gateway, int rows, const QString& list)
{
    return gateway.transaction([&] {
        for (int k = 0; k < rows; ++k) {
            if (!gateway.DbExecute(
                    QStringLiteral("INSERT INTO Messages (loginName,message,addDate,status,CountNum) VALUES "
                                   "('bench',?,'2011-03-05 15:04:09','2',?)"),
                    {QStringLiteral("第%1批 短信内容").arg(k), list}))
                return false;
        }
        return true;
    });
}

void benchListing(const char* backend, DbGateway& gateway, SessionUser& session, const QString& folder)
{
    gateway.DbExecute(QStringLiteral("DELETE FROM Messages"));
    if (!fillWaiting(gateway, 6000, QStringLiteral("13800000001,13800000002,"))) {
        std::printf("%s: cannot fill Messages: %s\n", backend, qPrintable(DbGateway::lastError()));
        return;
    }
    CReceiveDlg page({gateway, session, folder}, nullptr);
    page.show();
    auto* all = page.findChild<QPushButton*>(QStringLiteral("allButton"));
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        page.model()->clear();
        QElapsedTimer timer;
        timer.start();
        all->click();
        while (page.model()->rowCount() < 5001)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("receive page full listing, 6000 waiting rows -> %d shown (%s): median %.1f ms, best %.1f ms "
                "(goal < 200)\n",
                page.model()->rowCount(), backend, times[times.size() / 2], times.front());

    // Watch polls replace the whole list on the window's thread; 5 polls of 5,001 rows.
    WatchTimings timings;
    timings.pollMs = 150;
    timings.afterSoundMs = 10;
    page.setWatchTimings(timings);
    int polls = 0;
    QObject::connect(page.soundWatch(), &ReceiveWatch::polled, &page, [&] { ++polls; });
    page.findChild<QPushButton*>(QStringLiteral("soundWatchButton"))->click();
    const double stall = longestStall([&] { return polls >= 5; });
    page.findChild<QPushButton*>(QStringLiteral("soundWatchButton"))->click();
    std::printf(
        "sound watch, 5 polls of 6000 waiting rows (%s): longest stall of the window %.1f ms (goal < 50)\n",
        backend, stall);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Dialogs::setMessageHook([](const Dialogs::Message&) { return true; });
    Dialogs::setUrlHook([](const QUrl&) { return true; });

    // Core statistics.
    const QString big = halfRepeated(200000);
    NumberStatistics::Result result;
    const double linear = bestOf(5, [&] { result = NumberStatistics::count(big); });
    std::printf(
        "statistics, 200000 numbers (half repeated) -> %lld unique, %lld repeated: %.1f ms (goal < 100)\n",
        static_cast<long long>(result.unique.size()), static_cast<long long>(result.repeated.size()), linear);
    const QString small = halfRepeated(20000);
    NumberStatistics::Result fast;
    Lists slow;
    const double smallLinear = bestOf(5, [&] { fast = NumberStatistics::count(small); });
    const double smallPairwise = bestOf(1, [&] { slow = pairwise(small); });
    std::printf("statistics, 20000 numbers: hashed %.2f ms, pairwise %.1f ms, ratio %.0fx, same lists: %s\n",
                smallLinear, smallPairwise, smallPairwise / smallLinear,
                fast.unique.toStringList() == slow.unique && fast.repeated.toStringList() == slow.repeated
                    ? "yes"
                    : "NO");

    QTemporaryDir dir;
    SessionUser session;
    session.loginName = QStringLiteral("boss");
    session.applyType(QStringLiteral("管理员"));

    // The audit window counting 1,000,000 numbers.
    DbGateway sqlite(DbConfig::parse(QStringLiteral("sqlite:bench.db"), dir.path()));
    if (!sqlite.DbOpen() || !Schema::create(sqlite))
        return 1;
    fillWaiting(sqlite, 1, halfRepeated(1000000));
    CStatisticsWindow::setCaptionPause(0);
    double elapsed = 0;
    auto* audit =
        new CAuditDlg({sqlite, session, dir.path()}, {1, "bench", "2", "m", "2011-03-05 15:04:09"}, nullptr);
    audit->show();
    const double stall = longestStall([&] { return !audit->isCounting(); }, &elapsed);
    std::printf(
        "audit window, statistics of 1000000 numbers: %.0f ms to both lists; longest stall of the window "
        "%.1f ms (goal < 50)\n",
        elapsed, stall);
    delete audit;

    benchListing("SQLite", sqlite, session, dir.path());
    const QString server = qEnvironmentVariable("KAVREL_TEST_PG");
    if (!server.isEmpty()) {
        DbGateway postgres(DbConfig::parse(server, dir.path()));
        if (postgres.DbOpen() && Schema::create(postgres))
            benchListing("PostgreSQL", postgres, session, dir.path());
    }
    return 0;
}
