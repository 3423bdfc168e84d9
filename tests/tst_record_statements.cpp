#include "Fixtures.h"
#include "TestDatabases.h"

#include "db/ActingAccount.h"
#include "db/GuardedCall.h"
#include "db/LoginStatements.h"
#include "db/RecordStatements.h"
#include "records/RecordQueries.h"

#include <QTest>

namespace {

using Fixtures::addAudited;
using Fixtures::addWaiting;
using Fixtures::lastId;
using Fixtures::walk;

QStringList column(const QList<ReportRow>& rows, int k)
{
    QStringList cells;
    for (const ReportRow& row : rows)
        cells.append(row.cells.value(k));
    return cells;
}

} // namespace

class TestRecordStatements : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data() { TestDb::addBackendRows(); }
    void init();
    void cleanup() { m_gateway.reset(); }

    void auditRecordsTheBatchByIdOnly();
    void auditOfAGoneBatchWritesNothing();
    void failedAuditLeavesTheBatchWaiting();
    void hostileTextsSurviveTheAudit();
    void approvalRefusals_data();
    void approvalRefusals();
    void tickedDeletionIsAllOrNothing();
    void deletionsByNameAndAll();
    void dayRanges_data();
    void dayRanges();
    void receiveListingStopsAt5001();
    void comprehensiveCategories();
    void recordsScopes();
    void sqlServerTextCastsLongValues();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
    SessionUser m_staff;
    // The administrator who approves, added to the accounts when a case first needs it. The
    // number reads and lists act for it.
    const SessionUser& staff();
};

void TestRecordStatements::init()
{
    m_gateway = TestDb::open(TestDb::currentBackend(), m_dir);
    TestDb::addAccount(*m_gateway, QStringLiteral("alice"), QStringLiteral("pw"), QStringLiteral("注册用户"),
                       100);
    m_staff = SessionUser();
}

const SessionUser& TestRecordStatements::staff()
{
    if (m_staff.loginName.isEmpty()) {
        m_staff = TestDb::addActingAccount(*m_gateway, QStringLiteral("boss"));
        TestDb::useSession(*m_gateway, m_staff);
    }
    return m_staff;
}

void TestRecordStatements::auditRecordsTheBatchByIdOnly()
{
    DbGateway& db = *m_gateway;
    staff();
    // Two parts of the same text in the same second: only the audited one leaves.
    const qint64 first = addWaiting(db, {.numbers = "13800000001,13800000002,"});
    const qint64 twin = addWaiting(db, {.numbers = "13900000001,"});
    const StoredNumbers stored = DbReadWaitingNumbers(db, first);
    QVERIFY(stored.outcome && stored.found);
    QCOMPARE(stored.list, QStringLiteral("13800000001,13800000002,"));

    const Outcome outcome = DbAuditBatch(db, staff(), first, "2", "95");
    QVERIFY2(outcome, qPrintable(outcome.text()));
    QCOMPARE(outcome.message, RecordText::audited);
    QCOMPARE(TestDb::count(db, "Messages", "id = ?", {first}), 0);
    QCOMPARE(TestDb::count(db, "Messages", "id = ?", {twin}), 1);
    QCOMPARE(TestDb::count(db, "UserRecv"), 1);
    QCOMPARE(TestDb::text(db, "SELECT tel FROM UserRecv", {}, "tel"), stored.list);
    QCOMPARE(TestDb::text(db, "SELECT recvs FROM UserRecv", {}, "recvs"), QStringLiteral("95"));
    QCOMPARE(TestDb::text(db, "SELECT Num FROM UserRecv", {}, "Num"), QStringLiteral("2"));
    QCOMPARE(TestDb::text(db, "SELECT addDate FROM UserRecv", {}, "addDate").size(), 19);
    SessionUser session = TestDb::session("alice", "pw", "注册用户");
    QVERIFY(DbReadSuccessRate(db, session, "alice"));
    QCOMPARE(session.successRate, QStringLiteral("95"));
}

void TestRecordStatements::auditOfAGoneBatchWritesNothing()
{
    DbGateway& db = *m_gateway;
    const qint64 id = addWaiting(db);
    QVERIFY(DbAuditBatch(db, staff(), id, "1", "98"));
    // A second approval of the same batch, from this window or another staff member's.
    const Outcome again = DbAuditBatch(db, staff(), id, "1", "97");
    QVERIFY(!again);
    QCOMPARE(again.message, RecordText::batchGone);
    QCOMPARE(TestDb::count(db, "UserRecv"), 1);
    QCOMPARE(TestDb::text(db, "SELECT recvs FROM UserInfo WHERE loginName = ?", {"alice"}, "recvs"),
             QStringLiteral("98"));
    const Outcome discard = DbDeleteWaitingBatch(db, staff(), id);
    QVERIFY(!discard);
    QCOMPARE(discard.message, RecordText::batchGone);
}

void TestRecordStatements::failedAuditLeavesTheBatchWaiting()
{
    DbGateway& db = *m_gateway;
    const qint64 id = addWaiting(db);
    // The record cannot be written: the batch must neither leave Messages nor move the rate.
    staff();
    TestDb::breakTable(db, "UserRecv");
    const Outcome outcome = DbAuditBatch(db, staff(), id, "1", "98");
    TestDb::mendTables(db);
    QVERIFY(!outcome);
    QCOMPARE(outcome.message, RecordText::readFailed);
    QVERIFY(!outcome.reason.isEmpty());
    QVERIFY(outcome.text().contains(outcome.reason));
    QCOMPARE(TestDb::count(db, "Messages", "id = ?", {id}), 1);
    QCOMPARE(TestDb::count(db, "UserRecv"), 0);
    QCOMPARE(TestDb::text(db, "SELECT recvs FROM UserInfo WHERE loginName = ?", {"alice"}, "recvs"),
             QStringLiteral("0"));
}

void TestRecordStatements::hostileTextsSurviveTheAudit()
{
    DbGateway& db = *m_gateway;
    staff();
    const QString content = QStringLiteral("it's \"quoted\"; DROP TABLE UserRecv;-- 😀 短信");
    QString list;
    for (int k = 0; k < 80000; ++k) // about 1 MB
        list += QString::number(13800000000LL + k) + ',';
    const qint64 id = addWaiting(db, {.message = content, .numbers = list});
    const StoredNumbers stored = DbReadWaitingNumbers(db, id);
    QCOMPARE(stored.list.size(), list.size());
    QVERIFY(DbAuditBatch(db, staff(), id, "80000", "9'8"));
    QCOMPARE(TestDb::text(db, "SELECT message FROM UserRecv", {}, "message"), content);
    QCOMPARE(TestDb::text(db, "SELECT tel FROM UserRecv", {}, "tel"), list);
    QCOMPARE(TestDb::text(db, "SELECT recvs FROM UserInfo WHERE loginName = ?", {"alice"}, "recvs"),
             QStringLiteral("9'8"));
    const qint64 recordId = lastId(db, "UserRecv");
    QCOMPARE(DbReadAuditedNumbers(db, recordId).list, list);
}

void TestRecordStatements::approvalRefusals_data()
{
    QTest::addColumn<QString>("actingType");
    QTest::addColumn<QString>("password"); // of the session; the account's is "pw"
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("message");
    const auto row = [](const char* name, const QString& type, const QString& password, const QString& list,
                        const QString& count, const QString& rate, const QString& message) {
        QTest::newRow(name) << type << password << list << count << rate << message;
    };
    const QString admin = QStringLiteral("管理员");
    const QString pw = QStringLiteral("pw");
    const QString list = QStringLiteral("13800000001,");
    row("approved", admin, pw, list, "1", "98", RecordText::audited);
    row("20 bytes", admin, pw, list, "12345678901234567890", QString(10, u'率'), RecordText::audited);
    // The acting account as it is now, not as it was at login.
    row("disabled since login", "禁用", pw, list, "1", "98", LoginText::disabled);
    row("demoted to agent", "代理用户", pw, list, "1", "98", ActingText::notAllowed);
    row("password changed", admin, "old", list, "1", "98", LoginText::wrongPassword);
    // A stored list that gives no number.
    row("empty list", admin, pw, "", "1", "98", RecordText::countFirst);
    row("leading comma", admin, pw, ",13800000001,", "1", "98", RecordText::countFirst);
    // What the columns cannot keep, named by field.
    row("count too long", admin, pw, list, "123456789012345678901", "98",
        "提示: 相同内容短信发送条数最多20个字节(一个汉字算2个)!");
    row("lone surrogate", admin, pw, list, "1", QString(QChar(0xD800)) + "9",
        "提示: 发送率中不能使用字符 U+D800,请删除后再试!");
    row("emoji", admin, pw, list, "1😀", "98",
        "提示: 相同内容短信发送条数中不能使用字符“😀”(U+1F600),请删除后再试!");
}

void TestRecordStatements::approvalRefusals()
{
    QFETCH(QString, actingType);
    QFETCH(QString, password);
    QFETCH(QString, list);
    QFETCH(QString, count);
    QFETCH(QString, rate);
    QFETCH(QString, message);
    DbGateway& db = *m_gateway;
    SessionUser session = TestDb::addActingAccount(db, QStringLiteral("boss"), QStringLiteral("管理员"));
    QVERIFY(
        TestDb::owner(db).DbExecute("UPDATE UserInfo SET type = ? WHERE loginName = 'boss'", {actingType}));
    if (password != QStringLiteral("pw"))
        QVERIFY(TestDb::owner(db).DbExecute("UPDATE UserInfo SET pwd = 'new' WHERE loginName = 'boss'"));
    session.password = password;
    // A guarded database ends the sessions of an account retyped or given a new password.
    if (TestDb::isGuarded() && (message == ActingText::notAllowed || message == LoginText::wrongPassword))
        message = GuardedText::accountChanged;
    const qint64 id = addWaiting(db, {.numbers = list});
    const Outcome outcome = DbAuditBatch(db, session, id, count, rate);
    QCOMPARE(outcome.text(), message);
    const bool approved = message == RecordText::audited;
    QCOMPARE(bool(outcome), approved);
    QCOMPARE(TestDb::count(db, "Messages"), approved ? 0 : 1);
    QCOMPARE(TestDb::count(db, "UserRecv", "Num = ? AND recvs = ?", {count, rate}), approved ? 1 : 0);
    QCOMPARE(TestDb::text(db, "SELECT recvs FROM UserInfo WHERE loginName = ?", {"alice"}, "recvs"),
             approved ? rate : QStringLiteral("0"));
}

void TestRecordStatements::tickedDeletionIsAllOrNothing()
{
    DbGateway& db = *m_gateway;
    QList<qint64> ids;
    for (int k = 0; k < 620; ++k) // more than one statement's worth of ids
        ids.append(addAudited(db, {.account = k == 610 ? "poison" : "alice"}));
    const qint64 kept = addAudited(db);
    // One row refuses to go in the last statement: none of the ticked rows may go.
    DbGateway& owner = TestDb::owner(db);
    if (db.dialect().backend() == DbBackend::Sqlite) {
        QVERIFY(owner.DbExecute(
            "CREATE TRIGGER keep_poison BEFORE DELETE ON UserRecv WHEN old.loginName = 'poison' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    } else {
        QVERIFY(
            owner.DbExecute("CREATE OR REPLACE FUNCTION keep_poison() RETURNS trigger AS $$ BEGIN "
                            "IF OLD.loginName = 'poison' THEN RAISE EXCEPTION 'refused'; END IF; RETURN OLD; "
                            "END $$ LANGUAGE plpgsql"));
        QVERIFY(owner.DbExecute("CREATE TRIGGER keep_poison BEFORE DELETE ON UserRecv FOR EACH ROW "
                                "EXECUTE FUNCTION keep_poison()"));
    }
    const Outcome refused = DbDeleteAuditedRecords(db, staff(), ids);
    QVERIFY(owner.DbExecute(db.dialect().backend() == DbBackend::Sqlite
                                ? "DROP TRIGGER keep_poison"
                                : "DROP TRIGGER keep_poison ON UserRecv"));
    QVERIFY(!refused);
    QCOMPARE(refused.message, RecordText::deleteFailed);
    QCOMPARE(TestDb::count(db, "UserRecv"), 621);

    const Outcome done = DbDeleteAuditedRecords(db, staff(), ids);
    QVERIFY2(done, qPrintable(done.text()));
    QCOMPARE(done.message, RecordText::cleared);
    QCOMPARE(TestDb::count(db, "UserRecv"), 1);
    QCOMPARE(TestDb::count(db, "UserRecv", "id = ?", {kept}), 1);
    QVERIFY(DbDeleteAuditedRecords(db, staff(), {}));
}

void TestRecordStatements::deletionsByNameAndAll()
{
    DbGateway& db = *m_gateway;
    addAudited(db);
    addAudited(db, {.account = ""});
    addAudited(db, {.account = "bob"});
    // An empty name deletes the records whose name is empty, nothing else.
    QVERIFY(DbDeleteAuditedOf(db, staff(), ""));
    QCOMPARE(TestDb::count(db, "UserRecv"), 2);
    QVERIFY(DbDeleteAuditedOf(db, staff(), "alice' OR '1'='1"));
    QCOMPARE(TestDb::count(db, "UserRecv"), 2);
    QVERIFY(DbDeleteAuditedOf(db, staff(), "alice"));
    QCOMPARE(TestDb::count(db, "UserRecv"), 1);
    const qint64 bob = lastId(db, "UserRecv");
    QVERIFY(DbDeleteAuditedRecord(db, staff(), bob));
    QCOMPARE(DbDeleteAuditedRecord(db, staff(), bob).message, RecordText::recordGone);
    addAudited(db, {.account = "bob"});
    QVERIFY(DbDeleteAllAudited(db, staff()));
    QCOMPARE(TestDb::count(db, "UserRecv"), 0);
    // A customer deletes its own records, and refuses to touch anyone else's.
    const SessionUser alice = TestDb::session("alice", "pw", "注册用户");
    const qint64 own = addAudited(db);
    const qint64 bobs = addAudited(db, {.account = "bob"});
    QCOMPARE(DbDeleteAuditedRecords(db, alice, {own, bobs}).text(), ActingText::notAllowed);
    QVERIFY(DbDeleteAuditedRecords(db, alice, {own}));
    QCOMPARE(TestDb::count(db, "UserRecv"), 1);
}

void TestRecordStatements::dayRanges_data()
{
    QTest::addColumn<QDate>("first");
    QTest::addColumn<QDate>("last");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("single day") << QDate(2010, 10, 14) << QDate(2010, 10, 14)
                                << QStringList{"2010-10-14 00:00:00", "2010-10-14 23:59:59"};
    QTest::newRow("two days") << QDate(2010, 10, 14) << QDate(2010, 10, 15)
                              << QStringList{"2010-10-14 00:00:00", "2010-10-14 23:59:59",
                                             "2010-10-15 00:00:00"};
    QTest::newRow("first after last") << QDate(2010, 10, 15) << QDate(2010, 10, 14) << QStringList{};
    QTest::newRow("year end") << QDate(2010, 12, 31) << QDate(2010, 12, 31) << QStringList{};
}

void TestRecordStatements::dayRanges()
{
    QFETCH(QDate, first);
    QFETCH(QDate, last);
    QFETCH(QStringList, listed);
    DbGateway& db = *m_gateway;
    staff();
    for (const char* time : {"2010-10-13 23:59:59", "2010-10-14 00:00:00", "2010-10-14 23:59:59",
                             "2010-10-15 00:00:00", "2011-01-01 00:00:00"}) {
        addAudited(db, {.time = time});
        addWaiting(db, {.message = "m", .time = time, .numbers = "1,"});
    }
    const DayRange range = dayRange(first, last);
    QCOMPARE(
        column(walk(db, RecordQueries::records(RecordQueries::RecordsScope::OwnInRange, "alice", range)), 4),
        listed);
    QCOMPARE(column(walk(db, RecordQueries::comprehensive(RecordQueries::Category::Audited, "", range)), 4),
             listed);
    const QList<ReportRow> waiting = walk(db, RecordQueries::waitingBatches(range));
    QCOMPARE(column(waiting, 3), listed);
    for (const ReportRow& row : waiting)
        QCOMPARE(row.cells.at(1), QStringLiteral("1"));
}

void TestRecordStatements::receiveListingStopsAt5001()
{
    DbGateway& db = *m_gateway;
    staff();
    QVERIFY(TestDb::owner(db).transaction([&] {
        for (int k = 0; k < 6000; ++k)
            addWaiting(db, {.message = QStringLiteral("m%1").arg(k), .numbers = "1,", .status = "7"});
        return true;
    }));
    const QList<ReportRow> rows = walk(db, RecordQueries::waitingBatches(std::nullopt));
    QCOMPARE(rows.size(), 5001);
    QCOMPARE(rows.first().cells, (QStringList{"alice", "7", "m0", "2011-03-05 15:04:09"}));
    QCOMPARE(rows.last().cells.at(2), QStringLiteral("m5000"));
    QVERIFY(rows.first().id < rows.last().id);
}

void TestRecordStatements::comprehensiveCategories()
{
    DbGateway& db = *m_gateway;
    using RecordQueries::Category;
    staff();
    TestDb::addAccount(db, "bob", "pw", "注册用户");
    TestDb::owner(db).DbExecute("INSERT INTO Moneys (loginName,fullMoney,addDate,parentName) VALUES ('bob "
                                "','100','2009-01-01 10:00:00','admin')");
    TestDb::owner(db).DbExecute("INSERT INTO Moneys (loginName,fullMoney,addDate,parentName) VALUES "
                                "('alice','-5','2009-01-01 10:00:00','admin')");
    addAudited(db);

    Outcome outcome;
    // A named account: exactly one row, and no closing message.
    QList<ReportRow> rows =
        walk(db, RecordQueries::comprehensive(Category::Accounts, "bob", std::nullopt), &outcome);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().cells.at(1), QStringLiteral("注册用户"));
    QVERIFY(outcome && outcome.message.isEmpty());
    rows = walk(db, RecordQueries::comprehensive(Category::Accounts, "nobody", std::nullopt), &outcome);
    QVERIFY(rows.isEmpty());
    QCOMPARE(outcome.message, RecordQueries::kQueryFinished);
    rows = walk(db, RecordQueries::comprehensive(Category::Accounts, "", std::nullopt), &outcome);
    QCOMPARE(rows.size(), 3); // alice, bob and the administrator
    QCOMPARE(outcome.message, RecordQueries::kQueryFinished);

    // Recharges ignore the day range and match names without their blanks.
    const DayRange today = dayRange(QDate::currentDate(), QDate::currentDate());
    rows = walk(db, RecordQueries::comprehensive(Category::Recharges, "bob", today), &outcome);
    QCOMPARE(column(rows, 0), QStringList{"bob"});
    QCOMPARE(outcome.message, RecordQueries::kQueryFinished);
    QCOMPARE(walk(db, RecordQueries::comprehensive(Category::Recharges, "", today)).size(), 2);

    rows = walk(db, RecordQueries::comprehensive(Category::Audited, "alice", std::nullopt), &outcome);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().cells.at(3), QStringLiteral("98%"));
    QVERIFY(rows.first().id > 0);
    QCOMPARE(outcome.message, RecordQueries::kQueryFinished);
    walk(db, RecordQueries::comprehensive(Category::Audited, "alice", today), &outcome);
    QVERIFY(outcome && outcome.message.isEmpty());
}

void TestRecordStatements::recordsScopes()
{
    DbGateway& db = *m_gateway;
    using RecordQueries::RecordsScope;
    staff(); // the lists act for an administrator, who may list every account's records
    addAudited(db, {.rate = "99"});
    addAudited(db, {.account = "bob"});
    addAudited(db, {.time = "2011-03-06 15:04:09"});
    const DayRange range = dayRange(QDate(2011, 3, 5), QDate(2011, 3, 5));
    QList<ReportRow> rows = walk(db, RecordQueries::records(RecordsScope::Own, "alice", range));
    QCOMPARE(column(rows, 0), (QStringList{"alice", "alice"}));
    QCOMPARE(column(rows, 3).first(), QStringLiteral("99%"));
    QCOMPARE(column(rows, 5), (QStringList{"1", "2"}));
    QCOMPARE(walk(db, RecordQueries::records(RecordsScope::Everyone, "alice", range)).size(), 3);
    QCOMPARE(walk(db, RecordQueries::records(RecordsScope::OwnInRange, "alice", range)).size(), 1);
}

void TestRecordStatements::sqlServerTextCastsLongValues()
{
    // The approval binds only the short count, rate and id: content and list are copied on the
    // server, so they need no long-text cast.
    const QString sql = RecordSql::insertAudited(SqlDialect(DbBackend::SqlServer));
    QCOMPARE(sql.count(QStringLiteral("CAST(?")), 0);
    QVERIFY(sql.contains(QStringLiteral("convert(varchar(100),getdate(),120)")));
    QVERIFY(sql.contains(QStringLiteral("CountNum FROM Messages WHERE id = ?")));
    QCOMPARE(sql.count(u'?'), 3);
}

QTEST_GUILESS_MAIN(TestRecordStatements)
#include "tst_record_statements.moc"
