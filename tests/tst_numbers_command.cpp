// kavrel-numbers as scripts call it: exit statuses, standard input and output, odd files, and
// the same numbers as the client's import, duplicate removal and export give.
#include "Fixtures.h"

#include "common/Gbk.h"
#include "common/TextFiles.h"
#include "sending/Dedupe.h"
#include "sending/NumberReader.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using Fixtures::FileEncoding;

namespace {

struct Run
{
    int status = -1;
    QByteArray out;
    QString err;
};

Run runNumbers(const QString& folder, const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(KAVREL_NUMBERS_BINARY), arguments);
    process.write(input);
    process.closeWriteChannel();
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

const QByteArray kList("13800000001\n13800000002\r\n13800000001\n123\n\xE5\x8F\xB7\xE7\xA0\x81"
                       "12\n");
const QByteArray kCleaned("13800000001\r\n13800000002\r\n\xBA\xC5\xC2\xEB"
                          "12\r\n");

} // namespace

class TestNumbersCommand : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void command_data();
    void command();
    void readsPipes();
    void replacesItsInput();
    void dedupesAsTheClient();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestNumbersCommand::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Fixtures::writeFile(m_dir->filePath("in.txt"), kList));
    QVERIFY(Fixtures::writeFile(m_dir->filePath("empty.txt"), {}));
    QVERIFY(Fixtures::writeFile(m_dir->filePath("binary.txt"), QByteArray("13800000001\0\x01\xFF\n", 15)));
    QVERIFY(Fixtures::writeFile(m_dir->filePath("check.txt"),
                                "13812345678\n12812345678\n1381234567x\n0101234567\n123456789012\n"));
}

void TestNumbersCommand::command_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("err"); // part of standard error

    QTest::newRow("dedupe") << QStringList{"dedupe", "in.txt"} << QByteArray() << 0 << kCleaned << "";
    QTest::newRow("dedupe, standard input") << QStringList{"dedupe", "-"} << kList << 0 << kCleaned << "";
    QTest::newRow("dedupe -o -") << QStringList{"dedupe", "in.txt", "-o", "-"} << QByteArray() << 0
                                 << kCleaned << "";
    QTest::newRow("count") << QStringList{"count", "in.txt"} << QByteArray() << 0 << QByteArray("4\n") << "";
    QTest::newRow("check") << QStringList{"check", "check.txt"} << QByteArray() << 0
                           << QStringLiteral("[第2行/长度11位]不是有效手机号码[数字类型]: 12812345678\n"
                                             "[第3行]不是有效手机号码[数字类型]: 1381234567x\n"
                                             "[第5行/长度12位]不是有效手机号码[数字类型]: 123456789012\n"
                                             "共 5 条: 合格 1 条, 不检查 1 条, 不合格 3 条\n")
                                  .toUtf8()
                           << "";
    QTest::newRow("empty file") << QStringList{"count", "empty.txt"} << QByteArray() << 0 << QByteArray("0\n")
                                << "";
    QTest::newRow("empty input") << QStringList{"dedupe", "-"} << QByteArray() << 0 << QByteArray() << "";
    QTest::newRow("device") << QStringList{"count", "/dev/null"} << QByteArray() << 0 << QByteArray("0\n")
                            << "";
    QTest::newRow("binary") << QStringList{"dedupe", "binary.txt"} << QByteArray() << 2 << QByteArray()
                            << "不是文本文件";
    QTest::newRow("missing") << QStringList{"count", "missing.txt"} << QByteArray() << 2 << QByteArray()
                             << "无法打开 missing.txt";
    QTest::newRow("folder") << QStringList{"check", "."} << QByteArray() << 2 << QByteArray() << "是文件夹";
    QTest::newRow("unwritable output") << QStringList{"dedupe", "in.txt", "-o", "no/such/folder.txt"}
                                       << QByteArray() << 2 << QByteArray() << "无法写入 no/such/folder.txt";
    QTest::newRow("no command") << QStringList{} << QByteArray() << 1 << QByteArray() << "缺少命令";
    QTest::newRow("unknown command") << QStringList{"sort", "in.txt"} << QByteArray() << 1 << QByteArray()
                                     << "未知的命令: sort";
    QTest::newRow("no input") << QStringList{"count"} << QByteArray() << 1 << QByteArray() << "缺少输入文件";
    QTest::newRow("-o with count") << QStringList{"count", "in.txt", "-o", "x"} << QByteArray() << 1
                                   << QByteArray() << "-o 不能用于 count";
    QTest::newRow("extra argument") << QStringList{"count", "in.txt", "more"} << QByteArray() << 1
                                    << QByteArray() << "多余的参数: more";
}

void TestNumbersCommand::command()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(QByteArray, out);
    QFETCH(QString, err);
    const Run run = runNumbers(m_dir->path(), arguments, input);
    QVERIFY2(run.status == status, qPrintable(QStringLiteral("%1: %2").arg(run.status).arg(run.err)));
    QCOMPARE(run.out, out);
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
    QCOMPARE(run.err.isEmpty(), status == 0);
}

void TestNumbersCommand::readsPipes()
{
    const QString fifo = m_dir->filePath("pipe");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QProcess process;
    process.start(QStringLiteral(KAVREL_NUMBERS_BINARY), {"count", fifo});
    // Opening blocks until the command opens the other end.
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, kList.constData(), size_t(kList.size())), ssize_t(kList.size()));
    ::close(fd);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardOutput(), QByteArray("4\n"));
}

void TestNumbersCommand::replacesItsInput()
{
    const Run run = runNumbers(m_dir->path(), {"dedupe", "in.txt", "-o", "in.txt"});
    QCOMPARE(run.status, 0);
    QCOMPARE(Fixtures::readFile(m_dir->filePath("in.txt")), kCleaned);
}

void TestNumbersCommand::dedupesAsTheClient()
{
    QRandomGenerator random(19);
    for (FileEncoding encoding : {FileEncoding::Ascii, FileEncoding::Gbk, FileEncoding::Utf8Bom,
                                  FileEncoding::Utf16Le, FileEncoding::OddBytes}) {
        QByteArray bytes = Fixtures::randomNumberFile(random, encoding, 400, encoding != FileEncoding::Gbk);
        if (encoding == FileEncoding::OddBytes)
            bytes.replace('\0', '0'); // a file with NUL is refused, as the import refuses it
        const LineList unique = removeDuplicates(numberLines(bytes));
        const Run run = runNumbers(m_dir->path(), {"dedupe", "-"}, bytes);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, gbkLines(unique, 0, unique.size()));
    }
}

QTEST_GUILESS_MAIN(TestNumbersCommand)
#include "tst_numbers_command.moc"
