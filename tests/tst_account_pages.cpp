#include "GuiTestSupport.h"
#include "TestDatabases.h"

#include "admin/AccountAdminDlg.h"
#include "admin/RechargeDlg.h"
#include "admin/UserEditDlg.h"
#include "app/LoginDlg.h"
#include "app/MainDlg.h"
#include "app/ProfileDlg.h"
#include "common/Gbk.h"
#include "common/ReportModel.h"
#include "db/AccountGuard.h"
#include "db/BalanceStatements.h"
#include "db/ListQuery.h"
#include "db/LoginStatements.h"
#include "db/SessionUser.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

class TestAccountPages : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data() { TestDb::addBackendRows(); }
    void init();
    void cleanup();

    void registrationFromLoginWindow();
    void pagesFollowTheLoginThatCameAfterThem_data();
    void pagesFollowTheLoginThatCameAfterThem();
    void profileChangesOwnPassword();
    void everyPasswordFieldIsMasked();
    void accountAdminBulkActions();
    void rechargeTickedAccounts();
    void recordsViewNeverChangesBalances();
    void totalRowAboveRecords();
    void subAccountsOfTickedAgent();
    void saveWritesCellsOnly();
    void rowClickShowsRow();
    void newerQuerySupersedesOlder();
    void ticksActOnTheStoredName();

private:
    template <typename T = QWidget> T* child(QWidget* parent, const QString& name) const
    {
        T* found = parent->findChild<T*>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    void click(QWidget* parent, const QString& name) { child<QPushButton>(parent, name)->click(); }
    void type(QWidget* parent, const QString& name, const QString& text)
    {
        child<QLineEdit>(parent, name)->setText(text);
    }
    void logIn(const QString& name, const QString& password);
    void tick(ReportModel* model, int row)
    {
        QVERIFY(model->setData(model->index(row, 0), Qt::Checked, Qt::CheckStateRole));
    }
    std::unique_ptr<CRechargeDlg> rechargePage();
    // Starts a query with the button and waits for its closing message or its last row.
    void query(QWidget* page, const QString& button, ListQuery* listQuery);
    qint64 balance(const QString& name) { return TestDb::balanceOf(*m_gateway, name); }

    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
    std::unique_ptr<DialogRecorder> m_dialogs;
    SessionUser m_session;
};

void TestAccountPages::init()
{
    m_gateway = TestDb::open(TestDb::currentBackend(), m_dir);
    TestDb::addAccount(*m_gateway, QStringLiteral("boss"), QStringLiteral("bpw"), QStringLiteral("管理员"));
    TestDb::addAccount(*m_gateway, QStringLiteral("agent"), QStringLiteral("apw"), QStringLiteral("代理用户"),
                       100);
    TestDb::addAccount(*m_gateway, QStringLiteral("vip"), QStringLiteral("vpw"), QStringLiteral("VIP用户"),
                       20);
    TestDb::addAccount(*m_gateway, QStringLiteral("client"), QStringLiteral("cpw"),
                       QStringLiteral("注册用户"), 10);
    m_dialogs = std::make_unique<DialogRecorder>();
    logIn(QStringLiteral("boss"), QStringLiteral("bpw"));
}

void TestAccountPages::cleanup()
{
    m_dialogs.reset();
    m_gateway.reset();
}

void TestAccountPages::logIn(const QString& name, const QString& password)
{
    m_session = SessionUser();
    m_session.loginName = name;
    m_session.password = password;
    QCOMPARE(DbLogin(*m_gateway, m_session, name, password).result, LoginResult::Accepted);
}

std::unique_ptr<CRechargeDlg> TestAccountPages::rechargePage()
{
    auto page = std::make_unique<CRechargeDlg>(PageContext{*m_gateway, m_session, m_dir.path()}, nullptr);
    page->show();
    return page;
}

void TestAccountPages::query(QWidget* page, const QString& button, ListQuery* listQuery)
{
    QSignalSpy done(listQuery, &ListQuery::finished);
    click(page, button);
    QVERIFY(done.wait(10000));
}

void TestAccountPages::registrationFromLoginWindow()
{
    CLoginDlg login(*m_gateway, m_session, m_dir.filePath(QStringLiteral("KVR.ini")));
    login.show();
    auto* page = child(&login, QStringLiteral("registerPage"));
    QVERIFY(!page->isVisible());
    click(&login, QStringLiteral("registerButton"));
    QVERIFY(page->isVisible());
    type(page, QStringLiteral("registerLoginName"), QStringLiteral(" new cust "));
    type(page, QStringLiteral("registerPassword"), QStringLiteral("s3 cret"));
    type(page, QStringLiteral("registerRepeat"), QStringLiteral("s3cret "));
    type(page, QStringLiteral("registerNickname"), QStringLiteral("王 五"));
    type(page, QStringLiteral("registerCompany"), QStringLiteral("东方公司"));
    type(page, QStringLiteral("registerTelephone"), QStringLiteral("1381234567"));
    type(page, QStringLiteral("registerAddress"), QStringLiteral("南京路"));
    click(page, QStringLiteral("registerSubmitButton"));
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages.constFirst().caption, QStringLiteral("=_="));
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("提示:不是有效手机号码[号码不合法]"));
    type(page, QStringLiteral("registerTelephone"), QStringLiteral("13812345678"));
    click(page, QStringLiteral("registerSubmitButton"));
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("注册成功!"));
    QCOMPARE(m_dialogs->messages.last().title, QStringLiteral("提示"));
    // The form keeps what was typed; a second press meets the taken name.
    QCOMPARE(child<QLineEdit>(page, QStringLiteral("registerLoginName"))->text(),
             QStringLiteral(" new cust "));
    click(page, QStringLiteral("registerSubmitButton"));
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("帐号被注册!"));
    SessionUser customer;
    QCOMPARE(DbLogin(*m_gateway, customer, QStringLiteral("newcust"), QStringLiteral("s3cret")).result,
             LoginResult::Accepted);
    QCOMPARE(customer.typeCode, int(SessionUser::Registered));
    QCOMPARE(customer.nickLabel, QStringLiteral("昵称：王五"));
    click(&login, QStringLiteral("registerButton"));
    QVERIFY(!page->isVisible());
}

void TestAccountPages::pagesFollowTheLoginThatCameAfterThem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QStringList>("rights");
    QTest::addColumn<bool>("staff");
    QTest::newRow("administrator") << "boss"
                                   << "bpw" << QStringList{"注册用户", "代理用户"} << true;
    QTest::newRow("agent") << "agent"
                           << "apw" << QStringList{"VIP用户"} << false;
    QTest::newRow("VIP") << "vip"
                         << "vpw" << QStringList{"VIP用户"} << false;
}

void TestAccountPages::pagesFollowTheLoginThatCameAfterThem()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QStringList, rights);
    QFETCH(bool, staff);
    // The main window builds its pages before anyone has logged in.
    m_session = SessionUser();
    CMainDlg window(*m_gateway, m_session, m_dir.path());
    logIn(name, password);
    window.enterSession();
    window.show();
    click(&window, QStringLiteral("adminButton"));
    auto* tabs = child<QTabWidget>(&window, QStringLiteral("adminTabs"));
    QCOMPARE(tabs->count(), 6);
    QCOMPARE(tabs->currentIndex(), 0);
    auto* recharge = child(&window, QStringLiteral("rechargePage"));
    for (const char* control :
         {"rechargeQueryEdit", "rechargeQueryButton", "rechargeButton", "reduceButton", "rechargeCountEdit",
          "rechargeSaveButton", "agentSubAccountsButton", "rechargeRowEdit"})
        QCOMPARE(child(recharge, QLatin1String(control))->isVisible(), staff);
    for (const char* control : {"rechargeList", "allocateButton", "allocateTargetEdit", "allocateCountEdit",
                                "ownRecordsButton", "ownSubAccountsButton"})
        QVERIFY(child(recharge, QLatin1String(control))->isVisible());

    tabs->setCurrentIndex(1);
    auto* rightsBox = child<QComboBox>(&window, QStringLiteral("addRights"));
    QStringList shown;
    for (int k = 0; k < rightsBox->count(); ++k)
        shown << rightsBox->itemText(k);
    QCOMPARE(shown, rights);
    QCOMPARE(rightsBox->currentIndex(), 0);

    tabs->setCurrentIndex(3);
    auto* admin = child(&window, QStringLiteral("accountAdminPage"));
    QVERIFY(admin->isVisible());
    for (const char* control : {"adminList", "adminQueryButton", "adminQueryEdit", "adminDisableButton",
                                "adminDeleteButton", "adminQueryLabel"})
        QCOMPARE(child(admin, QLatin1String(control))->isVisible(), staff);
}

void TestAccountPages::profileChangesOwnPassword()
{
    CProfileDlg page(PageContext{*m_gateway, m_session, m_dir.path()}, nullptr);
    page.show();
    type(&page, QStringLiteral("profileLoginName"), QStringLiteral("boss"));
    type(&page, QStringLiteral("profilePassword"), QStringLiteral("bpw"));
    type(&page, QStringLiteral("profileNewPassword"), QStringLiteral("nb1"));
    type(&page, QStringLiteral("profileRepeat"), QStringLiteral("nb 1"));
    type(&page, QStringLiteral("profileNickname"), QStringLiteral("大 老板"));
    type(&page, QStringLiteral("profileTelephone"), QStringLiteral("ignored"));
    click(&page, QStringLiteral("profileApplyButton"));
    QCOMPARE(m_dialogs->texts(), (QStringList{QStringLiteral("修改[昵称]成功![重新登陆更新信息]"),
                                              QStringLiteral("修改[密码]成功![重新登陆更新信息]")}));
    QCOMPARE(m_session.password, QStringLiteral("nb1"));
    QCOMPARE(TestDb::text(*m_gateway, QStringLiteral("SELECT telephone FROM UserInfo WHERE loginName='boss'"),
                          {}, QStringLiteral("telephone")),
             QStringLiteral("13800000000"));
    QVERIFY(child(&page, QStringLiteral("profilePicture"))->isVisible());
}

void TestAccountPages::everyPasswordFieldIsMasked()
{
    const PageContext context{*m_gateway, m_session, m_dir.path()};
    CLoginDlg login(*m_gateway, m_session, m_dir.filePath(QStringLiteral("KVR.ini")));
    CProfileDlg profile(context, nullptr);
    CUserEditDlg userEdit(context, nullptr);
    QStringList masked;
    for (QWidget* page : std::initializer_list<QWidget*>{&login, &profile, &userEdit}) {
        for (const QLineEdit* edit : page->findChildren<QLineEdit*>()) {
            if (edit->echoMode() == QLineEdit::Password)
                masked << edit->objectName();
        }
    }
    QStringList expected = {"password",           "registerPassword",  "registerRepeat", "profilePassword",
                            "profileNewPassword", "profileRepeat",     "addPassword",    "addRepeat",
                            "modifyPassword",     "modifyNewPassword", "modifyRepeat"};
    masked.sort();
    expected.sort();
    QCOMPARE(masked, expected);
}

void TestAccountPages::accountAdminBulkActions()
{
    CAccountAdminDlg page(PageContext{*m_gateway, m_session, m_dir.path()}, nullptr);
    page.show();
    ReportModel* model = page.model();
    query(&page, QStringLiteral("adminQueryButton"), page.query());
    QCOMPARE(model->rowCount(), 4);
    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(model->columnCount(), 8);
    QCOMPARE(model->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("密码"));
    // A guarded database hands out no password: the column stays empty.
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->cell(row, 0) == QStringLiteral("boss"))
            QCOMPARE(model->cell(row, 1), TestDb::isGuarded() ? QString() : QStringLiteral("bpw"));
    }
    click(&page, QStringLiteral("adminTickAllButton"));
    QCOMPARE(model->checkedRows().size(), 4);
    click(&page, QStringLiteral("adminUntickAllButton"));
    QVERIFY(model->checkedRows().isEmpty());

    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->cell(row, 0) == QStringLiteral("client") || model->cell(row, 0) == QStringLiteral("boss"))
            tick(model, row);
    }
    // The administrator may not disable itself: its row says why, the others go on.
    click(&page, QStringLiteral("adminDisableButton"));
    QCOMPARE(m_dialogs->texts(), (QStringList{GuardText::ownAccount.arg(QStringLiteral("boss")),
                                              QStringLiteral("提示: 被勾选的用户[禁用]完毕!点击查询确认!")}));
    QCOMPARE(model->rowCount(), 0);
    SessionUser again;
    QCOMPARE(DbLogin(*m_gateway, again, QStringLiteral("boss"), QStringLiteral("bpw")).result,
             LoginResult::Accepted);

    type(&page, QStringLiteral("adminQueryEdit"), QStringLiteral("client"));
    query(&page, QStringLiteral("adminQueryButton"), page.query());
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(model->cell(0, 4), QStringLiteral("禁用"));
    tick(model, 0);
    click(&page, QStringLiteral("adminEnableButton"));
    QCOMPARE(TestDb::text(*m_gateway, QStringLiteral("SELECT type FROM UserInfo WHERE loginName='client'"),
                          {}, QStringLiteral("type")),
             QStringLiteral("注册用户"));

    m_dialogs->clear();
    query(&page, QStringLiteral("adminAgentsButton"), page.query());
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("共代理用户 1 个")});
    tick(model, 0);
    click(&page, QStringLiteral("adminDeleteButton"));
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("提示: 被勾选的用户[删除]完毕!点击查询确认!"));
    // Deleted rows stay in view until the next query.
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("UserInfo"), QStringLiteral("loginName='agent'")), 0);
    click(&page, QStringLiteral("adminClearButton"));
    QCOMPARE(model->rowCount(), 0);
}

void TestAccountPages::rechargeTickedAccounts()
{
    auto page = rechargePage();
    ReportModel* model = page->model();
    QCOMPARE(model->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("用户名"));
    QCOMPARE(child<QLineEdit>(page.get(), QStringLiteral("rechargeCountEdit"))->text(), QStringLiteral("0"));
    query(page.get(), QStringLiteral("rechargeQueryButton"), page->query());
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("共计 4 用户!")});
    QCOMPARE(model->rowCount(), 4);
    int agentRow = -1;
    int clientRow = -1;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->cell(row, 0) == QStringLiteral("agent"))
            agentRow = row;
        if (model->cell(row, 0) == QStringLiteral("client"))
            clientRow = row;
    }
    tick(model, agentRow);
    tick(model, clientRow);
    m_dialogs->clear();
    type(page.get(), QStringLiteral("rechargeCountEdit"), QStringLiteral("abc"));
    click(page.get(), QStringLiteral("rechargeButton"));
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("提示: 数量必须是0到999999999之间的整数!")});
    QCOMPARE(model->rowCount(), 4);

    m_dialogs->clear();
    type(page.get(), QStringLiteral("rechargeCountEdit"), QStringLiteral("1 000"));
    click(page.get(), QStringLiteral("rechargeButton"));
    QCOMPARE(m_dialogs->messages.size(), 4);
    QVERIFY(m_dialogs->texts().contains(QStringLiteral("提示: client 充值1000成功！,点击查询确认!")));
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(balance(QStringLiteral("agent")), 1100);
    QCOMPARE(balance(QStringLiteral("client")), 1010);
    QCOMPARE(balance(QStringLiteral("boss")), 0);

    query(page.get(), QStringLiteral("rechargeQueryButton"), page->query());
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->cell(row, 0) == QStringLiteral("client"))
            tick(model, row);
    }
    m_dialogs->clear();
    type(page.get(), QStringLiteral("reduceCountEdit"), QStringLiteral("10"));
    click(page.get(), QStringLiteral("reduceButton"));
    QCOMPARE(m_dialogs->texts(),
             (QStringList{QStringLiteral("减少成功!"),
                          QStringLiteral("提示: client 减少条数10成功！,点击查询确认!")}));
    QCOMPARE(balance(QStringLiteral("client")), 1000);

    // Nothing ticked: nothing runs, nothing is said, the list is emptied.
    query(page.get(), QStringLiteral("rechargeQueryButton"), page->query());
    m_dialogs->clear();
    click(page.get(), QStringLiteral("rechargeButton"));
    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(model->rowCount(), 0);
}

void TestAccountPages::recordsViewNeverChangesBalances()
{
    auto page = rechargePage();
    ReportModel* model = page->model();
    QVERIFY(TestDb::owner(*m_gateway)
                .DbExecute(QStringLiteral("INSERT INTO Moneys (loginName,fullMoney,addDate,parentName) "
                                          "VALUES ('client','5','2011-01-01 00:00:00','boss')")));
    query(page.get(), QStringLiteral("rechargeRecordsButton"), page->query());
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("统计数据共 1 条!"));
    QCOMPARE(page->view(), CRechargeDlg::View::Records);
    QCOMPARE(model->headerData(5, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("    "));
    QCOMPARE(model->row(0).cells,
             (QStringList{"boss", "client", "5", "2011-01-01 00:00:00", "1", QString()}));
    tick(model, 0);
    m_dialogs->clear();
    type(page.get(), QStringLiteral("rechargeCountEdit"), QStringLiteral("50"));
    click(page.get(), QStringLiteral("rechargeButton"));
    click(page.get(), QStringLiteral("reduceButton"));
    QCOMPARE(m_dialogs->messages.size(), 2);
    QVERIFY(m_dialogs->lastText().contains(QStringLiteral("不能充值或减少条数")));
    QCOMPARE(balance(QStringLiteral("boss")), 0);
    QCOMPARE(balance(QStringLiteral("client")), 10);
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Moneys")), 1);
    QCOMPARE(model->rowCount(), 1);
}

void TestAccountPages::totalRowAboveRecords()
{
    auto page = rechargePage();
    ReportModel* model = page->model();
    click(page.get(), QStringLiteral("rechargeTotalButton"));
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("请填写查询的用户名!")});
    for (const char* amount : {"100", "50", "-30"})
        QVERIFY(TestDb::owner(*m_gateway)
                    .DbExecute(QStringLiteral("INSERT INTO Moneys (loginName,fullMoney,addDate,parentName) "
                                              "VALUES ('client',?,'2011-01-01 00:00:00','boss')"),
                               {QLatin1String(amount)}));
    type(page.get(), QStringLiteral("rechargeQueryEdit"), QStringLiteral("client"));
    m_dialogs->clear();
    query(page.get(), QStringLiteral("rechargeTotalButton"), page->query());
    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(model->rowCount(), 4);
    QCOMPARE(model->row(0).cells,
             (QStringList{"统计累加充值>>", "client", "总数:120条", "统计累计条数>>", "3条", QString()}));
    QCOMPARE(model->cell(3, 2), QStringLiteral("-30"));
}

void TestAccountPages::subAccountsOfTickedAgent()
{
    auto page = rechargePage();
    ReportModel* model = page->model();
    const SessionUser agent = TestDb::session(QStringLiteral("agent"), QStringLiteral("apw"), "代理用户");
    QVERIFY(DbAllocate(*m_gateway, agent, QStringLiteral("client"), QStringLiteral("5")).ok);
    QVERIFY(DbAllocate(*m_gateway, agent, QStringLiteral("vip"), QStringLiteral("5")).ok);
    type(page.get(), QStringLiteral("rechargeQueryEdit"), QStringLiteral("agent"));
    query(page.get(), QStringLiteral("rechargeQueryButton"), page->query());
    QCOMPARE(model->rowCount(), 1);
    tick(model, 0);
    m_dialogs->clear();
    query(page.get(), QStringLiteral("agentSubAccountsButton"), page->query());
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("共计 2 用户!")});
    QCOMPARE(page->view(), CRechargeDlg::View::SubAccounts);
    QCOMPARE(model->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("代理"));
    QCOMPARE(model->cell(0, 1), QStringLiteral("agent"));
    // Reducing a sub-account takes its own stored password from the row.
    tick(model, 0);
    const QString name = model->cell(0, 0);
    const qint64 before = balance(name);
    type(page.get(), QStringLiteral("reduceCountEdit"), QStringLiteral("1"));
    click(page.get(), QStringLiteral("reduceButton"));
    QCOMPARE(balance(name), before - 1);
    // Nothing ticked: only the list is emptied.
    query(page.get(), QStringLiteral("ownSubAccountsButton"), page->query());
    m_dialogs->clear();
    click(page.get(), QStringLiteral("agentSubAccountsButton"));
    QCOMPARE(model->rowCount(), 0);
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestAccountPages::saveWritesCellsOnly()
{
    auto page = rechargePage();
    query(page.get(), QStringLiteral("rechargeQueryButton"), page->query());
    const QString path = m_dir.filePath(QStringLiteral("list.txt"));
    QFile existing(path);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("kept\r\n");
    existing.close();
    m_dialogs->files << path;
    click(page.get(), QStringLiteral("rechargeSaveButton"));
    QCOMPARE(m_dialogs->fileRequests.constFirst().title, QStringLiteral("[保存]"));
    QVERIFY(m_dialogs->fileRequests.constFirst().save);
    QCOMPARE(m_dialogs->urls, QList<QUrl>{QUrl::fromLocalFile(path)});
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QStringList lines = Gbk::decode(saved.readAll()).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 6); // the old line, four rows, the final line end
    QCOMPARE(lines.constFirst(), QStringLiteral("kept"));
    for (int k = 1; k <= 4; ++k) {
        QCOMPARE(lines.at(k).split(QStringLiteral("   ")).size(), 6);
        for (const char* password : {"bpw", "apw", "vpw", "cpw"})
            QVERIFY(!lines.at(k).contains(QLatin1String(password)));
    }
    m_dialogs->files.clear();
    click(page.get(), QStringLiteral("rechargeSaveButton"));
    QCOMPARE(m_dialogs->urls.size(), 1);
    // When nothing opens the file, the user learns where it is.
    m_dialogs->urlOpens = false;
    m_dialogs->files << path;
    click(page.get(), QStringLiteral("rechargeSaveButton"));
    QVERIFY2(m_dialogs->lastText().endsWith(path), qPrintable(m_dialogs->lastText()));
    // A file that cannot be written is told, and nothing is opened.
    m_dialogs->clear();
    m_dialogs->files << m_dir.filePath(QStringLiteral("missing/folder/list.txt"));
    click(page.get(), QStringLiteral("rechargeSaveButton"));
    QVERIFY(m_dialogs->lastText().startsWith(QStringLiteral("提示: 文件保存失败!")));
    QVERIFY(m_dialogs->urls.isEmpty());
}

void TestAccountPages::rowClickShowsRow()
{
    auto page = rechargePage();
    type(page.get(), QStringLiteral("rechargeQueryEdit"), QStringLiteral("client"));
    query(page.get(), QStringLiteral("rechargeQueryButton"), page->query());
    auto* list = child<QTableView>(page.get(), QStringLiteral("rechargeList"));
    const QRect cell = list->visualRect(page->model()->index(0, 2));
    type(page.get(), QStringLiteral("allocateCountEdit"), QStringLiteral("x"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("提示: 数量必须是0到999999999之间的整数!")});
    const QString shown = child<QLineEdit>(page.get(), QStringLiteral("rechargeRowEdit"))->text();
    QVERIFY(shown.startsWith(QStringLiteral("client  注册用户  10  测试公司  测试员  ")));
    QVERIFY(!shown.contains(QStringLiteral("cpw")));
}

void TestAccountPages::newerQuerySupersedesOlder()
{
    DbGateway& owner = TestDb::owner(*m_gateway);
    // Without passwords: a guarded database would hash every one.
    const QString insert = QStringLiteral("INSERT INTO UserInfo (loginName,pwd,type,payMoney,addDate) ");
    if (owner.dialect().backend() == DbBackend::Postgres) {
        QVERIFY(owner.DbExecute(insert +
                                QStringLiteral("SELECT 'bulk' || k, '', '注册用户', 0, "
                                               "'2011-01-01 00:00:00' FROM generate_series(0, 19999) k")));
    } else {
        QVERIFY(owner.transaction([&] {
            for (int k = 0; k < 20000; ++k) {
                if (!owner.DbExecute(insert +
                                         QStringLiteral("VALUES (?,'','注册用户',0,'2011-01-01 00:00:00')"),
                                     {QStringLiteral("bulk%1").arg(k)}))
                    return false;
            }
            return true;
        }));
    }
    auto page = rechargePage();
    ReportModel* model = page->model();
    QSignalSpy done(page->query(), &ListQuery::finished);
    click(page.get(), QStringLiteral("rechargeQueryButton"));
    type(page.get(), QStringLiteral("rechargeQueryEdit"), QStringLiteral("client"));
    click(page.get(), QStringLiteral("rechargeTotalButton"));
    QVERIFY(done.wait(20000));
    QTest::qWait(200);
    QCOMPARE(done.size(), 1);
    // Only the records of the later query, with its total; none of the 20,004 accounts.
    QCOMPARE(page->view(), CRechargeDlg::View::Records);
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(model->cell(0, 0), QStringLiteral("统计累加充值>>"));
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestAccountPages::ticksActOnTheStoredName()
{
    // " client" lists as "client" beside the real "client"; each tick must reach its own account.
    TestDb::addAccount(*m_gateway, QStringLiteral(" client"), QStringLiteral("c2"),
                       QStringLiteral("注册用户"));
    const auto rowOf = [](ReportModel* model) {
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->row(row).account == QStringLiteral(" client"))
                return row;
        }
        return -1;
    };
    auto page = rechargePage();
    query(page.get(), QStringLiteral("rechargeQueryButton"), page->query());
    tick(page->model(), rowOf(page->model()));
    m_dialogs->clear();
    type(page.get(), QStringLiteral("rechargeCountEdit"), QStringLiteral("0100"));
    click(page.get(), QStringLiteral("rechargeButton"));
    QCOMPARE(m_dialogs->texts(), (QStringList{QStringLiteral("充值成功!"),
                                              QStringLiteral("提示:  client 充值0100成功！,点击查询确认!")}));
    QCOMPARE(balance(QStringLiteral(" client")), 100);
    QCOMPARE(balance(QStringLiteral("client")), 10);

    CAccountAdminDlg admin(PageContext{*m_gateway, m_session, m_dir.path()}, nullptr);
    admin.show();
    query(&admin, QStringLiteral("adminQueryButton"), admin.query());
    tick(admin.model(), rowOf(admin.model()));
    click(&admin, QStringLiteral("adminDisableButton"));
    const auto typeOf = [this](const QString& name) {
        return TestDb::text(*m_gateway, QStringLiteral("SELECT type FROM UserInfo WHERE loginName=?"), {name},
                            QStringLiteral("type"));
    };
    QCOMPARE(typeOf(QStringLiteral(" client")), QStringLiteral("禁用"));
    QCOMPARE(typeOf(QStringLiteral("client")), QStringLiteral("注册用户"));
}

QTEST_MAIN(TestAccountPages)
#include "tst_account_pages.moc"
