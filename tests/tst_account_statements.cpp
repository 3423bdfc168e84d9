#include "TestDatabases.h"

#include "db/AccountGuard.h"
#include "db/AccountStatements.h"
#include "db/ActingAccount.h"
#include "db/LoginStatements.h"
#include "db/Schema.h"
#include "db/SqlText.h"

#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <atomic>
#include <latch>

class TestAccountStatements : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data() { TestDb::addBackendRows(); }
    void init();
    void cleanup() { m_gateway.reset(); }

    void statementTextsBindEveryValue();
    void registerWritesBothRows_data();
    void registerWritesBothRows();
    void takenNameRefusedByTheKey();
    void otherFailureWritesNothingAndSaysSo();
    void lostConnectionIsNotCalledTaken();
    void hostileTextsStoredAsTyped();
    void changesNeedTheirAccount_data();
    void changesNeedTheirAccount();
    void changesIgnoreTrailingBlanksAsLoginDoes();
    void deleteLeavesOtherRows();
    void administratorCannotLockItselfOut();
    void administratorsDemotingEachOtherAtOnce();

private:
    NewAccount account(const QString& name) const
    {
        return {name,
                QStringLiteral("张三"),
                QStringLiteral("星河公司"),
                QStringLiteral("pw1"),
                QStringLiteral("北京路1号"),
                QStringLiteral("13812345678")};
    }
    // A logged-in account of the type, written on first use.
    SessionUser actingAs(const QString& type)
    {
        const QString name = QStringLiteral("acting%1").arg(TestDb::session({}, {}, type).typeCode);
        if (TestDb::count(*m_gateway, QStringLiteral("UserInfo"), QStringLiteral("loginName=?"), {name}) == 0)
            TestDb::addAccount(*m_gateway, name, QStringLiteral("apw"), type);
        return TestDb::session(name, QStringLiteral("apw"), type);
    }
    QString column(const QString& name, const QString& column)
    {
        return TestDb::text(*m_gateway,
                            QStringLiteral("SELECT %1 FROM UserInfo WHERE loginName=?").arg(column), {name},
                            column);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
};

void TestAccountStatements::init()
{
    m_gateway = TestDb::open(TestDb::currentBackend(), m_dir);
}

void TestAccountStatements::statementTextsBindEveryValue()
{
    QCOMPARE(AccountSql::changeColumn(QStringLiteral("pwd")),
             QStringLiteral("UPDATE UserInfo SET pwd = ? WHERE (RTRIM(loginName)=?) and (RTRIM(pwd)=?)"));
    QCOMPARE(AccountSql::deleteUser(), QStringLiteral("DELETE FROM UserInfo WHERE (RTRIM(loginName)=?)"));
    // SQL Server: the server's clock, and no value spliced into the text.
    const QString insert = SqlText::insertAccount(SqlDialect(DbBackend::SqlServer));
    QVERIFY(insert.contains(QStringLiteral("convert(varchar(100),getdate(),120)")));
    QCOMPARE(insert.count(QLatin1Char('?')), 7);
    // The account pair is locked where the server can, always in name order.
    QVERIFY(GuardSql::lockPair(SqlDialect(DbBackend::SqlServer)).contains("WITH (UPDLOCK, HOLDLOCK) WHERE"));
    QVERIFY(GuardSql::lockPair(SqlDialect(DbBackend::Postgres)).endsWith("ORDER BY loginName FOR UPDATE"));
    for (const QString& sql : {AccountSql::changeColumn(QStringLiteral("type")), AccountSql::deleteUser(),
                               SqlText::insertTelPhone()})
        QVERIFY(!QString(sql).remove(QStringLiteral("'0'")).contains(QLatin1Char('\'')));
}

void TestAccountStatements::registerWritesBothRows_data()
{
    QTest::addColumn<QString>("type"); // empty: the registration form without a type
    QTest::addColumn<QString>("acting");
    QTest::newRow("self-registration") << QString() << QString();
    QTest::newRow("agent") << QStringLiteral("代理用户") << QStringLiteral("管理员");
    QTest::newRow("VIP") << QStringLiteral("VIP用户") << QStringLiteral("代理用户");
}

void TestAccountStatements::registerWritesBothRows()
{
    QFETCH(QString, type);
    QFETCH(QString, acting);
    const Outcome outcome = type.isEmpty() ? DbRegisterUser(*m_gateway, account(QStringLiteral("zhang3")))
                                           : DbRegisterUser(*m_gateway, actingAs(acting),
                                                            account(QStringLiteral("zhang3")), type);
    QCOMPARE(outcome.message, QStringLiteral("注册成功!"));
    QVERIFY(outcome.ok);
    QCOMPARE(column("zhang3", "type"), type.isEmpty() ? QStringLiteral("注册用户") : type);
    QCOMPARE(column("zhang3", "payMoney"), QStringLiteral("0"));
    QCOMPARE(column("zhang3", "status"), QStringLiteral("0"));
    QCOMPARE(column("zhang3", "recvs"), QStringLiteral("0"));
    QCOMPARE(column("zhang3", "userName"), QStringLiteral("张三"));
    QCOMPARE(column("zhang3", "parentName"), QStringLiteral("星河公司"));
    QCOMPARE(column("zhang3", "Address"), QStringLiteral("北京路1号"));
    QCOMPARE(column("zhang3", "telephone"), QStringLiteral("13812345678"));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                .match(column("zhang3", "addDate"))
                .hasMatch());
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("TelPhone"),
                           QStringLiteral("loginName='zhang3' AND Num='0' AND message='0' AND telPhone='0'")),
             1);
}

void TestAccountStatements::takenNameRefusedByTheKey()
{
    QVERIFY(DbRegisterUser(*m_gateway, account(QStringLiteral("zhang3"))).ok);
    const Outcome again = DbRegisterUser(*m_gateway, actingAs(QStringLiteral("管理员")),
                                         account(QStringLiteral("zhang3")), QStringLiteral("代理用户"));
    QVERIFY(!again.ok);
    QCOMPARE(again.text(), QStringLiteral("帐号被注册!"));
    // The refused registration left no second TelPhone row behind.
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("TelPhone")), 1);
    QCOMPARE(column("zhang3", "type"), QStringLiteral("注册用户"));
}

void TestAccountStatements::otherFailureWritesNothingAndSaysSo()
{
    // The companion row cannot be written: the account row must go too.
    TestDb::breakTable(*m_gateway, QStringLiteral("TelPhone"));
    const Outcome outcome = DbRegisterUser(*m_gateway, account(QStringLiteral("half")));
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.message, QStringLiteral("连接错误或网络卡线!"));
    QVERIFY(!outcome.reason.isEmpty());
    QVERIFY(outcome.text().contains(outcome.reason));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("UserInfo")), 0);
    TestDb::mendTables(*m_gateway);
}

void TestAccountStatements::lostConnectionIsNotCalledTaken()
{
    if (TestDb::currentBackend().name == QStringLiteral("sqlite"))
        QSKIP("needs a server whose connection can be killed");
    DbRows asked = m_gateway->DbQuery(QStringLiteral("SELECT pg_backend_pid() AS pid"));
    const QString pid = asked.text(QStringLiteral("pid"));
    asked = DbRows();
    DbGateway killer(DbConfig::parse(TestDb::address(TestDb::currentBackend(), m_dir), m_dir.path()));
    QVERIFY(killer.DbOpen());
    QVERIFY(killer.DbExecute(QStringLiteral("SELECT pg_terminate_backend(?)"), {pid.toInt()}));
    const Outcome outcome = DbRegisterUser(*m_gateway, account(QStringLiteral("lost")));
    QVERIFY(outcome.message != QStringLiteral("帐号被注册!"));
    // Whatever the gateway did with the dead connection, the outcome tells the truth.
    const qint64 accounts = TestDb::count(killer, QStringLiteral("UserInfo"));
    const qint64 phones = TestDb::count(killer, QStringLiteral("TelPhone"));
    QCOMPARE(accounts, phones);
    QCOMPARE(accounts, outcome.ok ? 1 : 0);
    if (!outcome.ok)
        QCOMPARE(outcome.message, QStringLiteral("连接错误或网络卡线!"));
}

void TestAccountStatements::hostileTextsStoredAsTyped()
{
    NewAccount hostile = account(QStringLiteral("o'neil\"--"));
    hostile.nickname = QStringLiteral("'); DELETE FROM UserInfo; --");
    hostile.company = QStringLiteral("\\'\\\\%_");
    QVERIFY(DbRegisterUser(*m_gateway, hostile).ok);
    QCOMPARE(column(hostile.loginName, "userName"), hostile.nickname);
    QCOMPARE(column(hostile.loginName, "parentName"), hostile.company);
    QVERIFY(DbChangeNickname(*m_gateway, actingAs(QStringLiteral("管理员")), hostile.loginName,
                             QStringLiteral("pw1"), QStringLiteral("x' OR '1'='1"))
                .ok);
    QCOMPARE(column(hostile.loginName, "userName"), QStringLiteral("x' OR '1'='1"));
    // A password written as an always-true condition matches nothing. A guarded database retypes
    // without the password, which no list hands out.
    QCOMPARE(DbSetUserType(*m_gateway, actingAs(QStringLiteral("管理员")), hostile.loginName,
                           QStringLiteral("' OR '1'='1"), QStringLiteral("管理员"))
                 .ok,
             TestDb::isGuarded());
    QCOMPARE(column(hostile.loginName, "type"),
             TestDb::isGuarded() ? QStringLiteral("管理员") : QStringLiteral("注册用户"));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("UserInfo")), 2);
}

void TestAccountStatements::changesNeedTheirAccount_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("tag");
    QTest::newRow("password") << "pwd"
                              << "err:SEND_XGPASS";
    QTest::newRow("nickname") << "userName"
                              << "err:SEND_XGuserName";
    QTest::newRow("company") << "parentName"
                             << "err:SEND_XGparentName";
    QTest::newRow("type") << "type"
                          << "err:SEND_XGparentName";
}

void TestAccountStatements::changesNeedTheirAccount()
{
    QFETCH(QString, column);
    QFETCH(QString, tag);
    TestDb::addAccount(*m_gateway, QStringLiteral("bob"), QStringLiteral("pw1"), QStringLiteral("注册用户"));
    TestDb::addAccount(*m_gateway, QStringLiteral("eve"), QStringLiteral("pw1"), QStringLiteral("注册用户"));
    const SessionUser boss = actingAs(QStringLiteral("管理员"));
    const auto change = [&](const QString& name, const QString& pwd, const QString& value) {
        if (column == QStringLiteral("pwd"))
            return DbChangePassword(*m_gateway, boss, name, pwd, value);
        if (column == QStringLiteral("userName"))
            return DbChangeNickname(*m_gateway, boss, name, pwd, value);
        if (column == QStringLiteral("parentName"))
            return DbChangeCompany(*m_gateway, boss, name, pwd, value);
        return DbSetUserType(*m_gateway, boss, name, pwd, value);
    };
    // A guarded database keeps no password to read back, nor one outside plain ASCII: its
    // passwords are checked by logging in.
    const bool hashed = TestDb::isGuarded() && column == QStringLiteral("pwd");
    const QString value = hashed ? QStringLiteral("newpw1") : QStringLiteral("禁用");
    TestDb::useSession(*m_gateway, boss);
    const auto has = [&](const QString& name, const QString& stored) {
        return hashed ? DbVerifyAccount(*m_gateway, name, stored).result == LoginResult::Accepted
                      : this->column(name, column) == stored;
    };
    const QString before = hashed ? QStringLiteral("pw1") : this->column(QStringLiteral("bob"), column);
    Outcome outcome = change(QStringLiteral("bob"), QStringLiteral("wrong"), value);
    if (TestDb::isGuarded() && column == QStringLiteral("type")) {
        // A guarded database retypes without the password, which no list hands out.
        QVERIFY(outcome.ok);
    } else {
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.message, tag);
        QVERIFY(has(QStringLiteral("bob"), before));
    }
    outcome = change(QStringLiteral("nobody"), QStringLiteral("pw1"), value);
    QCOMPARE(outcome.message, tag);
    outcome = change(QStringLiteral("bob"), QStringLiteral("pw1"), value);
    QVERIFY(outcome.ok);
    QVERIFY(outcome.message.isEmpty());
    QVERIFY(has(QStringLiteral("bob"), value));
    QVERIFY(has(QStringLiteral("eve"), before));
}

void TestAccountStatements::changesIgnoreTrailingBlanksAsLoginDoes()
{
    // Rows written by older clients may carry trailing blanks; the login accepts them.
    TestDb::addAccount(*m_gateway, QStringLiteral("old  "), QStringLiteral("pw1  "),
                       QStringLiteral("注册用户"));
    QVERIFY(DbChangeNickname(*m_gateway, actingAs(QStringLiteral("注册用户")), QStringLiteral("old"),
                             QStringLiteral("pw1"), QStringLiteral("新"))
                .ok);
    QCOMPARE(column(QStringLiteral("old  "), QStringLiteral("userName")), QStringLiteral("新"));
}

void TestAccountStatements::deleteLeavesOtherRows()
{
    QVERIFY(DbRegisterUser(*m_gateway, account(QStringLiteral("gone"))).ok);
    DbGateway& owner = TestDb::owner(*m_gateway);
    QVERIFY(owner.DbExecute(QStringLiteral("INSERT INTO Moneys (loginName,fullMoney,addDate,parentName) "
                                           "VALUES ('gone','5','2011-01-01 00:00:00','boss')")));
    QVERIFY(owner.DbExecute(QStringLiteral("INSERT INTO UserRecv (loginName,message,Num,recvs,addDate,tel) "
                                           "VALUES ('gone','m','1','90','2011-01-01 00:00:00','1,')")));
    QVERIFY(owner.DbExecute(QStringLiteral("INSERT INTO Messages (loginName,message,addDate,status,CountNum) "
                                           "VALUES ('gone','m','2011-01-01 00:00:00','1','1,')")));
    const SessionUser boss = actingAs(QStringLiteral("管理员"));
    const Outcome outcome = DbDeleteUser(*m_gateway, boss, QStringLiteral("gone"));
    QVERIFY(outcome.ok);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("UserInfo"), QStringLiteral("loginName='gone'")), 0);
    for (const char* table : {"TelPhone", "Moneys", "UserRecv", "Messages"})
        QCOMPARE(TestDb::count(*m_gateway, QLatin1String(table)), 1);
    // Already gone is not a failure: the account no longer exists either way.
    QVERIFY(DbDeleteUser(*m_gateway, boss, QStringLiteral("gone")).ok);
}

void TestAccountStatements::administratorCannotLockItselfOut()
{
    const SessionUser boss = TestDb::signIn(*m_gateway, "boss", "bpw", "管理员");
    TestDb::addAccount(*m_gateway, "root", "rpw", "管理员");
    for (const QString& type : {"禁用", "注册用户", "代理用户", ""}) {
        const Outcome outcome = type.isEmpty() ? DbDeleteUser(*m_gateway, boss, "boss")
                                               : DbSetUserType(*m_gateway, boss, "boss", "bpw", type);
        QCOMPARE(outcome.text(), GuardText::ownAccount.arg("boss"));
    }
    QCOMPARE(column("boss", "type"), QStringLiteral("管理员"));
    // Another administrator may be demoted; it then can no longer demote the first.
    QVERIFY(DbSetUserType(*m_gateway, boss, "root", "rpw", "注册用户"));
    const Outcome back =
        DbSetUserType(*m_gateway, TestDb::session("root", "rpw", "管理员"), "boss", "bpw", "禁用");
    QCOMPARE(back.text(), ActingText::notAllowed);
    QCOMPARE(column("boss", "type"), QStringLiteral("管理员"));
}

void TestAccountStatements::administratorsDemotingEachOtherAtOnce()
{
    const QString address = TestDb::address(TestDb::currentBackend(), m_dir);
    // Two administrators, each demoting the other at the same moment: at most one may win.
    for (int round = 0; round < 20; ++round) {
        TestDb::clearTables(*m_gateway);
        TestDb::addAccount(*m_gateway, "adminA", "pw", "管理员");
        TestDb::addAccount(*m_gateway, "adminB", "pw", "管理员");
        std::latch start(2);
        std::atomic<int> won{0};
        const auto demote = [&](const QString& self, const QString& other) {
            DbGateway gateway(DbConfig::parse(address, m_dir.path()));
            gateway.DbOpen();
            start.arrive_and_wait();
            won += DbSetUserType(gateway, TestDb::session(self, "pw", "管理员"), other, "pw", "注册用户").ok;
        };
        std::unique_ptr<QThread> first(QThread::create(demote, "adminA", "adminB"));
        first->start();
        demote("adminB", "adminA");
        QVERIFY(first->wait(60000));
        QCOMPARE(won.load(), 1);
        QCOMPARE(TestDb::count(*m_gateway, "UserInfo", "type='管理员'"), 1);
    }
}

QTEST_GUILESS_MAIN(TestAccountStatements)
#include "tst_account_statements.moc"
