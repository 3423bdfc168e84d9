#include "audit/NumberStatistics.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

struct Expected
{
    qint64 total = 0;
    QStringList unique;
    QStringList repeated;
};

// The service's own procedure, pairwise, as the reference the hashed count must match.
Expected pairwise(const QString& list)
{
    QStringList work;
    for (QStringView piece : NumberStatistics::split(list))
        work.append(piece.toString());
    Expected result;
    result.total = work.size();
    for (qsizetype i = 0; i < work.size(); ++i) {
        for (qsizetype j = work.size() - 1; j > i; --j) {
            if (work.at(j) != work.at(i))
                continue;
            const QString number = work.at(j);
            work[j].clear();
            if (number.toLocal8Bit().size() > 4 && !result.repeated.contains(number))
                result.repeated.append(number);
        }
    }
    for (const QString& number : work) {
        if (!number.isEmpty())
            result.unique.append(number);
    }
    return result;
}

QStringList strings(const QList<QStringView>& views)
{
    QStringList list;
    for (QStringView view : views)
        list.append(view.toString());
    return list;
}

} // namespace

class TestNumberStatistics : public QObject
{
    Q_OBJECT
private slots:
    void split_data();
    void split();
    void count_data();
    void count();
    void matchesPairwiseProcedure();
    void listOnlyKeepsRepeats();
    void progressIsThrottledAndCancelStops();
};

void TestNumberStatistics::split_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("numbers");
    QTest::newRow("two numbers") << "13800000001,13800000002," << QStringList{"13800000001", "13800000002"};
    QTest::newRow("empty piece stops") << "111111,222222,,333333," << QStringList{"111111", "222222"};
    QTest::newRow("leading comma") << ",111111," << QStringList{};
    QTest::newRow("no comma") << "13800000001" << QStringList{};
    QTest::newRow("text after last comma dropped") << "111111,222222" << QStringList{"111111"};
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("blanks kept") << " 1 ,2," << QStringList{" 1 ", "2"};
}

void TestNumberStatistics::split()
{
    QFETCH(QString, list);
    QFETCH(QStringList, numbers);
    QCOMPARE(strings(NumberStatistics::split(list)), numbers);
}

void TestNumberStatistics::count_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QStringList>("unique");
    QTest::addColumn<QStringList>("repeated");
    const QString x = "13800000001", y = "13800000002", z = "13800000003";
    QTest::newRow("X Y X Z") << QString(x + ',' + y + ',' + x + ',' + z + ',') << qint64(4)
                             << QStringList{x, y, z} << QStringList{x};
    QTest::newRow("three times") << QString(x + ',' + x + ',' + y + ',' + x + ',') << qint64(4)
                                 << QStringList{x, y} << QStringList{x};
    QTest::newRow("order of first occurrence") << QString(y + ',' + x + ',' + x + ',' + y + ',') << qint64(4)
                                               << QStringList{y, x} << QStringList{y, x};
    QTest::newRow("4-byte repeat dropped, not listed")
        << "1234,13800000001,1234," << qint64(3) << QStringList{"1234", "13800000001"} << QStringList{};
    QTest::newRow("5-byte repeat listed")
        << "12345,12345," << qint64(2) << QStringList{"12345"} << QStringList{"12345"};
    QTest::newRow("two Chinese characters are 4 bytes")
        << QString::fromUtf8("号码,号码,") << qint64(2) << QStringList{QString::fromUtf8("号码")}
        << QStringList{};
    QTest::newRow("three Chinese characters are 6 bytes")
        << QString::fromUtf8("手机号,手机号,") << qint64(2) << QStringList{QString::fromUtf8("手机号")}
        << QStringList{QString::fromUtf8("手机号")};
    QTest::newRow("empty piece stops the count")
        << QString(x + ',' + y + ",," + x + ',') << qint64(2) << QStringList{x, y} << QStringList{};
    QTest::newRow("no numbers") << "13800000001" << qint64(0) << QStringList{} << QStringList{};
}

void TestNumberStatistics::count()
{
    QFETCH(QString, list);
    QFETCH(qint64, total);
    QFETCH(QStringList, unique);
    QFETCH(QStringList, repeated);
    const NumberStatistics::Result result = NumberStatistics::count(list);
    QCOMPARE(result.total, total);
    QCOMPARE(result.unique.toStringList(), unique);
    QCOMPARE(result.repeated.toStringList(), repeated);
    QVERIFY(!result.cancelled);
}

void TestNumberStatistics::matchesPairwiseProcedure()
{
    // Short and long numbers, many repeats, in random order.
    QRandomGenerator random(20110305);
    for (int round = 0; round < 20; ++round) {
        QString list;
        const int size = random.bounded(1, 400);
        for (int k = 0; k < size; ++k) {
            const int pick = random.bounded(60);
            list += (pick < 10 ? QString::number(1000 + pick) : QString::number(13800000000LL + pick)) + ',';
        }
        const Expected expected = pairwise(list);
        const NumberStatistics::Result result = NumberStatistics::count(list);
        QCOMPARE(result.total, expected.total);
        QCOMPARE(result.unique.toStringList(), expected.unique);
        QCOMPARE(result.repeated.toStringList(), expected.repeated);
    }
}

void TestNumberStatistics::listOnlyKeepsRepeats()
{
    const NumberStatistics::Result result = NumberStatistics::listOnly(u"111111,222222,111111,333333,");
    QCOMPARE(result.total, 4);
    QCOMPARE(result.unique.toStringList(), (QStringList{"111111", "222222", "111111", "333333"}));
    QVERIFY(result.repeated.isEmpty());
}

void TestNumberStatistics::progressIsThrottledAndCancelStops()
{
    QString list;
    for (int k = 0; k < 300000; ++k)
        list += QString::number(13800000000LL + k % 150000) + ',';
    int reports = 0;
    NumberStatistics::Progress last;
    const NumberStatistics::Result result =
        NumberStatistics::count(list, [&](const NumberStatistics::Progress& p) {
            ++reports;
            last = p;
        });
    QCOMPARE(result.unique.size(), 150000);
    QCOMPARE(result.repeated.size(), 150000);
    QCOMPARE(last.stage, NumberStatistics::Stage::Done);
    QCOMPARE(last.repeated, 150000);
    // Never once per number: a handful of reports for 300,000 numbers.
    QVERIFY2(reports < 100, qPrintable(QString::number(reports)));

    std::atomic<bool> cancel{true};
    const NumberStatistics::Result stopped = NumberStatistics::count(list, {}, &cancel);
    QVERIFY(stopped.cancelled);
    QVERIFY(stopped.unique.isEmpty());
}

QTEST_GUILESS_MAIN(TestNumberStatistics)
#include "tst_number_statistics.moc"
