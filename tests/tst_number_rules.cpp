#include "sending/Counters.h"
#include "sending/Dedupe.h"
#include "sending/NumberRules.h"

#include <QRandomGenerator>
#include <QTest>

class TestNumberRules : public QObject
{
    Q_OBJECT

private slots:
    void splitLines_data();
    void splitLines();
    void checkNumberLine_data();
    void checkNumberLine();
    void labels();
    void unstorableEntry_data();
    void unstorableEntry();
    void removeDuplicates_data();
    void removeDuplicates();
    void dedupeMatchesPairwise();
    void dedupeProgress();
};

void TestNumberRules::splitLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("no line end") << QStringLiteral("13912345678") << QStringList();
    QTest::newRow("two lines") << QStringLiteral("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("tail dropped") << QStringLiteral("a\r\nb") << QStringList{"a"};
    QTest::newRow("leading CR LF") << QStringLiteral("\r\na\r\nb\r\n") << QStringList();
    QTest::newRow("leading LF only") << QStringLiteral("\n\r\nx\r\n") << QStringList{"", "x"};
    QTest::newRow("empty middle line") << QStringLiteral("a\r\n\r\nb\r\n") << QStringList{"a", "", "b"};
    QTest::newRow("stray CR and LF") << QStringLiteral("a\rb\nc\r\n") << QStringList{"abc"};
    QTest::newRow("CR before CR LF") << QStringLiteral("a\r\r\n") << QStringList{"a"};
    QTest::newRow("LF CR is no line end") << QStringLiteral("a\n\rb\r\n") << QStringList{"ab"};
    QTest::newRow("chinese") << QStringLiteral("中文\r\n号码\r\n") << QStringList{"中文", "号码"};
}

void TestNumberRules::splitLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(SplitLines(text), lines);
}

void TestNumberRules::checkNumberLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("checked");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message");

    const int ok = NumberCheck::Accepted;
    const int skip = NumberCheck::Skipped;
    const int bad = NumberCheck::Rejected;
    const QString shape = QStringLiteral("提示:[第%1行/长度%2位]不是有效手机号码[数字类型]");
    const QString digits = QStringLiteral("提示:[第%1行]不是有效手机号码[数字类型]");

    QTest::newRow("empty") << QString() << 0 << skip << QString();
    QTest::newRow("4 bytes") << QStringLiteral("1234") << 0 << skip << QString();
    QTest::newRow("2 chinese = 4 bytes") << QStringLiteral("中文") << 0 << skip << QString();
    QTest::newRow("5 bytes") << QStringLiteral("12345") << 3 << bad << shape.arg(4).arg(5);
    QTest::newRow("10 with 0") << QStringLiteral("0123456789") << 0 << skip << QString();
    QTest::newRow("10 without 0") << QStringLiteral("1234567890") << 0 << bad << shape.arg(1).arg(10);
    QTest::newRow("13") << QStringLiteral("13912345678") << 0 << ok << QString();
    QTest::newRow("15") << QStringLiteral("15012345678") << 0 << ok << QString();
    QTest::newRow("18") << QStringLiteral("18612345678") << 0 << ok << QString();
    QTest::newRow("11 with 0") << QStringLiteral("01012345678") << 0 << ok << QString();
    QTest::newRow("12 with 0") << QStringLiteral("075512345678") << 0 << ok << QString();
    QTest::newRow("11 with 12") << QStringLiteral("12912345678") << 7 << bad << shape.arg(8).arg(11);
    QTest::newRow("11 with 17") << QStringLiteral("17012345678") << 0 << bad << shape.arg(1).arg(11);
    QTest::newRow("12 with 1") << QStringLiteral("139123456789") << 0 << bad << shape.arg(1).arg(12);
    QTest::newRow("13 with 0") << QStringLiteral("0139123456789") << 0 << bad << shape.arg(1).arg(13);
    QTest::newRow("leading space") << QStringLiteral(" 13912345678") << 0 << bad << shape.arg(1).arg(12);
    QTest::newRow("letter") << QStringLiteral("1391234567a") << 4 << bad << digits.arg(5);
    QTest::newRow("inner space") << QStringLiteral("139 2345678") << 0 << bad << digits.arg(1);
    QTest::newRow("chinese counted in bytes") << QStringLiteral("0101234567中") << 0 << bad << digits.arg(1);
    QTest::newRow("chinese shape") << QStringLiteral("中1234567890") << 0 << bad << shape.arg(1).arg(12);
    QTest::newRow("full-width digits") << QStringLiteral("１３９１２") << 0 << bad << shape.arg(1).arg(10);
}

void TestNumberRules::checkNumberLine()
{
    QFETCH(QString, line);
    QFETCH(int, checked);
    QFETCH(int, result);
    QFETCH(QString, message);

    int count = checked;
    const NumberCheck check = CheckNumberLine(line, count);
    QCOMPARE(int(check.result), result);
    QCOMPARE(check.message, message);
    QCOMPARE(count, result == NumberCheck::Accepted ? checked + 1 : checked);
}

void TestNumberRules::labels()
{
    Counters counters;
    counters.numbers = 30000;
    QCOMPARE(counters.text(Counter::Numbers), QStringLiteral("文本导入:30000 条"));
    counters.numbers = 0;
    counters.filtering = true;
    QCOMPARE(counters.text(Counter::Numbers), QStringLiteral("过滤号码:0 条"));
}

void TestNumberRules::unstorableEntry_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("refusal"); // the start of the message; empty when all can be kept

    QTest::newRow("numbers") << QStringList{"13800000001", "138 0000 0002"} << QString();
    QTest::newRow("Chinese") << QStringList{"13800000001", QStringLiteral("张三13800000002")} << QString();
    QTest::newRow("NUL") << QStringList{"1", QStringLiteral("138%1").arg(QChar(0))}
                         << QStringLiteral("号码列表第2条: 提示: 不能使用字符 U+0000");
    QTest::newRow("lone surrogate") << QStringList{QString(QChar(0xD800)) + "13800000001"}
                                    << QStringLiteral("号码列表第1条: 提示: 不能使用字符 U+D800");
    QTest::newRow("emoji") << QStringList{"1", "2", QStringLiteral("13800000003😀")}
                           << QStringLiteral("号码列表第3条: 提示: 不能使用字符“😀”");
}

void TestNumberRules::unstorableEntry()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, refusal);
    const QString message = ::unstorableEntry(entries);
    QVERIFY2(refusal.isEmpty() ? message.isEmpty() : message.startsWith(refusal), qPrintable(message));
}

void TestNumberRules::removeDuplicates_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("kept");

    QTest::newRow("empty") << QStringList() << QStringList();
    QTest::newRow("no repeats") << QStringList{"b", "a", "c"} << QStringList{"b", "a", "c"};
    QTest::newRow("first kept in order")
        << QStringList{"b", "a", "b", "c", "a", "b"} << QStringList{"b", "a", "c"};
    QTest::newRow("case-sensitive") << QStringList{"a", "A", "a"} << QStringList{"a", "A"};
    QTest::newRow("empty texts") << QStringList{"", "x", ""} << QStringList{"", "x"};
    QTest::newRow("all equal") << QStringList{"1", "1", "1", "1"} << QStringList{"1"};
    QTest::newRow("space matters") << QStringList{"139", "139 ", "139"} << QStringList{"139", "139 "};
}

void TestNumberRules::removeDuplicates()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, kept);
    QCOMPARE(::removeDuplicates(entries).toStringList(), kept);
    QCOMPARE(removeDuplicatesPairwise(entries), kept);
}

void TestNumberRules::dedupeMatchesPairwise()
{
    QRandomGenerator random(20110305);
    QStringList entries;
    for (int i = 0; i < 3000; ++i)
        entries << QString::number(13900000000LL + random.bounded(1000));
    const QStringList kept = ::removeDuplicates(entries).toStringList();
    QCOMPARE(kept, removeDuplicatesPairwise(entries));
    QVERIFY(kept.size() <= 1000);
}

void TestNumberRules::dedupeProgress()
{
    QStringList entries;
    for (int i = 0; i < 100000; ++i)
        entries << QString::number(i % 50000);
    QList<qsizetype> reported;
    const LineList kept = ::removeDuplicates(entries, [&](qsizetype walked) { reported << walked; });
    QCOMPARE(kept.size(), 50000);
    QVERIFY(reported.size() > 1);
    QVERIFY2(reported.size() < 200, "progress must not be reported for every entry");
    QCOMPARE(reported.last(), qsizetype(100000));
    QVERIFY(std::is_sorted(reported.cbegin(), reported.cend()));

    reported.clear();
    ::removeDuplicates({}, [&](qsizetype walked) { reported << walked; });
    QCOMPARE(reported, QList<qsizetype>{0});
}

QTEST_GUILESS_MAIN(TestNumberRules)
#include "tst_number_rules.moc"
