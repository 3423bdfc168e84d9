#include "Fixtures.h"
#include "GuiTestSupport.h"
#include "TestDatabases.h"

#include "app/PopupDlg.h"
#include "audit/AuditDlg.h"
#include "audit/AuditStatsDlg.h"
#include "common/ReportModel.h"
#include "db/ListQuery.h"
#include "db/RecordStatements.h"
#include "db/SessionUser.h"
#include "records/QueryDlg.h"
#include "records/ReceiveDlg.h"
#include "records/RecordsDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

namespace {

QPushButton* button(QWidget* page, const char* name)
{
    return page->findChild<QPushButton*>(QLatin1String(name));
}

} // namespace

class TestRecordPages : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data() { TestDb::addBackendRows(); }
    void initTestCase() { CStatisticsWindow::setCaptionPause(0); }
    void init();
    void cleanup();

    void popupPlacement_data();
    void popupPlacement();
    void popupShowsItsRecordAndLeavesAfterFiveSeconds();
    void auditWindowOpensCentredOncePerBatch();

    void receiveListingsAndLimit();
    void receiveWatchButtonsShareOneToggle();
    void popupWatchRaisesPopupsAndSound();
    void auditedRowLeavesTheReceiveList();
    void restrictedPagesAreBlank();

    void queryCategoriesAndClicks();
    void queryTickedDeleteNeedsAuditedRows();
    void queryDeleteByNameAsksTwice();
    void querySaveAppendsRowsAndOpens();

    void recordsScopesAndTickedDelete();
    void recordsDoubleClickOpensWindowByType_data();
    void recordsDoubleClickOpensWindowByType();

private:
    PageContext context() { return {*m_gateway, m_session, m_dir.path()}; }

    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
    std::unique_ptr<DialogRecorder> m_recorder;
    SessionUser m_session;
};

void TestRecordPages::init()
{
    m_gateway = TestDb::open(TestDb::currentBackend(), m_dir);
    m_recorder = std::make_unique<DialogRecorder>();
    m_session =
        TestDb::signIn(*m_gateway, QStringLiteral("alice"), QStringLiteral("pw"), QStringLiteral("管理员"));
    TestDb::useSession(*m_gateway, m_session);
}

void TestRecordPages::cleanup()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qobject_cast<CStatisticsWindow*>(window) || qobject_cast<CPopupDlg*>(window))
            delete window;
    }
    m_recorder.reset();
    m_gateway.reset();
}

void TestRecordPages::popupPlacement_data()
{
    QTest::addColumn<QRect>("workArea");
    QTest::addColumn<QPoint>("expected");
    const QSize popup(271, 143);
    QTest::newRow("taskbar at the bottom") << QRect(0, 0, 1280, 760) << QPoint(1280 - 271, 760 - 143);
    QTest::newRow("taskbar at the right") << QRect(0, 0, 1200, 800) << QPoint(1200 - 271, 800 - 143);
    QTest::newRow("taskbar at the left") << QRect(80, 0, 1200, 800) << QPoint(1280 - 271, 800 - 143);
    QTest::newRow("taskbar at the top") << QRect(0, 40, 1280, 760) << QPoint(1280 - 271, 800 - 143);
    QTest::newRow("no taskbar") << QRect(0, 0, 1280, 800) << QPoint(1280 - 271, 800 - 143);
}

void TestRecordPages::popupPlacement()
{
    QFETCH(QRect, workArea);
    QFETCH(QPoint, expected);
    QCOMPARE(CPopupDlg::placement(QRect(0, 0, 1280, 800), workArea, QSize(271, 143)), expected);
}

void TestRecordPages::popupShowsItsRecordAndLeavesAfterFiveSeconds()
{
    // Nothing of the database: the open backends' rows already wait their five seconds.
    if (TestDb::isGuarded())
        QSKIP("the popup reads nothing from the database");
    QWidget typing;
    auto* editor = new QLineEdit(&typing);
    typing.show();
    typing.activateWindow();
    editor->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(&typing));
    const QString longText = QString(400, u'长');
    QPointer<CPopupDlg> first = new CPopupDlg({7, "alice", "3", longText, "2011-03-05 15:04:09"});
    first->show();
    QPointer<CPopupDlg> second = new CPopupDlg({8, "bob", "1", "hi", "2011-03-05 15:04:10"});
    second->show();
    QVERIFY(first->isVisible() && second->isVisible());
    QCOMPARE(first->pos(), second->pos());
    QCOMPARE(first->size(), QSize(271, 143));
    QCOMPARE(first->findChild<QLabel*>("popupAccount")->text(), QStringLiteral("用户: alice 条数: 3"));
    QCOMPARE(first->findChild<QLabel*>("popupTime")->text(), QStringLiteral("2011-03-05 15:04:09"));
    QCOMPARE(first->findChild<QPlainTextEdit*>("popupContent")->toPlainText(), longText);
    QVERIFY(first->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(first->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    QCOMPARE(first->windowOpacity(), 228 / 255.0);
    // The user goes on typing where they were.
    QCOMPARE(QApplication::focusWidget(), editor);
    QCOMPARE(QApplication::activeWindow(), &typing);
    QTest::qWait(4000);
    QVERIFY(first && second);
    QTRY_VERIFY_WITH_TIMEOUT(!first && !second, 3000);
}

void TestRecordPages::auditWindowOpensCentredOncePerBatch()
{
    Fixtures::addWaiting(*m_gateway);
    Fixtures::addAudited(*m_gateway);
    QWidget main; // stands for the main window, inside the offscreen screen
    // Placed before the window system has framed it: its centre may be off by the frame.
    const auto centred = [&main](QWidget* window) {
        return (window->frameGeometry().center() - main.frameGeometry().center()).manhattanLength() <= 6;
    };
    main.setGeometry(100, 50, 600, 500);
    auto* page = new CReceiveDlg(context(), &main);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    button(page, "allButton")->click();
    QTRY_COMPARE(page->model()->rowCount(), 1);
    QWidget* audit = page->openAudit(0);
    QVERIFY(centred(audit));
    QVERIFY(audit->windowFlags() & Qt::WindowStaysOnTopHint);
    QTRY_VERIFY(m_recorder->lastText().contains(QStringLiteral("统计完成!")));
    // Opening the batch again brings its window forward instead of a second one.
    main.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &main);
    QCOMPARE(page->openAudit(0), audit);
    QCOMPARE(AuditWindowsOpen.load(), 1);
    QTRY_COMPARE(QApplication::activeWindow(), audit);
    audit->close();
    QWidget* again = page->openAudit(0);
    QVERIFY(again && again != audit);

    auto* stats = new CAuditStatsDlg(context(), {1, "alice", "2", "hello", "2011-03-05 15:04:09"}, &main);
    QVERIFY(centred(stats));
    delete stats;
    delete again;
}

void TestRecordPages::receiveListingsAndLimit()
{
    QVERIFY(TestDb::owner(*m_gateway).transaction([&] {
        for (int k = 0; k < 6000; ++k)
            Fixtures::addWaiting(*m_gateway);
        Fixtures::addWaiting(*m_gateway, {.account = "bob",
                                          .time = QDate::currentDate().toString("yyyy-MM-dd") + " 08:00:00",
                                          .status = "9"});
        return true;
    }));
    CReceiveDlg page(context(), nullptr);
    button(&page, "allButton")->click();
    QTRY_COMPARE(page.model()->rowCount(), 5001);
    QCOMPARE(page.model()->cell(0, 1), QStringLiteral("3"));
    button(&page, "rangeButton")->click(); // today through today
    QTRY_COMPARE(page.model()->rowCount(), 1);
    QCOMPARE(page.model()->row(0).cells, (QStringList{"bob", "1", "hello", page.model()->cell(0, 3)}));
    button(&page, "clearButton")->click();
    QCOMPARE(page.model()->rowCount(), 0);
}

void TestRecordPages::receiveWatchButtonsShareOneToggle()
{
    CReceiveDlg page(context(), nullptr);
    QPushButton* sound = button(&page, "soundWatchButton");
    QPushButton* popup = button(&page, "popupWatchButton");
    QCOMPARE(sound->text(), QStringLiteral("开启自动接收提示"));
    QCOMPARE(popup->text(), QStringLiteral("开启自动提示信息框"));
    sound->click();
    QCOMPARE(sound->text(), QStringLiteral("暂停自动提示"));
    QVERIFY(!popup->isEnabled());
    QVERIFY(page.soundWatch()->isOn());
    sound->click();
    QCOMPARE(sound->text(), QStringLiteral("开启自动接收提示"));
    QVERIFY(popup->isEnabled());
    QVERIFY(!page.soundWatch()->isOn());
    popup->click();
    QCOMPARE(popup->text(), QStringLiteral("暂停自动提示框"));
    QVERIFY(!sound->isEnabled());
    QVERIFY(page.popupWatch()->isOn());
    popup->click();
    QCOMPARE(popup->text(), QStringLiteral("开启自动提示信息框"));
    QVERIFY(sound->isEnabled());
    QVERIFY(!page.popupWatch()->isOn());
}

void TestRecordPages::popupWatchRaisesPopupsAndSound()
{
    CReceiveDlg page(context(), nullptr);
    WatchTimings timings;
    timings.pollMs = 50;
    timings.afterPopupMs = 10;
    timings.popupRepeatMs = 100;
    timings.pauseCheckMs = 10;
    page.setWatchTimings(timings);
    QSignalSpy popups(&page, &CReceiveDlg::WM_SHOW_POPUP);
    QSignalSpy sounds(&page, &CReceiveDlg::soundRequested);
    button(&page, "popupWatchButton")->click();
    QTest::qWait(300);
    QCOMPARE(popups.count(), 0); // nothing waits
    // Both at once: while the list holds rows the watch raises popups without reading again.
    QVERIFY(TestDb::owner(*m_gateway).transaction([&] {
        Fixtures::addWaiting(*m_gateway);
        Fixtures::addWaiting(*m_gateway, {.account = "bob", .time = "2011-03-05 15:04:10"});
        return true;
    }));
    QTRY_VERIFY(popups.count() >= 3);
    QCOMPARE(page.model()->rowCount(), 2);
    const auto record = popups.last().at(0).value<SelectedRecord>();
    QCOMPARE(record.account, QStringLiteral("alice"));
    QCOMPARE(record.id, page.model()->row(0).id);
    QVERIFY(sounds.count() >= popups.count());
    QCOMPARE(page.alertPath(), QDir(m_dir.path()).filePath("mac.wav"));

    // An open audit window keeps the watch still.
    QWidget* audit = page.openAudit(0);
    QTRY_VERIFY(m_recorder->lastText().contains(QStringLiteral("统计完成!")));
    popups.clear();
    QTest::qWait(400);
    QCOMPARE(popups.count(), 0);
    button(audit, "deleteButton")->click();
    QCOMPARE(page.model()->rowCount(), 1);
    audit->close();
    QTRY_VERIFY(popups.count() >= 1);
    QCOMPARE(popups.last().at(0).value<SelectedRecord>().account, QStringLiteral("bob"));
    button(&page, "popupWatchButton")->click();
}

void TestRecordPages::auditedRowLeavesTheReceiveList()
{
    m_session = TestDb::addActingAccount(*m_gateway, QStringLiteral("staff"));
    Fixtures::addWaiting(*m_gateway);
    Fixtures::addWaiting(*m_gateway);
    CReceiveDlg page(context(), nullptr);
    button(&page, "allButton")->click();
    QTRY_COMPARE(page.model()->rowCount(), 2);
    page.removeAuditedRow(-1);
    QCOMPARE(page.model()->rowCount(), 2);
    const qint64 second = page.model()->row(1).id;
    QWidget* audit = page.openAudit(1);
    QCOMPARE(AuditWindowsOpen.load(), 1);
    QTRY_VERIFY(m_recorder->lastText().contains(QStringLiteral("统计完成!")));
    button(audit, "rate98Button")->click();
    button(audit, "auditButton")->click();
    QCOMPARE(m_recorder->lastText(), RecordText::audited);
    QCOMPARE(page.model()->rowCount(), 1);
    QVERIFY(page.model()->row(0).id != second);
    QCOMPARE(TestDb::text(*m_gateway, "SELECT recvs FROM UserRecv", {}, "recvs"), QStringLiteral("98"));
    audit->close();
    QCOMPARE(AuditWindowsOpen.load(), 0);
}

void TestRecordPages::restrictedPagesAreBlank()
{
    // The pages are made before the login, as the main window makes them.
    m_session = SessionUser();
    CReceiveDlg receive(context(), nullptr);
    CQueryDlg query(context(), nullptr);
    CRecordsDlg records(context(), nullptr);
    m_session.applyType(QStringLiteral("VIP用户"));
    for (QWidget* page : {static_cast<QWidget*>(&receive), static_cast<QWidget*>(&query)}) {
        page->show();
        const QList<QWidget*> children = page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QVERIFY(!children.isEmpty());
        for (QWidget* child : children)
            QVERIFY2(child->isHidden(), qPrintable(child->objectName()));
    }
    records.show();
    QVERIFY(button(&records, "everyoneButton")->isHidden());
    QVERIFY(button(&records, "deleteEveryoneButton")->isHidden());
    QVERIFY(!button(&records, "ownButton")->isHidden());
}

void TestRecordPages::queryCategoriesAndClicks()
{
    Fixtures::addAudited(*m_gateway);
    CQueryDlg page(context(), nullptr);
    auto* category = page.findChild<QComboBox*>("categoryBox");
    QCOMPARE(category->currentText(), QStringLiteral("账号查询"));
    page.findChild<QLineEdit*>("nameEdit")->setText("alice");
    button(&page, "runButton")->click();
    QTRY_COMPARE(page.model()->rowCount(), 1);
    QTRY_VERIFY(!page.query()->isRunning());
    QVERIFY(m_recorder->messages.isEmpty());
    QCOMPARE(page.model()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("剩余条数"));
    QVERIFY(page.openStatistics(0) == nullptr); // accounts have no statistics

    category->setCurrentIndex(1);
    page.findChild<QLineEdit*>("nameEdit")->clear();
    button(&page, "runButton")->click();
    QTRY_COMPARE(m_recorder->lastText(), QStringLiteral("提示:查询完毕!"));
    QCOMPARE(page.model()->rowCount(), 1);
    QCOMPARE(page.model()->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("发送率"));
    QCOMPARE(page.model()->cell(0, 3), QStringLiteral("98%"));
    auto* view = page.findChild<QTableView*>("queryList");
    emit view->clicked(page.model()->index(0, 2));
    QCOMPARE(page.findChild<QLineEdit*>("nameEdit")->text(), QStringLiteral("alice"));
    QWidget* stats = page.openStatistics(0);
    QVERIFY(qobject_cast<CStatisticsWindow*>(stats));
    QCOMPARE(stats->objectName(), QStringLiteral("auditStatsWindow"));
    QCOMPARE(stats->windowTitle(), QStringLiteral("alice / 2011-03-05 15:04:09 / hello"));
    QTRY_VERIFY(m_recorder->lastText().contains(QStringLiteral("统计完成!")));

    category->setCurrentIndex(2);
    page.findChild<QCheckBox*>("dateBox")->setChecked(true);
    m_recorder->clear();
    button(&page, "runButton")->click();
    QTRY_COMPARE(m_recorder->lastText(), QStringLiteral("提示:查询完毕!"));
    QCOMPARE(page.model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("充值条数"));
}

void TestRecordPages::queryTickedDeleteNeedsAuditedRows()
{
    for (int k = 0; k < 4; ++k)
        Fixtures::addAudited(*m_gateway);
    CQueryDlg page(context(), nullptr);
    m_recorder->answerYes = true;
    button(&page, "runButton")->click(); // accounts
    QTRY_COMPARE(page.model()->rowCount(), 1);
    button(&page, "tickAllButton")->click();
    button(&page, "tickedDeleteButton")->click();
    QCOMPARE(m_recorder->lastText(), QStringLiteral("请选择[查询类别：发送短信查询]"));
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv"), 4);

    auto* category = page.findChild<QComboBox*>("categoryBox");
    category->setCurrentIndex(1);
    // The box says audited records, but the list still holds accounts.
    button(&page, "tickedDeleteButton")->click();
    QCOMPARE(m_recorder->lastText(), QStringLiteral("请选择[查询类别：发送短信查询]"));
    button(&page, "runButton")->click();
    QTRY_COMPARE(page.model()->rowCount(), 4);
    QTRY_VERIFY(!page.query()->isRunning());
    button(&page, "tickAllButton")->click();
    button(&page, "untickAllButton")->click();
    QVERIFY(page.model()->checkedRows().isEmpty());
    const qint64 keep = page.model()->row(0).id;
    for (int row : {1, 3})
        page.model()->setData(page.model()->index(row, 0), Qt::Checked, Qt::CheckStateRole);
    m_recorder->clear();
    button(&page, "tickedDeleteButton")->click();
    QCOMPARE(m_recorder->texts(), (QStringList{"确认是否删除勾选的数据!", "相关信息已清空!"}));
    QCOMPARE(page.model()->rowCount(), 0);
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv"), 2);
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv", "id = ?", {keep}), 1);
}

void TestRecordPages::queryDeleteByNameAsksTwice()
{
    Fixtures::addAudited(*m_gateway);
    Fixtures::addAudited(*m_gateway, {.account = ""});
    Fixtures::addAudited(*m_gateway, {.account = "bob"});
    CQueryDlg page(context(), nullptr);
    QList<bool> answers;
    QStringList asked;
    Dialogs::setMessageHook([&](const Dialogs::Message& message) {
        asked << message.text;
        return message.yesNo && !answers.isEmpty() ? answers.takeFirst() : false;
    });
    // No, then Yes: the records of the (empty) name go.
    answers = {false, true};
    button(&page, "deleteButton")->click();
    QCOMPARE(asked, (QStringList{"[是]为全部清空(历史记录)数据库,[否]为清空用户名  下的数据!",
                                 "是否:清空用户名  下的数据!", "清空用户名  下的数据完成!"}));
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv"), 2);
    // Yes, then No: nothing.
    asked.clear();
    answers = {true, false};
    page.findChild<QLineEdit*>("nameEdit")->setText("bob");
    button(&page, "deleteButton")->click();
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked.at(1), QStringLiteral("是否:全部清空(历史记录)数据库!"));
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv"), 2);
    answers = {true, true};
    button(&page, "deleteButton")->click();
    QCOMPARE(asked.last(), QStringLiteral("全部清空(历史记录)数据库完成!"));
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv"), 0);
}

void TestRecordPages::querySaveAppendsRowsAndOpens()
{
    Fixtures::addAudited(*m_gateway);
    CQueryDlg page(context(), nullptr);
    const QString path = m_dir.filePath(QStringLiteral("%1-list.txt").arg(TestDb::currentBackend().name));
    m_recorder->files = {path};
    button(&page, "saveButton")->click(); // empty list: an empty file, still opened
    QCOMPARE(m_recorder->urls.size(), 1);
    QCOMPARE(QFileInfo(path).size(), 0);
    QCOMPARE(m_recorder->fileRequests.first().title, QStringLiteral("[保存]"));
    page.findChild<QComboBox*>("categoryBox")->setCurrentIndex(1);
    button(&page, "runButton")->click();
    QTRY_COMPARE(page.model()->rowCount(), 1);
    m_recorder->files = {path};
    button(&page, "saveButton")->click();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("alice   2   hello   98%   2011-03-05 15:04:09   \r\n"));
}

void TestRecordPages::recordsScopesAndTickedDelete()
{
    Fixtures::addAudited(*m_gateway);
    Fixtures::addAudited(*m_gateway, {.account = "bob"});
    Fixtures::addAudited(*m_gateway, {.time = "2011-03-07 15:04:09"});
    CRecordsDlg page(context(), nullptr);
    page.findChild<QDateEdit*>("firstDate")->setDate(QDate(2011, 3, 5));
    page.findChild<QDateEdit*>("lastDate")->setDate(QDate(2011, 3, 5));
    button(&page, "rangeButton")->click();
    QTRY_COMPARE(page.model()->rowCount(), 1);
    QTRY_VERIFY(!page.query()->isRunning());
    button(&page, "everyoneButton")->click();
    QTRY_COMPARE(page.model()->rowCount(), 3);
    QTRY_VERIFY(!page.query()->isRunning());
    button(&page, "ownButton")->click();
    QTRY_COMPARE(page.model()->rowCount(), 2);
    QTRY_VERIFY(!page.query()->isRunning());
    QCOMPARE(page.model()->cell(1, 5), QStringLiteral("2"));
    page.model()->setData(page.model()->index(1, 0), Qt::Checked, Qt::CheckStateRole);
    m_recorder->answerYes = true;
    button(&page, "tickedDeleteButton")->click();
    QCOMPARE(m_recorder->texts(), (QStringList{"确认是否删除 alice 勾选的数据!", "相关信息已清空!"}));
    QCOMPARE(page.model()->rowCount(), 0);
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv"), 2);
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv", "addDate = '2011-03-07 15:04:09'"), 0);
    m_recorder->clear();
    button(&page, "deleteOwnButton")->click();
    QCOMPARE(m_recorder->texts(), (QStringList{"确认是否清空 alice 相关数据库!", "相关信息已清空!"}));
    QCOMPARE(TestDb::count(*m_gateway, "UserRecv"), 1);
}

void TestRecordPages::recordsDoubleClickOpensWindowByType_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("window");
    QTest::newRow("administrator") << "管理员"
                                   << "auditStatsWindow";
    QTest::newRow("registered") << "注册用户"
                                << "statsListWindow";
    QTest::newRow("agent") << "代理用户"
                           << "statsListWindow";
    QTest::newRow("vip") << "VIP用户"
                         << "statsListWindow";
    QTest::newRow("unknown") << "其他"
                             << "";
}

void TestRecordPages::recordsDoubleClickOpensWindowByType()
{
    QFETCH(QString, type);
    QFETCH(QString, window);
    m_session = SessionUser();
    m_session.loginName = QStringLiteral("alice");
    m_session.applyType(type);
    Fixtures::addAudited(*m_gateway);
    CRecordsDlg page(context(), nullptr);
    button(&page, "ownButton")->click();
    QTRY_COMPARE(page.model()->rowCount(), 1);
    QWidget* opened = page.openStatistics(0);
    QCOMPARE(opened ? opened->objectName() : QString(), window);
    if (opened)
        QTRY_VERIFY(m_recorder->lastText().contains(QStringLiteral("统计完成!")));
}

QTEST_MAIN(TestRecordPages)
#include "tst_record_pages.moc"
