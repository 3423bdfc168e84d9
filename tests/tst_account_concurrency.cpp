#include "TestDatabases.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

// Operators work the same accounts at the same time from separate client processes.
class TestAccountConcurrency : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data() { TestDb::addBackendRows(); }
    void init();
    void twoOperatorsKeepBalancesAndRecordsTogether();
    void allocationsInARingNeverDeadlock_data();
    void allocationsInARingNeverDeadlock();

private:
    void addOperator(const QString& name, const QString& type);
    // One client per list (operator, password, rounds, peer, account:password...); the sums of
    // what they report: recharged, reduced, allocated, failed.
    QList<qint64> runClients(const QList<QStringList>& clients);

    TestDb::Backend m_postgres;
    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
};

void TestAccountConcurrency::init()
{
    m_postgres = TestDb::currentBackend();
    if (m_postgres.name == QStringLiteral("sqlite"))
        QSKIP("needs the PostgreSQL test server");
    m_gateway = TestDb::open(m_postgres, m_dir);
}

void TestAccountConcurrency::addOperator(const QString& name, const QString& type)
{
    TestDb::addAccount(*m_gateway, name, QStringLiteral("pw"), type, 100000);
    // Every balance is the sum of its records, from the start.
    QVERIFY(TestDb::owner(*m_gateway)
                .DbExecute(QStringLiteral("INSERT INTO Moneys (loginName,fullMoney,addDate,parentName) "
                                          "VALUES (?,'100000','2011-01-01 00:00:00','setup')"),
                           {name}));
}

QList<qint64> TestAccountConcurrency::runClients(const QList<QStringList>& clients)
{
    QList<std::shared_ptr<QProcess>> processes;
    for (const QStringList& client : clients) {
        processes << std::make_shared<QProcess>();
        processes.last()->start(QStringLiteral(KAVREL_ACCOUNT_CLIENT),
                                QStringList{TestDb::address(m_postgres, m_dir)} + client);
    }
    QList<qint64> sums(4, 0);
    const QRegularExpression figures(
        QStringLiteral("recharged (\\d+) reduced (\\d+) allocated (\\d+) failed (\\d+)"));
    for (const auto& process : processes) {
        process->waitForFinished(300000);
        const QString output = QString::fromUtf8(process->readAllStandardOutput());
        const auto match = figures.match(output);
        if (process->exitCode() != 0 || !match.hasMatch())
            sums[3] += 1000000; // a client that did not finish fails the test
        for (int k = 0; k < 4; ++k)
            sums[k] += match.captured(k + 1).toLongLong();
        qInfo("%s %s", qPrintable(output.trimmed()), qPrintable(process->readAllStandardError().left(300)));
    }
    return sums;
}

void TestAccountConcurrency::twoOperatorsKeepBalancesAndRecordsTogether()
{
    const QStringList operators = {QStringLiteral("op1"), QStringLiteral("op2")};
    for (const QString& name : operators)
        addOperator(name, QStringLiteral("管理员"));
    QStringList accounts;
    for (int k = 0; k < 4; ++k) {
        const QString name = QStringLiteral("acct%1").arg(k);
        TestDb::addAccount(*m_gateway, name, QStringLiteral("p%1").arg(k), QStringLiteral("注册用户"), 0);
        accounts << name + QStringLiteral(":p%1").arg(k);
    }
    const QList<qint64> done = runClients({QStringList{operators[0], "pw", "150", operators[1]} + accounts,
                                           QStringList{operators[1], "pw", "150", operators[0]} + accounts});
    const qint64 recharged = done[0], reduced = done[1], allocated = done[2];
    QVERIFY(recharged > 0 && reduced > 0 && allocated > 0);
    QCOMPARE(done[3], 0);

    // Every balance equals its records, whatever the two clients did at the same moment.
    QCOMPARE(TestDb::ledgerBreaks(*m_gateway), QStringList());

    // What the clients reported done is exactly what was recorded: each recharge and reduction
    // one row, each allocation two. Allocations moved balance without creating or losing any.
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Moneys"), QStringLiteral("fullMoney='7'")), recharged);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Moneys"), QStringLiteral("fullMoney='-2'")), reduced);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Moneys")), 2 + recharged + reduced + 2 * allocated);
    const QString total =
        TestDb::text(*m_gateway, QStringLiteral("SELECT SUM(payMoney) AS total FROM UserInfo"), {},
                     QStringLiteral("total"));
    QCOMPARE(total.toLongLong(), 200000 + 7 * recharged - 2 * reduced);
}

void TestAccountConcurrency::allocationsInARingNeverDeadlock_data()
{
    QTest::addColumn<int>("operators");
    QTest::addColumn<int>("rounds");
    QTest::newRow("two operators") << 2 << 400;
    QTest::newRow("three operators") << 3 << 250;
}

void TestAccountConcurrency::allocationsInARingNeverDeadlock()
{
    QFETCH(int, operators);
    QFETCH(int, rounds);
    // VIP users in a ring, each the agent of the next and allocating to it while the next does
    // the same, and each to a customer of its own.
    QList<QStringList> clients;
    const auto vip = [&](int k) { return QStringLiteral("vip%1").arg(k % operators); };
    for (int k = 0; k < operators; ++k) {
        addOperator(vip(k), QStringLiteral("VIP用户"));
        TestDb::addAccount(*m_gateway, QStringLiteral("cust%1").arg(k), "c", QStringLiteral("注册用户"));
        clients << QStringList{vip(k), "pw", QString::number(rounds), vip(k + 1),
                               QStringLiteral("cust%1:c").arg(k)};
    }
    for (int k = 0; k < operators; ++k)
        QVERIFY(TestDb::owner(*m_gateway)
                    .DbExecute(QStringLiteral("UPDATE UserInfo SET daili=? WHERE loginName=?"),
                               {vip(k), vip(k + 1)}));
    const QList<qint64> done = runClients(clients);
    // Not one allocation lost to a deadlock.
    QCOMPARE(done[3], 0);
    QCOMPARE(done[2], qint64(2) * operators * rounds);
    QCOMPARE(TestDb::ledgerBreaks(*m_gateway), QStringList());
}

QTEST_GUILESS_MAIN(TestAccountConcurrency)
#include "tst_account_concurrency.moc"
