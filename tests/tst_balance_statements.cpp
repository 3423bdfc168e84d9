#include "TestDatabases.h"

#include "db/BalanceStatements.h"

#include <QTest>

class TestBalanceStatements : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data() { TestDb::addBackendRows(); }
    void init();
    void cleanup() { m_gateway.reset(); }

    void amounts_data();
    void amounts();
    void deductOnlyWhileBalanceCovers();
    void addSentRaisesTotal();
    void rechargeWritesBalanceAndRecord();
    void rechargeOfUnknownAccountWritesNothing();
    void reduceNeedsMatchingPassword();
    void reduceNeverBelowZero_data();
    void reduceNeverBelowZero();
    void allocateBelowAvailableOnly_data();
    void allocateBelowAvailableOnly();
    void allocateWithoutBalanceSaysNothing();
    void allocateToUnknownAccountWritesNothing();
    void refusedAmountsRunNoStatement();

private:
    qint64 moneysRows() { return TestDb::count(*m_gateway, QStringLiteral("Moneys")); }

    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
    SessionUser m_operator;
};

void TestBalanceStatements::init()
{
    m_gateway = TestDb::open(TestDb::currentBackend(), m_dir);
    TestDb::addAccount(*m_gateway, QStringLiteral("agent"), QStringLiteral("apw"), QStringLiteral("代理用户"),
                       100);
    TestDb::addAccount(*m_gateway, QStringLiteral("client"), QStringLiteral("cpw"),
                       QStringLiteral("注册用户"), 10);
    m_operator = SessionUser();
    m_operator.loginName = QStringLiteral("agent");
    m_operator.password = QStringLiteral("apw");
}

void TestBalanceStatements::amounts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("amount"); // -1: refused
    QTest::newRow("plain") << QStringLiteral("250") << qint64(250);
    QTest::newRow("blanks removed") << QStringLiteral(" 1 000 ") << qint64(1000);
    QTest::newRow("zero") << QStringLiteral("0") << qint64(0);
    QTest::newRow("largest") << QStringLiteral("999999999") << qint64(999999999);
    QTest::newRow("too large") << QStringLiteral("1000000000") << qint64(-1);
    QTest::newRow("negative") << QStringLiteral("-5") << qint64(-1);
    QTest::newRow("decimal") << QStringLiteral("1.5") << qint64(-1);
    QTest::newRow("letters") << QStringLiteral("10abc") << qint64(-1);
    QTest::newRow("injection") << QStringLiteral("1 WHERE 1=1") << qint64(-1);
    QTest::newRow("empty") << QString() << qint64(-1);
    QTest::newRow("full-width digits") << QStringLiteral("１２") << qint64(-1);
}

void TestBalanceStatements::amounts()
{
    QFETCH(QString, text);
    QFETCH(qint64, amount);
    const auto parsed = parseAmount(text);
    QCOMPARE(parsed.value_or(-1), amount);
}

void TestBalanceStatements::deductOnlyWhileBalanceCovers()
{
    SessionUser session;
    QVERIFY(DbDeductBalance(*m_gateway, session, QStringLiteral("client"), QStringLiteral("cpw"),
                            QStringLiteral("10"))
                .ok);
    QCOMPARE(session.remainingBalance, 0);
    const Outcome refused = DbDeductBalance(*m_gateway, session, QStringLiteral("client"),
                                            QStringLiteral("cpw"), QStringLiteral("1"));
    QCOMPARE(refused.message, QStringLiteral("err:SEND_payMoney"));
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("client")), 0);
    QVERIFY(!DbDeductBalance(*m_gateway, session, QStringLiteral("agent"), QStringLiteral("wrong"),
                             QStringLiteral("1"))
                 .ok);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("agent")), 100);
}

void TestBalanceStatements::addSentRaisesTotal()
{
    SessionUser session;
    QVERIFY(
        DbAddSent(*m_gateway, session, QStringLiteral("client"), QStringLiteral("cpw"), QStringLiteral("3"))
            .ok);
    QVERIFY(
        DbAddSent(*m_gateway, session, QStringLiteral("client"), QStringLiteral("cpw"), QStringLiteral("4"))
            .ok);
    QCOMPARE(session.sentTotal, 7);
    QCOMPARE(
        DbAddSent(*m_gateway, session, QStringLiteral("client"), QStringLiteral("bad"), QStringLiteral("4"))
            .message,
        QStringLiteral("err:SEND_ADDpayMoney"));
}

void TestBalanceStatements::rechargeWritesBalanceAndRecord()
{
    const Outcome outcome =
        DbRecharge(*m_gateway, m_operator, QStringLiteral("client"), QStringLiteral("50"));
    QCOMPARE(outcome.message, QStringLiteral("充值成功!"));
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("client")), 60);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Moneys"),
                           QStringLiteral("loginName='client' AND fullMoney='50' AND parentName='agent'")),
             1);
}

void TestBalanceStatements::rechargeOfUnknownAccountWritesNothing()
{
    const Outcome outcome =
        DbRecharge(*m_gateway, m_operator, QStringLiteral("nobody"), QStringLiteral("50"));
    QCOMPARE(outcome.message, QStringLiteral("err:pay_Money1!"));
    QCOMPARE(moneysRows(), 0);
}

void TestBalanceStatements::reduceNeedsMatchingPassword()
{
    Outcome outcome = DbReduce(*m_gateway, m_operator, QStringLiteral("client"), QStringLiteral("wrong"),
                               QStringLiteral("4"));
    QCOMPARE(outcome.message, QStringLiteral("err:pay_Money1!"));
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("client")), 10);
    QCOMPARE(moneysRows(), 0);
    outcome = DbReduce(*m_gateway, m_operator, QStringLiteral("client"), QStringLiteral("cpw"),
                       QStringLiteral("4"));
    QCOMPARE(outcome.message, QStringLiteral("减少成功!"));
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("client")), 6);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Moneys"), QStringLiteral("fullMoney='-4'")), 1);
}

void TestBalanceStatements::reduceNeverBelowZero_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<qint64>("balance");
    QTest::addColumn<QString>("message");
    QTest::newRow("all of it") << "10" << qint64(0) << QStringLiteral("减少成功!");
    QTest::newRow("one more than all")
        << "11" << qint64(10) << QStringLiteral("提示: 帐号client当前只有10条,不能减少11条!");
    QTest::newRow("far more") << "50" << qint64(10)
                              << QStringLiteral("提示: 帐号client当前只有10条,不能减少50条!");
}

void TestBalanceStatements::reduceNeverBelowZero()
{
    QFETCH(QString, amount);
    QFETCH(qint64, balance);
    QFETCH(QString, message);
    const Outcome outcome =
        DbReduce(*m_gateway, m_operator, QStringLiteral("client"), QStringLiteral("cpw"), amount);
    QCOMPARE(outcome.message, message);
    QCOMPARE(outcome.ok, balance == 0);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("client")), balance);
    // A refused reduction leaves no record behind.
    QCOMPARE(moneysRows(), balance == 0 ? 1 : 0);
}

void TestBalanceStatements::allocateBelowAvailableOnly_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<bool>("allocated");
    QTest::newRow("99 of 100") << QStringLiteral("99") << true;
    QTest::newRow("all 100") << QStringLiteral("100") << false;
    QTest::newRow("150 of 100") << QStringLiteral("150") << false;
}

void TestBalanceStatements::allocateBelowAvailableOnly()
{
    QFETCH(QString, amount);
    QFETCH(bool, allocated);
    const AllocateOutcome outcome = DbAllocate(*m_gateway, m_operator, QStringLiteral("client"), amount);
    QCOMPARE(outcome.available, QStringLiteral("当前可以分配 100 条!"));
    QCOMPARE(outcome.ok, allocated);
    if (!allocated) {
        QCOMPARE(outcome.message, QStringLiteral("超出分配限额,分配的数量大于当前数量!"));
        QCOMPARE(moneysRows(), 0);
        return;
    }
    QCOMPARE(outcome.message, QStringLiteral("分配给帐号client数量99条成功!"));
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("agent")), 1);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("client")), 109);
    QCOMPARE(TestDb::text(*m_gateway, QStringLiteral("SELECT daili FROM UserInfo WHERE loginName='client'"),
                          {}, QStringLiteral("daili")),
             QStringLiteral("agent"));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Moneys"),
                           QStringLiteral("loginName='agent' AND fullMoney='-99' AND parentName='agent'")),
             1);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Moneys"),
                           QStringLiteral("loginName='client' AND fullMoney='99' AND parentName='agent'")),
             1);
}

void TestBalanceStatements::allocateWithoutBalanceSaysNothing()
{
    QVERIFY(m_gateway->DbExecute(QStringLiteral("UPDATE UserInfo SET payMoney=0 WHERE loginName='agent'")));
    const AllocateOutcome outcome =
        DbAllocate(*m_gateway, m_operator, QStringLiteral("client"), QStringLiteral("1"));
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.message.isEmpty());
    m_operator.loginName = QStringLiteral("ghost");
    QVERIFY(DbAllocate(*m_gateway, m_operator, QStringLiteral("client"), QStringLiteral("1"))
                .available.isEmpty());
    QCOMPARE(moneysRows(), 0);
}

void TestBalanceStatements::allocateToUnknownAccountWritesNothing()
{
    AllocateOutcome outcome =
        DbAllocate(*m_gateway, m_operator, QStringLiteral("nobody"), QStringLiteral("20"));
    QCOMPARE(outcome.message, QStringLiteral("err:pay_Money1!"));
    m_operator.password = QStringLiteral("stale");
    outcome = DbAllocate(*m_gateway, m_operator, QStringLiteral("client"), QStringLiteral("20"));
    QCOMPARE(outcome.message, QStringLiteral("err:pay_Money1!"));
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("agent")), 100);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("client")), 10);
    QCOMPARE(moneysRows(), 0);
}

void TestBalanceStatements::refusedAmountsRunNoStatement()
{
    SessionUser session;
    const QString bad = QStringLiteral("5; DELETE FROM UserInfo");
    QCOMPARE(DbRecharge(*m_gateway, m_operator, QStringLiteral("client"), bad).message,
             QStringLiteral("提示: 数量必须是0到999999999之间的整数!"));
    QVERIFY(!DbReduce(*m_gateway, m_operator, QStringLiteral("client"), QStringLiteral("cpw"), bad).ok);
    QVERIFY(!DbAllocate(*m_gateway, m_operator, QStringLiteral("client"), bad).ok);
    QVERIFY(!DbDeductBalance(*m_gateway, session, QStringLiteral("client"), QStringLiteral("cpw"), bad).ok);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("UserInfo")), 2);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("client")), 10);
    QCOMPARE(moneysRows(), 0);
}

QTEST_GUILESS_MAIN(TestBalanceStatements)
#include "tst_balance_statements.moc"
