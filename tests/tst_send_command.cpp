// kavrel-send as scripts run it: a process with files, standard input, the environment and exit
// statuses, on each backend; a part the server refuses; the connection killed at a part's commit,
// with and without a way back to the server.
#include "Fixtures.h"
#include "TestDatabases.h"

#include "common/Gbk.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <QThread>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Three parts, "A...", "B..." and "C...": the server may be told to refuse or hold the second.
const QString kThreeParts = QString(71, u'A') + QString(71, u'B') + QString(10, u'C');

struct Case
{
    QString args; // after --user shop --json, split at '|'; --numbers and --message when missing
    QByteArray numbers = "13800000001\r\n13800000002\r\n13800000003\r\n"; // the file and standard input
    QString type = u"注册用户"_s;
    qint64 balance = 1000;
    std::optional<QString> password = u"pw"_s; // KAVREL_PASSWORD
    int status = 0;
    int charged = 0; // parts
    int failed = 0;
    qint64 perPart = 3; // numbers
    QString said;       // on standard error
    bool serverRefusesB = false;
    QString optedOut; // a number on the opt-out list
};

QByteArray manyNumbers(int count)
{
    QByteArray lines;
    for (int i = 0; i < count; ++i)
        lines += QByteArray::number(13900000000LL + i) + "\n";
    return lines;
}

bool onSqlite()
{
    return TestDb::currentBackend().name == u"sqlite"_s;
}

} // namespace

Q_DECLARE_METATYPE(Case)

class TestSendCommand : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data() { TestDb::addBackendRows(); }
    void init();
    void cleanup();

    void script_data();
    void script();
    void killedAtCommit_data();
    void killedAtCommit();

private:
    QProcess& start(const Case& c);
    void verifyEnd(QProcess& process, const Case& c, int unknown);

    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
    std::unique_ptr<QProcess> m_process;
};

void TestSendCommand::init()
{
    m_gateway = TestDb::open(TestDb::currentBackend(), m_dir);
    QVERIFY(Fixtures::writeFile(m_dir.filePath(u"XPOP.dat"_s), Gbk::encode(u"违禁\r\n"_s)));
    QVERIFY(Fixtures::writeFile(m_dir.filePath(u"message.txt"_s), Gbk::encode(u"你好\r\n"_s)));
    QVERIFY(Fixtures::writeFile(m_dir.filePath(u"pw.txt"_s), "pw\n"));
}

void TestSendCommand::cleanup()
{
    m_process.reset();
    DbGateway& owner = TestDb::owner(*m_gateway);
    for (const QString& trigger : {u"refuse_b"_s, u"hold_b"_s})
        owner.DbExecute(
            u"DROP TRIGGER IF EXISTS %1%2"_s.arg(trigger, onSqlite() ? QString() : u" ON Messages"_s));
    m_gateway.reset();
}

void TestSendCommand::script_data()
{
    QTest::addColumn<Case>("c");
    QTest::newRow("two parts") << Case{.charged = 2, .said = u"发送完成"_s};
    QTest::newRow("stdin, BOM, LF, dedupe") << Case{.args = u"--numbers|-|--dedupe"_s,
                                                    .numbers = "\xEF\xBB\xBF"
                                                               "13800000001\n13800000002\n13800000001",
                                                    .charged = 2,
                                                    .perPart = 2,
                                                    .said = u"去除 1 个"_s};
    QTest::newRow("message file, password file")
        << Case{.args = u"--message-file|message.txt|--password-file|pw.txt"_s, .password = {}, .charged = 1};
    QTest::newRow("a part refused by the server") << Case{.args = u"--message|"_s + kThreeParts,
                                                          .status = 3,
                                                          .charged = 2,
                                                          .failed = 1,
                                                          .said = u"1 部分提交失败"_s,
                                                          .serverRefusesB = true};
    QTest::newRow("an opted-out number")
        << Case{.charged = 2, .perPart = 2, .said = u"已去除退订号码 1 个"_s, .optedOut = u"13800000002"_s};
    QTest::newRow("balance short") << Case{
        .balance = 5, .status = 2, .failed = 2, .said = u"可使用条数为5,缺少1"_s};
    QTest::newRow("keyword") << Case{.args = u"--message|买违禁品"_s, .status = 2, .said = u"买***品"_s};
    QTest::newRow("no numbers") << Case{.numbers = "123\n", .status = 2, .said = u"没有导入任何号码"_s};
    QTest::newRow("30001 numbers") << Case{
        .numbers = manyNumbers(30001), .status = 2, .said = u"最多一次发送3万条"_s};
    QTest::newRow("too long") << Case{
        .args = u"--message|"_s + QString(7101, u'x'), .status = 2, .said = u"最多7100个字"_s};
    QTest::newRow("disabled") << Case{.type = u"禁用"_s, .status = 2, .said = u"提示:管理禁用此用户登陆!"_s};
    QTest::newRow("wrong password") << Case{.password = u"nope"_s, .status = 2, .said = u"帐号或密码错误!"_s};
    QTest::newRow("password on the line")
        << Case{.args = u"--password|pw"_s, .status = 1, .said = u"不能写在命令行上"_s};
    QTest::newRow("no password") << Case{.password = {}, .status = 1, .said = u"没有密码"_s};
    QTest::newRow("both messages") << Case{
        .args = u"--message|a|--message-file|message.txt"_s, .status = 1, .said = u"二者选一"_s};
}

QProcess& TestSendCommand::start(const Case& c)
{
    QStringList args =
        QStringList{u"--user"_s, u"shop"_s, u"--json"_s} + c.args.split(u'|', Qt::SkipEmptyParts);
    if (!args.contains(u"--numbers"_s))
        args << u"--numbers"_s << u"numbers.txt"_s;
    if (!args.contains(u"--message"_s) && !args.contains(u"--message-file"_s))
        args << u"--message"_s << QString(100, u'm');
    Fixtures::writeFile(m_dir.filePath(u"numbers.txt"_s), c.numbers);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"KAVREL_DB"_s, TestDb::address(TestDb::currentBackend(), m_dir));
    environment.remove(u"KAVREL_PASSWORD"_s);
    if (c.password)
        environment.insert(u"KAVREL_PASSWORD"_s, *c.password);
    m_process = std::make_unique<QProcess>();
    m_process->setProcessEnvironment(environment);
    m_process->setWorkingDirectory(m_dir.path());
    m_process->start(QStringLiteral(KAVREL_SEND_BINARY), args);
    m_process->write(c.numbers);
    m_process->closeWriteChannel();
    return *m_process;
}

// The status, what was said, the summary object and what the database holds agree with the case.
void TestSendCommand::verifyEnd(QProcess& process, const Case& c, int unknown)
{
    QVERIFY(process.state() == QProcess::NotRunning || process.waitForFinished(120000));
    const QString said = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(said.contains(c.said), qPrintable(said));
    QCOMPARE(process.exitCode(), c.status);
    QCOMPARE(TestDb::count(*m_gateway, u"Messages"_s), qint64(c.charged));
    const qint64 balance = c.balance - c.charged * c.perPart;
    QCOMPARE(TestDb::balanceOf(*m_gateway, u"shop"_s), balance);
    const QJsonObject json = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    if (c.status == 1) {
        QVERIFY(json.isEmpty());
        return;
    }
    QCOMPARE(json.value(u"status"_s).toInt(), c.status);
    QCOMPARE(json.value(u"charged"_s).toInt(), c.charged);
    QCOMPARE(json.value(u"failed"_s).toInt(), c.failed);
    QCOMPARE(json.value(u"unknown"_s).toInt(), unknown);
    if (c.charged > 0)
        QCOMPARE(json.value(u"numbers"_s).toInteger(), c.perPart);
    QCOMPARE(json.value(u"optedOut"_s).toInteger(), c.optedOut.isEmpty() ? 0 : 1);
    // Unknown before the login, and when a part's outcome is.
    const QJsonValue told = json.value(u"balance"_s);
    QVERIFY(told.isNull() ? unknown > 0 || c.status == 2 : told.toInteger() == balance);
}

void TestSendCommand::script()
{
    QFETCH(Case, c);
    TestDb::addAccount(*m_gateway, u"shop"_s, u"pw"_s, c.type, c.balance);
    DbGateway& owner = TestDb::owner(*m_gateway);
    if (!c.optedOut.isEmpty())
        QVERIFY(owner.DbExecute(u"INSERT INTO OptOut (tel, addDate) VALUES (?, '2026-01-01 00:00:00')"_s,
                                {c.optedOut}));
    if (c.serverRefusesB && onSqlite())
        QVERIFY(
            owner.DbExecute(u"CREATE TRIGGER refuse_b BEFORE INSERT ON Messages WHEN NEW.message LIKE 'B%' "
                            "BEGIN SELECT RAISE(ABORT, 'no B'); END"_s));
    else if (c.serverRefusesB)
        QVERIFY(owner.DbExecute(
            u"CREATE OR REPLACE FUNCTION refuse_b() RETURNS trigger LANGUAGE plpgsql AS "
            "$$ BEGIN RAISE EXCEPTION 'no B'; END $$; CREATE TRIGGER refuse_b BEFORE INSERT "
            "ON Messages FOR EACH ROW WHEN (NEW.message LIKE 'B%') EXECUTE FUNCTION refuse_b()"_s));
    verifyEnd(start(c), c, 0);
}

void TestSendCommand::killedAtCommit_data()
{
    QTest::addColumn<bool>("reconnects");
    QTest::newRow("reconnects") << true;
    QTest::newRow("server refuses new connections") << false;
}

// The second part's commit waits on a lock the test holds, and its connection is killed there.
// The command asks on a new connection whether the part was kept: it was not, so the run goes
// on; with no connection to be had, it cannot tell and says so.
void TestSendCommand::killedAtCommit()
{
    if (onSqlite())
        QSKIP("a server connection to kill exists only on PostgreSQL");
    QFETCH(bool, reconnects);
    DbGateway& owner = TestDb::owner(*m_gateway);
    TestDb::addAccount(*m_gateway, u"shop"_s, u"pw"_s, u"注册用户"_s, 1000);
    QVERIFY(
        owner.DbExecute(u"CREATE OR REPLACE FUNCTION hold_b() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                        "PERFORM pg_advisory_xact_lock(4217); RETURN NULL; END $$; CREATE CONSTRAINT TRIGGER "
                        "hold_b AFTER INSERT ON Messages DEFERRABLE INITIALLY DEFERRED FOR EACH ROW WHEN "
                        "(NEW.message LIKE 'B%') EXECUTE FUNCTION hold_b()"_s));
    QVERIFY(!owner.DbQuery(u"SELECT pg_advisory_lock(4217)"_s).failed());
    const auto unlock = qScopeGuard([&] { owner.DbQuery(u"SELECT pg_advisory_unlock_all()"_s); });
    // A database cannot refuse connections from a session of its own.
    DbGateway maintenance(DbConfig::parse(qEnvironmentVariable("KAVREL_TEST_PG"), m_dir.path()));
    const QString database = TestDb::text(owner, u"SELECT current_database() AS n"_s, {}, u"n"_s);
    const auto allow = [&](bool allowed) {
        return maintenance.DbExecute(
            u"ALTER DATABASE \"%1\" ALLOW_CONNECTIONS %2"_s.arg(database).arg(allowed));
    };
    const auto reopen = qScopeGuard([&] { allow(true); });
    const Case c{.args = u"--message|"_s + kThreeParts,
                 .status = reconnects ? 3 : 4,
                 .charged = reconnects ? 2 : 1,
                 .failed = 1,
                 .said = reconnects ? u"1 部分提交失败"_s : u"无法确认是否已写入"_s};
    QProcess& process = start(c);
    const QString waiting = u"datname=current_database() AND wait_event='advisory'"_s;
    QElapsedTimer clock;
    clock.start();
    while (TestDb::count(owner, u"pg_stat_activity"_s, waiting) == 0 && clock.elapsed() < 60000)
        QThread::msleep(20);
    QVERIFY(reconnects || allow(false));
    QVERIFY(!owner.DbQuery(u"SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "_s + waiting)
                 .failed());
    QVERIFY(process.waitForFinished(120000));
    QVERIFY(allow(true));
    verifyEnd(process, c, reconnects ? 0 : 1);
}

QTEST_GUILESS_MAIN(TestSendCommand)
#include "tst_send_command.moc"
