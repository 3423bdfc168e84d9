#include "GuiTestSupport.h"
#include "TestDatabases.h"

#include "Fixtures.h"

#include "app/FirstAdminDlg.h"
#include "app/LoginDlg.h"
#include "app/MainDlg.h"
#include "app/PopupDlg.h"
#include "audit/AuditDlg.h"
#include "audit/AuditStatsDlg.h"
#include "audit/StatsListDlg.h"
#include "common/ProcessExit.h"
#include "db/LoginStatements.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

DialogRecorder::DialogRecorder()
{
    Dialogs::setMessageHook([this](const Dialogs::Message& message) {
        messages << message;
        return answerYes;
    });
    Dialogs::setFileHook([this](const Dialogs::FileRequest& request) {
        fileRequests << request;
        return files.isEmpty() ? QString() : files.takeFirst();
    });
    Dialogs::setUrlHook([this](const QUrl& url) {
        urls << url;
        return urlOpens;
    });
    ProcessExit::setHook([this](int code) { exitCodes << code; });
}

DialogRecorder::~DialogRecorder()
{
    Dialogs::setMessageHook({});
    Dialogs::setFileHook({});
    Dialogs::setUrlHook({});
    ProcessExit::setHook({});
}

QStringList DialogRecorder::texts() const
{
    QStringList result;
    for (const Dialogs::Message& message : messages)
        result << message.text;
    return result;
}

void DialogRecorder::clear()
{
    messages.clear();
    fileRequests.clear();
    urls.clear();
    exitCodes.clear();
}

// Tab as the user presses it: to the focused control, or to the window when none has the focus.
static bool pressTab(QWidget* window)
{
    QWidget* focused = QApplication::focusWidget();
    QTest::keyClick(focused ? focused : window, Qt::Key_Tab);
    return QApplication::focusWidget();
}

QList<QWidget*> tabRound(QWidget* window)
{
    window->activateWindow();
    QList<QWidget*> reached;
    // Tab may stay a few presses in one control (a date's fields); once the round is done, or
    // when a control keeps Tab to itself, no new control comes.
    for (int idle = 0; QTest::qWaitForWindowActive(window) && idle < 10 && pressTab(window); ++idle) {
        if (!reached.contains(QApplication::focusWidget())) {
            reached << QApplication::focusWidget();
            idle = 0;
        }
    }
    return reached;
}

bool tabTo(QWidget* target)
{
    target->window()->activateWindow();
    for (int k = 0; k < 500 && QTest::qWaitForWindowActive(target->window()) && !target->hasFocus(); ++k)
        pressTab(target->window());
    return target->hasFocus();
}

std::unique_ptr<CMainDlg> loggedInWindow(DbGateway& gateway, SessionUser& session, const QString& startFolder,
                                         const QString& loginName, const QString& password)
{
    session = Fixtures::logIn(gateway, loginName, password);
    auto window = std::make_unique<CMainDlg>(gateway, session, startFolder);
    window->enterSession();
    window->show();
    return window;
}
namespace {

const QString kFixedTime = QStringLiteral("2011-03-05 15:04:09");
const QString kNumbers = QStringLiteral("13800000001,13800000002,13800000001,13800000003,");

void addFixedRows(DbGateway& gateway)
{
    TestDb::addAccount(gateway, QStringLiteral("boss"), QStringLiteral("pw"), QStringLiteral("管理员"), 5000,
                       QStringLiteral("王经理"), QStringLiteral("凯弗尔科技"));
    TestDb::addAccount(gateway, QStringLiteral("alice"), QStringLiteral("pw"), QStringLiteral("注册用户"),
                       120, QStringLiteral("爱丽丝"), QStringLiteral("花店"));
    TestDb::addAccount(gateway, QStringLiteral("daili"), QStringLiteral("pw"), QStringLiteral("代理用户"),
                       800, QStringLiteral("李代理"), QStringLiteral("代理公司"));
    QVERIFY(gateway.DbExecute(QStringLiteral("UPDATE UserInfo SET addDate=?"), {kFixedTime}));
    QVERIFY(
        gateway.DbExecute(QStringLiteral("INSERT INTO Messages (loginName,message,addDate,status,CountNum) "
                                         "VALUES ('alice','春季新品到店，凭短信享九折。',?,'4',?)"),
                          {kFixedTime, kNumbers}));
    QVERIFY(gateway.DbExecute(QStringLiteral("INSERT INTO UserRecv (loginName,message,Num,recvs,addDate,tel) "
                                             "VALUES ('alice','春季新品到店，凭短信享九折。','4','98',?,?)"),
                              {kFixedTime, kNumbers}));
    Fixtures::addOptedOut(gateway, {QStringLiteral("13800000004"), QStringLiteral("13900000001"),
                                    QStringLiteral("15900000002")});
}

SelectedRecord fixedRecord(DbGateway& gateway, const QString& table)
{
    DbRows rows = gateway.DbQuery(QStringLiteral("SELECT MAX(id) AS n FROM ") + table);
    return {rows.number(QStringLiteral("n")), QStringLiteral("alice"), QStringLiteral("4"),
            QStringLiteral("春季新品到店，凭短信享九折。"), kFixedTime};
}

template <typename W> W* shown(std::unique_ptr<QWidget>& top, W* window)
{
    top.reset(window);
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        qWarning("%s was not shown", qPrintable(window->objectName()));
    return window;
}

void click(QWidget* window, const char* name)
{
    if (auto* button = window->findChild<QAbstractButton*>(QLatin1String(name)))
        button->click();
    else
        qWarning("no button %s", name);
}

} // namespace

const QList<LookScenes::Scene>& LookScenes::all()
{
    static const QList<Scene> scenes = {
        {"first-admin", true},     {"login", true},        {"main", true},         {"popup", true},
        {"audit", true},           {"audit-stats", true},  {"stats-list", true},   {"message-box", true},
        {"register", false},       {"records", false},     {"profile", false},     {"manual", false},
        {"admin-recharge", false}, {"admin-users", false}, {"admin-query", false}, {"admin-accounts", false},
        {"admin-receive", false},  {"admin-optout", false}};
    return scenes;
}

LookScenes::LookScenes() : m_dir(std::make_unique<QTemporaryDir>())
{
    CStatisticsWindow::setCaptionPause(0);
    m_gateway = TestDb::open(TestDb::backends().constFirst(), *m_dir);
    addFixedRows(*m_gateway);
}

LookScenes::~LookScenes()
{
    m_top.reset();
}

QWidget* LookScenes::mainPage(const char* button, const char* holder)
{
    auto* window = static_cast<CMainDlg*>(build(QStringLiteral("main")));
    click(window, button);
    return window->findChild<QWidget*>(QLatin1String(holder));
}

QWidget* LookScenes::build(const QString& name)
{
    m_top.reset();
    static SessionUser session;
    session = TestDb::session(QStringLiteral("boss"), QStringLiteral("pw"), QStringLiteral("管理员"));
    const PageContext context{*m_gateway, session, m_dir->path()};
    const QString settings = m_dir->filePath(QStringLiteral("KVR.ini"));
    if (name == QLatin1String("first-admin"))
        return shown(m_top, new CFirstAdminDlg(*m_gateway));
    if (name == QLatin1String("login"))
        return shown(m_top, new CLoginDlg(*m_gateway, session, settings));
    if (name == QLatin1String("register")) {
        auto* login = shown(m_top, new CLoginDlg(*m_gateway, session, settings));
        click(login, "registerButton");
        return login->findChild<QWidget*>(QStringLiteral("registerHolder"));
    }
    if (name == QLatin1String("main")) {
        DbLogin(*m_gateway, session, session.loginName, session.password);
        auto* window = new CMainDlg(*m_gateway, session, m_dir->path());
        window->enterSession();
        return shown(m_top, window);
    }
    if (name == QLatin1String("records"))
        return mainPage("recordsButton", "recordsHolder");
    if (name == QLatin1String("profile"))
        return mainPage("profileButton", "profileHolder");
    if (name == QLatin1String("manual"))
        return mainPage("manualButton", "manualHolder");
    const QStringList tabs = {QStringLiteral("admin-recharge"), QStringLiteral("admin-users"),
                              QStringLiteral("admin-query"),    QStringLiteral("admin-accounts"),
                              QStringLiteral("admin-receive"),  QStringLiteral("admin-optout")};
    if (tabs.contains(name)) {
        QWidget* holder = mainPage("adminButton", "adminHolder");
        holder->findChild<QTabWidget*>(QStringLiteral("adminTabs"))->setCurrentIndex(tabs.indexOf(name));
        if (name == QLatin1String("admin-recharge")) {
            click(holder, "rechargeQueryButton");
            auto* list = holder->findChild<QTableView*>(QStringLiteral("rechargeList"));
            if (!QTest::qWaitFor([list] { return list->model()->rowCount() == 3; }, 10000))
                qWarning("the recharge list did not fill: the scene will not match its reference");
            list->selectRow(1);
        }
        if (name == QLatin1String("admin-optout")) {
            click(holder, "optOutQueryButton");
            auto* list = holder->findChild<QTableView*>(QStringLiteral("optOutList"));
            auto* total = holder->findChild<QLabel*>(QStringLiteral("optOutTotal"));
            if (!QTest::qWaitFor([&] { return list->model()->rowCount() == 3 && !total->text().isEmpty(); },
                                 10000))
                qWarning("the opt-out list did not fill: the scene will not match its reference");
        }
        return holder;
    }
    if (name == QLatin1String("popup"))
        return shown(m_top, new CPopupDlg(fixedRecord(*m_gateway, QStringLiteral("Messages"))));
    if (name == QLatin1String("audit") || name == QLatin1String("audit-stats") ||
        name == QLatin1String("stats-list")) {
        QWidget* window = nullptr;
        if (name == QLatin1String("audit"))
            window = new CAuditDlg(context, fixedRecord(*m_gateway, QStringLiteral("Messages")), nullptr);
        else if (name == QLatin1String("audit-stats"))
            window =
                new CAuditStatsDlg(context, fixedRecord(*m_gateway, QStringLiteral("UserRecv")), nullptr);
        else
            window = new CStatsListDlg(context, fixedRecord(*m_gateway, QStringLiteral("UserRecv")), nullptr);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        shown(m_top, window);
        auto* countButton = window->findChild<QPushButton*>(QStringLiteral("countButton"));
        if (!QTest::qWaitFor(
                [&] { return !m_dialogs.messages.isEmpty() || (countButton && countButton->isEnabled()); },
                10000))
            qWarning("the counting window did not finish: the scene will not match its reference");
        m_dialogs.clear();
        return window;
    }
    if (name == QLatin1String("message-box")) {
        const Dialogs::Message question{Dialogs::kNotice, QStringLiteral("确认是否退出程序"), true,
                                        Dialogs::Icon::Question};
        return shown(m_top, Dialogs::messageBox(question).release());
    }
    qWarning("no scene %s", qPrintable(name));
    return nullptr;
}

QImage LookScenes::render(QWidget* shown)
{
    // Pickers start at today's date; the scenes show a fixed one.
    for (QDateEdit* date : shown->window()->findChildren<QDateEdit*>())
        date->setDate(QDate(2011, 3, 5));
    if (QWidget* focused = QApplication::focusWidget())
        focused->clearFocus();
    QApplication::processEvents();
    return shown->grab().toImage();
}
