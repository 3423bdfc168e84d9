#include "Fixtures.h"

#include "audit/LogFiles.h"
#include "common/Gbk.h"
#include "sending/NumberFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

using Fixtures::readFile;
using Fixtures::writeFile;

// ASCII text as UTF-16 with its byte-order mark, as Notepad saves "Unicode".
QByteArray utf16(const QByteArray& ascii)
{
    QByteArray bytes("\xFF\xFE", 2);
    for (char c : ascii)
        bytes.append(c).append('\0');
    return bytes;
}

QDateTime sampleTime()
{
    return QDateTime(QDate(2011, 3, 5), QTime(15, 4, 9));
}

} // namespace

class TestNumberFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void import_data();
    void import();
    void importRefusesWhatIsNotAFile();
    void importBigFile();
    void importTooManyLines();
    void importTooManyBytes();
    void importMissingFile();
    void exportTwiceAppends();
    void exportSaysWhatGbkCannotHold();
    void exportFailureNamesFile();

    void logFilePath_data();
    void logFilePath();
    void appendLogLines();
    void saveLog();
    void saveLogSameSecondAppends();
    void saveLogEmptyList();
    void saveLogMultiLineContent();
    void saveLogStaysInsideLog();
    void saveLogFailure();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestNumberFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestNumberFiles::import_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QString>("refusal"); // part of the message when nothing is imported

    const QStringList two{"13912345678", "13812345678"};
    QTest::newRow("CR LF") << QByteArray("13912345678\r\n13812345678\r\n") << two << QString();
    QTest::newRow("LF only") << QByteArray("13912345678\n13812345678\n") << two << QString();
    QTest::newRow("last line unterminated") << QByteArray("13912345678\r\n13812345678") << two << QString();
    QTest::newRow("LF, last unterminated") << QByteArray("13912345678\n13812345678") << two << QString();
    QTest::newRow("starts with empty line")
        << QByteArray("\r\n13912345678\r\n13812345678\r\n") << two << QString();
    QTest::newRow("empty line inside")
        << QByteArray("13912345678\r\n\r\n13812345678\r\n") << two << QString();
    QTest::newRow("UTF-8 byte-order mark") << QByteArray("\xEF\xBB\xBF"
                                                         "13912345678\n13812345678\n")
                                           << two << QString();
    QTest::newRow("UTF-16 byte-order mark")
        << utf16("13912345678\n") << QStringList{"13912345678"} << QString();
    QTest::newRow("5 bytes dropped, 6 kept")
        << QByteArray("12345\r\n123456\r\n") << QStringList{"123456"} << QString();
    // "中文" + "1" is 5 bytes, "中文" + "12" is 6: lengths are GBK bytes, not characters.
    QTest::newRow("GBK, lengths in bytes") << QByteArray("\xD6\xD0\xCE\xC4"
                                                         "1\r\n\xD6\xD0\xCE\xC4"
                                                         "12\r\n")
                                           << QStringList{QStringLiteral("中文12")} << QString();
    QTest::newRow("UTF-8, lengths in GBK bytes") << QByteArray("\xE4\xB8\xAD\xE6\x96\x87"
                                                               "1\n\xE4\xB8\xAD\xE6\x96\x87"
                                                               "12\n")
                                                 << QStringList{QStringLiteral("中文12")} << QString();
    // Valid UTF-8 up to its last byte is still GBK: the whole file decides.
    QTest::newRow("GBK that starts like UTF-8") << QByteArray("\xE4\xB8\xAD\xE6\x96\x87"
                                                              "12\r\n\xD6\xD0"
                                                              "1234\r\n")
                                                << QStringList{Gbk::decode("\xE4\xB8\xAD\xE6\x96\x87"
                                                                           "12"),
                                                               QStringLiteral("中1234")}
                                                << QString();
    QTest::newRow("anything long is kept")
        << QByteArray("hello world\r\n") << QStringList{"hello world"} << QString();
    QTest::newRow("stray CR removed")
        << QByteArray("139\r12345678\r\n") << QStringList{"13912345678"} << QString();
    QTest::newRow("empty file") << QByteArray() << QStringList() << QStringLiteral("是空的");
    QTest::newRow("nothing long enough")
        << QByteArray("12345\r\n\r\nabc") << QStringList() << QStringLiteral("没有长度超过5个字节的行");
    QTest::newRow("binary") << QByteArray("13912345678\0\x01\x02\xFF", 15) << QStringList()
                            << QStringLiteral("不是文本文件");
}

void TestNumberFiles::import()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, numbers);
    QFETCH(QString, refusal);

    const QString path = m_dir->filePath("numbers.txt");
    QVERIFY(writeFile(path, bytes));
    const NumberFileRead read = readNumberFile(path);
    QCOMPARE(read.numbers.toStringList(), numbers);
    QCOMPARE(read.ok, refusal.isEmpty());
    if (!refusal.isEmpty()) {
        QVERIFY2(read.message.contains(refusal), qPrintable(read.message));
        QVERIFY2(read.message.contains(QStringLiteral("提示")), qPrintable(read.message));
    }
}

void TestNumberFiles::importRefusesWhatIsNotAFile()
{
    // A pipe without a writer would block an ordinary open for ever.
    const QByteArray fifo = QFile::encodeName(m_dir->filePath("pipe.txt"));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    QElapsedTimer clock;
    clock.start();
    NumberFileRead read = readNumberFile(QFile::decodeName(fifo));
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(!read.ok);
    QVERIFY2(read.message.contains(QStringLiteral("不是普通文件")), qPrintable(read.message));

    for (const char* device : {"/dev/zero", "/dev/null"}) {
        read = readNumberFile(QString::fromLatin1(device));
        QVERIFY(!read.ok);
        QVERIFY2(read.message.contains(QStringLiteral("不是普通文件")), qPrintable(read.message));
    }
}

void TestNumberFiles::importBigFile()
{
    QByteArray bytes;
    for (int i = 0; i < 200000; ++i)
        bytes += QByteArray::number(13900000000LL + i) + "\r\n";
    const QString path = m_dir->filePath("big.txt");
    QVERIFY(writeFile(path, bytes));

    const NumberFileRead read = readNumberFile(path);
    QVERIFY(read.ok);
    QCOMPARE(read.numbers.size(), 200000);
    QCOMPARE(read.numbers.at(123456), QStringLiteral("13900123456"));
    QCOMPARE(read.numbers.at(read.numbers.size() - 1), QStringLiteral("13900199999"));
}

void TestNumberFiles::importTooManyLines()
{
    const QString path = m_dir->filePath("huge.txt");
    QVERIFY(writeFile(path, "1\r\n" + QByteArray(5'000'000 * 2, '\n').replace("\n\n", "\r\n")));
    // One line too many.
    NumberFileRead read = readNumberFile(path);
    QVERIFY(!read.ok);
    QVERIFY(read.numbers.isEmpty());
    QVERIFY2(read.message.contains(QStringLiteral("500万行")), qPrintable(read.message));

    // Exactly the limit is still accepted.
    QVERIFY(writeFile(path, QByteArray(5'000'000 * 2, '\n').replace("\n\n", "\r\n").prepend("123456")));
    read = readNumberFile(path);
    QVERIFY2(read.ok, qPrintable(read.message));
}

void TestNumberFiles::importTooManyBytes()
{
    // A sparse file: the size alone must refuse it, before anything is read.
    QFile file(m_dir->filePath("wide.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(256LL * 1024 * 1024 + 1));
    file.close();
    const NumberFileRead read = readNumberFile(file.fileName());
    QVERIFY(!read.ok);
    QVERIFY2(read.message.startsWith(QStringLiteral("提示: 文件过大")), qPrintable(read.message));
}

void TestNumberFiles::importMissingFile()
{
    const QString path = m_dir->filePath("missing.txt");
    const NumberFileRead read = readNumberFile(path);
    QVERIFY(!read.ok);
    QCOMPARE(read.message, QStringLiteral("提示: 无法打开文件 %1").arg(QDir::toNativeSeparators(path)));

    const NumberFileRead folder = readNumberFile(m_dir->path());
    QVERIFY(!folder.ok);
    QVERIFY2(folder.message.contains(QDir::toNativeSeparators(m_dir->path())), qPrintable(folder.message));
}

void TestNumberFiles::exportTwiceAppends()
{
    const QString path = m_dir->filePath("export.txt");
    const QStringList entries{"13912345678", QStringLiteral("中文")};
    QString message;
    QVERIFY(exportNumbers(path, entries, &message));
    QVERIFY(exportNumbers(path, entries, &message));
    QVERIFY(message.isEmpty());
    QCOMPARE(readFile(path), QByteArray("13912345678\r\n\xD6\xD0\xCE\xC4\r\n"
                                        "13912345678\r\n\xD6\xD0\xCE\xC4\r\n"));
}

void TestNumberFiles::exportSaysWhatGbkCannotHold()
{
    const QString path = m_dir->filePath("export.txt");
    QString message;
    QVERIFY(exportNumbers(path, {QStringLiteral("1391234😀")}, &message));
    QVERIFY2(message.contains(QStringLiteral("GBK")), qPrintable(message));
    QCOMPARE(readFile(path), QByteArray("1391234?\r\n"));
}

void TestNumberFiles::exportFailureNamesFile()
{
    const QString path = m_dir->filePath("no-such-folder/export.txt");
    QString message;
    QVERIFY(!exportNumbers(path, {"13912345678"}, &message));
    QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
}

void TestNumberFiles::logFilePath_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("name");

    QTest::newRow("unique") << int(LogKind::Unique) << "user01"
                            << "[N]user01-2011-03-05-15-04-09.txt";
    QTest::newRow("repeated") << int(LogKind::Repeated) << "user01"
                              << "[Y]user01-2011-03-05-15-04-09.txt";
    QTest::newRow("listed") << int(LogKind::Listed) << "user01"
                            << "user01-2011-03-05-15-04-09.txt";
    QTest::newRow("chinese account") << int(LogKind::Listed) << QStringLiteral("张三")
                                     << QStringLiteral("张三-2011-03-05-15-04-09.txt");
    QTest::newRow("parent folder") << int(LogKind::Listed) << "../x"
                                   << ".._x-2011-03-05-15-04-09.txt";
    QTest::newRow("backslash") << int(LogKind::Unique) << "a\\b"
                               << "[N]a_b-2011-03-05-15-04-09.txt";
    QTest::newRow("reserved characters") << int(LogKind::Listed) << "<>:\"|?*"
                                         << "_______-2011-03-05-15-04-09.txt";
    QTest::newRow("control characters") << int(LogKind::Listed) << "a\tb\nc"
                                        << "a_b_c-2011-03-05-15-04-09.txt";
    QTest::newRow("empty account") << int(LogKind::Repeated) << ""
                                   << "[Y]_-2011-03-05-15-04-09.txt";
}

void TestNumberFiles::logFilePath()
{
    QFETCH(int, kind);
    QFETCH(QString, account);
    QFETCH(QString, name);
    const QString dir = m_dir->path();
    QCOMPARE(::logFilePath(dir, LogKind(kind), account, sampleTime()), dir + "/LOG/" + name);
}

void TestNumberFiles::appendLogLines()
{
    const QString single = m_dir->filePath("single.txt");
    const QString many = m_dir->filePath("many.txt");
    const QStringList lines{QStringLiteral("中文"), QString(), "13912345678"};
    for (const QString& line : lines)
        QVERIFY(AppendLogLine(single, line));
    QVERIFY(::appendLogLines(many, lines));
    QCOMPARE(readFile(many), QByteArray("\xD6\xD0\xCE\xC4\r\n\r\n13912345678\r\n"));
    QCOMPARE(readFile(single), readFile(many));
}

void TestNumberFiles::saveLog()
{
    QVERIFY(!QDir(m_dir->filePath("LOG")).exists());
    const LogSave save = saveLogList(m_dir->path(), LogKind::Unique, "user01", QStringLiteral("你好"),
                                     {"13912345678", "13812345678"}, sampleTime());
    QVERIFY2(save.ok, qPrintable(save.message));
    QCOMPARE(save.path, m_dir->path() + "/LOG/[N]user01-2011-03-05-15-04-09.txt");
    QCOMPARE(readFile(save.path), QByteArray("\xC4\xE3\xBA\xC3\r\n13912345678\r\n13812345678\r\n"));
}

void TestNumberFiles::saveLogSameSecondAppends()
{
    const QString dir = m_dir->path();
    const LogSave first = saveLogList(dir, LogKind::Listed, "user01", "a", {"1"}, sampleTime());
    const LogSave second = saveLogList(dir, LogKind::Listed, "user01", "b", {"2"}, sampleTime());
    QVERIFY(first.ok && second.ok);
    QCOMPARE(second.path, first.path);
    QCOMPARE(readFile(first.path), QByteArray("a\r\n1\r\nb\r\n2\r\n"));
}

void TestNumberFiles::saveLogEmptyList()
{
    const LogSave save = saveLogList(m_dir->path(), LogKind::Repeated, "user01", "hello", {}, sampleTime());
    QVERIFY(save.ok);
    QCOMPARE(readFile(save.path), QByteArray("hello\r\n"));
}

void TestNumberFiles::saveLogMultiLineContent()
{
    const LogSave save =
        saveLogList(m_dir->path(), LogKind::Listed, "user01", "one\ntwo\r\nthree", {"1"}, sampleTime());
    QVERIFY(save.ok);
    QCOMPARE(readFile(save.path), QByteArray("one\r\ntwo\r\nthree\r\n1\r\n"));
}

void TestNumberFiles::saveLogStaysInsideLog()
{
    const LogSave save = saveLogList(m_dir->path(), LogKind::Listed, "../x", "c", {}, sampleTime());
    QVERIFY2(save.ok, qPrintable(save.message));
    const QFileInfo info(save.path);
    QVERIFY(info.exists());
    QCOMPARE(info.absolutePath(), QDir(m_dir->filePath("LOG")).absolutePath());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"LOG"});
}

void TestNumberFiles::saveLogFailure()
{
    // A plain file named LOG keeps the folder from being created.
    QVERIFY(writeFile(m_dir->filePath("LOG"), "x"));
    const LogSave save = saveLogList(m_dir->path(), LogKind::Listed, "user01", "c", {"1"}, sampleTime());
    QVERIFY(!save.ok);
    QVERIFY2(save.message.contains(QDir::toNativeSeparators(save.path)), qPrintable(save.message));
    QCOMPARE(readFile(m_dir->filePath("LOG")), QByteArray("x"));
}

QTEST_GUILESS_MAIN(TestNumberFiles)
#include "tst_number_files.moc"
