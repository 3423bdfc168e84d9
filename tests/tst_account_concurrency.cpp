#include "TestDatabases.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

// Operators work the same accounts at the same time from separate client processes.
class TestAccountConcurrency : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void twoOperatorsKeepBalancesAndRecordsTogether();
    void allocationsInARingNeverDeadlock_data();
    void allocationsInARingNeverDeadlock();

private:
    struct Totals
    {
        qint64 recharged = 0, reduced = 0, allocated = 0, failed = 0;
    };
    // Each client: operator, password, peer, then account:password pairs.
    Totals runClients(const QList<QStringList>& clients, int rounds);
    void addOperator(const QString& name, const QString& type);

    TestDb::Backend m_postgres;
    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
};

void TestAccountConcurrency::init()
{
    for (const TestDb::Backend& backend : TestDb::backends()) {
        if (backend.name == QStringLiteral("postgres"))
            m_postgres = backend;
    }
    if (m_postgres.name.isEmpty())
        QSKIP("needs the PostgreSQL test server");
    m_gateway = TestDb::open(m_postgres, m_dir);
}

void TestAccountConcurrency::addOperator(const QString& name, const QString& type)
{
    TestDb::addAccount(*m_gateway, name, QStringLiteral("pw"), type, 100000);
    // Every balance is the sum of its records, from the start.
    QVERIFY(m_gateway->DbExecute(QStringLiteral("INSERT INTO Moneys (loginName,fullMoney,addDate,parentName) "
                                                "VALUES (?,'100000','2011-01-01 00:00:00','setup')"),
                                 {name}));
}

TestAccountConcurrency::Totals TestAccountConcurrency::runClients(const QList<QStringList>& clients,
                                                                  int rounds)
{
    QList<QProcess*> processes;
    for (const QStringList& client : clients) {
        auto* process = new QProcess(this);
        process->start(
            QStringLiteral(KAVREL_ACCOUNT_CLIENT),
            QStringList{TestDb::address(m_postgres, m_dir), client[0], client[1], QString::number(rounds)} +
                client.mid(2));
        processes << process;
    }
    Totals totals;
    const QRegularExpression figures(
        QStringLiteral("recharged (\\d+) reduced (\\d+) allocated (\\d+) failed (\\d+)"));
    for (QProcess* process : processes) {
        [&] {
            QVERIFY(process->waitForFinished(300000));
            QCOMPARE(process->exitCode(), 0);
            const QString output = QString::fromUtf8(process->readAllStandardOutput());
            const auto match = figures.match(output);
            QVERIFY2(match.hasMatch(), qPrintable(output));
            totals.recharged += match.captured(1).toLongLong();
            totals.reduced += match.captured(2).toLongLong();
            totals.allocated += match.captured(3).toLongLong();
            totals.failed += match.captured(4).toLongLong();
            qInfo("%s%s", qPrintable(output.trimmed()),
                  qPrintable(QString::fromUtf8(process->readAllStandardError()).left(500)));
        }();
        delete process;
    }
    return totals;
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
    const Totals totals =
        runClients({QStringList{operators[0], QStringLiteral("pw"), operators[1]} + accounts,
                    QStringList{operators[1], QStringLiteral("pw"), operators[0]} + accounts},
                   150);
    QVERIFY(totals.recharged > 0 && totals.reduced > 0 && totals.allocated > 0);

    // Every balance equals its records, whatever the two clients did at the same moment.
    const QStringList breaks = TestDb::ledgerBreaks(*m_gateway);
    QVERIFY2(breaks.isEmpty(), qPrintable(breaks.join(QLatin1Char('\n'))));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("UserInfo")), 6);

    // What the clients reported done is exactly what was recorded: each recharge and reduction
    // one row, each allocation two. Allocations moved balance without creating or losing any.
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Moneys"), QStringLiteral("fullMoney='7'")),
             totals.recharged);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Moneys"), QStringLiteral("fullMoney='-2'")),
             totals.reduced);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Moneys")),
             2 + totals.recharged + totals.reduced + 2 * totals.allocated);
    const QString total =
        TestDb::text(*m_gateway, QStringLiteral("SELECT SUM(payMoney) AS total FROM UserInfo"), {},
                     QStringLiteral("total"));
    QCOMPARE(total.toLongLong(), 200000 + 7 * totals.recharged - 2 * totals.reduced);
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
    // VIP users in a ring, each the agent of the next, each with a customer of its own: every
    // allocation to the peer runs against the peer's allocation in the other direction.
    QList<QStringList> clients;
    for (int k = 0; k < operators; ++k) {
        const QString name = QStringLiteral("vip%1").arg(k);
        addOperator(name, QStringLiteral("VIP用户"));
        const QString customer = QStringLiteral("cust%1").arg(k);
        TestDb::addAccount(*m_gateway, customer, QStringLiteral("c"), QStringLiteral("注册用户"), 0);
        clients << QStringList{name, QStringLiteral("pw"), QStringLiteral("vip%1").arg((k + 1) % operators),
                               customer + QStringLiteral(":c")};
    }
    for (int k = 0; k < operators; ++k)
        QVERIFY(m_gateway->DbExecute(
            QStringLiteral("UPDATE UserInfo SET daili=? WHERE loginName=?"),
            {QStringLiteral("vip%1").arg(k), QStringLiteral("vip%1").arg((k + 1) % operators)}));
    const Totals totals = runClients(clients, rounds);
    // No allocation was lost to a deadlock, none was refused.
    QCOMPARE(totals.failed, 0);
    QCOMPARE(totals.allocated, qint64(2) * operators * rounds);
    const QStringList breaks = TestDb::ledgerBreaks(*m_gateway);
    QVERIFY2(breaks.isEmpty(), qPrintable(breaks.join(QLatin1Char('\n'))));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Moneys")), operators + 2 * totals.allocated);
}

QTEST_GUILESS_MAIN(TestAccountConcurrency)
#include "tst_account_concurrency.moc"
