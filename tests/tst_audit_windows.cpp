#include "GuiTestSupport.h"
#include "TestDatabases.h"

#include "audit/AuditDlg.h"
#include "audit/AuditStatsDlg.h"
#include "audit/StatsListDlg.h"
#include "common/Worker.h"
#include "db/RecordStatements.h"
#include "db/ServerRead.h"
#include "db/SessionUser.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString kX = QStringLiteral("13800000001");
const QString kY = QStringLiteral("13800000002");
const QString kZ = QStringLiteral("13800000003");
const QString kXYXZ = kX + ',' + kY + ',' + kX + ',' + kZ + ',';

qint64 insertRow(DbGateway& gateway, const QString& table, const QString& account, const QString& message,
                 const QString& list)
{
    const QString sql =
        table == QStringLiteral("Messages")
            ? QStringLiteral("INSERT INTO Messages (loginName,message,addDate,status,CountNum) VALUES "
                             "(?,?,'2011-03-05 15:04:09','4',?)")
            : QStringLiteral("INSERT INTO UserRecv (loginName,message,Num,recvs,addDate,tel) VALUES "
                             "(?,?,'4','98','2011-03-05 15:04:09',?)");
    DbGateway& owner = TestDb::owner(gateway);
    if (!owner.DbExecute(sql, {account, message, list}))
        return -1;
    DbRows rows = owner.DbQuery(QStringLiteral("SELECT MAX(id) AS n FROM ") + table);
    return rows.number(QStringLiteral("n"));
}

QStringList listed(QWidget* window, const char* name)
{
    auto* view = window->findChild<QListView*>(QLatin1String(name));
    if (!view)
        return {QStringLiteral("<none>")};
    QStringList texts;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        texts.append(view->model()->index(row, 0).data().toString());
    return texts;
}

QString labelText(QWidget* window, const char* name)
{
    return window->findChild<QLabel*>(QLatin1String(name))->text();
}

void click(QWidget* window, const char* name)
{
    auto* button = window->findChild<QPushButton*>(QLatin1String(name));
    QVERIFY2(button, name);
    button->click();
}

} // namespace

class TestAuditWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data() { TestDb::addBackendRows(); }
    void initTestCase() { CStatisticsWindow::setCaptionPause(0); }
    void init();
    void cleanup();

    void auditWindowCountsItsBatch();
    void auditNeedsItsOwnCount();
    void approvalRecordsTheRateWithoutBlanksOnce();
    void discardAsksNothing();
    void windowsKeepTheirOwnBatch();
    void logsAreSavedAndOpened();
    void auditStatsAndStatsListDiffer();
    void restrictedUsersSeeListsWithoutCountButton();
    void statisticsDeleteAsksFirst();
    void failedReadCanBeCountedAgain();
    void twoClientsApproveTheSameBatchOnce();
    void approvalChecksFieldsAndKeepsTheStoredBatch();
    void stalledServerNeitherFreezesNorHangs();

private:
    PageContext context() { return {*m_gateway, m_session, m_files->path()}; }
    template <typename Window> Window* open(qint64 id, const QString& content = QStringLiteral("hello"))
    {
        auto* window = new Window(context(),
                                  {id, QStringLiteral("alice"), QStringLiteral("4"), content,
                                   QStringLiteral("2011-03-05 15:04:09")},
                                  nullptr);
        m_windows.append(window);
        window->show();
        return window;
    }
    bool counted() { return m_recorder->lastText().contains(QStringLiteral("统计完成!")); }

    QTemporaryDir m_dir;
    std::unique_ptr<QTemporaryDir> m_files; // the start folder, new for every case
    std::unique_ptr<DbGateway> m_gateway;
    std::unique_ptr<DialogRecorder> m_recorder;
    SessionUser m_session;
    QList<QPointer<QWidget>> m_windows;
};

void TestAuditWindows::init()
{
    m_gateway = TestDb::open(TestDb::currentBackend(), m_dir);
    m_files = std::make_unique<QTemporaryDir>();
    TestDb::addAccount(*m_gateway, QStringLiteral("alice"), QStringLiteral("pw"), QStringLiteral("注册用户"));
    m_recorder = std::make_unique<DialogRecorder>();
    m_session = TestDb::addActingAccount(*m_gateway, QStringLiteral("boss"));
    TestDb::useSession(*m_gateway, m_session);
}

void TestAuditWindows::cleanup()
{
    for (const QPointer<QWidget>& window : m_windows)
        delete window.data();
    m_windows.clear();
    ServerRead::setLimitMs(0);
    QCOMPARE(AuditWindowsOpen.load(), 0);
    m_recorder.reset();
    m_gateway.reset();
}

void TestAuditWindows::auditWindowCountsItsBatch()
{
    const qint64 id = insertRow(*m_gateway, "Messages", "alice", "hello", kXYXZ);
    CAuditDlg* window = open<CAuditDlg>(id);
    QCOMPARE(AuditWindowsOpen.load(), 1);
    QCOMPARE(window->windowTitle(), QStringLiteral("alice / 2011-03-05 15:04:09 / hello"));
    QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(window->findChild<QLineEdit*>("rateEdit")->text(), QStringLiteral("100"));
    QTRY_VERIFY(counted());
    QCOMPARE(m_recorder->lastText(), QStringLiteral("提示: alice 用时[0秒]统计完成!"));
    QCOMPARE(listed(window, "uniqueList"), (QStringList{kX, kY, kZ}));
    QCOMPARE(listed(window, "repeatedList"), QStringList{kX});
    QCOMPARE(labelText(window, "totalLabel"), QStringLiteral("统计数量:4条"));
    QCOMPARE(labelText(window, "repeatedLabel"), QStringLiteral("重复号码:1条"));
    QCOMPARE(labelText(window, "uniqueLabel"), QStringLiteral("不重复号码:3条"));
    auto* countButton = window->findChild<QPushButton*>("countButton");
    QVERIFY(countButton->isEnabled());
    QCOMPARE(countButton->text(), QStringLiteral("统计号码及条数"));
    QCOMPARE(window->auditNumberList(), kXYXZ);
    window->close();
    QCOMPARE(AuditWindowsOpen.load(), 0);
}

void TestAuditWindows::auditNeedsItsOwnCount()
{
    const qint64 id = insertRow(*m_gateway, "Messages", "alice", "hello", kXYXZ);
    CAuditDlg* window = open<CAuditDlg>(id);
    // Pressed before the count has ended: nothing is written.
    click(window, "auditButton");
    QCOMPARE(m_recorder->lastText(), RecordText::countFirst);
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv"), 0);
    QTRY_VERIFY(counted());

    // A count that finds no batch leaves the lists empty and still completes.
    CAuditDlg* missing = open<CAuditDlg>(id + 1000);
    m_recorder->clear();
    QTRY_VERIFY(counted());
    QVERIFY(listed(missing, "uniqueList").isEmpty());
    QCOMPARE(labelText(missing, "uniqueLabel"), QStringLiteral("不重复号码:0条"));
    QCOMPARE(labelText(missing, "totalLabel"), QStringLiteral("统计数量:"));
    click(missing, "auditButton");
    QCOMPARE(m_recorder->lastText(), RecordText::batchGone);
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv"), 0);
}

void TestAuditWindows::approvalRecordsTheRateWithoutBlanksOnce()
{
    const qint64 id = insertRow(*m_gateway, "Messages", "alice", "hello", kXYXZ);
    const qint64 twin = insertRow(*m_gateway, "Messages", "alice", "hello", kX + ',');
    CAuditDlg* window = open<CAuditDlg>(id);
    QSignalSpy removed(window, &CAuditDlg::WM_REMOVE_AUDITED_ROW);
    QTRY_VERIFY(counted());
    click(window, "rate97Button");
    QCOMPARE(window->findChild<QLineEdit*>("rateEdit")->text(), QStringLiteral("97"));
    window->findChild<QLineEdit*>("rateEdit")->setText(QStringLiteral("9 5"));
    click(window, "auditButton");
    QCOMPARE(m_recorder->lastText(), RecordText::audited);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.first().at(0).toLongLong(), id);
    QCOMPARE(TestDb::text(*m_gateway, "SELECT recvs FROM UserRecv", {}, "recvs"), QStringLiteral("95"));
    QCOMPARE(TestDb::text(*m_gateway, "SELECT tel FROM UserRecv", {}, "tel"), kXYXZ);
    QCOMPARE(TestDb::text(*m_gateway, "SELECT recvs FROM UserInfo WHERE loginName = ?", {"alice"}, "recvs"),
             QStringLiteral("95"));
    QCOMPARE(TestDb::count(*m_gateway, "Messages", "id = ?", {twin}), 1);

    // "审核" straight again asks for a new count and writes nothing.
    click(window, "auditButton");
    QCOMPARE(m_recorder->lastText(), RecordText::countFirst);
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv"), 1);
    QCOMPARE(removed.count(), 1);
}

void TestAuditWindows::discardAsksNothing()
{
    const qint64 id = insertRow(*m_gateway, "Messages", "alice", "hello", kXYXZ);
    CAuditDlg* window = open<CAuditDlg>(id);
    QSignalSpy removed(window, &CAuditDlg::WM_REMOVE_AUDITED_ROW);
    QTRY_VERIFY(counted());
    m_recorder->clear();
    click(window, "deleteButton");
    QCOMPARE(m_recorder->texts(), QStringList{RecordText::audited});
    QVERIFY(!m_recorder->messages.first().yesNo);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(TestDb::count(*m_gateway, "Messages"), 0);
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv"), 0);
}

void TestAuditWindows::windowsKeepTheirOwnBatch()
{
    const qint64 first = insertRow(*m_gateway, "Messages", "alice", "hello", kX + ',' + kY + ',');
    const qint64 second = insertRow(*m_gateway, "Messages", "alice", "hello", kZ + ',');
    CAuditDlg* a = open<CAuditDlg>(first);
    QTRY_VERIFY(counted());
    m_recorder->clear();
    CAuditDlg* b = open<CAuditDlg>(second);
    QTRY_VERIFY(counted());
    QCOMPARE(AuditWindowsOpen.load(), 2);
    // The window opened first approves its own batch with its own list.
    click(a, "auditButton");
    QCOMPARE(m_recorder->lastText(), RecordText::audited);
    QCOMPARE(TestDb::text(*m_gateway, "SELECT tel FROM UserRecv", {}, "tel"), kX + ',' + kY + ',');
    QCOMPARE(TestDb::count(*m_gateway, "Messages", "id = ?", {second}), 1);
    QCOMPARE(listed(b, "uniqueList"), QStringList{kZ});
    a->close();
    QCOMPARE(AuditWindowsOpen.load(), 1);
}

void TestAuditWindows::logsAreSavedAndOpened()
{
    const qint64 id = insertRow(*m_gateway, "Messages", "alice", "line one\nline two", kXYXZ);
    CAuditDlg* window = open<CAuditDlg>(id, QStringLiteral("line one\nline two"));
    QTRY_VERIFY(counted());
    click(window, "saveUniqueButton");
    QTRY_COMPARE(m_recorder->urls.size(), 1);
    click(window, "saveRepeatedButton");
    QTRY_COMPARE(m_recorder->urls.size(), 2);
    QTRY_VERIFY(window->findChild<QPushButton*>("saveRepeatedButton")->isEnabled());
    const QString unique = m_recorder->urls.at(0).toLocalFile();
    const QString repeated = m_recorder->urls.at(1).toLocalFile();
    QVERIFY(QFileInfo(unique).fileName().startsWith(QStringLiteral("[N]alice-")));
    QVERIFY(QFileInfo(repeated).fileName().startsWith(QStringLiteral("[Y]alice-")));
    QCOMPARE(QFileInfo(unique).dir().path(), QDir(m_files->path()).filePath("LOG"));
    QFile file(unique);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             QByteArray("line one\r\nline two\r\n13800000001\r\n13800000002\r\n13800000003\r\n"));
    QFile second(repeated);
    QVERIFY(second.open(QIODevice::ReadOnly));
    QCOMPARE(second.readAll(), QByteArray("line one\r\nline two\r\n13800000001\r\n"));
}

void TestAuditWindows::auditStatsAndStatsListDiffer()
{
    const qint64 id = insertRow(*m_gateway, "UserRecv", "alice", "hello", kXYXZ);
    CAuditStatsDlg* stats = open<CAuditStatsDlg>(id);
    QTRY_VERIFY(counted());
    QCOMPARE(listed(stats, "uniqueList"), (QStringList{kX, kY, kZ}));
    QCOMPARE(listed(stats, "repeatedList"), QStringList{kX});
    QCOMPARE(labelText(stats, "totalLabel"), QStringLiteral("统计数量:4条"));
    QVERIFY(!(stats->windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(stats->findChild<QLineEdit*>("rateEdit") == nullptr);
    QCOMPARE(AuditWindowsOpen.load(), 0);

    m_recorder->clear();
    CStatsListDlg* list = open<CStatsListDlg>(id);
    QTRY_VERIFY(counted());
    QCOMPARE(listed(list, "uniqueList"), (QStringList{kX, kY, kX, kZ}));
    QVERIFY(list->findChild<QListView*>("repeatedList") == nullptr);
    QCOMPARE(labelText(list, "uniqueLabel"), QStringLiteral("号码:"));
    QCOMPARE(labelText(list, "totalLabel"), QStringLiteral("统计数量:4条"));
    QCOMPARE(list->findChild<QPushButton*>("saveUniqueButton")->text(), QStringLiteral("保存相关内容"));
    QVERIFY(!(list->windowFlags() & Qt::WindowMinimizeButtonHint));
    click(list, "saveUniqueButton");
    QTRY_COMPARE(m_recorder->urls.size(), 1);
    QVERIFY(
        QFileInfo(m_recorder->urls.first().toLocalFile()).fileName().startsWith(QStringLiteral("alice-")));
}

void TestAuditWindows::restrictedUsersSeeListsWithoutCountButton()
{
    m_session = SessionUser();
    m_session.applyType(QStringLiteral("代理用户"));
    const qint64 id = insertRow(*m_gateway, "UserRecv", "alice", "hello", kXYXZ);
    CAuditStatsDlg* stats = open<CAuditStatsDlg>(id);
    QTRY_VERIFY(counted());
    QCOMPARE(listed(stats, "uniqueList").size(), 3);
    QVERIFY(stats->findChild<QPushButton*>("countButton")->isHidden());
    QVERIFY(stats->findChild<QPushButton*>("saveRepeatedButton")->isHidden());
    QVERIFY(!stats->findChild<QPushButton*>("saveUniqueButton")->isHidden());
}

void TestAuditWindows::statisticsDeleteAsksFirst()
{
    const qint64 id = insertRow(*m_gateway, "UserRecv", "alice", "hello", kXYXZ);
    const qint64 twin = insertRow(*m_gateway, "UserRecv", "alice", "hello", kXYXZ);
    CStatsListDlg* window = open<CStatsListDlg>(id);
    QTRY_VERIFY(counted());
    m_recorder->clear();
    m_recorder->answerYes = false;
    click(window, "deleteButton");
    QCOMPARE(m_recorder->texts(), QStringList{QStringLiteral("确认是否清空相关数据库!")});
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv"), 2);
    m_recorder->answerYes = true;
    click(window, "deleteButton");
    QCOMPARE(m_recorder->lastText(), RecordText::cleared);
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv", "id = ?", {id}), 0);
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv", "id = ?", {twin}), 1);
}

void TestAuditWindows::failedReadCanBeCountedAgain()
{
    // A message longer than a list cell of old could hold is approved whole.
    const QString content = QString(300, u'长');
    const qint64 id = insertRow(*m_gateway, "Messages", "alice", content, kXYXZ);
    QVERIFY(TestDb::owner(*m_gateway).DbExecute("ALTER TABLE Messages RENAME TO MessagesAway"));
    CAuditDlg* window = open<CAuditDlg>(id, content);
    QTRY_VERIFY(m_recorder->lastText().startsWith(RecordText::readFailed));
    QVERIFY(TestDb::owner(*m_gateway).DbExecute("ALTER TABLE MessagesAway RENAME TO Messages"));
    QVERIFY(listed(window, "uniqueList").isEmpty());
    auto* countButton = window->findChild<QPushButton*>("countButton");
    QVERIFY(countButton->isEnabled());
    QCOMPARE(countButton->text(), QStringLiteral("统计号码及条数"));
    click(window, "auditButton");
    QCOMPARE(m_recorder->lastText(), RecordText::countFirst);
    countButton->click();
    QTRY_VERIFY(counted());
    QCOMPARE(listed(window, "uniqueList").size(), 3);
    click(window, "auditButton");
    QCOMPARE(m_recorder->lastText(), RecordText::audited);
    QCOMPARE(TestDb::text(*m_gateway, "SELECT message FROM UserRecv", {}, "message"), content);
}

void TestAuditWindows::twoClientsApproveTheSameBatchOnce()
{
    if (TestDb::currentBackend().name == QStringLiteral("sqlite"))
        QSKIP("two processes on one server database");
    const QString address = TestDb::address(TestDb::currentBackend(), m_dir);
    for (int round = 1; round <= 5; ++round) {
        const qint64 id = insertRow(*m_gateway, "Messages", "alice", "race", kXYXZ);
        const QString go =
            m_dir.filePath(QStringLiteral("go-%1-%2").arg(TestDb::currentBackend().name).arg(round));
        QList<QProcess*> clients;
        for (int k = 0; k < 2; ++k) {
            auto* client = new QProcess(this);
            client->start(QStringLiteral(KAVREL_AUDIT_CLIENT), {address, QString::number(id), go});
            clients << client;
        }
        for (QProcess* client : clients)
            QTRY_VERIFY_WITH_TIMEOUT(client->canReadLine() || client->state() == QProcess::NotRunning, 20000);
        for (QProcess* client : clients)
            QCOMPARE(client->readLine().trimmed(), QByteArray("ready"));
        QFile(go).open(QIODevice::WriteOnly);
        QStringList answers;
        for (QProcess* client : clients) {
            QVERIFY(client->waitForFinished(20000));
            QCOMPARE(client->exitCode(), 0);
            answers << QString::fromUtf8(client->readAll()).trimmed();
            delete client;
        }
        answers.sort();
        QVERIFY2(answers.count(RecordText::audited) == 1, qPrintable(answers.join(QLatin1Char('|'))));
        QCOMPARE(answers.count(RecordText::batchGone), 1);
        QCOMPARE(TestDb::count(*m_gateway, "UserRecv"), round);
        QCOMPARE(TestDb::count(*m_gateway, "Messages"), 0);
    }
}

void TestAuditWindows::approvalChecksFieldsAndKeepsTheStoredBatch()
{
    // The editor turns CR LF into LF; the customer was charged for the stored text.
    const QString stored = QStringLiteral("第一行\r\nline two\r\n");
    const qint64 id = insertRow(*m_gateway, "Messages", "alice", stored, kXYXZ);
    CAuditDlg* window = open<CAuditDlg>(id, stored);
    QTRY_VERIFY(counted());
    QCOMPARE(window->windowTitle(), QStringLiteral("alice / 2011-03-05 15:04:09 / 第一行 line two "));
    auto* content = window->findChild<QPlainTextEdit*>("contentEdit");
    QVERIFY(content->isReadOnly());
    QVERIFY(window->findChild<QLineEdit*>("accountEdit")->isReadOnly());
    QVERIFY(content->toPlainText() != stored);
    auto* rate = window->findChild<QLineEdit*>("rateEdit");
    rate->setText(QStringLiteral("9") + QChar(0xDC00));
    click(window, "auditButton");
    QCOMPARE(m_recorder->lastText(), QStringLiteral("提示: 发送率中不能使用字符 U+DC00,请删除后再试!"));
    QCOMPARE(TestDb::count(*m_gateway, "Messages"), 1);
    rate->setText(QStringLiteral("97"));
    click(window, "auditButton");
    QCOMPARE(m_recorder->lastText(), RecordText::audited);
    QCOMPARE(TestDb::text(*m_gateway, "SELECT message FROM UserRecv", {}, "message"), stored);
    QCOMPARE(TestDb::text(*m_gateway, "SELECT tel FROM UserRecv", {}, "tel"), kXYXZ);
}

void TestAuditWindows::stalledServerNeitherFreezesNorHangs()
{
    if (TestDb::currentBackend().name == QStringLiteral("sqlite"))
        QSKIP("a lock held by another connection to the server");
    constexpr int kLimitMs = 1500;
    ServerRead::setLimitMs(kLimitMs);
    const qint64 id = insertRow(*m_gateway, "Messages", "alice", "hello", kXYXZ);
    QPointer<CAuditDlg> first = open<CAuditDlg>(id);
    QTRY_VERIFY(counted());
    TestDb::TableLock lock(TestDb::address(TestDb::currentBackend(), m_dir), QStringLiteral("Messages"));
    QVERIFY(lock.held());

    // The approval meets the limit, says so and changes nothing.
    QElapsedTimer clock;
    clock.start();
    click(first, "auditButton");
    QVERIFY2(m_recorder->lastText().startsWith(ServerRead::timedOutText()),
             qPrintable(m_recorder->lastText()));
    QVERIFY(clock.elapsed() >= kLimitMs - 100 && clock.elapsed() < kLimitMs + 3000);

    // A count stuck in its read: the window closes at once, its worker ends within the limit.
    click(first, "countButton");
    QTest::qWait(300);
    QCOMPARE(Worker::abandonedCount(), 0);
    clock.restart();
    first->close();
    QTRY_VERIFY(first.isNull());
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(Worker::abandonedCount(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(Worker::abandonedCount(), 0, kLimitMs + 3000);

    // A new count is told why it has no numbers, and can be tried again.
    m_recorder->clear();
    CAuditDlg* second = open<CAuditDlg>(id);
    QTRY_VERIFY_WITH_TIMEOUT(m_recorder->lastText().startsWith(ServerRead::timedOutText()), kLimitMs + 3000);
    lock.release();
    QTRY_VERIFY(second->findChild<QPushButton*>("countButton")->isEnabled());
    click(second, "countButton");
    QTRY_VERIFY(counted());
    QCOMPARE(listed(second, "uniqueList").size(), 3);
    QCOMPARE(TestDb::count(*m_gateway, "Messages"), 1);
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv"), 0);
}

QTEST_MAIN(TestAuditWindows)
#include "tst_audit_windows.moc"
