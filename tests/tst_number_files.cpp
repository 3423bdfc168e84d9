#include "audit/LogFiles.h"
#include "sending/NumberFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    void importBigFile();
    void importTooManyLines();
    void importTooManyBytes();
    void importMissingFile();
    void exportTwiceAppends();
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

    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("last line unterminated")
        << QByteArray("13912345678\r\n13812345678") << QStringList{"13912345678"};
    QTest::newRow("5 bytes dropped, 6 kept") << QByteArray("12345\r\n123456\r\n") << QStringList{"123456"};
    QTest::newRow("starts with empty line")
        << QByteArray("\r\n13912345678\r\n13812345678\r\n") << QStringList();
    QTest::newRow("empty line inside")
        << QByteArray("13912345678\r\n\r\n13812345678\r\n") << QStringList{"13912345678", "13812345678"};
    // "中文" + "1" is 5 bytes, "中文" + "12" is 6: lengths are GBK bytes, not characters.
    QTest::newRow("chinese by bytes") << QByteArray("\xD6\xD0\xCE\xC4"
                                                    "1\r\n\xD6\xD0\xCE\xC4"
                                                    "12\r\n")
                                      << QStringList{QStringLiteral("中文12")};
    QTest::newRow("anything long is kept") << QByteArray("hello world\r\n") << QStringList{"hello world"};
    QTest::newRow("stray LF removed") << QByteArray("139\n12345678\r\n") << QStringList{"13912345678"};
    QTest::newRow("LF line ends only") << QByteArray("13912345678\n13812345678\n") << QStringList();
}

void TestNumberFiles::import()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, numbers);

    const QString path = m_dir->filePath("numbers.txt");
    QVERIFY(writeBytes(path, bytes));
    const NumberFileRead read = readNumberFile(path);
    QVERIFY2(read.ok, qPrintable(read.message));
    QCOMPARE(read.numbers, numbers);
}

void TestNumberFiles::importBigFile()
{
    QByteArray bytes;
    for (int i = 0; i < 200000; ++i)
        bytes += QByteArray::number(13900000000LL + i) + "\r\n";
    const QString path = m_dir->filePath("big.txt");
    QVERIFY(writeBytes(path, bytes));

    const NumberFileRead read = readNumberFile(path);
    QVERIFY(read.ok);
    QCOMPARE(read.numbers.size(), 200000);
    QCOMPARE(read.numbers.at(123456), QStringLiteral("13900123456"));
    QCOMPARE(read.numbers.last(), QStringLiteral("13900199999"));
}

void TestNumberFiles::importTooManyLines()
{
    const QString path = m_dir->filePath("huge.txt");
    QVERIFY(writeBytes(path, "1\r\n" + QByteArray(5'000'000 * 2, '\n').replace("\n\n", "\r\n")));
    NumberFileRead read = readNumberFile(path);
    QVERIFY(!read.ok);
    QVERIFY(read.numbers.isEmpty());
    QVERIFY2(read.message.contains(QStringLiteral("500万行")), qPrintable(read.message));

    // Exactly the limit is still accepted.
    QVERIFY(writeBytes(path, QByteArray(5'000'000 * 2, '\n').replace("\n\n", "\r\n").prepend("x")));
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
    QCOMPARE(readBytes(path), QByteArray("13912345678\r\n\xD6\xD0\xCE\xC4\r\n"
                                         "13912345678\r\n\xD6\xD0\xCE\xC4\r\n"));
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
    QCOMPARE(readBytes(many), QByteArray("\xD6\xD0\xCE\xC4\r\n\r\n13912345678\r\n"));
    QCOMPARE(readBytes(single), readBytes(many));
}

void TestNumberFiles::saveLog()
{
    QVERIFY(!QDir(m_dir->filePath("LOG")).exists());
    const LogSave save = saveLogList(m_dir->path(), LogKind::Unique, "user01", QStringLiteral("你好"),
                                     {"13912345678", "13812345678"}, sampleTime());
    QVERIFY2(save.ok, qPrintable(save.message));
    QCOMPARE(save.path, m_dir->path() + "/LOG/[N]user01-2011-03-05-15-04-09.txt");
    QCOMPARE(readBytes(save.path), QByteArray("\xC4\xE3\xBA\xC3\r\n13912345678\r\n13812345678\r\n"));
}

void TestNumberFiles::saveLogSameSecondAppends()
{
    const QString dir = m_dir->path();
    const LogSave first = saveLogList(dir, LogKind::Listed, "user01", "a", {"1"}, sampleTime());
    const LogSave second = saveLogList(dir, LogKind::Listed, "user01", "b", {"2"}, sampleTime());
    QVERIFY(first.ok && second.ok);
    QCOMPARE(second.path, first.path);
    QCOMPARE(readBytes(first.path), QByteArray("a\r\n1\r\nb\r\n2\r\n"));
}

void TestNumberFiles::saveLogEmptyList()
{
    const LogSave save = saveLogList(m_dir->path(), LogKind::Repeated, "user01", "hello", {}, sampleTime());
    QVERIFY(save.ok);
    QCOMPARE(readBytes(save.path), QByteArray("hello\r\n"));
}

void TestNumberFiles::saveLogMultiLineContent()
{
    const LogSave save =
        saveLogList(m_dir->path(), LogKind::Listed, "user01", "one\ntwo\r\nthree", {"1"}, sampleTime());
    QVERIFY(save.ok);
    QCOMPARE(readBytes(save.path), QByteArray("one\r\ntwo\r\nthree\r\n1\r\n"));
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
    QVERIFY(writeBytes(m_dir->filePath("LOG"), "x"));
    const LogSave save = saveLogList(m_dir->path(), LogKind::Listed, "user01", "c", {"1"}, sampleTime());
    QVERIFY(!save.ok);
    QVERIFY2(save.message.contains(QDir::toNativeSeparators(save.path)), qPrintable(save.message));
    QCOMPARE(readBytes(m_dir->filePath("LOG")), QByteArray("x"));
}

QTEST_GUILESS_MAIN(TestNumberFiles)
#include "tst_number_files.moc"
