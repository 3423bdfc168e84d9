#include "Fixtures.h"
#include "TestDatabases.h"

#include "admin/OptOutProcedures.h"
#include "db/ActingAccount.h"
#include "db/OptOutStatements.h"
#include "sending/Composition.h"
#include "sending/SubmissionRun.h"

#include <QFile>
#include <QTest>

// The opt-out list: kept by administrators only, and left out of every submission before its
// balance is checked, on every backend.
class TestOptOut : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data() { TestDb::addBackendRows(); }
    void init();
    void cleanup() { m_gateway.reset(); }

    void onlyAdministratorsKeepTheList_data();
    void onlyAdministratorsKeepTheList();
    void administratorKeepsTheList();
    void submissionLeavesListedNumbersOut_data();
    void submissionLeavesListedNumbersOut();
    void serverLeavesOutWhatTheClientSends();
    void lostScreeningWritesNothing();

private:
    struct Run
    {
        RunSummary summary;
        QList<qint64> chargedNumbers;
    };
    Run submit(const QStringList& numbers, int parts, const DbGateway::StatementHook& hook = {});
    QString file(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        if (!Fixtures::writeFile(path, bytes))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    QStringList numbersOnList()
    {
        QStringList numbers;
        DbWalkOptOut(*m_gateway, m_admin, {}, kEveryNumber, [&](const QString& number, const QString&) {
            numbers << number;
            return true;
        });
        return numbers;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
    SessionUser m_admin;
};

void TestOptOut::init()
{
    m_gateway = TestDb::open(TestDb::currentBackend(), m_dir);
    m_admin = TestDb::addActingAccount(*m_gateway, QStringLiteral("boss"));
}

TestOptOut::Run TestOptOut::submit(const QStringList& numbers, int parts,
                                   const DbGateway::StatementHook& hook)
{
    const SessionUser customer =
        TestDb::session(QStringLiteral("cust"), QStringLiteral("pw"), QStringLiteral("注册用户"));
    DbGateway gateway(m_gateway->config());
    TestDb::useSession(gateway, customer);
    gateway.setStatementHook(hook);
    const QString text(kPartLength * parts, QLatin1Char('m'));
    SubmissionRun run(gateway, {customer.loginName, customer.password, cutParts(text, parts), numbers, 0});
    Run result;
    connect(
        &run, &SubmissionRun::partCharged, this,
        [&](qint64, qint64, qint64 charged) { result.chargedNumbers << charged; }, Qt::DirectConnection);
    connect(
        &run, &SubmissionRun::finished, this, [&](const RunSummary& summary) { result.summary = summary; },
        Qt::DirectConnection);
    run.run();
    return result;
}

void TestOptOut::onlyAdministratorsKeepTheList_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("action");
    for (const char* type : {"管理员", "注册用户", "代理用户", "VIP用户"}) {
        for (const char* action : {"add", "remove", "count", "list"})
            QTest::newRow(
                qPrintable(QStringLiteral("%1 %2").arg(QString::fromUtf8(type), QLatin1String(action))))
                << QString::fromUtf8(type) << QString::fromLatin1(action);
    }
}

void TestOptOut::onlyAdministratorsKeepTheList()
{
    QFETCH(QString, type);
    QFETCH(QString, action);
    const SessionUser actor = TestDb::addActingAccount(*m_gateway, QStringLiteral("actor"), type);
    Fixtures::addOptedOut(*m_gateway, {QStringLiteral("13900000000")});
    qint64 figure = 0;
    QString message;
    if (action == QStringLiteral("add"))
        message = DbAddOptOut(*m_gateway, actor, {QStringLiteral("13800000000")}, &figure).text();
    else if (action == QStringLiteral("remove"))
        message = DbRemoveOptOut(*m_gateway, actor, {QStringLiteral("13900000000")}, &figure).text();
    else if (action == QStringLiteral("count"))
        message = DbCountOptOut(*m_gateway, actor, &figure).text();
    else
        message = DbWalkOptOut(*m_gateway, actor, {}, 10, [](const QString&, const QString&) {
                      return true;
                  }).text();
    // An open database's reads are the page's to hide; its changes and every call of a guarded
    // one are refused at the database.
    const bool reads = action == QStringLiteral("count") || action == QStringLiteral("list");
    const bool refused = type != QStringLiteral("管理员") && (TestDb::isGuarded() || !reads);
    if (refused)
        QCOMPARE(message, ActingText::notAllowed);
    else
        QVERIFY2(!message.contains(QStringLiteral("失败")) && !message.contains(QStringLiteral("权限")),
                 qPrintable(message));
    if (refused || reads)
        QCOMPARE(numbersOnList(), QStringList{QStringLiteral("13900000000")});
}

void TestOptOut::administratorKeepsTheList()
{
    qint64 figure = 0;
    QVERIFY(DbAddOptOut(*m_gateway, m_admin, {"13800000001", "13800000002", "13800000001"}, &figure));
    QCOMPARE(figure, 2);
    QVERIFY(DbAddOptOut(*m_gateway, m_admin, {"13800000001"}, &figure));
    QCOMPARE(figure, 0);
    QVERIFY(DbRemoveOptOut(*m_gateway, m_admin, {"13800000002", "13800000009"}, &figure));
    QCOMPARE(figure, 1);
    // A file as users have them: a byte-order mark, mixed line ends, a number already on the list
    // and a line the number rule skips.
    OptOutProcedures::Result result = OptOutProcedures::importFile(
        *m_gateway, m_admin,
        file(QStringLiteral("a.txt"), "\xEF\xBB\xBF"
                                      "13800000003\r\n15900000004\n13800000001\n0101234567"));
    QCOMPARE(result.message,
             QStringLiteral("提示: 导入退订号码 3 个,新加入 2 个!\n跳过不是手机号码的行 1 行"));
    QCOMPARE(result.total, qint64(3));
    // A line that breaks the rule keeps the whole file out.
    result = OptOutProcedures::importFile(*m_gateway, m_admin,
                                          file(QStringLiteral("b.txt"), "13800000005\r\n1380000000x\r\n"));
    QVERIFY2(result.message.startsWith(QStringLiteral("提示:[第2行]不是有效手机号码")),
             qPrintable(result.message));
    QCOMPARE(numbersOnList(), (QStringList{"13800000001", "13800000003", "15900000004"}));
    // Exports append, GBK with CR LF, as every export does.
    const QString path = m_dir.filePath(QStringLiteral("out.txt"));
    QFile::remove(path);
    for (int twice = 0; twice < 2; ++twice)
        QCOMPARE(OptOutProcedures::exportList(*m_gateway, m_admin, path).openPath, path);
    QCOMPARE(Fixtures::readFile(path),
             QByteArray("13800000001\r\n13800000003\r\n15900000004\r\n").repeated(2));
}

void TestOptOut::submissionLeavesListedNumbersOut_data()
{
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<int>("parts");
    QTest::addColumn<qint64>("balance");
    QTest::addColumn<QString>("written"); // each part's number list; empty when nothing is written
    QTest::addColumn<qint64>("removed");
    QTest::addColumn<QString>("stop");
    const QString a = QStringLiteral("13800000001"), b = QStringLiteral("13800000002"),
                  c = QStringLiteral("13800000003"), d = QStringLiteral("13800000004");
    QTest::newRow("some listed") << QStringList{a, b, c, b, d} << QStringList{b, "15900000000"} << 1
                                 << qint64(10) << a + "," + c + "," + d + "," << qint64(2) << QString();
    // Judged after the screening: 3 numbers would cost more than the balance of 1.
    QTest::newRow("balance covers what is left")
        << QStringList{a, b, c} << QStringList{b, c} << 1 << qint64(1) << a + "," << qint64(2) << QString();
    QTest::newRow("two parts") << QStringList{a, b, c} << QStringList{b} << 2 << qint64(10)
                               << a + "," + c + "," << qint64(1) << QString();
    QTest::newRow("numbers between commas") << QStringList{a + "," + b, c, b + ","} << QStringList{b} << 1
                                            << qint64(10) << a + "," + c + "," << qint64(2) << QString();
    QTest::newRow("hostile entries") << QStringList{a + "'--", "\"\\", QStringLiteral("😀") + a,
                                                    QString(100000, u'9'), d}
                                     << QStringList{a, d} << 1 << qint64(10)
                                     << a + "'--,\"\\,😀" + a + "," + QString(100000, u'9') + "," << qint64(1)
                                     << QString();
    QTest::newRow("all listed") << QStringList{a, b, a} << QStringList{a, b} << 1 << qint64(10) << QString()
                                << qint64(3) << QStringLiteral("提示: 请加入手机号码!");
}

void TestOptOut::submissionLeavesListedNumbersOut()
{
    QFETCH(QStringList, numbers);
    QFETCH(QStringList, listed);
    QFETCH(int, parts);
    QFETCH(qint64, balance);
    QFETCH(QString, written);
    QFETCH(qint64, removed);
    QFETCH(QString, stop);
    TestDb::addAccount(*m_gateway, QStringLiteral("cust"), QStringLiteral("pw"), QStringLiteral("注册用户"),
                       balance);
    Fixtures::addOptedOut(*m_gateway, listed);
    const Run run = submit(numbers, parts);
    QCOMPARE(run.summary.stopMessage, stop);
    QCOMPARE(run.summary.optedOut, removed);
    const qint64 left = written.count(QLatin1Char(','));
    QCOMPARE(run.chargedNumbers, written.isEmpty() ? QList<qint64>() : QList<qint64>(parts, left));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages")), written.isEmpty() ? 0 : parts);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages"), QStringLiteral("CountNum=? AND status=?"),
                           {written, QString::number(left)}),
             written.isEmpty() ? 0 : parts);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("cust")),
             balance - (written.isEmpty() ? 0 : parts * left));
    const QString told = runClosingMessage(run.summary);
    QCOMPARE(told.endsWith(QStringLiteral("\n已去除退订号码 %1 个").arg(removed)), removed > 0);
    QVERIFY(!told.contains(QStringLiteral("退订")) || removed > 0);
}

void TestOptOut::serverLeavesOutWhatTheClientSends()
{
    if (!TestDb::isGuarded())
        QSKIP("only a guarded database checks what a client sends");
    TestDb::addAccount(*m_gateway, QStringLiteral("cust"), QStringLiteral("pw"), QStringLiteral("注册用户"),
                       10);
    const QString a = QStringLiteral("13800000001"), b = QStringLiteral("13800000002"),
                  c = QStringLiteral("13800000003");
    // A client that skips the screening: the listed number is neither written nor charged.
    Fixtures::addOptedOut(*m_gateway, {c});
    const QString token = TestDb::guardedLogin(*m_gateway, QStringLiteral("cust"), QStringLiteral("pw"));
    QCOMPARE(TestDb::text(*m_gateway,
                          QStringLiteral("SELECT numbers FROM kavrel_api.write_part(?, ?, ?, NULL)"),
                          {token, "hi", a + "," + c + ","}, QStringLiteral("numbers")),
             QStringLiteral("1"));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages"), QStringLiteral("CountNum=?"), {a + ","}),
             1);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("cust")), 9);
    // A number listed while a run writes: the server leaves it out of the part on its way, the
    // run out of the parts after it, and the counts follow.
    bool listedNow = false;
    const Run run = submit({a, b}, 2, [&](const QString& sql) {
        if (!listedNow && sql.contains(QStringLiteral("kavrel_api.write_part"))) {
            listedNow = true;
            Fixtures::addOptedOut(*m_gateway, {b});
        }
        return DbGateway::HookAction::Proceed;
    });
    QCOMPARE(run.summary.stopMessage, QString());
    QCOMPARE(run.chargedNumbers, (QList<qint64>{1, 1}));
    QCOMPARE(run.summary.optedOut, 1);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages"), QStringLiteral("CountNum=?"), {a + ","}),
             3);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("cust")), 7);
}

void TestOptOut::lostScreeningWritesNothing()
{
    TestDb::addAccount(*m_gateway, QStringLiteral("cust"), QStringLiteral("pw"), QStringLiteral("注册用户"),
                       10);
    Fixtures::addOptedOut(*m_gateway, {QStringLiteral("13800000002")});
    const Run run =
        submit({QStringLiteral("13800000001"), QStringLiteral("13800000002")}, 1, [](const QString& sql) {
            const bool screening =
                sql.contains(QStringLiteral("OptOut")) || sql.contains(QStringLiteral("opted_out"));
            return screening ? DbGateway::HookAction::Fail : DbGateway::HookAction::Proceed;
        });
    QVERIFY2(run.summary.stopMessage.startsWith(OptOutText::screenFailed),
             qPrintable(run.summary.stopMessage));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages")), 0);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("cust")), 10);
}

QTEST_GUILESS_MAIN(TestOptOut)
#include "tst_opt_out.moc"
