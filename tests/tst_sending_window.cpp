#include "Fixtures.h"
#include "GuiTestSupport.h"
#include "TestDatabases.h"

#include "app/MainDlg.h"
#include "common/Gbk.h"
#include "common/Worker.h"
#include "db/SessionUser.h"
#include "sending/NumberListModel.h"
#include "sending/SendingState.h"
#include "sending/SubmissionRun.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <thread>

class TestSendingWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void manualEntryAddsCheckedLines();
    void manualEntryRefusesBadLines();
    void importKeepsLongLinesOnly();
    void importRefusedOverListLimit();
    void exportAppends();
    void duplicatesRemovedInOrder();
    void countersFollowTheText();
    void submitChecksTextAndKeywords();
    void submitWritesAndChargesThenShowsRate();
    void administratorGetsNoRateTimer();
    void listWorkRefusedWhileRunWrites();
    void deleteAfterDoubleClickTakesTheEntryThatMovedUp();
    void failedPartsAreNotCountedAsSubmitted();
    void closingWaitsForThePartInHand();
    void oddFilesSayWhy();

private:
    void logInAs(const QString& name);
    void writeFile(const QString& name, const QByteArray& bytes);
    QString label(const char* name) { return m_window->findChild<QLabel*>(QLatin1String(name))->text(); }
    QPushButton* button(const char* name) { return m_window->findChild<QPushButton*>(QLatin1String(name)); }
    QPlainTextEdit* editor() { return m_window->findChild<QPlainTextEdit*>(QStringLiteral("messageEdit")); }
    QStringList entries() { return m_window->numbers()->entries(); }
    void waitForRunEnd();

    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
    std::unique_ptr<DialogRecorder> m_dialogs;
    SessionUser m_session;
    std::unique_ptr<CMainDlg> m_window;
};

void TestSendingWindow::init()
{
    m_gateway = TestDb::open(TestDb::backends().constFirst(), m_dir);
    TestDb::addAccount(*m_gateway, QStringLiteral("admin"), QStringLiteral("pw"), QStringLiteral("管理员"),
                       500);
    TestDb::addAccount(*m_gateway, QStringLiteral("user01"), QStringLiteral("pw"), QStringLiteral("注册用户"),
                       500);
    writeFile(QStringLiteral("XPOP.dat"), Gbk::encode(QStringLiteral("发票\r\n\r\n赌博\r\n")));
    m_dialogs = std::make_unique<DialogRecorder>();
}

void TestSendingWindow::cleanup()
{
    m_window.reset();
    m_dialogs.reset();
    m_gateway.reset();
}

void TestSendingWindow::writeFile(const QString& name, const QByteArray& bytes)
{
    QVERIFY(Fixtures::writeFile(m_dir.filePath(name), bytes));
}

void TestSendingWindow::logInAs(const QString& name)
{
    m_window = loggedInWindow(*m_gateway, m_session, m_dir.path(), name, QStringLiteral("pw"));
}

void TestSendingWindow::waitForRunEnd()
{
    QTRY_VERIFY_WITH_TIMEOUT(button("submitButton")->isVisible(), 30000);
}

void TestSendingWindow::manualEntryAddsCheckedLines()
{
    logInAs(QStringLiteral("user01"));
    button("manualButton")->click();
    auto* manual = m_window->findChild<QPlainTextEdit*>(QStringLiteral("manualEditor"));
    manual->setPlainText(QStringLiteral("13812345678\n123\n05551234567"));
    button("manualAddButton")->click();
    QCOMPARE(entries(), QStringList({QStringLiteral("13812345678"), QStringLiteral("123"),
                                     QStringLiteral("05551234567")}));
    QCOMPARE(label("numberCountLabel"), QStringLiteral("文本导入:3 条"));
    QCOMPARE(manual->toPlainText(), QStringLiteral("13812345678\n123\n05551234567"));
    QVERIFY(m_dialogs->messages.isEmpty());

    manual->setPlainText(QStringLiteral("\n13812345678"));
    button("manualAddButton")->click();
    QCOMPARE(entries().size(), 3);
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestSendingWindow::manualEntryRefusesBadLines()
{
    logInAs(QStringLiteral("user01"));
    auto* manual = m_window->findChild<QPlainTextEdit*>(QStringLiteral("manualEditor"));
    manual->setPlainText(QStringLiteral("13812345678\n12812345678"));
    button("manualAddButton")->click();
    QCOMPARE(m_dialogs->messages.last().text,
             QStringLiteral("提示:[第2行/长度11位]不是有效手机号码[数字类型]"));
    QCOMPARE(m_dialogs->messages.last().caption, QStringLiteral("=_="));
    QVERIFY(entries().isEmpty());

    m_dialogs->clear();
    manual->setPlainText(QStringLiteral("138a2345678"));
    // Typing a letter is flagged at once, and the add names the line without a length.
    QCOMPARE(m_dialogs->texts().value(0), QStringLiteral("提示:不是有效手机号码[数字类型]"));
    button("manualAddButton")->click();
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("提示:[第1行]不是有效手机号码[数字类型]"));
    QVERIFY(entries().isEmpty());
}

void TestSendingWindow::importKeepsLongLinesOnly()
{
    logInAs(QStringLiteral("user01"));
    writeFile(QStringLiteral("numbers.txt"), "13800000001\r\n13800000001\r\n12345\r\n123456\r\n13800000002");
    m_dialogs->files << QString();
    button("importButton")->click();
    QCOMPARE(m_dialogs->fileRequests.last().title, QStringLiteral("[打开手机号码]"));
    QVERIFY(entries().isEmpty());

    m_dialogs->files << m_dir.filePath(QStringLiteral("numbers.txt"));
    button("importButton")->click();
    QTRY_COMPARE(entries(), QStringList({QStringLiteral("13800000001"), QStringLiteral("13800000001"),
                                         QStringLiteral("123456"), QStringLiteral("13800000002")}));
    QCOMPARE(label("numberCountLabel"), QStringLiteral("文本导入:4 条"));

    m_dialogs->files << m_dir.filePath(QStringLiteral("missing.txt"));
    button("importButton")->click();
    QTRY_VERIFY(m_dialogs->lastText().contains(QStringLiteral("missing.txt")));
    QCOMPARE(entries().size(), 4);
}

void TestSendingWindow::importRefusedOverListLimit()
{
    logInAs(QStringLiteral("user01"));
    QStringList many;
    for (int i = 0; i <= 30000; ++i)
        many << QString::number(13800000000LL + i);
    m_window->numbers()->append(many);
    button("importButton")->click();
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("提示: 最多一次发送3万条短信!"));
    QVERIFY(m_dialogs->fileRequests.isEmpty());
}

void TestSendingWindow::exportAppends()
{
    logInAs(QStringLiteral("user01"));
    m_window->numbers()->append({QStringLiteral("13800000001"), QStringLiteral("13800000002")});
    const QString path = m_dir.filePath(QStringLiteral("out.txt"));
    m_dialogs->files << path << path;
    button("exportButton")->click();
    button("exportButton")->click();
    QCOMPARE(m_dialogs->fileRequests[0].title, QStringLiteral("[保存手机号码]"));
    QCOMPARE(m_dialogs->fileRequests[0].defaultSuffix, QStringLiteral("txt"));
    QCOMPARE(Fixtures::readFile(path),
             QByteArray("13800000001\r\n13800000002\r\n13800000001\r\n13800000002\r\n"));
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestSendingWindow::duplicatesRemovedInOrder()
{
    logInAs(QStringLiteral("user01"));
    m_window->numbers()->append({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A"),
                                 QStringLiteral("B"), QStringLiteral("a")});
    button("dedupeButton")->click();
    QTRY_COMPARE(m_dialogs->lastText(), QStringLiteral("检测重复完成,重复号码已经自动删除!"));
    QCOMPARE(entries(), QStringList({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("a")}));
    QCOMPARE(label("numberCountLabel"), QStringLiteral("文本导入:3 条"));
    QCOMPARE(DedupeIdle.load(), 1);
}

void TestSendingWindow::countersFollowTheText()
{
    logInAs(QStringLiteral("user01"));
    editor()->setPlainText(QString(70, QLatin1Char('a')));
    QCOMPARE(label("charCountLabel"), QStringLiteral("当前文字:70 字"));
    QCOMPARE(label("messageCountLabel"), QStringLiteral("需发短信:1 条"));
    editor()->setPlainText(QString(72, QLatin1Char('a')));
    QCOMPARE(label("messageCountLabel"), QStringLiteral("需发短信:2 条"));
    editor()->setPlainText(QString(71, QChar(0x77ed)));
    QCOMPARE(label("charCountLabel"), QStringLiteral("当前文字:71 字"));
    QCOMPARE(label("messageCountLabel"), QStringLiteral("需发短信:1 条"));
    editor()->setPlainText(QStringLiteral("ab\ncd"));
    QCOMPARE(label("charCountLabel"), QStringLiteral("当前文字:6 字"));
    button("clearTextButton")->click();
    QCOMPARE(editor()->toPlainText(), QString());
    QCOMPARE(label("charCountLabel"), QStringLiteral("当前文字:0 字"));
    QCOMPARE(label("messageCountLabel"), QStringLiteral("需发短信:0 条"));
}

void TestSendingWindow::submitChecksTextAndKeywords()
{
    logInAs(QStringLiteral("user01"));
    m_window->numbers()->append({QStringLiteral("13800000001")});
    button("submitButton")->click();
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("短信内容为空,不能发送!"));

    editor()->setPlainText(QStringLiteral("代开发票,欢迎赌博"));
    button("submitButton")->click();
    QCOMPARE(editor()->toPlainText(), QStringLiteral("代开***,欢迎***"));
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("关键字请过滤!不可使用的文字为星号[***]!"));

    QFile::remove(m_dir.filePath(QStringLiteral("XPOP.dat")));
    editor()->setPlainText(QStringLiteral("你好"));
    button("submitButton")->click();
    QVERIFY(m_dialogs->lastText().contains(QStringLiteral("XPOP.dat")));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages")), 0);
    QVERIFY(button("submitButton")->isVisible());
}

void TestSendingWindow::submitWritesAndChargesThenShowsRate()
{
    logInAs(QStringLiteral("user01"));
    QVERIFY(m_gateway->DbExecute(QStringLiteral("UPDATE UserInfo SET recvs='97' WHERE loginName='user01'")));
    m_window->numbers()->append({QStringLiteral("13800000001"), QStringLiteral("13800000002")});
    editor()->setPlainText(QStringLiteral("abc"));
    button("submitButton")->click();
    waitForRunEnd();
    QTRY_VERIFY(m_dialogs->lastText().startsWith(QStringLiteral("提示: 用时[")));
    QVERIFY(m_dialogs->lastText().endsWith(QStringLiteral("秒]发送完成!")));
    QCOMPARE(label("submittedLabel"), QStringLiteral("提交成功:2 条"));
    QCOMPARE(label("sentLabel"), QStringLiteral("累计发送:2 次"));
    QCOMPARE(label("balanceLabel"), QStringLiteral("剩余条数:498 条"));
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("user01")), 498);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages"),
                           QStringLiteral("loginName='user01' AND message='abc' AND status='2' AND "
                                          "CountNum='13800000001,13800000002,'")),
             1);
    auto* timer = m_window->sending()->successRateTimer();
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 60000);
    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
    QCOMPARE(label("successRateLabel"), QStringLiteral("成功发送率:97%"));
    QVERIFY(!timer->isActive());
}

void TestSendingWindow::administratorGetsNoRateTimer()
{
    logInAs(QStringLiteral("admin"));
    m_window->numbers()->append({QStringLiteral("13800000001")});
    editor()->setPlainText(QStringLiteral("hello"));
    button("submitButton")->click();
    waitForRunEnd();
    QTRY_VERIFY(m_dialogs->lastText().contains(QStringLiteral("发送完成")));
    QVERIFY(!m_window->sending()->successRateTimer()->isActive());
}

void TestSendingWindow::listWorkRefusedWhileRunWrites()
{
    logInAs(QStringLiteral("user01"));
    // Another client holds the write lock, so the run waits at its first part.
    DbGateway other(m_gateway->config());
    QVERIFY(other.DbExecute(QStringLiteral("BEGIN IMMEDIATE")));
    m_window->numbers()->append({QStringLiteral("13800000001")});
    editor()->setPlainText(QStringLiteral("hello"));
    // A keyboard user finds the pause button where the submit button was, focused.
    QVERIFY(tabTo(button("submitButton")));
    button("submitButton")->click();
    QVERIFY(button("pauseButton")->isVisible());
    QVERIFY(button("pauseButton")->hasFocus());
    button("pauseButton")->click();
    QVERIFY(button("submitButton")->isVisible());
    QVERIFY(button("submitButton")->hasFocus());
    button("submitButton")->click();
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("提示: 短信正在提交,请等待本次提交完成!"));
    button("dedupeButton")->click();
    QCOMPARE(m_dialogs->messages.size(), 2);
    m_dialogs->files << m_dir.filePath(QStringLiteral("XPOP.dat"));
    button("importButton")->click();
    QCOMPARE(m_dialogs->messages.size(), 3);
    QVERIFY(m_dialogs->fileRequests.isEmpty());
    QVERIFY(other.DbExecute(QStringLiteral("ROLLBACK")));
    QTRY_VERIFY_WITH_TIMEOUT(m_dialogs->lastText().contains(QStringLiteral("发送完成")), 30000);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages")), 1);
}

void TestSendingWindow::deleteAfterDoubleClickTakesTheEntryThatMovedUp()
{
    logInAs(QStringLiteral("user01"));
    auto* list = m_window->findChild<QListView*>(QStringLiteral("numberList"));
    m_window->numbers()->append({"A00000", "B00000", "C00000", "D00000"});
    QApplication::processEvents();
    const QRect second = list->visualRect(m_window->numbers()->index(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(entries(), QStringList({"A00000", "C00000", "D00000"}));
    QCOMPARE(label("numberCountLabel"), QStringLiteral("文本导入:3 条"));
    // The remembered index is still 1, which now holds C.
    button("deleteButton")->click();
    QCOMPARE(entries(), QStringList({"A00000", "D00000"}));
    QVERIFY(m_dialogs->messages.isEmpty());

    // A double-click below the last entry has nothing to delete.
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, list->viewport()->height() - 3));
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("请选择一条,在双击鼠标删除!"));
    QCOMPARE(entries().size(), 2);
}

void TestSendingWindow::failedPartsAreNotCountedAsSubmitted()
{
    logInAs(QStringLiteral("user01"));
    QVERIFY(m_gateway->DbExecute(QStringLiteral("DROP TABLE Messages")));
    m_window->numbers()->append({QStringLiteral("13800000001"), QStringLiteral("13800000002")});
    editor()->setPlainText(QString(100, QLatin1Char('x')));
    button("submitButton")->click();
    waitForRunEnd();
    QTRY_VERIFY(!m_dialogs->messages.isEmpty());
    const QString closing = m_dialogs->lastText();
    QVERIFY2(!closing.contains(QStringLiteral("发送完成")), qPrintable(closing));
    QVERIFY2(closing.contains(QStringLiteral("2 部分提交失败")), qPrintable(closing));
    QVERIFY2(closing.contains(QStringLiteral("err2")), qPrintable(closing));
    QCOMPARE(label("submittedLabel"), QStringLiteral("提交成功:0 条"));
    QCOMPARE(label("failedLabel"), QStringLiteral("提交失败:4 条"));
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("user01")), 500);
    QCOMPARE(m_dialogs->messages.size(), 1);
}

void TestSendingWindow::closingWaitsForThePartInHand()
{
    logInAs(QStringLiteral("user01"));
    // Another client holds the write lock until well after the close, so the run is still in
    // its first part when the user quits.
    std::atomic<bool> locked{false};
    std::thread holder([this, &locked] {
        DbGateway other(m_gateway->config());
        DbThreadScope scope(other);
        locked = other.DbExecute(QStringLiteral("BEGIN IMMEDIATE"));
        QThread::msleep(4 * Worker::kOwnerWaitMs);
        other.DbExecute(QStringLiteral("ROLLBACK"));
    });
    QTRY_VERIFY(locked);
    m_window->numbers()->append({QStringLiteral("13800000001")});
    editor()->setPlainText(QStringLiteral("hello"));
    button("submitButton")->click();
    m_dialogs->answerYes = true;
    QVERIFY(m_window->close());
    holder.join();
    QCOMPARE(m_dialogs->texts().last(),
             QStringLiteral("提示: 短信正在提交,确认在当前这一条写完后停止并退出程序?"));
    // The part and its charge are in; nothing of the run is left behind on the database.
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages")), 1);
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("user01")), 499);
    m_window.reset();
    QCOMPARE(Worker::abandonedCount(), 0);
}

void TestSendingWindow::oddFilesSayWhy()
{
    logInAs(QStringLiteral("user01"));
    writeFile(QStringLiteral("empty.txt"), {});
    m_dialogs->files << m_dir.filePath(QStringLiteral("empty.txt"));
    button("importButton")->click();
    QTRY_VERIFY(!m_dialogs->messages.isEmpty());
    QVERIFY2(m_dialogs->lastText().contains(QStringLiteral("是空的")), qPrintable(m_dialogs->lastText()));

    // UTF-8 from a Linux editor, LF only, no final line end.
    writeFile(QStringLiteral("linux.txt"), "13800000001\n13800000002");
    m_dialogs->files << m_dir.filePath(QStringLiteral("linux.txt"));
    button("importButton")->click();
    QTRY_COMPARE(entries(), QStringList({QStringLiteral("13800000001"), QStringLiteral("13800000002")}));

    // A keyword list saved on Linux still screens.
    writeFile(QStringLiteral("XPOP.dat"), "发票\n赌博");
    editor()->setPlainText(QStringLiteral("欢迎赌博"));
    button("submitButton")->click();
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("关键字请过滤!不可使用的文字为星号[***]!"));
    writeFile(QStringLiteral("XPOP.dat"), "\r\n");
    editor()->setPlainText(QStringLiteral("你好"));
    button("submitButton")->click();
    QVERIFY2(m_dialogs->lastText().contains(QStringLiteral("没有关键字")), qPrintable(m_dialogs->lastText()));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Messages")), 0);
}

QTEST_MAIN(TestSendingWindow)
#include "tst_sending_window.moc"
