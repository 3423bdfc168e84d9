#include "TestDatabases.h"

#include "db/GuardedCall.h"
#include "db/LoginStatements.h"
#include "db/PartStatements.h"
#include "db/Schema.h"

#include <QRegularExpression>
#include <QTest>

class TestLoginStatements : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data() { TestDb::addBackendRows(); }
    void init();
    void cleanup() { m_gateway.reset(); }

    void loginSetsRightsByType_data();
    void loginSetsRightsByType();
    void loginFillsLabelsAndFigures();
    void loginRefusesWrongOrHostilePairs();
    void loginIgnoresStoredBlanks();
    void disabledAccountIsRefused();
    void verifyLeavesSessionAlone();
    void endedSessionIsRefused();
    void rechargeTotal_data();
    void rechargeTotal();
    void rechargeTotalReportsUnreadableTable();
    void insertMessageWritesOneRow();
    void successRateReadsOwnRow();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
};

void TestLoginStatements::init()
{
    m_gateway = TestDb::open(TestDb::currentBackend(), m_dir);
}

void TestLoginStatements::loginSetsRightsByType_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("canAdminister");
    QTest::addColumn<bool>("restricted");
    QTest::newRow("administrator") << QStringLiteral("管理员") << 1 << true << false;
    QTest::newRow("registered") << QStringLiteral("注册用户") << 2 << false << true;
    QTest::newRow("agent") << QStringLiteral("代理用户") << 3 << true << true;
    QTest::newRow("vip") << QStringLiteral("VIP用户") << 4 << true << true;
    QTest::newRow("unknown") << QStringLiteral("其他") << 0 << false << false;
    QTest::newRow("empty") << QString() << 0 << false << false;
}

void TestLoginStatements::loginSetsRightsByType()
{
    QFETCH(QString, type);
    QFETCH(int, code);
    QFETCH(bool, canAdminister);
    QFETCH(bool, restricted);
    TestDb::addAccount(*m_gateway, QStringLiteral("user01"), QStringLiteral("pw01"),
                       type.isNull() ? QStringLiteral("") : type);
    SessionUser session;
    QCOMPARE(DbLogin(*m_gateway, session, QStringLiteral("user01"), QStringLiteral("pw01")).result,
             LoginResult::Accepted);
    QCOMPARE(session.typeCode, code);
    QCOMPARE(session.canAdminister, canAdminister);
    QCOMPARE(session.restricted, restricted);
}

void TestLoginStatements::loginFillsLabelsAndFigures()
{
    // The client's login asks a guarded database through its API.
    QVERIFY(Schema::needsFirstAdministrator(*m_gateway));
    TestDb::addAccount(*m_gateway, QStringLiteral("user01"), QStringLiteral("pw01"), QStringLiteral("管理员"),
                       250, QStringLiteral("张三"), QStringLiteral("星河公司"));
    QVERIFY(!Schema::needsFirstAdministrator(*m_gateway));
    SessionUser session;
    QCOMPARE(DbLogin(*m_gateway, session, QStringLiteral("user01"), QStringLiteral("pw01")).result,
             LoginResult::Accepted);
    QCOMPARE(session.headerLine(),
             QStringLiteral("昵称：张三 | 公司：星河公司 | USER：user01 | 状态：管理员"));
    QCOMPARE(session.balanceText, QStringLiteral("250"));
    QCOMPARE(session.sentText, QStringLiteral("0"));
}

void TestLoginStatements::loginRefusesWrongOrHostilePairs()
{
    TestDb::addAccount(*m_gateway, QStringLiteral("user01"), QStringLiteral("pw01"),
                       QStringLiteral("管理员"));
    TestDb::addAccount(*m_gateway, QStringLiteral("o'neil"), QStringLiteral("it's"),
                       QStringLiteral("注册用户"));
    SessionUser session;
    QCOMPARE(DbLogin(*m_gateway, session, QStringLiteral("user01"), QStringLiteral("PW01")).result,
             LoginResult::Rejected);
    QCOMPARE(DbLogin(*m_gateway, session, QStringLiteral("user01"), QStringLiteral("' or '1'='1")).result,
             LoginResult::Rejected);
    QCOMPARE(DbLogin(*m_gateway, session, QStringLiteral("user01') --"), QStringLiteral("x")).result,
             LoginResult::Rejected);
    QCOMPARE(session.typeCode, 0);
    QCOMPARE(DbLogin(*m_gateway, session, QStringLiteral("o'neil"), QStringLiteral("it's")).result,
             LoginResult::Accepted);
    QCOMPARE(session.userLabel, QStringLiteral("USER：o'neil"));
}

void TestLoginStatements::loginIgnoresStoredBlanks()
{
    TestDb::addAccount(*m_gateway, QStringLiteral("user01  "), QStringLiteral("pw01  "),
                       QStringLiteral("注册用户"));
    SessionUser session;
    QCOMPARE(DbLogin(*m_gateway, session, QStringLiteral("user01"), QStringLiteral("pw01")).result,
             LoginResult::Accepted);
    QCOMPARE(session.userLabel, QStringLiteral("USER：user01"));
}

void TestLoginStatements::disabledAccountIsRefused()
{
    TestDb::addAccount(*m_gateway, QStringLiteral("gone"), QStringLiteral("pw"), QStringLiteral("禁用"));
    SessionUser session;
    const LoginOutcome outcome = DbLogin(*m_gateway, session, QStringLiteral("gone"), QStringLiteral("pw"));
    QCOMPARE(outcome.result, LoginResult::Disabled);
    QCOMPARE(outcome.message, QStringLiteral("提示:管理禁用此用户登陆!"));
    QVERIFY(!session.canAdminister);
}

void TestLoginStatements::verifyLeavesSessionAlone()
{
    TestDb::addAccount(*m_gateway, QStringLiteral("me"), QStringLiteral("pw"), QStringLiteral("注册用户"));
    TestDb::addAccount(*m_gateway, QStringLiteral("boss"), QStringLiteral("pw2"), QStringLiteral("管理员"));
    TestDb::addAccount(*m_gateway, QStringLiteral("gone"), QStringLiteral("pw3"), QStringLiteral("禁用"));
    SessionUser session;
    QCOMPARE(DbLogin(*m_gateway, session, QStringLiteral("me"), QStringLiteral("pw")).result,
             LoginResult::Accepted);
    const SessionUser before = session;

    QCOMPARE(DbVerifyAccount(*m_gateway, QStringLiteral("boss"), QStringLiteral("pw2")).result,
             LoginResult::Accepted);
    QCOMPARE(DbVerifyAccount(*m_gateway, QStringLiteral("boss"), QStringLiteral("bad")).result,
             LoginResult::Rejected);
    const LoginOutcome disabled = DbVerifyAccount(*m_gateway, QStringLiteral("gone"), QStringLiteral("pw3"));
    QCOMPARE(disabled.result, LoginResult::Disabled);
    QCOMPARE(disabled.message, QStringLiteral("提示:管理禁用此用户登陆!"));
    QCOMPARE(session.headerLine(), before.headerLine());
    QCOMPARE(session.canAdminister, false);
    QCOMPARE(session.typeCode, before.typeCode);
}

void TestLoginStatements::rechargeTotal_data()
{
    QTest::addColumn<QStringList>("amounts");
    QTest::addColumn<qint64>("total");
    QTest::newRow("mixed") << QStringList{QStringLiteral("100"), QStringLiteral("-30"), QStringLiteral("50")}
                           << qint64(120);
    QTest::newRow("never negative") << QStringList{QStringLiteral("10"), QStringLiteral("-30")} << qint64(0);
    QTest::newRow("none") << QStringList{} << qint64(0);
}

void TestLoginStatements::rechargeTotal()
{
    QFETCH(QStringList, amounts);
    QFETCH(qint64, total);
    const QString insert = QStringLiteral("INSERT INTO Moneys (loginName,fullMoney,addDate,parentName) "
                                          "VALUES (?,?,'2011-01-01 00:00:00','admin')");
    DbGateway& owner = TestDb::owner(*m_gateway);
    for (const QString& amount : amounts)
        QVERIFY(owner.DbExecute(insert, {QStringLiteral("user01"), amount}));
    QVERIFY(owner.DbExecute(insert, {QStringLiteral("other"), QStringLiteral("999")}));
    SessionUser session = TestDb::signIn(*m_gateway, QStringLiteral("user01"), QStringLiteral("pw"),
                                         QStringLiteral("注册用户"));
    session.rechargeTotal = 77;
    QVERIFY(DbSumRecharges(*m_gateway, session, QStringLiteral("user01")).ok);
    QCOMPARE(session.rechargeTotal, total);
}

void TestLoginStatements::rechargeTotalReportsUnreadableTable()
{
    SessionUser session = TestDb::signIn(*m_gateway, QStringLiteral("user01"), QStringLiteral("pw"),
                                         QStringLiteral("注册用户"));
    session.rechargeTotal = 0;
    TestDb::breakTable(*m_gateway, QStringLiteral("Moneys"));
    const Outcome outcome = DbSumRecharges(*m_gateway, session, QStringLiteral("user01"));
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.message, QStringLiteral("连接错误或网络卡线!"));
    QCOMPARE(session.rechargeTotal, 0);
}

void TestLoginStatements::insertMessageWritesOneRow()
{
    QString numbers;
    for (int i = 0; i < 30000; ++i)
        numbers += QStringLiteral("138%1,").arg(i, 8, 10, QLatin1Char('0'));
    const Outcome inserted = DbInsertMessage(*m_gateway, QStringLiteral("user01"),
                                             QStringLiteral("你好 it's"), QStringLiteral("30000"), numbers);
    // A guarded database writes a part only together with its charge, in one call.
    QCOMPARE(inserted.ok, !TestDb::isGuarded());
    if (TestDb::isGuarded()) {
        QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages")), 0);
        TestDb::addAccount(*m_gateway, QStringLiteral("user01"), QStringLiteral("pw"),
                           QStringLiteral("注册用户"), 30000);
        SessionUser figures;
        QString message;
        QCOMPARE(DbWritePart(*m_gateway, TestDb::session("user01", "pw", "注册用户"),
                             {QStringLiteral("你好 it's"), numbers, 30000}, 30000, figures, message),
                 PartEnd::Charged);
    }
    DbRows rows =
        TestDb::owner(*m_gateway)
            .DbQuery(QStringLiteral("SELECT loginName,message,addDate,status,CountNum FROM Messages"));
    QVERIFY(!rows.atEnd());
    QCOMPARE(rows.text(QStringLiteral("message")), QStringLiteral("你好 it's"));
    QCOMPARE(rows.text(QStringLiteral("status")), QStringLiteral("30000"));
    QCOMPARE(rows.text(QStringLiteral("CountNum")), numbers);
    QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                .match(rows.text(QStringLiteral("addDate")))
                .hasMatch());
    rows.next();
    QVERIFY(rows.atEnd());
}

void TestLoginStatements::successRateReadsOwnRow()
{
    SessionUser session = TestDb::signIn(*m_gateway, QStringLiteral("user01"), QStringLiteral("pw"),
                                         QStringLiteral("注册用户"));
    QVERIFY(TestDb::owner(*m_gateway)
                .DbExecute(QStringLiteral("UPDATE UserInfo SET recvs='98' WHERE loginName='user01'")));
    QVERIFY(DbReadSuccessRate(*m_gateway, session, QStringLiteral("user01")).ok);
    QCOMPARE(session.successRate, QStringLiteral("98"));
    session.successRate = QStringLiteral("old");
    // A guarded database tells an account only its own figures.
    QCOMPARE(DbReadSuccessRate(*m_gateway, session, QStringLiteral("nobody")).ok, !TestDb::isGuarded());
    QCOMPARE(session.successRate, QStringLiteral("old"));
}

void TestLoginStatements::endedSessionIsRefused()
{
    TestDb::addAccount(*m_gateway, QStringLiteral("user01"), QStringLiteral("pw01"),
                       QStringLiteral("注册用户"));
    SessionUser session;
    QCOMPARE(DbLogin(*m_gateway, session, QStringLiteral("user01"), QStringLiteral("pw01")).result,
             LoginResult::Accepted);
    SessionUser kept = session;
    DbEndSession(*m_gateway, session);
    QVERIFY(!session.token);
    DbEndSession(*m_gateway, session);
    const Outcome read = DbSumRecharges(*m_gateway, kept, QStringLiteral("user01"));
    if (TestDb::isGuarded())
        QCOMPARE(read.text(), GuardedText::sessionEnded);
    else
        QVERIFY(read.ok); // the open layout keeps no session to end
}

QTEST_GUILESS_MAIN(TestLoginStatements)
#include "tst_login_statements.moc"
