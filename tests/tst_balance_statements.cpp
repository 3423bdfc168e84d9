#include "TestDatabases.h"

#include "db/BalanceStatements.h"
#include "db/GuardedCall.h"

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
    void allocationRefusals_data();
    void allocationRefusals();
    void rightsReadAtTheServer_data();
    void rightsReadAtTheServer();
    void amountsStoredAsTyped();

private:
    qint64 moneysRows() { return TestDb::count(*m_gateway, QStringLiteral("Moneys")); }
    // One value of every row, in the order from gives.
    QStringList column(const QString& select,
                       const QString& from = QStringLiteral("UserInfo ORDER BY loginName"))
    {
        QStringList values;
        DbRows rows =
            TestDb::owner(*m_gateway).DbQuery(QStringLiteral("SELECT %1 AS v FROM %2").arg(select, from));
        for (; !rows.atEnd(); rows.next())
            values << rows.text(QStringLiteral("v"));
        return values;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
    SessionUser m_operator; // an agent
    SessionUser m_admin;
};

void TestBalanceStatements::init()
{
    m_gateway = TestDb::open(TestDb::currentBackend(), m_dir);
    TestDb::addAccount(*m_gateway, QStringLiteral("agent"), QStringLiteral("apw"), QStringLiteral("代理用户"),
                       100);
    TestDb::addAccount(*m_gateway, QStringLiteral("client"), QStringLiteral("cpw"),
                       QStringLiteral("注册用户"), 10);
    TestDb::addAccount(*m_gateway, QStringLiteral("boss"), QStringLiteral("bpw"), QStringLiteral("管理员"),
                       0);
    m_operator = TestDb::session(QStringLiteral("agent"), QStringLiteral("apw"), QStringLiteral("代理用户"));
    m_admin = TestDb::session(QStringLiteral("boss"), QStringLiteral("bpw"), QStringLiteral("管理员"));
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
    if (TestDb::isGuarded()) {
        // A guarded database charges a part only together with writing it (see the part tests).
        QCOMPARE(DbDeductBalance(*m_gateway, session, QStringLiteral("client"), QStringLiteral("cpw"),
                                 QStringLiteral("10"))
                     .message,
                 QStringLiteral("err:SEND_payMoney"));
        QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("client")), 10);
        return;
    }
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
    if (TestDb::isGuarded()) {
        // As the charge: only with the part it counts.
        QCOMPARE(DbAddSent(*m_gateway, session, QStringLiteral("client"), QStringLiteral("cpw"),
                           QStringLiteral("3"))
                     .message,
                 QStringLiteral("err:SEND_ADDpayMoney"));
        return;
    }
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
    const Outcome outcome = DbRecharge(*m_gateway, m_admin, QStringLiteral("client"), QStringLiteral("50"));
    QCOMPARE(outcome.message, QStringLiteral("充值成功!"));
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("client")), 60);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Moneys"),
                           QStringLiteral("loginName='client' AND fullMoney='50' AND parentName='boss'")),
             1);
}

void TestBalanceStatements::rechargeOfUnknownAccountWritesNothing()
{
    const Outcome outcome = DbRecharge(*m_gateway, m_admin, QStringLiteral("nobody"), QStringLiteral("50"));
    QCOMPARE(outcome.message, QStringLiteral("err:pay_Money1!"));
    QCOMPARE(moneysRows(), 0);
}

void TestBalanceStatements::reduceNeedsMatchingPassword()
{
    Outcome outcome =
        DbReduce(*m_gateway, m_admin, QStringLiteral("client"), QStringLiteral("wrong"), QStringLiteral("4"));
    // A guarded database reduces without the account's password, which no list hands out.
    if (TestDb::isGuarded()) {
        QCOMPARE(outcome.message, QStringLiteral("减少成功!"));
        QVERIFY(TestDb::owner(*m_gateway).DbExecute(QStringLiteral("UPDATE UserInfo SET payMoney=10")));
        QVERIFY(TestDb::owner(*m_gateway).DbExecute(QStringLiteral("DELETE FROM Moneys")));
    } else {
        QCOMPARE(outcome.message, QStringLiteral("err:pay_Money1!"));
    }
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("client")), 10);
    QCOMPARE(moneysRows(), 0);
    outcome =
        DbReduce(*m_gateway, m_admin, QStringLiteral("client"), QStringLiteral("cpw"), QStringLiteral("4"));
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
        DbReduce(*m_gateway, m_admin, QStringLiteral("client"), QStringLiteral("cpw"), amount);
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
    QVERIFY(TestDb::owner(*m_gateway)
                .DbExecute(QStringLiteral("UPDATE UserInfo SET payMoney=0 WHERE loginName='agent'")));
    const AllocateOutcome outcome =
        DbAllocate(*m_gateway, m_operator, QStringLiteral("client"), QStringLiteral("1"));
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.message.isEmpty());
    m_operator = TestDb::session(QStringLiteral("ghost"), QStringLiteral("apw"), QStringLiteral("代理用户"));
    QVERIFY(DbAllocate(*m_gateway, m_operator, QStringLiteral("client"), QStringLiteral("1"))
                .available.isEmpty());
    QCOMPARE(moneysRows(), 0);
}

void TestBalanceStatements::allocateToUnknownAccountWritesNothing()
{
    AllocateOutcome outcome =
        DbAllocate(*m_gateway, m_operator, QStringLiteral("nobody"), QStringLiteral("20"));
    QCOMPARE(outcome.message, QStringLiteral("提示: 帐号nobody不存在,没有划分条数!"));
    // The operator's password changed since its login.
    QVERIFY(TestDb::owner(*m_gateway)
                .DbExecute(QStringLiteral("UPDATE UserInfo SET pwd='new' WHERE loginName='agent'")));
    outcome = DbAllocate(*m_gateway, m_operator, QStringLiteral("client"), QStringLiteral("20"));
    // A guarded database ends the sessions of an account whose password changed.
    QCOMPARE(outcome.message,
             TestDb::isGuarded() ? GuardedText::accountChanged : QStringLiteral("帐号或密码错误!"));
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("agent")), 100);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("client")), 10);
    QCOMPARE(moneysRows(), 0);
}

void TestBalanceStatements::refusedAmountsRunNoStatement()
{
    SessionUser session;
    const QString bad = QStringLiteral("5; DELETE FROM UserInfo");
    QCOMPARE(DbRecharge(*m_gateway, m_admin, QStringLiteral("client"), bad).message,
             QStringLiteral("提示: 数量必须是0到999999999之间的整数!"));
    QVERIFY(!DbReduce(*m_gateway, m_admin, QStringLiteral("client"), QStringLiteral("cpw"), bad).ok);
    QVERIFY(!DbAllocate(*m_gateway, m_operator, QStringLiteral("client"), bad).ok);
    QVERIFY(!DbDeductBalance(*m_gateway, session, QStringLiteral("client"), QStringLiteral("cpw"), bad).ok);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("UserInfo")), 3);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("client")), 10);
    QCOMPARE(moneysRows(), 0);
}

void TestBalanceStatements::allocationRefusals_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("message"); // empty: allocated
    const auto row = [](const char* name, const QString& target, const char* amount, const QString& message) {
        QTest::newRow(name) << target << QString::fromLatin1(amount) << message;
    };
    row("zero", "client", "0", "提示: 划分给帐号client的条数必须大于0!");
    row("no such account", "nobody", "5", "提示: 帐号nobody不存在,没有划分条数!");
    row("administrator", "boss", "5", "提示: 帐号boss是管理员,不能给管理员划分条数!");
    row("another agent", "agent2", "1", "提示: 帐号agent2是代理用户,不能给代理用户划分条数!");
    row("another agent's customer", "theirs", "1", "提示: 帐号theirs属于其他代理,不能划分条数!");
    row("itself in capitals", "AGENT", "1", "代理不能给自己划分充值!");
    row("NUL", QString::fromLatin1("a\0b", 3), "5", "提示: 不能使用字符 U+0000,请删除后再试!");
    row("1 MB", QString(1 << 20, QLatin1Char('m')), "5",
        QStringLiteral("提示: 帐号%1…不存在,没有划分条数!").arg(QString(50, QLatin1Char('m'))));
    row("own customer", "mine", "5", QString());
    row("customer of nobody", "vip", "5", QString());
}

void TestBalanceStatements::allocationRefusals()
{
    QFETCH(QString, target);
    QFETCH(QString, amount);
    QFETCH(QString, message);
    for (const char* account :
         {"agent2:代理用户:", "theirs:注册用户:agent2", "mine:注册用户:agent", "vip:VIP用户:"}) {
        const QStringList fields = QString::fromUtf8(account).split(QLatin1Char(':'));
        TestDb::addAccount(*m_gateway, fields[0], QStringLiteral("x"), fields[1], 7);
        QVERIFY(TestDb::owner(*m_gateway)
                    .DbExecute(QStringLiteral("UPDATE UserInfo SET daili=? WHERE loginName=?"),
                               {fields[2], fields[0]}));
    }
    const QString accounts = QStringLiteral("CAST(payMoney AS varchar(20)) || ' ' || COALESCE(daili,'')");
    const QStringList before = column(accounts);
    const AllocateOutcome outcome = DbAllocate(*m_gateway, m_operator, target, amount);
    QCOMPARE(outcome.ok, message.isEmpty());
    if (outcome.ok) {
        QCOMPARE(TestDb::text(*m_gateway, QStringLiteral("SELECT daili FROM UserInfo WHERE loginName=?"),
                              {target}, QStringLiteral("daili")),
                 QStringLiteral("agent"));
        QCOMPARE(moneysRows(), 2);
        return;
    }
    QCOMPARE(outcome.text(), message);
    QCOMPARE(column(accounts), before);
    QCOMPARE(moneysRows(), 0);
}

void TestBalanceStatements::rightsReadAtTheServer_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("told"); // recharge, reduce, allocate
    // A guarded database ends the sessions of a retyped account at once.
    QTest::addColumn<QStringList>("guardedTold");
    const QString no = QStringLiteral("提示: 当前帐号没有此操作的权限!");
    const QString off = QStringLiteral("提示:管理禁用此用户登陆!");
    const QString recharged = QStringLiteral("充值成功!"), reduced = QStringLiteral("减少成功!"),
                  allocated = QStringLiteral("分配给帐号client数量4条成功!");
    const QStringList ended(3, GuardedText::accountChanged);
    QTest::newRow("administrator") << "管理员" << QStringList{recharged, reduced, allocated}
                                   << QStringList{recharged, reduced, allocated};
    QTest::newRow("agent") << "代理用户" << QStringList{no, no, allocated} << ended;
    QTest::newRow("VIP user") << "VIP用户" << QStringList{no, no, allocated} << ended;
    QTest::newRow("registered user") << "注册用户" << QStringList{no, no, no} << ended;
    QTest::newRow("disabled") << "禁用" << QStringList{off, off, off} << QStringList{off, off, off};
}

void TestBalanceStatements::rightsReadAtTheServer()
{
    QFETCH(QString, type);
    QFETCH(QStringList, told);
    QFETCH(QStringList, guardedTold);
    if (TestDb::isGuarded())
        told = guardedTold;
    // The operator logged in as an administrator; its type has changed since.
    QVERIFY(TestDb::owner(*m_gateway)
                .DbExecute(QStringLiteral("UPDATE UserInfo SET type=?,payMoney=100 WHERE loginName='boss'"),
                           {type}));
    const QStringList messages = {
        DbRecharge(*m_gateway, m_admin, QStringLiteral("client"), QStringLiteral("5")).message,
        DbReduce(*m_gateway, m_admin, QStringLiteral("client"), QStringLiteral("cpw"), QStringLiteral("3"))
            .message,
        DbAllocate(*m_gateway, m_admin, QStringLiteral("client"), QStringLiteral("4")).message};
    QCOMPARE(messages, told);
    // A refused statement wrote nothing.
    const bool staff = told[0].contains(QStringLiteral("成功")),
               allocates = told[2].contains(QStringLiteral("成功"));
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("client")),
             10 + (staff ? 2 : 0) + (allocates ? 4 : 0));
    QCOMPARE(moneysRows(), (staff ? 2 : 0) + (allocates ? 2 : 0));
}

void TestBalanceStatements::amountsStoredAsTyped()
{
    // Every statement finds the operator by its name without trailing blanks.
    QVERIFY(TestDb::owner(*m_gateway)
                .DbExecute(QStringLiteral("UPDATE UserInfo SET loginName='agent ' WHERE loginName='agent'")));
    // A guarded database ends the sessions of a renamed account: log in again.
    m_operator = TestDb::session(QStringLiteral("agent"), QStringLiteral("apw"), QStringLiteral("代理用户"));
    QVERIFY(DbRecharge(*m_gateway, m_admin, QStringLiteral("client"), QStringLiteral(" 01 00")).ok);
    QVERIFY(
        DbReduce(*m_gateway, m_admin, QStringLiteral("client"), QStringLiteral("cpw"), QStringLiteral("010"))
            .ok);
    const AllocateOutcome allocated =
        DbAllocate(*m_gateway, m_operator, QStringLiteral("client"), QStringLiteral("007"));
    QCOMPARE(allocated.message, QStringLiteral("分配给帐号client数量007条成功!"));
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("client")), 10 + 100 - 10 + 7);
    QCOMPARE(column(QStringLiteral("fullMoney"), QStringLiteral("Moneys ORDER BY id")),
             (QStringList{"0100", "-010", "-007", "007"}));
}

QTEST_GUILESS_MAIN(TestBalanceStatements)
#include "tst_balance_statements.moc"
