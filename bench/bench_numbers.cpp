// Lists of millions, each beside awk '!seen[$0]++' on the same file in the same run:
// - kavrel-numbers dedupe of 1,000,000 and 5,000,000 numbers (half repeated, CR LF, so that awk's
//   lines keep their CR and both outputs must be the same bytes): time and peak memory of the
//   whole process (goals: at most half awk's time, at most twice its memory);
// - the main window importing 5,000,000 numbers (goals: under 1 s and 300 MB, the window never
//   stalling over 50 ms), then removing the repeats, exporting, and submitting a 30,000-number
//   part of the export as a user would;
// - the statistics window counting a 5,000,000-number batch (goals: under 1 s and 400 MB).
// Every measured program runs as a child of its own, so that its peak memory is its own.
#include "app/MainDlg.h"
#include "audit/AuditStatsDlg.h"
#include "common/Gbk.h"
#include "db/AccountSetup.h"
#include "db/DbGateway.h"
#include "db/LoginStatements.h"
#include "db/Schema.h"
#include "sending/NumberListModel.h"
#include "sending/SubmissionRun.h"
#include "widgets/Dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Child
{
    double seconds = 0;
    long peakMb = 0;
    bool ok = false;
};

// Runs a program to its end with standard output in a file (or inherited) and standard error
// discarded with it, as wait4 sees it.
Child runChild(const QStringList& arguments, const QString& output = {})
{
    std::vector<QByteArray> storage;
    for (const QString& argument : arguments)
        storage.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const QByteArray out = QFile::encodeName(output);
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!output.isEmpty()) {
            dup2(open(out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
            dup2(open("/dev/null", O_WRONLY), STDERR_FILENO);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage = {};
    wait4(pid, &status, 0, &usage);
    return {clock.nsecsElapsed() / 1e9, usage.ru_maxrss / 1024,
            WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

long peakMbSoFar()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// count numbers, each distinct one twice, in random order, one per CR LF line.
QByteArray halfRepeated(qsizetype count, const QByteArray& separator)
{
    std::vector<qint64> order(count);
    for (qsizetype k = 0; k < count; ++k)
        order[k] = k / 2;
    QRandomGenerator random(42);
    for (qsizetype k = count - 1; k > 0; --k)
        std::swap(order[k], order[random.bounded(qint64(k + 1))]);
    QByteArray bytes;
    bytes.reserve(count * (11 + separator.size()));
    for (qint64 value : order)
        bytes += QByteArray::number(13000000000LL + value * 7919 % 8000000000LL) + separator;
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Child best(const std::function<Child()>& run, int rounds)
{
    Child fastest;
    for (int round = 0; round < rounds; ++round) {
        const Child child = run();
        if (round == 0 || child.seconds < fastest.seconds)
            fastest = child;
    }
    return fastest;
}

void benchDedupe(const QString& folder, const QString& command, qsizetype count)
{
    const QString input = folder + QStringLiteral("/numbers-%1.txt").arg(count);
    writeFile(input, halfRepeated(count, "\r\n"));
    const QString ours = folder + QStringLiteral("/ours.txt"), theirs = folder + QStringLiteral("/awk.txt");
    const int rounds = 2;
    const Child numbers = best(
        [&] {
            return runChild({command, "dedupe", input, "-o", ours}, "/dev/null");
        },
        rounds);
    const Child awk = best([&] { return runChild({"awk", "!seen[$0]++", input}, theirs); }, rounds);
    const bool same = numbers.ok && awk.ok && readFile(ours) == readFile(theirs);
    std::printf("kavrel-numbers dedupe, %lld numbers (half repeated): %.2f s, %ld MB; awk %.2f s, %ld MB; "
                "time %.2f of awk's (goal <= 0.5), memory %.2f of awk's (goal <= 2); same bytes as awk: %s\n",
                static_cast<long long>(count), numbers.seconds, numbers.peakMb, awk.seconds, awk.peakMb,
                numbers.seconds / awk.seconds, double(numbers.peakMb) / double(awk.peakMb),
                same ? "yes" : "NO");
}

double threadCpuMs()
{
    timespec now = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct Stall
{
    double ms = 0;    // the longest gap between heartbeats
    double cpuMs = 0; // what this thread itself ran in that gap: the rest went to other programs
};

// Runs the event loop until done(); the longest gap between 5 ms heartbeats meanwhile. The loop
// sleeps between events: spinning would take the processor from the work it measures.
Stall longestStall(const std::function<bool()>& done, double* seconds)
{
    QElapsedTimer tick, total;
    Stall longest;
    double cpuAtTick = threadCpuMs();
    const auto beat = [&] {
        const double gap = tick.nsecsElapsed() / 1e6, cpu = threadCpuMs();
        if (gap > longest.ms)
            longest = {gap, cpu - cpuAtTick};
        tick.restart();
        cpuAtTick = cpu;
    };
    QTimer heartbeat;
    heartbeat.setInterval(5);
    QObject::connect(&heartbeat, &QTimer::timeout, beat);
    tick.start();
    total.start();
    heartbeat.start();
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    beat();
    *seconds = total.nsecsElapsed() / 1e9;
    return longest;
}

bool prepareDatabase(DbGateway& gateway, const QString& folder)
{
    if (!gateway.DbOpen() || !Schema::create(gateway))
        return false;
    AccountSetup::createAdministrator(gateway,
                                      {QStringLiteral("bench"), QStringLiteral("pw"), QStringLiteral("pw"),
                                       QStringLiteral("bench"), QStringLiteral("bench")});
    gateway.DbExecute(QStringLiteral("UPDATE UserInfo SET payMoney=1000000"));
    return writeFile(folder + QStringLiteral("/XPOP.dat"), Gbk::encode(QStringLiteral("发票\r\n")));
}

class UserFlow
{
public:
    UserFlow(DbGateway& gateway, SessionUser& session, const QString& folder)
        : m_folder(folder), m_window(gateway, session, folder)
    {
        Dialogs::setMessageHook([this](const Dialogs::Message& message) {
            m_lastMessage = message.text;
            return true;
        });
        Dialogs::setFileHook([this](const Dialogs::FileRequest&) { return m_fileAnswer; });
        m_window.enterSession();
        m_window.show();
    }

    // Clicks a button with a file for its dialog; the seconds until done() and the longest stall.
    void step(const char* what, const char* button, const QString& file, const std::function<bool()>& done)
    {
        m_fileAnswer = file;
        double seconds = 0;
        QTimer::singleShot(0, &m_window, [this, button] { click(button); });
        const Stall stall = longestStall(done, &seconds);
        std::printf("window, %s: %.2f s, longest stall of the window %.1f ms (%.1f ms of it the window's own "
                    "work)\n",
                    what, seconds, stall.ms, stall.cpuMs);
    }
    void click(const char* name) { m_window.findChild<QPushButton*>(QLatin1String(name))->click(); }
    qsizetype count() const { return m_window.numbers()->count(); }
    QString lastMessage() const { return m_lastMessage; }
    void setMessage(const QString& text)
    {
        m_window.findChild<QPlainTextEdit*>(QStringLiteral("messageEdit"))->setPlainText(text);
    }

private:
    QString m_folder;
    QString m_fileAnswer;
    QString m_lastMessage;
    CMainDlg m_window;
};

// The first 30,000 lines of an export, as a user cuts a part of it.
QString writePart(const QString& folder, const QString& exported)
{
    const QByteArray bytes = readFile(exported);
    qsizetype end = 0;
    for (int line = 0; line < 30000; ++line)
        end = bytes.indexOf('\n', end) + 1;
    const QString part = folder + QStringLiteral("/part.txt");
    writeFile(part, bytes.left(end));
    return part;
}

int windowScenario(const QString& file, qsizetype count)
{
    QTemporaryDir dir;
    DbGateway gateway(DbConfig::parse(QStringLiteral("sqlite:bench.db"), dir.path()));
    if (!prepareDatabase(gateway, dir.path()))
        return 1;
    SessionUser session;
    session.loginName = QStringLiteral("bench");
    session.password = QStringLiteral("pw");
    DbLogin(gateway, session, session.loginName, session.password);
    UserFlow flow(gateway, session, dir.path());
    flow.step("import of the file", "importButton", file, [&] { return flow.count() == count; });
    std::printf("window, import: %lld numbers in the list, peak memory so far %ld MB (goals: under 1 s, "
                "300 MB, stall 50 ms)\n",
                static_cast<long long>(flow.count()), peakMbSoFar());
    flow.step("duplicate removal", "dedupeButton", {},
              [&] { return DedupeIdle == 1 && flow.count() < count; });
    const QString exported = dir.filePath(QStringLiteral("export.txt"));
    flow.step("export", "exportButton", exported, [&] { return QFile::exists(exported); });
    flow.click("clearListButton");
    flow.step("import of a 30000-line part of the export", "importButton", writePart(dir.path(), exported),
              [&] { return flow.count() == 30000; });
    flow.setMessage(QString(100, QLatin1Char('m')));
    flow.step("submission of the part in 2 parts", "submitButton", {},
              [&] { return flow.lastMessage().contains(QStringLiteral("发送完成")); });
    DbRows rows = gateway.DbQuery(QStringLiteral("SELECT COUNT(*) AS n FROM Messages"));
    std::printf("window, %lld numbers after the removal, %lld bytes exported, %lld rows written\n",
                static_cast<long long>(count / 2), static_cast<long long>(QFile(exported).size()),
                static_cast<long long>(rows.number(QStringLiteral("n"))));
    return 0;
}

int fillScenario(const QString& database, const QString& listFile)
{
    DbGateway gateway(DbConfig::parse(QStringLiteral("sqlite:") + database, QFileInfo(database).path()));
    if (!gateway.DbOpen() || !Schema::create(gateway))
        return 1;
    const QString list = QString::fromLatin1(readFile(listFile));
    const bool added = gateway.DbExecute(
        QStringLiteral("INSERT INTO UserRecv (loginName,message,Num,recvs,addDate,tel) VALUES "
                       "('bench','m','5000000','98','2011-03-05 15:04:09',?)"),
        {list});
    return added ? 0 : 1;
}

int statisticsScenario(const QString& database)
{
    DbGateway gateway(DbConfig::parse(QStringLiteral("sqlite:") + database, QFileInfo(database).path()));
    if (!gateway.DbOpen())
        return 1;
    Dialogs::setMessageHook([](const Dialogs::Message&) { return true; });
    SessionUser session;
    session.loginName = QStringLiteral("boss");
    session.applyType(QStringLiteral("管理员"));
    CStatisticsWindow::setCaptionPause(0);
    auto* window = new CAuditStatsDlg({gateway, session, QFileInfo(database).path()},
                                      {1, "bench", "5000000", "m", "2011-03-05 15:04:09"}, nullptr);
    window->show();
    double seconds = 0;
    const Stall stall = longestStall([&] { return !window->isCounting(); }, &seconds);
    std::printf("statistics window, 5000000 numbers read and counted into both lists: %.2f s, longest stall "
                "%.1f ms (%.1f ms of it the window's own work)\n",
                seconds, stall.ms, stall.cpuMs);
    delete window;
    return 0;
}

void benchWindow(const QString& folder, const QString& self)
{
    const QString input = folder + QStringLiteral("/numbers-5000000.txt");
    const Child window = runChild({self, "window", input});
    const Child awk = runChild({"awk", "!seen[$0]++", input}, folder + QStringLiteral("/awk.txt"));
    std::printf("window flow process: %.2f s, peak %ld MB in all; awk on the same file %.2f s, %ld MB\n",
                window.seconds, window.peakMb, awk.seconds, awk.peakMb);
}

void benchStatistics(const QString& folder, const QString& self)
{
    const QString listFile = folder + QStringLiteral("/batch.txt");
    writeFile(listFile, halfRepeated(5'000'000, ","));
    const QString database = folder + QStringLiteral("/statistics.db");
    if (!runChild({self, "fill", database, listFile}).ok) {
        std::puts("cannot write the batch");
        return;
    }
    const Child statistics = runChild({self, "statistics", database});
    const Child awk = runChild({"awk", "BEGIN { RS = \",\" } !seen[$0]++", listFile}, folder + "/awk.txt");
    std::printf("statistics process: %.2f s, peak %ld MB (goals: under 1 s, 400 MB); awk on the same list "
                "%.2f s, %ld MB\n",
                statistics.seconds, statistics.peakMb, awk.seconds, awk.peakMb);
}

} // namespace

int main(int argc, char** argv)
{
    const QString scenario = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (scenario == QLatin1String("fill") && argc > 3) {
        QCoreApplication app(argc, argv);
        return fillScenario(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    if (scenario == QLatin1String("window") || scenario == QLatin1String("statistics")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return scenario == QLatin1String("window")
                   ? windowScenario(QString::fromLocal8Bit(argv[2]), 5'000'000)
                   : statisticsScenario(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    for (qsizetype count : {1'000'000, 5'000'000})
        benchDedupe(dir.path(), QStringLiteral(KAVREL_NUMBERS_BINARY), count);
    benchWindow(dir.path(), QCoreApplication::applicationFilePath());
    benchStatistics(dir.path(), QCoreApplication::applicationFilePath());
    return 0;
}
