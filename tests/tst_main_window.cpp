#include "GuiTestSupport.h"
#include "TestDatabases.h"

#include "app/MainDlg.h"
#include "db/SessionUser.h"
#include "sending/NumberListModel.h"

#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void headerAndCountersAtStart();
    void negativeBalanceShowsZero();
    void countersShowNineDigitsWhole();
    void registeredUserNeverReachesAdminTools();
    void pageTogglesShowOnePageAtATime();
    void manualPageKeepsComposition();
    void windowIsNeverBlank();
    void adminPanelTabsSurviveHiding();
    void timeColumnsHoldAWholeTime();
    void escapeAndCloseAskBeforeQuitting();
    void returnAndSpaceAreIgnored();
    void contextMenuOnEmptyList();
    void listDeletionAndClearing();
    void unreachableDatabaseEndsStartUp();

private:
    std::unique_ptr<CMainDlg> logInAs(const QString& name);
    template <typename T = QWidget> T* child(const QString& name) const
    {
        return m_window->findChild<T*>(name);
    }
    void click(const QString& button) { child<QPushButton>(button)->click(); }

    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
    std::unique_ptr<DialogRecorder> m_dialogs;
    SessionUser m_session;
    std::unique_ptr<CMainDlg> m_window;
};

void TestMainWindow::init()
{
    m_gateway = TestDb::open(TestDb::backends().constFirst(), m_dir);
    TestDb::addAccount(*m_gateway, QStringLiteral("admin"), QStringLiteral("pw"), QStringLiteral("管理员"),
                       500, QStringLiteral("张三"), QStringLiteral("星河公司"));
    TestDb::addAccount(*m_gateway, QStringLiteral("plain"), QStringLiteral("pw"), QStringLiteral("注册用户"),
                       -5);
    QVERIFY(m_gateway->DbExecute(
        QStringLiteral("INSERT INTO Moneys (loginName,fullMoney,addDate,parentName) VALUES "
                       "('admin','300','2011-01-01 00:00:00','admin')")));
    m_dialogs = std::make_unique<DialogRecorder>();
}

void TestMainWindow::cleanup()
{
    m_window.reset();
    m_dialogs.reset();
    m_gateway.reset();
}

std::unique_ptr<CMainDlg> TestMainWindow::logInAs(const QString& name)
{
    return loggedInWindow(*m_gateway, m_session, m_dir.path(), name, QStringLiteral("pw"));
}

void TestMainWindow::headerAndCountersAtStart()
{
    m_window = logInAs(QStringLiteral("admin"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Kavrel"));
    QCOMPARE(child<QLabel>(QStringLiteral("headerLabel"))->text(),
             QStringLiteral("昵称：张三 | 公司：星河公司 | USER：admin | 状态：管理员"));
    const QList<QPair<QString, QString>> expected = {
        {QStringLiteral("charCountLabel"), QStringLiteral("当前文字:0 字")},
        {QStringLiteral("messageCountLabel"), QStringLiteral("需发短信:0 条")},
        {QStringLiteral("numberCountLabel"), QStringLiteral("文本导入:0 条")},
        {QStringLiteral("submittedLabel"), QStringLiteral("提交成功:0 条")},
        {QStringLiteral("failedLabel"), QStringLiteral("提交失败:0 条")},
        {QStringLiteral("rechargeLabel"), QStringLiteral("累计充值:300 条")},
        {QStringLiteral("sentLabel"), QStringLiteral("累计发送:0 条")},
        {QStringLiteral("balanceLabel"), QStringLiteral("剩余条数:500 条")},
        {QStringLiteral("successRateLabel"), QStringLiteral("成功发送率:")}};
    for (const auto& [name, text] : expected)
        QCOMPARE(child<QLabel>(name)->text(), text);
    QVERIFY(child<QLabel>(QStringLiteral("charCountLabel"))
                ->styleSheet()
                .contains(QStringLiteral("rgb(4,99,147)")));
    QVERIFY(child(QStringLiteral("adminButton"))->isVisible());
    QVERIFY(child(QStringLiteral("submitButton"))->isVisible());
    QVERIFY(!child(QStringLiteral("pauseButton"))->isVisible());
}

void TestMainWindow::negativeBalanceShowsZero()
{
    m_window = logInAs(QStringLiteral("plain"));
    QCOMPARE(child<QLabel>(QStringLiteral("balanceLabel"))->text(), QStringLiteral("剩余条数:0 条"));
    QCOMPARE(m_session.remainingBalance, -5);
}

void TestMainWindow::countersShowNineDigitsWhole()
{
    TestDb::addAccount(*m_gateway, QStringLiteral("rich"), QStringLiteral("pw"), QStringLiteral("管理员"),
                       999999999);
    QVERIFY(m_gateway->DbExecute(
        QStringLiteral("INSERT INTO Moneys (loginName,fullMoney,addDate,parentName) VALUES "
                       "('rich','999999999','2011-01-01 00:00:00','admin')")));
    m_window = logInAs(QStringLiteral("rich"));
    for (const QString name : {QStringLiteral("rechargeLabel"), QStringLiteral("balanceLabel")}) {
        auto* label = child<QLabel>(name);
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width(),
                 qPrintable(label->text()));
    }
}

void TestMainWindow::registeredUserNeverReachesAdminTools()
{
    m_window = logInAs(QStringLiteral("plain"));
    QVERIFY(!child(QStringLiteral("adminButton"))->isVisible());
    QCOMPARE(child(QStringLiteral("dedupeButton"))->geometry(), QRect(15, 377, 123, 39));
    auto* menu = child<QMenu>(QStringLiteral("numberMenu"));
    const QList<QAction*> actions = menu->actions();
    QCOMPARE(actions.last()->text(), QStringLiteral("管理工具"));
    actions.last()->trigger();
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("提示:本功能只有管理员可以访问!"));
    QVERIFY(!child(QStringLiteral("adminHolder"))->isVisible());
    QVERIFY(child(QStringLiteral("numberList"))->isVisible());
}

void TestMainWindow::adminPanelTabsSurviveHiding()
{
    m_window = logInAs(QStringLiteral("admin"));
    auto* tabs = child<QTabWidget>(QStringLiteral("adminTabs"));
    QCOMPARE(tabs->count(), 6);
    const QStringList captions = {QStringLiteral("帐号充值"), QStringLiteral("添加帐号"),
                                  QStringLiteral("综合查询"), QStringLiteral("帐号管理"),
                                  QStringLiteral("短信发送"), QStringLiteral("退订号码")};
    for (int k = 0; k < captions.size(); ++k)
        QCOMPARE(tabs->tabText(k), captions[k]);
    click(QStringLiteral("adminButton"));
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(child(QStringLiteral("rechargePage"))->isVisible());
    tabs->setCurrentIndex(3);
    const QStringList pages = {QStringLiteral("rechargePage"), QStringLiteral("userEditPage"),
                               QStringLiteral("queryPage"),    QStringLiteral("accountAdminPage"),
                               QStringLiteral("receivePage"),  QStringLiteral("optOutPage")};
    for (int k = 0; k < pages.size(); ++k)
        QCOMPARE(child(pages[k])->isVisible(), k == 3);
    click(QStringLiteral("adminButton"));
    QVERIFY(!child(QStringLiteral("adminPanel"))->isVisible());
    click(QStringLiteral("adminButton"));
    QCOMPARE(tabs->currentIndex(), 3);
    QVERIFY(child(QStringLiteral("accountAdminPage"))->isVisible());
}

void TestMainWindow::timeColumnsHoldAWholeTime()
{
    // Every list of every page, in each of its views, under the usual font and a large one.
    m_window = logInAs(QStringLiteral("admin"));
    int checked = 0;
    const auto checkLists = [this, &checked] {
        for (QTableView* view : m_window->findChildren<QTableView*>()) {
            for (int k = 0; k < view->model()->columnCount(); ++k) {
                const QString header = view->model()->headerData(k, Qt::Horizontal).toString();
                if (!header.contains(QStringLiteral("时间")) && !header.contains(QStringLiteral("日期")))
                    continue;
                QStyleOptionViewItem cell;
                cell.initFrom(view);
                cell.font = view->font();
                cell.fontMetrics = view->fontMetrics();
                cell.features = QStyleOptionViewItem::HasDisplay;
                cell.text = QStringLiteral("2026-12-07 12:34:56");
                const int needed =
                    view->style()->sizeFromContents(QStyle::CT_ItemViewItem, &cell, QSize(), view).width();
                QVERIFY2(view->columnWidth(k) > needed, qPrintable(view->objectName() + header));
                ++checked;
            }
        }
    };
    auto* category = child<QComboBox>(QStringLiteral("categoryBox"));
    QFont large = m_window->font();
    large.setPixelSize(22);
    for (const QFont& font : {m_window->font(), large}) {
        m_window->setFont(font);
        checked = 0;
        for (int k = 0; k < category->count(); ++k) {
            category->setCurrentIndex(k);
            click(QStringLiteral("runButton"));
            checkLists();
        }
        for (const char* view : {"rechargeRecordsButton", "ownSubAccountsButton"}) {
            click(QLatin1String(view));
            checkLists();
        }
        if (QTest::currentTestFailed())
            return;
        // Six lists with one time column each (the opt-out page's among them), in the query
        // page's three categories and the recharge page's three views.
        QCOMPARE(checked, 6 * 5);
    }
}

void TestMainWindow::pageTogglesShowOnePageAtATime()
{
    m_window = logInAs(QStringLiteral("admin"));
    click(QStringLiteral("profileButton"));
    QVERIFY(child(QStringLiteral("profilePage"))->isVisible());
    QVERIFY(!child(QStringLiteral("messageEdit"))->isVisible());
    click(QStringLiteral("adminButton"));
    QVERIFY(child(QStringLiteral("adminPanel"))->isVisible());
    QVERIFY(!child(QStringLiteral("profilePage"))->isVisible());
    QVERIFY(!child(QStringLiteral("messageEdit"))->isVisible());
    QVERIFY(!child(QStringLiteral("numberList"))->isVisible());
    // Each button shows its own page; pressed again it goes back to the composition.
    click(QStringLiteral("profileButton"));
    QVERIFY(child(QStringLiteral("profilePage"))->isVisible());
    QVERIFY(!child(QStringLiteral("adminHolder"))->isVisible());
    click(QStringLiteral("profileButton"));
    QVERIFY(child(QStringLiteral("messageEdit"))->isVisible());
    QVERIFY(!child(QStringLiteral("adminHolder"))->isVisible());
    QVERIFY(!child(QStringLiteral("profileHolder"))->isVisible());
    click(QStringLiteral("recordsButton"));
    QVERIFY(child(QStringLiteral("recordsPage"))->isVisible());
    click(QStringLiteral("recordsButton"));
    QVERIFY(!child(QStringLiteral("recordsPage"))->isVisible());
    QVERIFY(child(QStringLiteral("numberList"))->isVisible());
}

void TestMainWindow::manualPageKeepsComposition()
{
    m_window = logInAs(QStringLiteral("admin"));
    click(QStringLiteral("recordsButton"));
    click(QStringLiteral("manualButton"));
    QVERIFY(child(QStringLiteral("manualEntryPage"))->isVisible());
    QVERIFY(child(QStringLiteral("messageEdit"))->isVisible());
    QVERIFY(!child(QStringLiteral("recordsHolder"))->isVisible());
    click(QStringLiteral("manualButton"));
    QVERIFY(!child(QStringLiteral("manualHolder"))->isVisible());
}

void TestMainWindow::windowIsNeverBlank()
{
    // Every ordered pair of actions, walked in one window, against what each must leave in view.
    m_window = logInAs(QStringLiteral("admin"));
    const QStringList actions = {"recordsButton", "profileButton", "adminButton",
                                 "manualButton",  "submitButton",  "pauseButton"};
    const QHash<QString, QString> pages = {{"recordsButton", "recordsHolder"},
                                           {"profileButton", "profileHolder"},
                                           {"adminButton", "adminHolder"}};
    const QStringList composition = {"messageEdit",    "numberList",  "clearTextButton", "charCountLabel",
                                     "submittedLabel", "failedLabel", "sentLabel",       "balanceLabel"};
    QString page; // the large page in view; empty for the composition
    bool manual = false;
    QStringList walked;
    const auto act = [&](const QString& action) {
        walked << action;
        click(action); // an empty message: submit refuses, after putting the pages away
        if (pages.contains(action)) {
            page = page == pages[action] ? QString() : pages[action];
            manual = false;
        } else {
            manual = action == QLatin1String("manualButton") && !manual;
            page.clear();
        }
        const QByteArray where = walked.join(QLatin1Char('>')).toLatin1();
        for (const QString& holder : pages)
            QVERIFY2(child(holder)->isVisible() == (holder == page), where);
        QVERIFY2(child(QStringLiteral("manualHolder"))->isVisible() == manual, where);
        for (const QString& control : composition)
            QVERIFY2(child(control)->isVisible() == page.isEmpty(), where);
    };
    for (const QString& first : actions) {
        for (const QString& second : actions) {
            act(first);
            act(second);
            if (QTest::currentTestFailed())
                return;
        }
    }
}

void TestMainWindow::escapeAndCloseAskBeforeQuitting()
{
    m_window = logInAs(QStringLiteral("admin"));
    m_dialogs->answerYes = false;
    QTest::keyClick(child(QStringLiteral("messageEdit")), Qt::Key_Escape);
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages[0].text, QStringLiteral("确认是否退出程序"));
    QCOMPARE(m_dialogs->messages[0].title, QStringLiteral("提示"));
    QVERIFY(m_window->isVisible());
    click(QStringLiteral("closeButton"));
    QCOMPARE(m_dialogs->messages[1].title, QStringLiteral("提示"));
    QCOMPARE(m_dialogs->messages[1].icon, Dialogs::Icon::Question);
    QVERIFY(m_window->isVisible());
    m_dialogs->answerYes = true;
    QTest::keyClick(child(QStringLiteral("numberList")), Qt::Key_Escape);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_dialogs->messages.size(), 3);
}

void TestMainWindow::returnAndSpaceAreIgnored()
{
    m_window = logInAs(QStringLiteral("admin"));
    // The message editor takes blanks and line breaks like any editor.
    auto* editor = child<QPlainTextEdit>(QStringLiteral("messageEdit"));
    editor->setFocus();
    QTest::keyClicks(editor, QStringLiteral("ab"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClick(editor, Qt::Key_Space);
    QTest::keyClicks(editor, QStringLiteral("c d"));
    QCOMPARE(editor->toPlainText(), QStringLiteral("ab\n c d"));
    // Return presses no button; space on the list does nothing either.
    QTest::keyClick(child(QStringLiteral("submitButton")), Qt::Key_Return);
    QTest::keyClick(child(QStringLiteral("clearListButton")), Qt::Key_Return);
    QTest::keyClick(child(QStringLiteral("numberList")), Qt::Key_Space);
    QTest::keyClick(child(QStringLiteral("numberList")), Qt::Key_Return);
    QVERIFY(m_dialogs->messages.isEmpty());
    // The manual entry page keeps Return for its own editor.
    click(QStringLiteral("manualButton"));
    auto* manual = child<QPlainTextEdit>(QStringLiteral("manualEditor"));
    QTest::keyClicks(manual, QStringLiteral("1"));
    QTest::keyClick(manual, Qt::Key_Return);
    QCOMPARE(manual->toPlainText(), QStringLiteral("1\n"));
}

void TestMainWindow::contextMenuOnEmptyList()
{
    m_window = logInAs(QStringLiteral("admin"));
    auto* list = child<QListView>(QStringLiteral("numberList"));
    auto* menu = child<QMenu>(QStringLiteral("numberMenu"));
    QTest::mousePress(list->viewport(), Qt::RightButton, {}, QPoint(10, 10));
    QTRY_VERIFY(menu->isVisible());
    QStringList entries;
    for (QAction* action : menu->actions())
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(entries,
             QStringList({QStringLiteral("删除号码"), QStringLiteral("-"), QStringLiteral("手动加入"),
                          QStringLiteral("导入号码"), QStringLiteral("导出号码"), QStringLiteral("-"),
                          QStringLiteral("清空号码"), QStringLiteral("-"), QStringLiteral("修改信息"),
                          QStringLiteral("管理工具")}));
    menu->close();
}

void TestMainWindow::listDeletionAndClearing()
{
    m_window = logInAs(QStringLiteral("admin"));
    auto* list = child<QListView>(QStringLiteral("numberList"));
    NumberListModel* numbers = m_window->numbers();
    numbers->append(
        {QStringLiteral("13800000001"), QStringLiteral("13800000002"), QStringLiteral("13800000003")});

    click(QStringLiteral("deleteButton"));
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("请选择一条,或在号码列表[双击鼠标左键删除]!"));
    list->setCurrentIndex(numbers->index(1));
    click(QStringLiteral("deleteButton"));
    QCOMPARE(numbers->entries(), QStringList({QStringLiteral("13800000001"), QStringLiteral("13800000003")}));
    // The delete button leaves the counter as it was.
    QCOMPARE(child<QLabel>(QStringLiteral("numberCountLabel"))->text(), QStringLiteral("文本导入:0 条"));

    m_dialogs->answerYes = false;
    click(QStringLiteral("clearListButton"));
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("确认是否清空所有号码!"));
    QCOMPARE(numbers->count(), 2);
    m_dialogs->answerYes = true;
    click(QStringLiteral("clearListButton"));
    QCOMPARE(numbers->count(), 0);
    QCOMPARE(child<QLabel>(QStringLiteral("numberCountLabel"))->text(), QStringLiteral("文本导入:0 条"));
}

void TestMainWindow::unreachableDatabaseEndsStartUp()
{
    DbGateway unreachable(DbConfig::parse(QStringLiteral("postgresql://x:y@127.0.0.1:1/none"), m_dir.path()));
    SessionUser session;
    CMainDlg window(unreachable, session, m_dir.path());
    QVERIFY(!window.startUp());
    // The fixed text, then the database's own words, so a user can tell what is wrong.
    QCOMPARE(m_dialogs->messages.size(), 1);
    QVERIFY(m_dialogs->lastText().startsWith(QStringLiteral("启动错误!\n")));
    QVERIFY2(m_dialogs->lastText().contains(QStringLiteral("127.0.0.1")) ||
                 m_dialogs->lastText().contains(QStringLiteral("connect"), Qt::CaseInsensitive),
             qPrintable(m_dialogs->lastText()));
    QCOMPARE(m_dialogs->exitCodes, QList<int>{1});
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
