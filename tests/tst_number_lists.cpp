// Compact number lists against lists of strings: random files of every kind users hand over go
// through the reader, the duplicate removal, the export, a part's number list and the
// statistics, and each must give exactly what the string-based procedures give.
#include "Fixtures.h"

#include "audit/NumberStatistics.h"
#include "common/Gbk.h"
#include "common/TextFiles.h"
#include "sending/Dedupe.h"
#include "sending/NumberFile.h"
#include "sending/NumberListModel.h"
#include "sending/NumberReader.h"
#include "sending/NumberRules.h"
#include "sending/SubmissionRun.h"
#include "sending/TextFile.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

using Fixtures::FileEncoding;

namespace {

// The import as strings: the whole file decoded, cut, lines over 5 GBK bytes kept.
QStringList referenceLines(const QByteArray& bytes, QList<qint64>* lineNumbers)
{
    QStringList kept;
    const QStringList lines = textFileLines(decodeTextFile(bytes));
    for (qsizetype k = 0; k < lines.size(); ++k) {
        qsizetype length = 0;
        for (QChar c : lines[k])
            length += c.unicode() < 0x80 ? 1 : 2;
        if (length > 5) {
            kept.append(lines[k]);
            lineNumbers->append(k + 1);
        }
    }
    return kept;
}

QStringList referenceDedupe(const QStringList& entries)
{
    QSet<QString> seen;
    QStringList kept;
    for (const QString& entry : entries) {
        if (!seen.contains(entry)) {
            seen.insert(entry);
            kept.append(entry);
        }
    }
    return kept;
}

// Unique and repeated numbers of a stored list, by first occurrence; repeats of 4 GBK bytes or
// fewer are not listed.
QPair<QStringList, QStringList> referenceStatistics(const QString& list)
{
    QStringList unique, repeated;
    QHash<QString, int> seen;
    for (QStringView piece : NumberStatistics::split(list))
        seen[piece.toString()] += 1;
    for (QStringView piece : NumberStatistics::split(list)) {
        const QString number = piece.toString();
        const int count = seen.value(number);
        if (count == 0)
            continue;
        unique.append(number);
        if (count > 1 && Gbk::byteLength(number) > 4)
            repeated.append(number);
        seen[number] = 0;
    }
    return {unique, repeated};
}

} // namespace

class TestNumberLists : public QObject
{
    Q_OBJECT
private slots:
    void sameAsStrings_data();
    void sameAsStrings();
    void editsAsStrings();
};

void TestNumberLists::sameAsStrings_data()
{
    QTest::addColumn<int>("encoding");
    QTest::addColumn<bool>("crlf");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("files");
    const QList<QPair<const char*, FileEncoding>> encodings = {
        {"ASCII", FileEncoding::Ascii},       {"ASCII BOM", FileEncoding::AsciiBom},
        {"GBK", FileEncoding::Gbk},           {"UTF-8", FileEncoding::Utf8},
        {"UTF-8 BOM", FileEncoding::Utf8Bom}, {"UTF-16LE", FileEncoding::Utf16Le},
        {"UTF-16BE", FileEncoding::Utf16Be},  {"odd bytes", FileEncoding::OddBytes}};
    for (const auto& [name, encoding] : encodings) {
        for (bool crlf : {true, false})
            QTest::addRow("%s %s", name, crlf ? "CR LF" : "LF") << int(encoding) << crlf << 60 << 40;
    }
    // Over a megabyte: characters and lines cut where the reader's blocks end.
    QTest::newRow("ASCII, big") << int(FileEncoding::Ascii) << true << 12000 << 2;
    QTest::newRow("GBK, big") << int(FileEncoding::Gbk) << true << 12000 << 2;
    QTest::newRow("UTF-8, big") << int(FileEncoding::Utf8) << false << 12000 << 2;
    QTest::newRow("odd bytes, big") << int(FileEncoding::OddBytes) << true << 12000 << 2;
}

void TestNumberLists::sameAsStrings()
{
    QFETCH(int, encoding);
    QFETCH(bool, crlf);
    QFETCH(int, lines);
    QFETCH(int, files);
    QRandomGenerator random(quint32(encoding * 1000 + crlf * 100 + lines));
    for (int file = 0; file < files; ++file) {
        const QByteArray bytes = Fixtures::randomNumberFile(random, FileEncoding(encoding), lines, crlf);
        QList<qint64> expectedNumbers, lineNumbers;
        const QStringList expected = referenceLines(bytes, &expectedNumbers);
        const LineList read = numberLines(bytes, &lineNumbers);
        QCOMPARE(read.toStringList(), expected);
        QCOMPARE(lineNumbers, expectedNumbers);
        QCOMPARE(parseNumberFile(bytes, QStringLiteral("f.txt")).ok, !expected.isEmpty());

        const LineList unique = removeDuplicates(read);
        QCOMPARE(unique.toStringList(), referenceDedupe(expected));
        bool encoded = true, expectedEncoded = true;
        const QByteArray exported = gbkLines(read, 0, read.size(), &encoded);
        QCOMPARE(exported, expected.isEmpty()
                               ? QByteArray()
                               : Gbk::encode(expected.join("\r\n") + "\r\n", &expectedEncoded));
        QCOMPARE(encoded, expectedEncoded);
        QCOMPARE(unstorableEntry(read), unstorableEntry(LineList(expected)));

        const QString stored = joinedNumbers(read);
        QCOMPARE(stored, expected.isEmpty() ? QString() : expected.join(u',') + u',');
        const auto [uniqueNumbers, repeated] = referenceStatistics(stored);
        const NumberStatistics::Result counted = NumberStatistics::count(stored);
        QCOMPARE(counted.unique.toStringList(), uniqueNumbers);
        QCOMPARE(counted.repeated.toStringList(), repeated);
        QCOMPARE(NumberStatistics::listOnly(stored).unique.size(), counted.total);
    }
}

void TestNumberLists::editsAsStrings()
{
    QRandomGenerator random(7);
    const QByteArray bytes = Fixtures::randomNumberFile(random, FileEncoding::Utf8, 300, true);
    NumberListModel model;
    model.append(numberLines(bytes));
    QStringList expected = model.entries();
    while (model.count() > 0) {
        const qsizetype row = random.bounded(model.count());
        QVERIFY(model.removeAt(row));
        expected.removeAt(row);
        if (random.bounded(10) == 0) {
            const QStringList more{QStringLiteral("号码123"), QStringLiteral("13800000001")};
            model.append(more);
            expected.append(more);
        }
        QCOMPARE(model.entries(), expected);
    }
    LineList longer = model.lines();
    longer.append(QStringLiteral("中文号码"));
    model.extendTo(longer);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.index(0).data().toString(), QStringLiteral("中文号码"));
}

QTEST_GUILESS_MAIN(TestNumberLists)
#include "tst_number_lists.moc"
