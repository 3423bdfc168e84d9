#include "Fixtures.h"

#include "audit/LogFiles.h"
#include "common/ProfileIni.h"
#include "common/StartFolder.h"
#include "db/DbGateway.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace StartFolder;

namespace {

using Fixtures::readFile;
using Fixtures::writeFile;

mode_t modeOf(const QString& path)
{
    struct stat status
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

// Runs prepare() as an unprivileged account when the test runs as root, so that folder modes
// bind as they do for a user; the child's exit code says whether prepare() refused.
int prepareAsUser(const QString& folder, const QString& shared)
{
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (!nobody || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0)
                _exit(3);
        }
        // The error number, not its text: the system words it in the user's language.
        const Preparation prepared = prepare(folder, shared);
        _exit(prepared.ok ? 0 : prepared.errorCode == EACCES ? 1 : 2);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

class TestStartFolder : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void perUserFolder_data();
    void perUserFolder();
    void unsetHomeFallsBackToTheAccount();
    void choose_data();
    void choose();
    void installedSharedFolderIsFoundBesideTheProgram();

    void firstPrepareMakesPrivateFolderWithStarters();
    void laterPreparesKeepTheUsersFiles();
    void folderInTheWayIsRefused();
    void unwritableDataHomeIsRefused();
    void missingStarterIsAWarningOnly();
    void clientsPreparingAtOnceAllSucceed();
    void danglingDatabaseLinkIsNamed();
    void everyFileOfTheDataFolderIsPrivate();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_shared;
};

void TestStartFolder::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_shared = m_dir->filePath(QStringLiteral("usr/share/kavrel"));
    QVERIFY(QDir().mkpath(m_shared));
    QVERIFY(writeFile(m_shared + QStringLiteral("/XPOP.dat"), "法轮\r\n赌博\r\n"));
    QVERIFY(writeFile(m_shared + QStringLiteral("/mac.wav"), QByteArray("RIFF....WAVE", 12)));
    QFile::setPermissions(m_shared + QStringLiteral("/XPOP.dat"), QFile::ReadOwner | QFile::ReadGroup);
}

void TestStartFolder::perUserFolder_data()
{
    QTest::addColumn<QString>("xdgDataHome");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("folder");
    QTest::newRow("data home") << "/srv/data"
                               << "/home/ann"
                               << "/srv/data/kavrel";
    QTest::newRow("trailing slash") << "/srv/data/"
                                    << "/home/ann"
                                    << "/srv/data/kavrel";
    QTest::newRow("unset") << ""
                           << "/home/ann"
                           << "/home/ann/.local/share/kavrel";
    QTest::newRow("relative data home is invalid") << "data"
                                                   << "/home/ann"
                                                   << "/home/ann/.local/share/kavrel";
    QTest::newRow("no home but a data home") << "/srv/data"
                                             << ""
                                             << "/srv/data/kavrel";
    QTest::newRow("no home at all") << ""
                                    << ""
                                    << "";
    QTest::newRow("relative home") << ""
                                   << "ann"
                                   << "";
}

void TestStartFolder::perUserFolder()
{
    QFETCH(QString, xdgDataHome);
    QFETCH(QString, home);
    QFETCH(QString, folder);
    QString error;
    QCOMPARE(StartFolder::perUserFolder({xdgDataHome, home}, &error), folder);
    QCOMPARE(error.isEmpty(), !folder.isEmpty());
}

void TestStartFolder::unsetHomeFallsBackToTheAccount()
{
    const QByteArray saved = qgetenv("HOME");
    qunsetenv("HOME");
    const Environment environment = Environment::fromProcess();
    qputenv("HOME", saved);
    const passwd* account = getpwuid(getuid());
    QVERIFY(account);
    QCOMPARE(environment.home, QFile::decodeName(account->pw_dir));
}

void TestStartFolder::choose_data()
{
    QTest::addColumn<QString>("marker"); // file placed in the current folder first
    QTest::addColumn<bool>("perUserMode");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<bool>("expectPerUser");
    QTest::newRow("installed, empty folder") << "" << false << true << true;
    QTest::newRow("installed, folder with database") << "kavrel.db" << false << true << false;
    QTest::newRow("installed, folder with settings") << "KVR.ini" << false << true << false;
    QTest::newRow("installed, broken database link") << "link:kavrel.db" << false << true << false;
    QTest::newRow("installed, keyword list only") << "XPOP.dat" << false << true << true;
    QTest::newRow("build folder, empty folder") << "" << false << false << false;
    QTest::newRow("menu start, folder with database") << "kavrel.db" << true << true << true;
    QTest::newRow("menu start from the build folder") << "KVR.ini" << true << false << true;
}

void TestStartFolder::choose()
{
    QFETCH(QString, marker);
    QFETCH(bool, perUserMode);
    QFETCH(bool, installed);
    QFETCH(bool, expectPerUser);
    const QString current = m_dir->filePath(QStringLiteral("work"));
    QVERIFY(QDir().mkpath(current));
    if (marker.startsWith(QStringLiteral("link:")))
        QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("unmounted/kavrel.db")),
                            current + QLatin1Char('/') + marker.mid(5)));
    else if (!marker.isEmpty())
        QVERIFY(writeFile(current + QLatin1Char('/') + marker, "x"));

    const Environment environment{m_dir->filePath(QStringLiteral("xdg")), QStringLiteral("/home/ann")};
    const Choice choice = StartFolder::choose(
        current + QStringLiteral("/."), perUserMode ? Mode::PerUser : Mode::Auto, installed, environment);
    QCOMPARE(choice.perUser, expectPerUser);
    QCOMPARE(choice.folder, expectPerUser ? m_dir->filePath(QStringLiteral("xdg/kavrel")) : current);
    // Choosing has no side effects: the folder is made only by prepare().
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("xdg"))));
}

void TestStartFolder::installedSharedFolderIsFoundBesideTheProgram()
{
    QCOMPARE(installedSharedFolder(m_dir->filePath(QStringLiteral("usr/bin"))), m_shared);
    QCOMPARE(installedSharedFolder(m_dir->filePath(QStringLiteral("build"))), QString());
}

void TestStartFolder::firstPrepareMakesPrivateFolderWithStarters()
{
    const QString data = m_dir->filePath(QStringLiteral("home/.local/share"));
    const QString folder = data + QStringLiteral("/kavrel");
    const Preparation prepared = prepare(folder, m_shared);
    QVERIFY2(prepared.ok, qPrintable(prepared.error));
    QVERIFY(prepared.warnings.isEmpty());
    QCOMPARE(prepared.copied, kStarterFiles);
    // The folder and the parents made for it are private.
    QCOMPARE(modeOf(folder), mode_t(0700));
    QCOMPARE(modeOf(data), mode_t(0700));
    for (const QString& name : kStarterFiles) {
        QCOMPARE(readFile(folder + QLatin1Char('/') + name), readFile(m_shared + QLatin1Char('/') + name));
        // The user can edit the copied keyword list, though the installed one is read-only.
        QCOMPARE(modeOf(folder + QLatin1Char('/') + name), mode_t(0600));
    }
}

void TestStartFolder::laterPreparesKeepTheUsersFiles()
{
    const QString folder = m_dir->filePath(QStringLiteral("data/kavrel"));
    QVERIFY(QDir().mkpath(folder));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                      QFile::ExeGroup);
    QVERIFY(writeFile(folder + QStringLiteral("/XPOP.dat"), "own list\r\n"));

    const Preparation prepared = prepare(folder, m_shared);
    QVERIFY2(prepared.ok, qPrintable(prepared.error));
    QCOMPARE(prepared.copied, QStringList{QStringLiteral("mac.wav")});
    QCOMPARE(readFile(folder + QStringLiteral("/XPOP.dat")), QByteArray("own list\r\n"));
    // A folder the user opened up on purpose keeps its mode.
    QCOMPARE(modeOf(folder), mode_t(0750));
    QVERIFY(prepare(folder, m_shared).copied.isEmpty());
}

void TestStartFolder::folderInTheWayIsRefused()
{
    const QString file = m_dir->filePath(QStringLiteral("kavrel"));
    QVERIFY(writeFile(file, "not a folder"));
    Preparation prepared = prepare(file, m_shared);
    QVERIFY(!prepared.ok);
    QCOMPARE(prepared.error, QStringLiteral("%1 已存在, 但不是文件夹").arg(file));
    QCOMPARE(prepared.errorCode, ENOTDIR);
    QCOMPARE(readFile(file), QByteArray("not a folder"));

    // XDG_DATA_HOME naming a file: the message names that file, not some folder below it.
    prepared = prepare(file + QStringLiteral("/kavrel"), m_shared);
    QVERIFY(!prepared.ok);
    QCOMPARE(prepared.error, QStringLiteral("%1 已存在, 但不是文件夹").arg(file));

    // A link to a file counts as a file; a link to a folder is a folder.
    const QString toFile = m_dir->filePath(QStringLiteral("to-file"));
    QVERIFY(QFile::link(file, toFile));
    QVERIFY(!prepare(toFile, m_shared).ok);
    const QString toFolder = m_dir->filePath(QStringLiteral("to-folder"));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("real"))));
    QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("real")), toFolder));
    QVERIFY(prepare(toFolder, m_shared).ok);
    QVERIFY(QFileInfo::exists(m_dir->filePath(QStringLiteral("real/XPOP.dat"))));
}

void TestStartFolder::unwritableDataHomeIsRefused()
{
    // The child may run as nobody: it must reach the folders.
    QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                             QFile::ReadOther | QFile::ExeOther);
    const QString locked = m_dir->filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkpath(locked));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QCOMPARE(prepareAsUser(locked + QStringLiteral("/kavrel"), m_shared), 1);
    QVERIFY(!QFileInfo::exists(locked + QStringLiteral("/kavrel")));

    // An existing folder the user may not write in is refused too, before anything is copied.
    const QString readOnly = locked + QStringLiteral("/ro");
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                      QFile::ExeOther);
    QVERIFY(QDir().mkpath(readOnly));
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QCOMPARE(prepareAsUser(readOnly, m_shared), 1);
}

void TestStartFolder::missingStarterIsAWarningOnly()
{
    QVERIFY(QFile::remove(m_shared + QStringLiteral("/mac.wav")));
    const QString folder = m_dir->filePath(QStringLiteral("data/kavrel"));
    const Preparation prepared = prepare(folder, m_shared);
    QVERIFY(prepared.ok);
    QCOMPARE(prepared.copied, QStringList{QStringLiteral("XPOP.dat")});
    QCOMPARE(prepared.warnings.size(), 1);
    QVERIFY(prepared.warnings.first().contains(QStringLiteral("mac.wav")));

    // A client run from its build folder has no shared files to copy and says nothing.
    const Preparation bare = prepare(m_dir->filePath(QStringLiteral("bare/kavrel")), QString());
    QVERIFY(bare.ok);
    QVERIFY(bare.copied.isEmpty() && bare.warnings.isEmpty());
}

void TestStartFolder::clientsPreparingAtOnceAllSucceed()
{
    for (int round = 0; round < 20; ++round) {
        const QString folder = m_dir->filePath(QStringLiteral("race%1/share/kavrel").arg(round));
        std::vector<Preparation> results(6);
        std::vector<std::thread> clients;
        for (Preparation& result : results)
            clients.emplace_back([&result, &folder, this] { result = prepare(folder, m_shared); });
        for (std::thread& client : clients)
            client.join();
        int copies = 0;
        for (const Preparation& result : results) {
            QVERIFY2(result.ok, qPrintable(result.error));
            QVERIFY2(result.warnings.isEmpty(), qPrintable(result.warnings.join(QLatin1Char('\n'))));
            copies += result.copied.size();
        }
        QCOMPARE(copies, kStarterFiles.size());
        QCOMPARE(readFile(folder + QStringLiteral("/XPOP.dat")),
                 readFile(m_shared + QStringLiteral("/XPOP.dat")));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), kStarterFiles.size());
    }
}

void TestStartFolder::danglingDatabaseLinkIsNamed()
{
    const QString link = m_dir->filePath(QStringLiteral("kavrel.db"));
    const QString target = m_dir->filePath(QStringLiteral("mnt/share/kavrel.db"));
    QVERIFY(QFile::link(target, link));
    QCOMPARE(danglingLink(link),
             QStringLiteral("%1 是指向 %2 的链接, 但 %2 不存在(磁盘没有挂载?)").arg(link, target));

    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("mnt/share"))));
    QVERIFY(writeFile(target, "SQLite format 3"));
    QCOMPARE(danglingLink(link), QString());
    QCOMPARE(danglingLink(target), QString());
    QCOMPARE(danglingLink(m_dir->filePath(QStringLiteral("new.db"))), QString());
}

// The database with its -wal and -shm files, KVR.ini, LOG/ and the logs in it hold passwords,
// accounts and numbers; a list the user saves elsewhere keeps the usual mode.
void TestStartFolder::everyFileOfTheDataFolderIsPrivate()
{
    const mode_t savedMask = ::umask(022);
    const auto restoreMask = qScopeGuard([savedMask] { ::umask(savedMask); });
    const QString folder = m_dir->filePath(QStringLiteral("data/kavrel"));
    QVERIFY(prepare(folder, m_shared).ok);
    const QString database = folder + QStringLiteral("/kavrel.db");
    QString error;
    QVERIFY(createPrivateFile(database, &error));
    QVERIFY(ProfileIni::writeString(folder + QStringLiteral("/KVR.ini"), QStringLiteral("ID"),
                                    QStringLiteral("User"), QStringLiteral("boss")));
    const LogSave log = saveLogList(folder, LogKind::Unique, QStringLiteral("boss"), QStringLiteral("你好"),
                                    {"13800138000"}, {});
    QVERIFY(log.ok);
    const QString saved = m_dir->filePath(QStringLiteral("saved.txt"));
    QVERIFY(appendLogLines(saved, {QStringLiteral("boss   100")}));
    {
        DbGateway gateway(DbConfig::parse(QStringLiteral("sqlite:") + database, folder));
        QVERIFY(gateway.DbOpen());
        QVERIFY(gateway.DbExecute(QStringLiteral("CREATE TABLE t (x INTEGER)")));
        QVERIFY(gateway.DbExecute(QStringLiteral("INSERT INTO t VALUES (1)")));
        const QStringList expected = {QStringLiteral("kavrel.db"),     QStringLiteral("kavrel.db-shm"),
                                      QStringLiteral("kavrel.db-wal"), QStringLiteral("KVR.ini"),
                                      QStringLiteral("mac.wav"),       QStringLiteral("XPOP.dat")};
        QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase), expected);
        for (const QString& name : expected)
            QVERIFY2(modeOf(folder + QLatin1Char('/') + name) == 0600, qPrintable(name));
    }
    QCOMPARE(modeOf(folder + QStringLiteral("/LOG")), mode_t(0700));
    QCOMPARE(modeOf(log.path), mode_t(0600));
    QCOMPARE(modeOf(saved), mode_t(0644));

    // An existing database keeps the mode its owner gave it; a link is never followed to make one.
    QVERIFY(QFile::setPermissions(database, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    QVERIFY(createPrivateFile(database, &error));
    QCOMPARE(modeOf(database), mode_t(0640));
    const QString link = folder + QStringLiteral("/linked.db");
    QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("unmounted/kavrel.db")), link));
    QVERIFY(createPrivateFile(link, &error));
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("unmounted"))));
    QVERIFY(!createPrivateFile(m_dir->filePath(QStringLiteral("missing/kavrel.db")), &error));
    QVERIFY(error.startsWith(
        QStringLiteral("无法创建 %1: ").arg(m_dir->filePath(QStringLiteral("missing/kavrel.db")))));
}

QTEST_GUILESS_MAIN(TestStartFolder)
#include "tst_start_folder.moc"
