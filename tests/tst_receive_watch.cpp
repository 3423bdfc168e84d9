#include "Fixtures.h"
#include "TestDatabases.h"

#include "audit/SelectedRecord.h"
#include "db/PartStatements.h"
#include "records/ReceiveWatch.h"
#include "sending/SubmissionRun.h"

#include <QSignalSpy>
#include <QTest>

namespace {

WatchTimings fast()
{
    WatchTimings timings;
    timings.pollMs = 60;
    timings.afterSoundMs = 10;
    timings.popupRepeatMs = 80;
    timings.afterPopupMs = 10;
    timings.pauseCheckMs = 10;
    return timings;
}

QList<ReportRow> rowsOf(const QList<QVariant>& polled)
{
    return polled.at(0).value<QList<ReportRow>>();
}

// A part of a customer's submission, written as a run writes it.
void writePart(DbGateway& gateway, const SessionUser& customer, const QString& message)
{
    SessionUser figures;
    QString refusal;
    QCOMPARE(
        DbWritePart(gateway, customer, {message, QStringLiteral("13800000001,"), 1}, 1, figures, refusal),
        PartEnd::Charged);
}

} // namespace

class TestReceiveWatch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data() { TestDb::addBackendRows(); }
    void init();
    void cleanup();

    void soundWatchListsAndAlertsOnlyWhileRowsWait();
    void watchesKeepStillWhileARunWritesOrAnAuditIsOpen_data();
    void watchesKeepStillWhileARunWritesOrAnAuditIsOpen();
    void popupWatchRepeatsForListedRowsWithoutPolling();
    void quickRestartsLeaveOneThread();
    void failedPollsReportOncePerOutage();
    void killedConnectionIsReplaced();
    void writtenPartsAreHeardAtOnceOnServers();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
};

void TestReceiveWatch::init()
{
    m_gateway = TestDb::open(TestDb::currentBackend(), m_dir);
    // The watches poll for the administrator logged in.
    TestDb::useSession(*m_gateway, TestDb::signIn(*m_gateway, "boss", "pw", "管理员"));
    RunIdle = 1;
    AuditWindowsOpen = 0;
}

void TestReceiveWatch::cleanup()
{
    RunIdle = 1;
    AuditWindowsOpen = 0;
    m_gateway.reset();
}

void TestReceiveWatch::soundWatchListsAndAlertsOnlyWhileRowsWait()
{
    ReceiveWatch watch(*m_gateway, ReceiveWatch::Kind::Sound);
    watch.setTimings(fast());
    QSignalSpy polled(&watch, &ReceiveWatch::polled);
    QSignalSpy alerts(&watch, &ReceiveWatch::alert);
    watch.start();
    QTRY_VERIFY(polled.count() >= 3);
    QCOMPARE(alerts.count(), 0);
    QVERIFY(polled.last().at(0).value<QList<ReportRow>>().isEmpty());

    Fixtures::addWaiting(*m_gateway, {.message = "first", .status = "1"});
    Fixtures::addWaiting(*m_gateway, {.message = "second", .status = "1"});
    QTRY_VERIFY(alerts.count() >= 2);
    const QList<ReportRow> rows = polled.last().at(0).value<QList<ReportRow>>();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.first().cells.at(2), QStringLiteral("first"));
    watch.stop();
    QVERIFY(!watch.isOn());
}

void TestReceiveWatch::watchesKeepStillWhileARunWritesOrAnAuditIsOpen_data()
{
    QTest::addColumn<bool>("runWrites");
    QTest::addColumn<bool>("popup");
    QTest::newRow("run, sound watch") << true << false;
    QTest::newRow("audit, sound watch") << false << false;
    QTest::newRow("run, popup watch") << true << true;
    QTest::newRow("audit, popup watch") << false << true;
}

void TestReceiveWatch::watchesKeepStillWhileARunWritesOrAnAuditIsOpen()
{
    QFETCH(bool, runWrites);
    QFETCH(bool, popup);
    Fixtures::addWaiting(*m_gateway, {.message = "waiting", .status = "1"});
    if (runWrites)
        RunIdle = 0;
    else
        AuditWindowsOpen = 1;
    ReceiveWatch watch(*m_gateway, popup ? ReceiveWatch::Kind::Popup : ReceiveWatch::Kind::Sound);
    watch.setTimings(fast());
    QSignalSpy polled(&watch, &ReceiveWatch::polled);
    QSignalSpy alerts(&watch, &ReceiveWatch::alert);
    watch.start();
    QTest::qWait(400);
    QCOMPARE(polled.count(), 0);
    QCOMPARE(alerts.count(), 0);
    RunIdle = 1;
    AuditWindowsOpen = 0;
    QTRY_VERIFY(alerts.count() >= 1);
    QVERIFY(polled.count() >= 1);
}

void TestReceiveWatch::popupWatchRepeatsForListedRowsWithoutPolling()
{
    Fixtures::addWaiting(*m_gateway, {.message = "waiting", .status = "1"});
    ReceiveWatch watch(*m_gateway, ReceiveWatch::Kind::Popup);
    watch.setTimings(fast());
    QSignalSpy polled(&watch, &ReceiveWatch::polled);
    QSignalSpy alerts(&watch, &ReceiveWatch::alert);
    watch.setListedRows(2);
    watch.start();
    QTRY_VERIFY(alerts.count() >= 3);
    QCOMPARE(polled.count(), 0);
    // An empty list is filled from the table again.
    watch.setListedRows(0);
    QTRY_VERIFY(polled.count() >= 1);
    QCOMPARE(polled.first().at(0).value<QList<ReportRow>>().size(), 1);
}

void TestReceiveWatch::quickRestartsLeaveOneThread()
{
    ReceiveWatch watch(*m_gateway, ReceiveWatch::Kind::Sound);
    WatchTimings timings = fast();
    timings.pollMs = 200;
    watch.setTimings(timings);
    QSignalSpy polled(&watch, &ReceiveWatch::polled);
    for (int k = 0; k < 10; ++k) {
        watch.start();
        watch.stop();
    }
    watch.start();
    QTRY_VERIFY(polled.count() >= 1);
    polled.clear();
    QTest::qWait(1100);
    // One thread polls about five times in 1.1 s; two or more would poll twice as often.
    QVERIFY2(polled.count() <= 7, qPrintable(QString::number(polled.count())));
    watch.stop();
    QTest::qWait(300);
    polled.clear();
    QTest::qWait(500);
    QCOMPARE(polled.count(), 0);
}

void TestReceiveWatch::failedPollsReportOncePerOutage()
{
    ReceiveWatch watch(*m_gateway, ReceiveWatch::Kind::Sound);
    watch.setTimings(fast());
    QSignalSpy polled(&watch, &ReceiveWatch::polled);
    QSignalSpy failures(&watch, &ReceiveWatch::pollFailed);
    watch.start();
    QTRY_VERIFY(polled.count() >= 1);
    // The table is unreachable for a while: many failed polls, one report.
    QVERIFY(TestDb::owner(*m_gateway).DbExecute("ALTER TABLE Messages RENAME TO MessagesAway"));
    QTRY_COMPARE(failures.count(), 1);
    QTest::qWait(500);
    QCOMPARE(failures.count(), 1);
    QVERIFY(failures.first().at(0).toString().startsWith(ReceiveWatch::soundOpenFailed()));
    QVERIFY(TestDb::owner(*m_gateway).DbExecute("ALTER TABLE MessagesAway RENAME TO Messages"));
    polled.clear();
    QTRY_VERIFY(polled.count() >= 2);
    // A new outage is told again.
    QVERIFY(TestDb::owner(*m_gateway).DbExecute("ALTER TABLE Messages RENAME TO MessagesAway"));
    QTRY_COMPARE(failures.count(), 2);
    QVERIFY(TestDb::owner(*m_gateway).DbExecute("ALTER TABLE MessagesAway RENAME TO Messages"));

    // The popup watch fails silently when the statement cannot run.
    ReceiveWatch popup(*m_gateway, ReceiveWatch::Kind::Popup);
    popup.setTimings(fast());
    QSignalSpy popupFailures(&popup, &ReceiveWatch::pollFailed);
    QVERIFY(TestDb::owner(*m_gateway).DbExecute("ALTER TABLE Messages RENAME TO MessagesAway"));
    popup.start();
    QTest::qWait(400);
    QVERIFY(TestDb::owner(*m_gateway).DbExecute("ALTER TABLE MessagesAway RENAME TO Messages"));
    QCOMPARE(popupFailures.count(), 0);
}

void TestReceiveWatch::killedConnectionIsReplaced()
{
    if (TestDb::currentBackend().name == QStringLiteral("sqlite"))
        QSKIP("server connections only");
    Fixtures::addWaiting(*m_gateway, {.message = "waiting", .status = "1"});
    ReceiveWatch watch(*m_gateway, ReceiveWatch::Kind::Sound);
    watch.setTimings(fast());
    QSignalSpy polled(&watch, &ReceiveWatch::polled);
    QSignalSpy failures(&watch, &ReceiveWatch::pollFailed);
    watch.start();
    QTRY_VERIFY(polled.count() >= 1);
    QVERIFY(TestDb::owner(*m_gateway)
                .DbExecute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                           "WHERE datname = current_database() AND pid <> pg_backend_pid()"));
    QTest::qWait(500);
    polled.clear();
    // The next polls run on a new connection and list the row again. A poll caught on the
    // connection as it died fails once; an idle one is replaced before it is used.
    QTRY_VERIFY(polled.count() >= 2);
    QCOMPARE(polled.last().at(0).value<QList<ReportRow>>().size(), 1);
    QVERIFY(failures.count() <= 1);
}

// Polls so far apart that only the server's word of a written part explains a poll.
void TestReceiveWatch::writtenPartsAreHeardAtOnceOnServers()
{
    const bool server = TestDb::currentBackend().name != QStringLiteral("sqlite");
    ReceiveWatch watch(*m_gateway, ReceiveWatch::Kind::Popup);
    WatchTimings timings = fast();
    if (server)
        timings.pollMs = 600000;
    watch.setTimings(timings);
    QSignalSpy polled(&watch, &ReceiveWatch::polled);
    QSignalSpy alerts(&watch, &ReceiveWatch::alert);
    QSignalSpy listening(&watch, &ReceiveWatch::listening);
    QSignalSpy failures(&watch, &ReceiveWatch::pollFailed);
    watch.start();
    if (!server) {
        // Nothing to listen to: the watch keeps polling at its pace.
        QTRY_VERIFY(polled.count() >= 3);
        QCOMPARE(listening.count(), 0);
        return;
    }
    TestDb::addAccount(*m_gateway, "cust", "pw", "注册用户", 10);
    const SessionUser customer = TestDb::session("cust", "pw", "注册用户");
    // Its first poll, and one for whatever came before it listened.
    QTRY_COMPARE(listening.count(), 1);
    QTRY_COMPARE(polled.count(), 2);
    writePart(*m_gateway, customer, "first");
    QTRY_COMPARE(alerts.count(), 1);
    QCOMPARE(polled.count(), 3);
    QCOMPARE(rowsOf(polled.last()).size(), 1);

    // The watch's connections are killed: the listening one is opened again without a word to
    // the user, and the next part is heard on it.
    QVERIFY(TestDb::owner(*m_gateway).DbExecute("DELETE FROM Messages"));
    QVERIFY(TestDb::owner(*m_gateway)
                .DbExecute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                           "WHERE datname = current_database() AND pid <> pg_backend_pid()"));
    QTRY_COMPARE(listening.count(), 3);
    QCOMPARE(listening.at(1).at(0).toBool(), false);
    QCOMPARE(listening.at(2).at(0).toBool(), true);
    QTRY_COMPARE(polled.count(), 4);
    writePart(*m_gateway, customer, "second");
    QTRY_COMPARE(alerts.count(), 2);
    QCOMPARE(rowsOf(polled.last()).first().cells.at(2), QStringLiteral("second"));
    QCOMPARE(failures.count(), 0);
}

QTEST_GUILESS_MAIN(TestReceiveWatch)
#include "tst_receive_watch.moc"
