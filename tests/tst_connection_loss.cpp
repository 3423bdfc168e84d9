// Money and accounts under attack: the database connection killed at every step of a part,
// answers that never arrive, clients killed outright, failed units that must leave nothing
// behind on the server session, and every change tried as each type of account.
#include "TestDatabases.h"

#include "db/AccountStatements.h"
#include "db/ActingAccount.h"
#include "db/BalanceStatements.h"
#include "db/GuardedCall.h"
#include "db/LoginStatements.h"
#include "db/RecordStatements.h"
#include "db/SessionUser.h"
#include "sending/Composition.h"
#include "sending/SubmissionRun.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <QThread>

namespace {

// The statements of one part, in the order they reach the database: nine on an open database,
// one call on a guarded one.
constexpr int kPartSteps = 9;
int partSteps()
{
    return TestDb::isGuarded() ? 1 : kPartSteps;
}

bool startsPart(const QString& sql)
{
    return sql == QStringLiteral("BEGIN") || sql.contains(QStringLiteral("kavrel_api.write_part"));
}

// The statement whose answer tells that a part was kept.
bool keepsPart(const QString& sql)
{
    return sql == QStringLiteral("COMMIT") || sql.contains(QStringLiteral("kavrel_api.write_part"));
}

// Counts the statements from the first part's start on; -1 before it.
int partStep(int& seen, const QString& sql)
{
    if (seen < 0 && !startsPart(sql))
        return -1;
    return seen < 0 ? (seen = 1) - 1 : seen++;
}

} // namespace

class TestConnectionLoss : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data() { TestDb::addBackendRows(); }
    void init();
    void cleanup() { m_gateway.reset(); }

    void droppedAtEveryStep_data();
    void droppedAtEveryStep();
    void backendKilledAtEveryStep_data();
    void backendKilledAtEveryStep();
    void commitAnswerLost();
    void clientKilledAtEveryStep_data();
    void clientKilledAtEveryStep();
    void failedUnitsLeaveNoPreparedStatements();
    void balanceStatementsTellAnUnknownCommit();
    void registrationAndAuditTellAnUnknownCommit();
    void lostAnswersToldTruthfully_data();
    void lostAnswersToldTruthfully();
    void everyChangeAsEachAccountType_data();
    void everyChangeAsEachAccountType();

private:
    struct Result
    {
        RunSummary summary;
        int chargedSignals = 0;
    };
    Result runParts(int parts, const DbGateway::StatementHook& hook);
    // Every written part is charged once, every missing part not at all.
    void verifyConsistent(int numbers, qint64 startBalance, int expectedRows = -1);
    bool killOtherBackends();
    qint64 seedChange(const QString& table);

    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
};

void TestConnectionLoss::init()
{
    m_gateway = TestDb::open(TestDb::currentBackend(), m_dir);
    TestDb::addAccount(*m_gateway, QStringLiteral("user01"), QStringLiteral("pw"), QStringLiteral("注册用户"),
                       1000);
    TestDb::addAccount(*m_gateway, QStringLiteral("admin"), QStringLiteral("apw"), QStringLiteral("管理员"));
}

TestConnectionLoss::Result TestConnectionLoss::runParts(int parts, const DbGateway::StatementHook& hook)
{
    // The run works on a gateway of its own so that the test's connection stays out of it.
    DbGateway gateway(m_gateway->config());
    TestDb::useSession(
        gateway, TestDb::session(QStringLiteral("user01"), QStringLiteral("pw"), QStringLiteral("注册用户")));
    gateway.setStatementHook(hook);
    const QString text = QString(kPartLength * parts, QLatin1Char('m'));
    RunRequest request{QStringLiteral("user01"),
                       QStringLiteral("pw"),
                       cutParts(text, parts),
                       {QStringLiteral("13800000001"), QStringLiteral("13800000002")},
                       1000};
    SubmissionRun run(gateway, request);
    Result result;
    connect(
        &run, &SubmissionRun::partCharged, this, [&] { ++result.chargedSignals; }, Qt::DirectConnection);
    connect(
        &run, &SubmissionRun::finished, this, [&](const RunSummary& summary) { result.summary = summary; },
        Qt::DirectConnection);
    run.run();
    return result;
}

void TestConnectionLoss::verifyConsistent(int numbers, qint64 startBalance, int expectedRows)
{
    const qint64 rows = TestDb::count(*m_gateway, QStringLiteral("Messages"));
    if (expectedRows >= 0)
        QCOMPARE(rows, qint64(expectedRows));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("SubmittedParts")), rows);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("user01")), startBalance - numbers * rows);
    QCOMPARE(TestDb::text(*m_gateway, QStringLiteral("SELECT status FROM UserInfo WHERE loginName='user01'"),
                          {}, QStringLiteral("status"))
                 .toLongLong(),
             numbers * rows);
}

void TestConnectionLoss::droppedAtEveryStep_data()
{
    QTest::addColumn<int>("step");
    for (int step = 0; step < kPartSteps; ++step)
        QTest::addRow("step %d", step) << step;
}

void TestConnectionLoss::droppedAtEveryStep()
{
    QFETCH(int, step);
    if (step >= partSteps())
        QSKIP("a part on a guarded database is one call");
    int seen = -1;
    const Result result = runParts(2, [&](const QString& sql) {
        return partStep(seen, sql) == step ? DbGateway::HookAction::Fail : DbGateway::HookAction::Proceed;
    });
    // The first part is lost whole; the second goes through on a fresh connection.
    QCOMPARE(result.summary.failedParts, 1);
    QCOMPARE(result.summary.chargedParts, 1);
    QCOMPARE(result.chargedSignals, 1);
    verifyConsistent(2, 1000, 1);
}

void TestConnectionLoss::backendKilledAtEveryStep_data()
{
    droppedAtEveryStep_data();
}

bool TestConnectionLoss::killOtherBackends()
{
    // Only the server's superuser may end the fixtures' own connections to a guarded database.
    DbRows rows =
        TestDb::owner(*m_gateway)
            .DbQuery(QStringLiteral("SELECT COUNT(pg_terminate_backend(pid)) AS n FROM pg_stat_activity "
                                    "WHERE datname=current_database() AND pid<>pg_backend_pid()"));
    if (rows.failed())
        return false;
    rows = DbRows();
    // Termination is asynchronous; the victim must be gone before it is used again.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        if (TestDb::count(*m_gateway, QStringLiteral("pg_stat_activity"),
                          QStringLiteral("datname=current_database() AND pid<>pg_backend_pid()")) == 0)
            return true;
        QThread::msleep(10);
    }
    return false;
}

void TestConnectionLoss::backendKilledAtEveryStep()
{
    if (TestDb::currentBackend().name == QStringLiteral("sqlite"))
        QSKIP("a server connection to kill exists only on PostgreSQL");
    QFETCH(int, step);
    if (step >= partSteps())
        QSKIP("a part on a guarded database is one call");
    int seen = -1;
    bool killed = false;
    const Result result = runParts(2, [&](const QString& sql) {
        if (partStep(seen, sql) == step)
            killed = killOtherBackends();
        return DbGateway::HookAction::Proceed;
    });
    QVERIFY(killed);
    QCOMPARE(result.summary.failedParts + result.summary.chargedParts, 2);
    QCOMPARE(result.summary.chargedParts, 1);
    QCOMPARE(result.chargedSignals, 1);
    QCOMPARE(result.summary.unknownParts, 0);
    verifyConsistent(2, 1000, 1);
}

void TestConnectionLoss::commitAnswerLost()
{
    int commits = 0;
    const Result result = runParts(1, [&](const QString& sql) {
        if (keepsPart(sql) && commits++ == 0)
            return DbGateway::HookAction::LoseAnswer;
        return DbGateway::HookAction::Proceed;
    });
    // The server kept the part: it is reported charged, not failed, and nothing is doubled.
    QCOMPARE(result.summary.chargedParts, 1);
    QCOMPARE(result.summary.failedParts, 0);
    QCOMPARE(result.summary.unknownParts, 0);
    QCOMPARE(result.chargedSignals, 1);
    QCOMPARE(runClosingMessage(result.summary).endsWith(QStringLiteral("发送完成!")), true);
    verifyConsistent(2, 1000, 1);
}

void TestConnectionLoss::clientKilledAtEveryStep_data()
{
    droppedAtEveryStep_data();
}

void TestConnectionLoss::clientKilledAtEveryStep()
{
    QFETCH(int, step);
    if (step >= partSteps())
        QSKIP("a part on a guarded database is one call");
    QProcess client;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KAVREL_KILL_AT_STATEMENT"), QString::number(step));
    client.setProcessEnvironment(environment);
    client.start(QStringLiteral(KAVREL_SUBMIT_CLIENT),
                 {TestDb::address(TestDb::currentBackend(), m_dir), QStringLiteral("user01"),
                  QStringLiteral("pw"), QStringLiteral("1"), QStringLiteral("3")});
    QVERIFY(client.waitForFinished(60000));
    QCOMPARE(client.exitStatus(), QProcess::CrashExit);
    verifyConsistent(3, 1000);
    // A commit that reached the server before the kill stays; anything earlier leaves nothing.
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages")), qint64(0));
}

void TestConnectionLoss::failedUnitsLeaveNoPreparedStatements()
{
    if (TestDb::currentBackend().name == QStringLiteral("sqlite"))
        QSKIP("prepared statements live on the PostgreSQL session");
    // A record the server refuses makes the insert fail inside the unit, after the balance
    // update; the server then refuses to free statements until the rollback.
    DbGateway& owner = TestDb::owner(*m_gateway);
    QVERIFY(owner.DbExecute(
        QStringLiteral("ALTER TABLE Moneys ADD CONSTRAINT refuse_five CHECK (fullMoney <> '5')")));
    // The tables outlive this test function.
    auto dropConstraint = qScopeGuard(
        [&owner] { owner.DbExecute(QStringLiteral("ALTER TABLE Moneys DROP CONSTRAINT refuse_five")); });
    const SessionUser operatorUser =
        TestDb::session(QStringLiteral("admin"), QStringLiteral("apw"), QStringLiteral("管理员"));
    for (int k = 0; k < 200; ++k) {
        const Outcome outcome =
            DbRecharge(*m_gateway, operatorUser, QStringLiteral("user01"), QStringLiteral("5"));
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.message, BalanceText::payFailed);
        QVERIFY(!outcome.reason.isEmpty());
    }
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("user01")), 1000);
    // Reductions that the balance does not cover fail inside their unit as well.
    for (int k = 0; k < 20; ++k)
        QVERIFY(!DbReduce(*m_gateway, operatorUser, QStringLiteral("user01"), QStringLiteral("pw"),
                          QStringLiteral("5000")));
    // The test's own session: the one that ran the statements.
    DbRows prepared = m_gateway->DbQuery(QStringLiteral("SELECT COUNT(*) AS n FROM pg_prepared_statements"));
    const qint64 left = prepared.number(QStringLiteral("n"));
    prepared = DbRows();
    QVERIFY2(left <= 2, qPrintable(QString::number(left)));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Moneys")), qint64(0));
}

void TestConnectionLoss::balanceStatementsTellAnUnknownCommit()
{
    const SessionUser operatorUser =
        TestDb::session(QStringLiteral("admin"), QStringLiteral("apw"), QStringLiteral("管理员"));
    DbGateway gateway(m_gateway->config());
    // On a guarded database the recharge is one call, whose answer is lost.
    gateway.setStatementHook([](const QString& sql) {
        return sql == QStringLiteral("COMMIT") || sql.contains(QStringLiteral("kavrel_api.recharge"))
                   ? DbGateway::HookAction::LoseAnswer
                   : DbGateway::HookAction::Proceed;
    });
    const Outcome outcome = DbRecharge(gateway, operatorUser, QStringLiteral("user01"), QStringLiteral("5"));
    QVERIFY(!outcome.ok);
    // Neither "done" nor "failed": the operator must look before trying again.
    QCOMPARE(outcome.message, BalanceText::outcomeUnknown);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("user01")), 1005);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Moneys")), qint64(1));
}

void TestConnectionLoss::registrationAndAuditTellAnUnknownCommit()
{
    DbGateway gateway(m_gateway->config());
    gateway.setStatementHook([](const QString& sql) {
        return sql == QStringLiteral("COMMIT") || sql.contains(QStringLiteral("kavrel_api.register_self"))
                   ? DbGateway::HookAction::LoseAnswer
                   : DbGateway::HookAction::Proceed;
    });
    const Outcome registered = DbRegisterUser(
        gateway, {QStringLiteral("newcomer"), QStringLiteral("新人"), QStringLiteral("公司"),
                  QStringLiteral("pw"), QStringLiteral("地址"), QStringLiteral("13800000000")});
    // The registration was made: a fresh connection finds it, so it is not told as a doubt.
    QCOMPARE(registered.message, QStringLiteral("注册成功!"));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("UserInfo"), QStringLiteral("loginName='newcomer'")),
             qint64(1));

    QVERIFY(
        TestDb::owner(*m_gateway)
            .DbExecute(QStringLiteral("INSERT INTO Messages (loginName,message,addDate,status,CountNum) "
                                      "VALUES ('user01','hi','2011-01-01 00:00:00','1','13800000001,')")));
    const qint64 id =
        TestDb::text(*m_gateway, QStringLiteral("SELECT id FROM Messages"), {}, QStringLiteral("id"))
            .toLongLong();
    const SessionUser staff = TestDb::addActingAccount(*m_gateway, QStringLiteral("staff01"));
    const Outcome audited = DbAuditBatch(gateway, staff, id, QStringLiteral("1"), QStringLiteral("98"));
    QCOMPARE(audited.message, kOutcomeUnknown);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("UserRecv")), qint64(1));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages")), qint64(0));
}

namespace {

// A statement that changes data, and where its change shows: the rows a condition counts.
// Changes of user01's own details may come from any account that knows its password; the
// others need an administrator.
struct ChangeCase
{
    std::function<Outcome(DbGateway&, const SessionUser&, qint64 id)> run;
    QString table;
    QString where;
    qint64 rowsWhenMade;
    bool anyone = false;
};

QHash<QString, ChangeCase> changeCases()
{
    const NewAccount fresh{"newcomer", "新人", "公司", "pw", "地址", "13800000000"};
    // A guarded database keeps the password only as the hash that checks it.
    const QString newPassword =
        TestDb::isGuarded() ? "loginName IN (SELECT loginName FROM kavrel_private.credentials WHERE hash = "
                              "kavrel_crypto.crypt('new', hash))"
                            : "pwd='new'";
    return {
        {"password",
         {[](auto& db, auto& s, qint64) { return DbChangePassword(db, s, "user01", "pw", "new"); },
          "UserInfo", newPassword, 1, true}},
        {"nickname",
         {[](auto& db, auto& s, qint64) { return DbChangeNickname(db, s, "user01", "pw", "新名"); },
          "UserInfo", "userName='新名'", 1, true}},
        {"company",
         {[](auto& db, auto& s, qint64) { return DbChangeCompany(db, s, "user01", "pw", "新司"); },
          "UserInfo", "parentName='新司'", 1, true}},
        {"type",
         {[](auto& db, auto& s, qint64) { return DbSetUserType(db, s, "user01", "pw", "禁用"); }, "UserInfo",
          "loginName='user01' AND type='禁用'", 1}},
        {"delete account",
         {[](auto& db, auto& s, qint64) { return DbDeleteUser(db, s, "user01"); }, "UserInfo",
          "loginName='user01'", 0}},
        {"add account",
         {[=](auto& db, auto& s, qint64) { return DbRegisterUser(db, s, fresh, "代理用户"); }, "UserInfo",
          "loginName='newcomer'", 1}},
        {"discard batch",
         {[](auto& db, auto& s, qint64 id) { return DbDeleteWaitingBatch(db, s, id); }, "Messages", "", 0}},
        {"delete record",
         {[](auto& db, auto& s, qint64 id) { return DbDeleteAuditedRecord(db, s, id); }, "UserRecv", "", 0}},
        {"delete ticked",
         {[](auto& db, auto& s, qint64 id) { return DbDeleteAuditedRecords(db, s, {id}); }, "UserRecv", "",
          0}},
        {"delete of account",
         {[](auto& db, auto& s, qint64) { return DbDeleteAuditedOf(db, s, "user01"); }, "UserRecv", "", 0}},
        {"delete all",
         {[](auto& db, auto& s, qint64) { return DbDeleteAllAudited(db, s); }, "UserRecv", "", 0}},
    };
}

} // namespace

// user01 with a record (or a waiting batch); the id of that row.
qint64 TestConnectionLoss::seedChange(const QString& table)
{
    TestDb::clearTables(*m_gateway);
    TestDb::addAccount(*m_gateway, "user01", "pw", "注册用户");
    const bool batch = table == "Messages";
    TestDb::owner(*m_gateway)
        .DbExecute(batch ? "INSERT INTO Messages (loginName,message,addDate,status,CountNum) "
                           "VALUES ('user01','hi','2011-01-01 00:00:00','1','1,')"
                         : "INSERT INTO UserRecv (loginName,message,Num,recvs,addDate,tel) "
                           "VALUES ('user01','hi','1','98','2011-01-01 00:00:00','1,')");
    return TestDb::text(*m_gateway, "SELECT MAX(id) AS id FROM " + QString(batch ? "Messages" : "UserRecv"),
                        {}, "id")
        .toLongLong();
}

void TestConnectionLoss::lostAnswersToldTruthfully_data()
{
    QTest::addColumn<QString>("statement");
    for (const QString& name : changeCases().keys())
        QTest::newRow(qPrintable(name)) << name;
}

void TestConnectionLoss::lostAnswersToldTruthfully()
{
    QFETCH(QString, statement);
    const ChangeCase change = changeCases().value(statement);
    // The answer to each statement of the unit is lost in turn, the commit's too.
    for (int lost = 0;; ++lost) {
        const qint64 id = seedChange(change.table);
        const SessionUser boss = TestDb::signIn(*m_gateway, "boss", "bpw", "管理员");
        DbGateway gateway(m_gateway->config());
        int seen = 0;
        gateway.setStatementHook([&](const QString&) {
            return seen++ == lost ? DbGateway::HookAction::LoseAnswer : DbGateway::HookAction::Proceed;
        });
        const Outcome outcome = change.run(gateway, boss, id);
        const bool made = TestDb::count(*m_gateway, change.table, change.where) == change.rowsWhenMade;
        QVERIFY2(outcome.ok == made,
                 qPrintable(QStringLiteral("answer %1 lost: %2").arg(lost).arg(outcome.text())));
        QVERIFY(outcome.ok || !outcome.reason.isEmpty());
        if (seen <= lost)
            break;
    }
    // No fresh connection answers either: the doubt is said, not a guess. (Once: it waits.)
    if (statement != "password")
        return;
    DbGateway gateway(m_gateway->config());
    bool committed = false;
    gateway.setStatementHook([&](const QString& sql) {
        if (committed)
            return DbGateway::HookAction::Fail;
        committed = sql == "COMMIT" || sql.contains("kavrel_api.change_password");
        return committed ? DbGateway::HookAction::LoseAnswer : DbGateway::HookAction::Proceed;
    });
    const qint64 id = seedChange(change.table);
    QCOMPARE(change.run(gateway, TestDb::signIn(*m_gateway, "boss", "bpw", "管理员"), id).message,
             kOutcomeUnknown);
}

void TestConnectionLoss::everyChangeAsEachAccountType_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("actor"); // bob's type; "stale": its password changed elsewhere
    for (const QString& name : changeCases().keys()) {
        for (const char* actor : {"管理员", "代理用户", "注册用户", "禁用", "stale"})
            QTest::addRow("%s as %s", qPrintable(name), actor) << name << QString::fromUtf8(actor);
    }
}

void TestConnectionLoss::everyChangeAsEachAccountType()
{
    QFETCH(QString, statement);
    QFETCH(QString, actor);
    const ChangeCase change = changeCases().value(statement);
    const qint64 id = seedChange(change.table);
    const bool stale = actor == "stale";
    const bool disabled = actor == "禁用";
    // Logged in first, then disabled or given a new password elsewhere.
    TestDb::addAccount(*m_gateway, "bob", "bpw", stale || disabled ? "管理员" : actor);
    const SessionUser bob = TestDb::session("bob", "bpw", actor);
    if (stale || disabled)
        QVERIFY(TestDb::owner(*m_gateway)
                    .DbExecute(stale ? "UPDATE UserInfo SET pwd='changed' WHERE loginName='bob'"
                                     : "UPDATE UserInfo SET type='禁用' WHERE loginName='bob'"));
    const Outcome outcome = change.run(*m_gateway, bob, id);
    // A guarded database ends the sessions of an account whose password changed.
    const QString refusal = disabled                             ? LoginText::disabled
                            : stale && TestDb::isGuarded()       ? GuardedText::accountChanged
                            : stale                              ? LoginText::wrongPassword
                            : actor == "管理员" || change.anyone ? QString()
                                                                 : ActingText::notAllowed;
    QCOMPARE(outcome.ok ? QString() : outcome.text(), refusal);
    QCOMPARE(TestDb::count(*m_gateway, change.table, change.where) == change.rowsWhenMade, outcome.ok);
}

QTEST_GUILESS_MAIN(TestConnectionLoss)
#include "tst_connection_loss.moc"
