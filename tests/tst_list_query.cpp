#include "TestDatabases.h"

#include "common/ReportModel.h"
#include "db/ListQuery.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

class TestListQuery : public QObject
{
    Q_OBJECT
private slots:
    void modelTicksAndRemovesById();
    void rowsArriveInOrderOnTheCallersThread();
    void newerQuerySupersedesOlder();
    void failureReportsReason();
};

void TestListQuery::modelTicksAndRemovesById()
{
    ReportModel model({{QStringLiteral("用户名"), 100}, {QStringLiteral("密码"), 70}}, true);
    QList<ReportRow> rows;
    for (int k = 0; k < 5; ++k)
        rows.append({{QStringLiteral("u%1").arg(k), QStringLiteral("p")}, k, {}, false});
    model.appendRows(rows);
    QCOMPARE(model.rowCount(), 5);
    QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(model.setData(model.index(3, 0), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(!model.setData(model.index(3, 1), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(model.checkedRows(), (QList<int>{1, 3}));
    QCOMPARE(model.checkedIds(), (QList<qint64>{1, 3}));
    model.removeIds({1, 4});
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.cell(2, 0), QStringLiteral("u3"));
    QCOMPARE(model.checkedRows(), (QList<int>{2}));
    model.setAllChecked(true);
    QCOMPARE(model.checkedRows().size(), 3);
    model.setAllChecked(false);
    QVERIFY(model.checkedRows().isEmpty());
    QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("密码"));
}

void TestListQuery::rowsArriveInOrderOnTheCallersThread()
{
    QTemporaryDir dir;
    auto gateway = TestDb::open(TestDb::backends().constFirst(), dir);
    for (int k = 0; k < 30; ++k)
        TestDb::addAccount(*gateway, QStringLiteral("user%1").arg(k, 2, 10, QLatin1Char('0')), "pw",
                           "注册用户");
    ListQuery query(*gateway);
    QList<ReportRow> received;
    connect(&query, &ListQuery::rowsReady, this, [&](const QList<ReportRow>& rows) {
        QCOMPARE(QThread::currentThread(), thread());
        received += rows;
    });
    QSignalSpy done(&query, &ListQuery::finished);
    query.start([](DbGateway& db, const ListQuery::Sink& sink) {
        DbRows rows = db.DbQuery(QStringLiteral("SELECT loginName FROM UserInfo ORDER BY loginName"));
        for (; !rows.atEnd(); rows.next()) {
            if (!sink({{rows.text(QStringLiteral("loginName"))}}))
                break;
        }
        return rows.failed() ? Outcome::failure(QStringLiteral("连接错误或网络卡线!"), rows.error())
                             : Outcome::success();
    });
    QVERIFY(done.wait(10000));
    QVERIFY(done.constFirst().constFirst().value<Outcome>().ok);
    QCOMPARE(received.size(), 30);
    QCOMPARE(received.constFirst().cells.constFirst(), QStringLiteral("user00"));
    QCOMPARE(received.constLast().cells.constFirst(), QStringLiteral("user29"));
}

void TestListQuery::newerQuerySupersedesOlder()
{
    QTemporaryDir dir;
    auto gateway = TestDb::open(TestDb::backends().constFirst(), dir);
    ListQuery query(*gateway);
    QList<ReportRow> received;
    connect(&query, &ListQuery::rowsReady, this, [&](const QList<ReportRow>& rows) { received += rows; });
    QSignalSpy done(&query, &ListQuery::finished);
    std::atomic<bool> oldStopped{false};
    query.start([&](DbGateway&, const ListQuery::Sink& sink) {
        for (int k = 0; k < 1000000; ++k) {
            if (!sink({{QStringLiteral("old")}})) {
                oldStopped = true;
                break;
            }
            QThread::usleep(50);
        }
        return Outcome::success();
    });
    QTest::qWait(100);
    query.start([](DbGateway&, const ListQuery::Sink& sink) {
        for (int k = 0; k < 3; ++k)
            sink({{QStringLiteral("new")}});
        return Outcome::success();
    });
    received.clear();
    QVERIFY(done.wait(10000));
    QTest::qWait(100);
    QCOMPARE(done.size(), 1);
    QCOMPARE(received.size(), 3);
    for (const ReportRow& row : received)
        QCOMPARE(row.cells.constFirst(), QStringLiteral("new"));
    QTRY_VERIFY(oldStopped);
}

void TestListQuery::failureReportsReason()
{
    QTemporaryDir dir;
    auto gateway = TestDb::open(TestDb::backends().constFirst(), dir);
    ListQuery query(*gateway);
    QSignalSpy done(&query, &ListQuery::finished);
    query.start([](DbGateway& db, const ListQuery::Sink&) {
        DbRows rows = db.DbQuery(QStringLiteral("SELECT loginName FROM NoSuchTable"));
        return rows.failed() ? Outcome::failure(QStringLiteral("连接错误或网络卡线!"), rows.error())
                             : Outcome::success();
    });
    QVERIFY(done.wait(10000));
    const Outcome outcome = done.constFirst().constFirst().value<Outcome>();
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.text().startsWith(QStringLiteral("连接错误或网络卡线!\n")));
    QVERIFY2(outcome.text().contains(QStringLiteral("NoSuchTable"), Qt::CaseInsensitive),
             qPrintable(outcome.text()));
}

QTEST_GUILESS_MAIN(TestListQuery)
#include "tst_list_query.moc"
