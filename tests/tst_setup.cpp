#include "TestDatabases.h"

#include "db/AccountSetup.h"
#include "db/LoginStatements.h"

#include <QProcess>
#include <QTest>

class TestSetup : public QObject
{
    Q_OBJECT
private slots:
    // The open layout's set-up; the guarded one has tests of its own.
    void initTestCase_data() { TestDb::addBackendRows(false); }
    void init();
    void cleanup() { m_gateway.reset(); }

    void validation_data();
    void validation();
    void unstorableNicknameNamed();
    void administratorCanLogIn();
    void takenNameIsRefused();
    void setupCommandCreatesTablesAndAdministrator();
    void sqlServerGoesThroughFreeTds();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
};

void TestSetup::init()
{
    m_gateway = TestDb::open(TestDb::currentBackend(), m_dir);
}

void TestSetup::validation_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("repeat");
    QTest::addColumn<QString>("message");
    QTest::newRow("ok") << QStringLiteral("boss") << QStringLiteral("pw") << QStringLiteral("pw")
                        << QString();
    QTest::newRow("blanks removed") << QStringLiteral(" bo ss ") << QStringLiteral("p w")
                                    << QStringLiteral("pw") << QString();
    QTest::newRow("empty name") << QStringLiteral("  ") << QStringLiteral("pw") << QStringLiteral("pw")
                                << QStringLiteral("提示: 用户名请填写英文加数字!");
    QTest::newRow("chinese name") << QStringLiteral("老板") << QStringLiteral("pw") << QStringLiteral("pw")
                                  << QStringLiteral("用户名请填写英文加数字!");
    QTest::newRow("long name") << QString(26, QLatin1Char('a')) << QStringLiteral("pw")
                               << QStringLiteral("pw") << QStringLiteral("提示: 用户名最多25个英文加数字!");
    QTest::newRow("empty password") << QStringLiteral("boss") << QString() << QString()
                                    << QStringLiteral("提示: 密码请填写英文加数字!");
    QTest::newRow("different") << QStringLiteral("boss") << QStringLiteral("pw1") << QStringLiteral("pw2")
                               << QStringLiteral("提示: 重复输入的密码不相同!");
    // Characters the database would alter or refuse are named before any statement runs.
    QTest::newRow("NUL in name") << QString::fromUtf16(u"bo\0ss", 5) << QStringLiteral("pw")
                                 << QStringLiteral("pw")
                                 << QStringLiteral("提示: 不能使用字符 U+0000,请删除后再试!");
    const QChar lone[] = {u'p', QChar(0xD800)};
    QTest::newRow("lone surrogate in password")
        << QStringLiteral("boss") << QString(lone, 2) << QString(lone, 2)
        << QStringLiteral("提示: 不能使用字符 U+D800,请删除后再试!");
    QTest::newRow("emoji in name") << QStringLiteral("boss😀") << QStringLiteral("pw") << QStringLiteral("pw")
                                   << QStringLiteral("提示: 不能使用字符“😀”(U+1F600),请删除后再试!");
}

void TestSetup::validation()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, repeat);
    QFETCH(QString, message);
    AccountSetup::Administrator admin{name, password, repeat, QStringLiteral("张三"), QStringLiteral("星河")};
    QCOMPARE(AccountSetup::validate(admin), message);
}

void TestSetup::unstorableNicknameNamed()
{
    AccountSetup::Administrator admin{QStringLiteral("boss"), QStringLiteral("pw"), QStringLiteral("pw"),
                                      QStringLiteral("张三\x01"), QStringLiteral("한국")};
    QCOMPARE(AccountSetup::validate(admin), QStringLiteral("提示: 不能使用字符 U+0001,请删除后再试!"));
    admin.nickname = QStringLiteral("张三");
    QCOMPARE(AccountSetup::validate(admin), QStringLiteral("提示: 不能使用字符“한”(U+D55C),请删除后再试!"));
    const Outcome outcome = AccountSetup::createAdministrator(*m_gateway, admin);
    QVERIFY(!outcome.ok);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("UserInfo")), qint64(0));
}

void TestSetup::administratorCanLogIn()
{
    const Outcome outcome = AccountSetup::createAdministrator(
        *m_gateway, {QStringLiteral("boss"), QStringLiteral("pw1"), QStringLiteral("pw1"),
                     QStringLiteral("张三"), QStringLiteral("星河")});
    QVERIFY2(outcome.ok, qPrintable(outcome.message));
    SessionUser session;
    QCOMPARE(DbLogin(*m_gateway, session, QStringLiteral("boss"), QStringLiteral("pw1")).result,
             LoginResult::Accepted);
    QCOMPARE(session.typeCode, int(SessionUser::Administrator));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("TelPhone"),
                           QStringLiteral("loginName='boss' AND Num='0' AND "
                                          "message='0' AND telPhone='0'")),
             1);
    QCOMPARE(
        TestDb::text(*m_gateway, QStringLiteral("SELECT recvs FROM UserInfo"), {}, QStringLiteral("recvs")),
        QStringLiteral("0"));
}

void TestSetup::takenNameIsRefused()
{
    TestDb::addAccount(*m_gateway, QStringLiteral("boss"), QStringLiteral("x"), QStringLiteral("注册用户"));
    const Outcome outcome = AccountSetup::createAdministrator(
        *m_gateway, {QStringLiteral("boss"), QStringLiteral("pw1"), QStringLiteral("pw1"),
                     QStringLiteral("张三"), QStringLiteral("星河")});
    QCOMPARE(outcome.message, QStringLiteral("帐号被注册!"));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("UserInfo")), 1);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("TelPhone")), 0);
}

void TestSetup::setupCommandCreatesTablesAndAdministrator()
{
    const QString address = TestDb::address(TestDb::currentBackend(), m_dir);
    QVERIFY(m_gateway->DbExecute(QStringLiteral("DROP TABLE UserInfo")));
    // A server database made before written parts were announced is given the announcement.
    const bool server = TestDb::currentBackend().name == QStringLiteral("postgres");
    const QString announced = QStringLiteral("tgname = 'messages_announced'");
    if (server)
        QVERIFY(m_gateway->DbExecute(QStringLiteral("DROP TRIGGER messages_announced ON Messages")));
    QProcess setup;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KAVREL_DB"), address);
    setup.setProcessEnvironment(environment);
    setup.start(QStringLiteral(KAVREL_SETUP_BINARY),
                {QStringLiteral("--admin"), QStringLiteral("chief"), QStringLiteral("--password-stdin")});
    setup.write("s3cret\n");
    setup.closeWriteChannel();
    QVERIFY(setup.waitForFinished(60000));
    QVERIFY2(setup.exitCode() == 0, setup.readAllStandardError().constData());
    // One language, the client's, and no server notices ("relation ... already exists").
    QString ready =
        QStringLiteral("数据表已就绪: %1\n").arg(DbConfig::parse(address, m_dir.path()).describe());
    // A server database that already holds data keeps its layout unless told to convert it.
    if (TestDb::currentBackend().name == QStringLiteral("postgres"))
        ready += QStringLiteral("数据库使用开放的布局;要改为受保护的布局,请加 --guard\n");
    QCOMPARE(QString::fromUtf8(setup.readAllStandardOutput()),
             ready + QStringLiteral("已创建管理员 chief\n"));
    SessionUser session;
    QCOMPARE(DbLogin(*m_gateway, session, QStringLiteral("chief"), QStringLiteral("s3cret")).result,
             LoginResult::Accepted);
    if (server)
        QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("pg_trigger"), announced), 1);

    // A second run keeps the data and refuses the taken name.
    setup.start(QStringLiteral(KAVREL_SETUP_BINARY),
                {QStringLiteral("--admin"), QStringLiteral("chief"), QStringLiteral("--password-stdin")});
    setup.write("other\n");
    setup.closeWriteChannel();
    QVERIFY(setup.waitForFinished(60000));
    QCOMPARE(setup.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(setup.readAllStandardOutput()), ready);
    QCOMPARE(QString::fromUtf8(setup.readAllStandardError()), QStringLiteral("kavrel-setup: 帐号被注册!\n"));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("UserInfo")), 1);
    if (server)
        QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("pg_trigger"), announced), 1);
}

void TestSetup::sqlServerGoesThroughFreeTds()
{
    if (TestDb::currentBackend().name != QStringLiteral("sqlite"))
        QSKIP("once is enough");
    DbGateway gateway(DbConfig::parse(QStringLiteral("mssql://sa:pw@127.0.0.1:1/sms"), m_dir.path()));
    QVERIFY(!gateway.DbOpen());
    const QString error = DbGateway::lastError();
    // The driver manager found the FreeTDS driver; it is the server that is missing.
    QVERIFY2(error.contains(QStringLiteral("[FreeTDS]")), qPrintable(error));
    QVERIFY2(!error.contains(QStringLiteral("Driver not loaded"), Qt::CaseInsensitive), qPrintable(error));
    QVERIFY2(!error.contains(QStringLiteral("Can't open lib"), Qt::CaseInsensitive), qPrintable(error));
    QVERIFY2(!error.contains(QStringLiteral("Data source name not found"), Qt::CaseInsensitive),
             qPrintable(error));
}

QTEST_GUILESS_MAIN(TestSetup)
#include "tst_setup.moc"
