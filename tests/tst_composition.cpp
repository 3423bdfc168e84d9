#include "sending/Composition.h"
#include "sending/Counters.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestComposition : public QObject
{
    Q_OBJECT

private slots:
    void counting_data();
    void counting();
    void labels_data();
    void labels();
    void screenKeywords_data();
    void screenKeywords();
    void keywordFile_data();
    void keywordFile();
    void missingKeywordFile();
    void validate_data();
    void validate();
    void unencodableNamed();
    void cutParts_data();
    void cutParts();
    void cutLongestText();
};

void TestComposition::counting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("characters");
    QTest::addColumn<int>("messages");

    QTest::newRow("empty") << QString() << 0 << 0;
    QTest::newRow("70 ascii") << QString(70, u'a') << 70 << 1;
    QTest::newRow("71 ascii") << QString(71, u'a') << 71 << 1;
    QTest::newRow("72 ascii") << QString(72, u'a') << 72 << 2;
    QTest::newRow("71 chinese") << QString(71, u'中') << 71 << 1;
    QTest::newRow("72 chinese") << QString(72, u'中') << 72 << 2;
    QTest::newRow("CR LF counts two") << QStringLiteral("ab\r\ncd") << 6 << 1;
    QTest::newRow("mixed") << QStringLiteral("你好a") << 3 << 1;
    QTest::newRow("142 ascii") << QString(142, u'a') << 142 << 2;
    QTest::newRow("143 ascii") << QString(143, u'a') << 143 << 3;
}

void TestComposition::counting()
{
    QFETCH(QString, text);
    QFETCH(int, characters);
    QFETCH(int, messages);
    QCOMPARE(messageCharacterCount(text), characters);
    QCOMPARE(messageCount(messageCharacterCount(text)), messages);
}

void TestComposition::labels_data()
{
    QTest::addColumn<QString>("text");

    Counters counters{.characters = 72,
                      .messages = 2,
                      .submitted = 6,
                      .failed = 3,
                      .recharged = 999999999,
                      .sent = QStringLiteral("12"),
                      .balance = -5};
    const auto row = [&](const char* name, Counter counter) {
        QTest::newRow(name) << counters.text(counter);
    };
    row("当前文字:72 字", Counter::Characters);
    row("需发短信:2 条", Counter::Messages);
    row("提交成功:6 条", Counter::Submitted);
    row("提交失败:3 条", Counter::Failed);
    row("累计充值:999999999 条", Counter::Recharged);
    row("累计发送:12 条", Counter::Sent);
    row("剩余条数:-5 条", Counter::Balance);
    row("成功发送率:", Counter::SuccessRate);
    counters.sentByRun = true;
    counters.successRate = QStringLiteral("97");
    row("累计发送:12 次", Counter::Sent);
    row("成功发送率:97%", Counter::SuccessRate);
}

// Each row's name is the text its counter must show.
void TestComposition::labels()
{
    QFETCH(QString, text);
    QCOMPARE(text, QString::fromUtf8(QTest::currentDataTag()));
}

void TestComposition::screenKeywords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("keywords");
    QTest::addColumn<QString>("screened");

    QTest::newRow("none") << QStringLiteral("你好") << QStringList() << QStringLiteral("你好");
    QTest::newRow("keyword twice") << QStringLiteral("发票,代开发票") << QStringList{"发票"}
                                   << QStringLiteral("***,代开***");
    QTest::newRow("file order matters")
        << QStringLiteral("abb") << QStringList{"b", "ab"} << QStringLiteral("a******");
    QTest::newRow("earlier keyword first")
        << QStringLiteral("abb") << QStringList{"ab", "b"} << QStringLiteral("******");
    QTest::newRow("case-sensitive") << QStringLiteral("Abc") << QStringList{"abc"} << QStringLiteral("Abc");
}

void TestComposition::screenKeywords()
{
    QFETCH(QString, text);
    QFETCH(QStringList, keywords);
    QFETCH(QString, screened);
    QCOMPARE(::screenKeywords(text, keywords), screened);
}

void TestComposition::keywordFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("keywords");

    const QStringList both{QStringLiteral("赌博"), QStringLiteral("发票")};
    // "赌博", empty line, "发票" in GBK.
    QTest::newRow("GBK, CR LF") << QByteArray("\xB6\xC4\xB2\xA9\r\n\r\n\xB7\xA2\xC6\xB1\r\n") << both;
    QTest::newRow("GBK, last line unterminated")
        << QByteArray("\xB6\xC4\xB2\xA9\r\n\xB7\xA2\xC6\xB1") << both;
    QTest::newRow("UTF-8, LF") << QByteArray("赌博\n发票\n") << both;
    QTest::newRow("UTF-8 with mark, unterminated") << QByteArray("\xEF\xBB\xBF赌博\r\n发票") << both;
    QTest::newRow("nothing to screen") << QByteArray("\r\n\n\r\n") << QStringList();
    QTest::newRow("empty") << QByteArray() << QStringList();
}

void TestComposition::keywordFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, keywords);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("keywords.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    const KeywordFile read = readKeywordFile(path);
    QCOMPARE(read.keywords, keywords);
    // A list that screens nothing must stop a submission like a missing one.
    QCOMPARE(read.ok, !keywords.isEmpty());
    if (keywords.isEmpty()) {
        QVERIFY2(read.message.contains(QStringLiteral("没有关键字")), qPrintable(read.message));
        return;
    }
    QCOMPARE(::screenKeywords(QStringLiteral("可开发票"), read.keywords), QStringLiteral("可开***"));
}

void TestComposition::missingKeywordFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("keywords.txt");
    const KeywordFile read = readKeywordFile(path);
    QVERIFY(!read.ok);
    QVERIFY(read.keywords.isEmpty());
    QVERIFY2(read.message.contains(path), qPrintable(read.message));
    QVERIFY(read.message.startsWith(QStringLiteral("提示: 找不到关键字文件")));
}

void TestComposition::validate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    const QString tooLong = QStringLiteral("提示: 短信内容最多7100个字(100条),当前%1个字,请删减!");
    QTest::newRow("short") << QStringLiteral("你好") << QString();
    QTest::newRow("7100 ascii") << QString(7100, u'a') << QString();
    QTest::newRow("3550 chinese") << QString(3550, u'中') << QString();
    QTest::newRow("7101 ascii") << QString(7101, u'a') << tooLong.arg(7101);
    QTest::newRow("7101 chinese") << QString(7101, u'中') << tooLong.arg(7101);
    QTest::newRow("line breaks, tab and blanks") << QStringLiteral("a b\r\n\tc") << QString();
    QTest::newRow("NUL") << QString::fromUtf16(u"ab\0c", 4)
                         << QStringLiteral("提示: 短信内容含有无法发送的控制字符 U+0000,请删除!");
    QTest::newRow("escape") << QStringLiteral("a\x1b")
                            << QStringLiteral("提示: 短信内容含有无法发送的控制字符 U+001B,请删除!");
}

void TestComposition::validate()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    QCOMPARE(validateMessageText(text), message);
}

void TestComposition::unencodableNamed()
{
    const QString emoji = QStringLiteral("你好😀再见한");
    const QString message = validateMessageText(emoji);
    QVERIFY2(message.contains(QStringLiteral("😀")), qPrintable(message));
    QVERIFY(!message.contains(QStringLiteral("한")));

    QVERIFY(validateMessageText(QStringLiteral("ok ก")).contains(QStringLiteral("ก")));
}

void TestComposition::cutParts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("segments");
    QTest::addColumn<QList<int>>("lengths");

    QTest::newRow("short") << QStringLiteral("ab\r\ncd") << 1 << QList<int>{6};
    QTest::newRow("71 ascii") << QString(71, u'a') << 1 << QList<int>{71};
    QTest::newRow("100 ascii") << QString(100, u'a') << 2 << QList<int>{71, 29};
    QTest::newRow("142 ascii") << QString(142, u'a') << 2 << QList<int>{71, 71};
    QTest::newRow("35 chinese, 70 bytes") << QString(35, u'中') << 1 << QList<int>{35};
    QTest::newRow("40 chinese, 80 bytes") << QString(40, u'中') << 1 << QList<int>{40};
    QTest::newRow("100 chinese") << QString(100, u'中') << 2 << QList<int>{71, 29};
    QTest::newRow("extra segments") << QString(100, u'a') << 5 << QList<int>{71, 29};
}

void TestComposition::cutParts()
{
    QFETCH(QString, text);
    QFETCH(int, segments);
    QFETCH(QList<int>, lengths);

    const QStringList parts = ::cutParts(text, segments);
    QList<int> actual;
    for (const QString& part : parts)
        actual << int(part.size());
    QCOMPARE(actual, lengths);
    QCOMPARE(parts.join(QString()), text);
}

void TestComposition::cutLongestText()
{
    QString text;
    for (int i = 0; i < 7100; ++i)
        text += QChar(u'0' + i % 10);
    const QStringList parts = ::cutParts(text, messageCount(messageCharacterCount(text)));
    QCOMPARE(parts.size(), 100);
    QCOMPARE(parts.last(), text.right(71));
    QCOMPARE(parts.join(QString()), text);
}

QTEST_GUILESS_MAIN(TestComposition)
#include "tst_composition.moc"
