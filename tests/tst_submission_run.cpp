#include "TestDatabases.h"

#include "db/GuardedCall.h"
#include "sending/Composition.h"
#include "sending/SubmissionRun.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

class TestSubmissionRun : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data() { TestDb::addBackendRows(); }
    void init();
    void cleanup() { m_gateway.reset(); }

    void shortTextOnePart();
    void longTextTwoPartsCharged();
    void balanceCheckedBeforeEveryPart_data();
    void balanceCheckedBeforeEveryPart();
    void balanceSpentElsewhereStopsTheRun();
    void rechargeSinceLoginCounts();
    void emptyListEndsAtOnce();
    void failedPartIsNeitherWrittenNorCharged();
    void disabledSinceLoginSubmitsNothing();
    void unreachableDatabaseEndsOnlyTheRun();
    void twoClientsNeverOverdraw();
    void statementsPerPart();

private:
    struct Outcome
    {
        QList<QList<QVariant>> charged, failed;
        RunSummary summary;
        int finished = 0;
    };
    Outcome runInThread(DbGateway& gateway, const RunRequest& request);
    RunRequest request(const QString& text, int numbers, qint64 balance) const;

    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
};

void TestSubmissionRun::init()
{
    m_gateway = TestDb::open(TestDb::currentBackend(), m_dir);
    TestDb::addAccount(*m_gateway, QStringLiteral("user01"), QStringLiteral("pw"), QStringLiteral("注册用户"),
                       100);
    // The account logged in on the gateway the runs write through.
    TestDb::useSession(*m_gateway, TestDb::session(QStringLiteral("user01"), QStringLiteral("pw"),
                                                   QStringLiteral("注册用户")));
}

RunRequest TestSubmissionRun::request(const QString& text, int numbers, qint64 balance) const
{
    QStringList list;
    for (int i = 0; i < numbers; ++i)
        list << QStringLiteral("1380000%1").arg(i, 4, 10, QLatin1Char('0'));
    return {QStringLiteral("user01"), QStringLiteral("pw"),
            cutParts(text, messageCount(messageCharacterCount(text))), list, balance};
}

TestSubmissionRun::Outcome TestSubmissionRun::runInThread(DbGateway& gateway, const RunRequest& runRequest)
{
    SubmissionRun run(gateway, runRequest);
    QSignalSpy charged(&run, &SubmissionRun::partCharged), failed(&run, &SubmissionRun::partFailed);
    Outcome outcome;
    connect(
        &run, &SubmissionRun::finished, this,
        [&outcome](const RunSummary& summary) {
            outcome.summary = summary;
            ++outcome.finished;
        },
        Qt::DirectConnection);
    std::unique_ptr<QThread> thread(QThread::create([&run] { run.run(); }));
    thread->start();
    thread->wait();
    outcome.charged = charged;
    outcome.failed = failed;
    return outcome;
}

void TestSubmissionRun::shortTextOnePart()
{
    const Outcome outcome = runInThread(*m_gateway, request(QStringLiteral("abc"), 2, 100));
    QCOMPARE(outcome.finished, 1);
    QCOMPARE(outcome.charged.size(), 1);
    QCOMPARE(outcome.charged[0][0].toLongLong(), 2);  // sent total
    QCOMPARE(outcome.charged[0][1].toLongLong(), 98); // balance
    QCOMPARE(runClosingMessage(outcome.summary), QStringLiteral("提示: 用时[0秒]发送完成!"));
    QCOMPARE(
        TestDb::text(*m_gateway, QStringLiteral("SELECT status FROM Messages"), {}, QStringLiteral("status")),
        QStringLiteral("2"));
    QCOMPARE(TestDb::text(*m_gateway, QStringLiteral("SELECT CountNum FROM Messages"), {},
                          QStringLiteral("CountNum")),
             QStringLiteral("13800000000,13800000001,"));
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("user01")), 98);
    QCOMPARE(RunIdle.load(), 1);
}

void TestSubmissionRun::longTextTwoPartsCharged()
{
    const QString text = QString(100, QLatin1Char('x'));
    QVERIFY(TestDb::owner(*m_gateway).DbExecute(QStringLiteral("UPDATE UserInfo SET payMoney=6")));
    const Outcome outcome = runInThread(*m_gateway, request(text, 3, 6));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages")), 2);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages"), QStringLiteral("message=?"),
                           {QString(71, QLatin1Char('x'))}),
             1);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages"), QStringLiteral("message=?"),
                           {QString(29, QLatin1Char('x'))}),
             1);
    QCOMPARE(outcome.summary.chargedParts, 2);
    QCOMPARE(outcome.charged.last()[0].toLongLong(), 6);
}

void TestSubmissionRun::balanceCheckedBeforeEveryPart_data()
{
    QTest::addColumn<qint64>("balance");
    QTest::addColumn<int>("rowsWritten");
    QTest::addColumn<QString>("message");
    QTest::newRow("enough") << qint64(6) << 2 << QString();
    QTest::newRow("short before first") << qint64(5) << 0 << QStringLiteral("可使用条数为5,缺少1,请充值!");
    // After the first part only the second part's cost must be covered.
    QTest::newRow("enough for the rest") << qint64(8) << 2 << QString();
}

void TestSubmissionRun::balanceCheckedBeforeEveryPart()
{
    QFETCH(qint64, balance);
    QFETCH(int, rowsWritten);
    QFETCH(QString, message);
    QVERIFY(TestDb::owner(*m_gateway).DbExecute(QStringLiteral("UPDATE UserInfo SET payMoney=?"), {balance}));
    const Outcome outcome = runInThread(*m_gateway, request(QString(100, QLatin1Char('y')), 3, balance));
    QCOMPARE(outcome.charged.size(), rowsWritten);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages")), rowsWritten);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("user01")), balance - 3 * rowsWritten);
    QCOMPARE(outcome.finished, 1);
    QCOMPARE(outcome.summary.stopMessage, message);
}

void TestSubmissionRun::balanceSpentElsewhereStopsTheRun()
{
    // The client believes in 100, the server holds 2: the server refuses the charge, nothing of
    // the part stays, and the run ends with the server's figure.
    QVERIFY(TestDb::owner(*m_gateway).DbExecute(QStringLiteral("UPDATE UserInfo SET payMoney=2")));
    const Outcome outcome = runInThread(*m_gateway, request(QString(150, QLatin1Char('z')), 3, 100));
    QCOMPARE(outcome.charged.size(), 0);
    // Cut short by the balance, which is not a failed part.
    QCOMPARE(outcome.failed.size(), 0);
    QCOMPARE(outcome.summary.failedParts, 0);
    QCOMPARE(outcome.summary.stopMessage, QStringLiteral("可使用条数为2,缺少7,请充值!"));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages")), 0);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("user01")), 2);
}

void TestSubmissionRun::rechargeSinceLoginCounts()
{
    // The client saw 0 at login; staff have recharged since.
    const Outcome outcome = runInThread(*m_gateway, request(QStringLiteral("hi"), 3, 0));
    QCOMPARE(outcome.summary.stopMessage, QString());
    QCOMPARE(outcome.summary.chargedParts, 1);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("user01")), 97);
}

void TestSubmissionRun::emptyListEndsAtOnce()
{
    const Outcome outcome = runInThread(*m_gateway, request(QStringLiteral("hi"), 0, 100));
    QCOMPARE(outcome.summary.stopMessage, QStringLiteral("提示: 请加入手机号码!"));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages")), 0);
}

void TestSubmissionRun::failedPartIsNeitherWrittenNorCharged()
{
    // An account whose sent total cannot be raised: the insert and the charge are undone.
    TestDb::breakTable(*m_gateway, QStringLiteral("Messages"));
    const Outcome outcome = runInThread(*m_gateway, request(QStringLiteral("hi"), 3, 100));
    QCOMPARE(outcome.failed.size(), 1);
    QCOMPARE(outcome.failed[0][0].toLongLong(), 3);
    // The tag, then the database's own words.
    QVERIFY(outcome.failed[0][1].toString().startsWith(QStringLiteral("err2\n")));
    QVERIFY2(outcome.failed[0][1].toString().contains(QStringLiteral("messages"), Qt::CaseInsensitive),
             qPrintable(outcome.failed[0][1].toString()));
    QCOMPARE(outcome.finished, 1);
    QCOMPARE(outcome.summary.chargedParts, 0);
    QCOMPARE(outcome.summary.failedParts, 1);
    QVERIFY(!runClosingMessage(outcome.summary).contains(QStringLiteral("发送完成")));
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("user01")), 100);

    TestDb::mendTables(*m_gateway);
    QVERIFY(TestDb::owner(*m_gateway).DbExecute(QStringLiteral("UPDATE UserInfo SET pwd='changed'")));
    const Outcome stale = runInThread(*m_gateway, request(QStringLiteral("hi"), 3, 100));
    // A password changed since the login stops the run before anything is written; a guarded
    // database has ended the account's sessions.
    QCOMPARE(stale.summary.stopMessage,
             TestDb::isGuarded() ? GuardedText::accountChanged : QStringLiteral("帐号或密码错误!"));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages")), 0);
}

void TestSubmissionRun::disabledSinceLoginSubmitsNothing()
{
    // Staff disable the account while its run writes: the part before stays, the next is refused.
    DbGateway gateway(m_gateway->config());
    gateway.shareSession(*m_gateway);
    int units = 0;
    DbGateway& owner = TestDb::owner(*m_gateway);
    gateway.setStatementHook([&](const QString& sql) {
        if ((sql == QStringLiteral("BEGIN") || sql.contains(QStringLiteral("kavrel_api.write_part"))) &&
            ++units == 2) {
            owner.DbExecute(QStringLiteral("UPDATE UserInfo SET type='禁用'"));
            owner.closeThreadConnection();
        }
        return DbGateway::HookAction::Proceed;
    });
    const Outcome outcome = runInThread(gateway, request(QString(100, QLatin1Char('d')), 3, 100));
    QCOMPARE(outcome.summary.stopMessage, QStringLiteral("提示:管理禁用此用户登陆!"));
    QCOMPARE(outcome.summary.chargedParts, 1);
    QCOMPARE(outcome.summary.failedParts, 0);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages")), 1);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("user01")), 97);
}

void TestSubmissionRun::unreachableDatabaseEndsOnlyTheRun()
{
    DbGateway unreachable(DbConfig::parse(QStringLiteral("postgresql://x:y@127.0.0.1:1/none"), m_dir.path()));
    const Outcome outcome = runInThread(unreachable, request(QStringLiteral("hi"), 3, 100));
    QVERIFY(outcome.summary.stopMessage.startsWith(QStringLiteral("网络连接错误或卡线2!\n")));
    QCOMPARE(RunIdle.load(), 1);
}

void TestSubmissionRun::twoClientsNeverOverdraw()
{
    // Both clients believe the balance covers all their batches; only the server knows better.
    QVERIFY(TestDb::owner(*m_gateway).DbExecute(QStringLiteral("UPDATE UserInfo SET payMoney=500")));
    const QString address = TestDb::address(TestDb::currentBackend(), m_dir);
    const QStringList args = {address, QStringLiteral("user01"), QStringLiteral("pw"), QStringLiteral("40"),
                              QStringLiteral("10")};
    QProcess first, second;
    first.start(QStringLiteral(KAVREL_SUBMIT_CLIENT), args);
    second.start(QStringLiteral(KAVREL_SUBMIT_CLIENT), args);
    QVERIFY(first.waitForFinished(120000));
    QVERIFY(second.waitForFinished(120000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);
    int charged = 0;
    for (QProcess* client : {&first, &second}) {
        const QStringList words =
            QString::fromLatin1(client->readAllStandardOutput()).split(QLatin1Char(' '));
        QCOMPARE(words.size(), 4);
        charged += words[1].toInt();
    }
    const qint64 rows = TestDb::count(*m_gateway, QStringLiteral("Messages"));
    QCOMPARE(rows, qint64(charged));
    QCOMPARE(charged, 50);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("user01")), 500 - 10 * rows);
    QCOMPARE(
        TestDb::text(*m_gateway, QStringLiteral("SELECT status FROM UserInfo"), {}, QStringLiteral("status")),
        QString::number(10 * rows));
}

void TestSubmissionRun::statementsPerPart()
{
    // What a part costs in statements, each a round trip or more: the gateway's hook counts them.
    DbGateway gateway(m_gateway->config());
    gateway.shareSession(*m_gateway);
    int statements = 0;
    gateway.setStatementHook([&](const QString&) {
        ++statements;
        return DbGateway::HookAction::Proceed;
    });
    QVERIFY(TestDb::owner(*m_gateway).DbExecute(QStringLiteral("UPDATE UserInfo SET payMoney=1000")));
    const Outcome charged = runInThread(gateway, request(QString(200, QLatin1Char('p')), 100, 1000));
    QCOMPARE(charged.summary.chargedParts, 3);
    // One screening against the opt-out list and one read of the figures before the parts; then a
    // unit of nine statements per part on an open database, and one call on a guarded one.
    const int perPart = (statements - 2) / 3;
    qInfo("%s: %d statements per part", qPrintable(TestDb::currentBackend().name), perPart);
    QCOMPARE(perPart, TestDb::isGuarded() ? 1 : 9);
}

QTEST_GUILESS_MAIN(TestSubmissionRun)
#include "tst_submission_run.moc"
