#include "TestDatabases.h"

#include "db/GuardedSetup.h"
#include "db/LoginStatements.h"
#include "db/Schema.h"
#include "db/SqlScript.h"

#include <QDir>
#include <QProcess>
#include <QTest>
#include <QUrl>

// Guarding a PostgreSQL database, from the core function and from kavrel-setup.
class TestGuardedSetup : public QObject
{
    Q_OBJECT
private slots:
    void scriptsSplitOutsideQuotes_data();
    void scriptsSplitOutsideQuotes();
    void powerfulClientRolesAreRefused_data();
    void powerfulClientRolesAreRefused();
    void openDataIsConvertedAndKept();
    void setupChoosesTheLayout();

private:
    std::unique_ptr<DbGateway> openDatabase(const QString& suffix);
    // A digest of the service data that guarding must keep (all but the passwords).
    QString data(DbGateway& gateway);
    int runSetup(const QString& address, const QStringList& arguments, const QByteArray& input = {},
                 QString* output = nullptr);

    QString m_address;
};

void TestGuardedSetup::scriptsSplitOutsideQuotes_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("statements");
    QTest::newRow("plain") << "SELECT 1; SELECT 2;" << QStringList{"SELECT 1", "SELECT 2"};
    QTest::newRow("quoted semicolon")
        << "SELECT ';' ; SELECT \"a;b\"" << QStringList{"SELECT ';'", "SELECT \"a;b\""};
    QTest::newRow("doubled quote") << "SELECT 'it''s; here'; X" << QStringList{"SELECT 'it''s; here'", "X"};
    QTest::newRow("dollar body") << "CREATE f AS $$ BEGIN a; b; END $$; X"
                                 << QStringList{"CREATE f AS $$ BEGIN a; b; END $$", "X"};
    QTest::newRow("tagged body") << "DO $x$ a; $$ b; $$ c; $x$; X"
                                 << QStringList{"DO $x$ a; $$ b; $$ c; $x$", "X"};
    QTest::newRow("comments") << "-- a; b\nSELECT 1; -- c\n" << QStringList{"SELECT 1"};
    QTest::newRow("dashes in a body") << "DO $$ -- ; $$" << QStringList{"DO $$ -- ; $$"};
    QTest::newRow("unclosed") << "SELECT 'a; b" << QStringList{"SELECT 'a; b"};
}

void TestGuardedSetup::scriptsSplitOutsideQuotes()
{
    QFETCH(QString, script);
    QFETCH(QStringList, statements);
    QCOMPARE(SqlScript::split(script), statements);
}

std::unique_ptr<DbGateway> TestGuardedSetup::openDatabase(const QString& suffix)
{
    m_address = TestDb::freshPostgresDatabase(suffix);
    if (m_address.isEmpty())
        return nullptr;
    auto gateway = std::make_unique<DbGateway>(DbConfig::parse(m_address, QDir::currentPath()));
    if (!gateway->DbOpen() || !Schema::create(*gateway))
        qFatal("cannot open %s: %s", qPrintable(m_address), qPrintable(DbGateway::lastError()));
    return gateway;
}

QString TestGuardedSetup::data(DbGateway& gateway)
{
    return TestDb::text(
        gateway,
        QStringLiteral("SELECT md5((SELECT string_agg(concat_ws('|', loginName, userName, type, "
                       "payMoney, status, recvs, daili), ';' ORDER BY loginName) FROM UserInfo) || "
                       "(SELECT string_agg(m::text, ';' ORDER BY id) FROM Moneys m) || "
                       "(SELECT string_agg(r::text, ';' ORDER BY id) FROM UserRecv r) || "
                       "(SELECT string_agg(w::text, ';' ORDER BY id) FROM Messages w)) AS v"),
        {}, QStringLiteral("v"));
}

void TestGuardedSetup::powerfulClientRolesAreRefused_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("message");
    QTest::newRow("the set-up's own") << "kavrel"
                                      << "运行设置的角色";
    QTest::newRow("superuser") << "guard_test_super"
                               << "超级用户";
    QTest::newRow("member of the owner") << "guard_test_member"
                                         << "属于 kavrel_owner";
    QTest::newRow("the owner") << "kavrel_owner"
                               << "不能是 kavrel_owner";
    QTest::newRow("quoted name") << "x\"; DROP TABLE UserInfo; --"
                                 << "只能用小写英文字母";
}

void TestGuardedSetup::powerfulClientRolesAreRefused()
{
    QFETCH(QString, role);
    QFETCH(QString, message);
    const auto gateway = openDatabase(QStringLiteral("refuse"));
    if (!gateway)
        QSKIP("needs the PostgreSQL server of scripts/with-postgres.sh");
    for (const char* create : {"CREATE ROLE guard_test_super SUPERUSER", "CREATE ROLE kavrel_owner NOLOGIN",
                               "CREATE ROLE guard_test_member IN ROLE kavrel_owner"})
        gateway->DbExecute(
            QStringLiteral("DO $$BEGIN %1; EXCEPTION WHEN duplicate_object OR unique_violation "
                           "THEN NULL; END$$")
                .arg(QLatin1String(create)));
    TestDb::addAccount(*gateway, QStringLiteral("boss"), QStringLiteral("pw"), QStringLiteral("管理员"), 5);
    const QString before = TestDb::snapshot(*gateway);
    const GuardedSetup::Result result = GuardedSetup::guard(*gateway, role, {});
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(message), qPrintable(result.error));
    // Every step was undone: still open, passwords as they were.
    QVERIFY(!GuardedSetup::isGuarded(*gateway));
    QCOMPARE(TestDb::snapshot(*gateway), before);
}

void TestGuardedSetup::openDataIsConvertedAndKept()
{
    const auto gateway = openDatabase(QStringLiteral("convert"));
    if (!gateway)
        QSKIP("needs the PostgreSQL server of scripts/with-postgres.sh");
    TestDb::addAccount(*gateway, QStringLiteral("boss"), QStringLiteral("bpw"), QStringLiteral("管理员"));
    TestDb::addAccount(*gateway, QStringLiteral("cust "), QStringLiteral("cpw  "), QStringLiteral("注册用户"),
                       70);
    QVERIFY(gateway->DbExecute(QStringLiteral(
        "INSERT INTO Moneys (loginName, fullMoney, addDate, parentName) VALUES ('cust', '100', 'd', 'boss'), "
        "('cust', '-30', 'd', 'boss'); INSERT INTO UserRecv (loginName, message, Num, recvs, addDate, tel) "
        "VALUES "
        "('cust', 'm', '1', '99', 'd', '1,'); INSERT INTO Messages (loginName, message, addDate, status, "
        "CountNum) "
        "VALUES ('cust', 'w', 'd', '1', '2,')")));
    const QString before = data(*gateway);
    const QString role = QStringLiteral("guard_test_client");
    QStringList lines;
    GuardedSetup::Result result =
        GuardedSetup::guard(*gateway, role, [&](const QString& line) { lines << line; });
    QVERIFY2(result.ok && result.changed, qPrintable(result.error));
    QCOMPARE(data(*gateway), before);
    QCOMPARE(TestDb::count(*gateway, QStringLiteral("UserInfo"), QStringLiteral("pwd <> ''")), 0);
    // The client's login reaches the API only, and the stored passwords still open the accounts.
    QUrl url(m_address);
    url.setUserName(role);
    DbGateway client(DbConfig::parse(url.toString(), QDir::currentPath()));
    QVERIFY(client.DbQuery(QStringLiteral("SELECT * FROM UserInfo")).failed());
    DbRows rows = client.DbQuery(QStringLiteral("SELECT * FROM kavrel_api.login(?, ?)"),
                                 {QStringLiteral("cust"), QStringLiteral("cpw")});
    QCOMPARE(rows.text(QStringLiteral("code")) + rows.text(QStringLiteral("balance")) +
                 rows.text(QStringLiteral("recharge_total")),
             QStringLiteral("ok7070"));
    rows = DbRows();
    // A second run finds every step done.
    lines.clear();
    result = GuardedSetup::guard(*gateway, role, [&](const QString& line) { lines << line; });
    QVERIFY2(result.ok && !result.changed, qPrintable(lines.join(u'\n')));
    QCOMPARE(lines.size(), 10);
    QCOMPARE(data(*gateway), before);
}

int TestGuardedSetup::runSetup(const QString& address, const QStringList& arguments, const QByteArray& input,
                               QString* output)
{
    QProcess setup;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KAVREL_DB"), address);
    setup.setProcessEnvironment(environment);
    setup.start(QStringLiteral(KAVREL_SETUP_BINARY), arguments);
    setup.write(input);
    setup.closeWriteChannel();
    if (!setup.waitForFinished(60000))
        return -1;
    if (output)
        *output = QString::fromUtf8(setup.readAllStandardOutput() + setup.readAllStandardError());
    return setup.exitCode();
}

void TestGuardedSetup::setupChoosesTheLayout()
{
    // SQLite refuses --guard before anything is made.
    QTemporaryDir dir;
    QString output;
    const QString file = dir.filePath(QStringLiteral("k.db"));
    QCOMPARE(runSetup(QStringLiteral("sqlite:") + file, {QStringLiteral("--guard")}, {}, &output), 1);
    QVERIFY2(output.contains(QStringLiteral("只适用于 PostgreSQL")), qPrintable(output));
    QVERIFY(!QFile::exists(file));
    if (!openDatabase(QStringLiteral("setup_open")))
        QSKIP("needs the PostgreSQL server of scripts/with-postgres.sh");
    // --open keeps the specified layout; a database without tables is guarded by default.
    QCOMPARE(runSetup(m_address, {QStringLiteral("--open")}), 0);
    DbGateway open(DbConfig::parse(m_address, QDir::currentPath()));
    QVERIFY(!GuardedSetup::isGuarded(open));
    m_address = TestDb::freshPostgresDatabase(QStringLiteral("setup_new"));
    const QStringList arguments{QStringLiteral("--client-role"), QStringLiteral("guard_test_client"),
                                QStringLiteral("--admin"), QStringLiteral("chief"),
                                QStringLiteral("--password-stdin")};
    QCOMPARE(runSetup(m_address, arguments, "s3cret\n", &output), 0);
    QVERIFY2(output.contains(QStringLiteral("完成")), qPrintable(output));
    QUrl url(m_address);
    url.setUserName(QStringLiteral("guard_test_client"));
    DbGateway client(DbConfig::parse(url.toString(), QDir::currentPath()));
    QVERIFY(!TestDb::guardedLogin(client, QStringLiteral("chief"), QStringLiteral("s3cret")).isEmpty());
    QCOMPARE(runSetup(m_address, {QStringLiteral("--client-role"), QStringLiteral("guard_test_client")}, {},
                      &output),
             0);
    QVERIFY2(output.contains(QStringLiteral("本次没有任何改动")), qPrintable(output));
}

QTEST_GUILESS_MAIN(TestGuardedSetup)
#include "tst_guarded_setup.moc"
