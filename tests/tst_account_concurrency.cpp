#include "TestDatabases.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

// Two operators work the same accounts at the same time from two client processes.
class TestAccountConcurrency : public QObject
{
    Q_OBJECT
private slots:
    void twoOperatorsKeepBalancesAndRecordsTogether();
};

void TestAccountConcurrency::twoOperatorsKeepBalancesAndRecordsTogether()
{
    TestDb::Backend postgres;
    for (const TestDb::Backend& backend : TestDb::backends()) {
        if (backend.name == QStringLiteral("postgres"))
            postgres = backend;
    }
    if (postgres.name.isEmpty())
        QSKIP("needs the PostgreSQL test server");
    QTemporaryDir dir;
    auto gateway = TestDb::open(postgres, dir);
    const QStringList operators = {QStringLiteral("op1"), QStringLiteral("op2")};
    for (const QString& name : operators) {
        TestDb::addAccount(*gateway, name, QStringLiteral("pw"), QStringLiteral("管理员"), 100000);
        // Every balance is the sum of its records, from the start.
        QVERIFY(
            gateway->DbExecute(QStringLiteral("INSERT INTO Moneys (loginName,fullMoney,addDate,parentName) "
                                              "VALUES (?,'100000','2011-01-01 00:00:00','setup')"),
                               {name}));
    }
    QStringList accounts;
    for (int k = 0; k < 4; ++k) {
        const QString name = QStringLiteral("acct%1").arg(k);
        TestDb::addAccount(*gateway, name, QStringLiteral("p%1").arg(k), QStringLiteral("注册用户"), 0);
        accounts << name + QStringLiteral(":p%1").arg(k);
    }

    const int rounds = 150;
    QList<QProcess*> clients;
    for (int k = 0; k < 2; ++k) {
        auto* client = new QProcess(this);
        client->start(QStringLiteral(KAVREL_ACCOUNT_CLIENT),
                      QStringList{TestDb::address(postgres, dir), operators[k], QStringLiteral("pw"),
                                  QString::number(rounds), operators[1 - k]} +
                          accounts);
        clients << client;
    }
    qint64 recharged = 0, reduced = 0, allocated = 0;
    const QRegularExpression figures(
        QStringLiteral("recharged (\\d+) reduced (\\d+) allocated (\\d+) failed (\\d+)"));
    for (QProcess* client : clients) {
        QVERIFY(client->waitForFinished(300000));
        QCOMPARE(client->exitCode(), 0);
        const QString output = QString::fromUtf8(client->readAllStandardOutput());
        const auto match = figures.match(output);
        QVERIFY2(match.hasMatch(), qPrintable(output));
        recharged += match.captured(1).toLongLong();
        reduced += match.captured(2).toLongLong();
        allocated += match.captured(3).toLongLong();
        qInfo("%s", qPrintable(output.trimmed()));
    }
    QVERIFY(recharged > 0 && reduced > 0 && allocated > 0);

    // Every balance equals its records, whatever the two clients did at the same moment.
    DbRows rows = gateway->DbQuery(QStringLiteral(
        "SELECT u.loginName, u.payMoney, COALESCE((SELECT SUM(CAST(m.fullMoney AS bigint)) FROM Moneys m "
        "WHERE m.loginName=u.loginName),0) AS recorded FROM UserInfo u"));
    int walked = 0;
    for (; !rows.atEnd(); rows.next(), ++walked)
        QCOMPARE(rows.number(QStringLiteral("payMoney")), rows.number(QStringLiteral("recorded")));
    QVERIFY(!rows.failed());
    QCOMPARE(walked, 6);
    rows = DbRows();

    // What the clients reported done is exactly what was recorded: each recharge and reduction
    // one row, each allocation two. Allocations moved balance without creating or losing any.
    QCOMPARE(TestDb::count(*gateway, QStringLiteral("Moneys"), QStringLiteral("fullMoney='7'")), recharged);
    QCOMPARE(TestDb::count(*gateway, QStringLiteral("Moneys"), QStringLiteral("fullMoney='-2'")), reduced);
    QCOMPARE(TestDb::count(*gateway, QStringLiteral("Moneys")), 2 + recharged + reduced + 2 * allocated);
    const QString total = TestDb::text(
        *gateway, QStringLiteral("SELECT SUM(payMoney) AS total FROM UserInfo"), {}, QStringLiteral("total"));
    QCOMPARE(total.toLongLong(), 200000 + 7 * recharged - 2 * reduced);
}

QTEST_GUILESS_MAIN(TestAccountConcurrency)
#include "tst_account_concurrency.moc"
