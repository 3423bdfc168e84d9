#include "app/MainDlg.h"

#include "admin/AdminPanelDlg.h"
#include "app/FirstAdminDlg.h"
#include "app/LoginDlg.h"
#include "app/PopupDlg.h"
#include "app/ProfileDlg.h"
#include "common/ProcessExit.h"
#include "db/DbGateway.h"
#include "db/LoginStatements.h"
#include "db/Schema.h"
#include "db/SessionUser.h"
#include "records/ReceiveDlg.h"
#include "records/RecordsDlg.h"
#include "sending/ManualEntryDlg.h"
#include "sending/NumberListModel.h"
#include "sending/SendingController.h"
#include "skin/DialogUnits.h"
#include "skin/SkinButton.h"
#include "skin/WindowSkin.h"
#include "widgets/Dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

const QString kGreyOnWhite = QStringLiteral("color:rgb(115,115,115);background:#ffffff;");
const QString kQuitQuestion = QStringLiteral("确认是否退出程序");
// The counters take the room up to the next column, so a nine-digit total shows whole.
constexpr double kCounterWidth = 100;

} // namespace

CMainDlg::CMainDlg(DbGateway& gateway, SessionUser& session, const QString& startFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_gateway(gateway), m_session(session),
      m_startFolder(startFolder), m_keywordFile(QDir(startFolder).filePath(QStringLiteral("XPOP.dat")))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Kavrel"));
    setWindowIcon(WindowSkin::applicationIcon());
    setFixedSize(DialogUnits::toPixels(533), DialogUnits::toPixels(388));
    setAttribute(Qt::WA_TranslucentBackground);
    WindowSkin::shape(this, WindowSkin::mainBitmap());
    buildComposition();
    buildButtons();
    buildPages();
    buildContextMenu();
    connectSending();
    qApp->installEventFilter(this);
}

CMainDlg::~CMainDlg()
{
    qApp->removeEventFilter(this);
}

QLabel* CMainDlg::addLabel(const QString& name, const QString& text, double x, double y, double w, double h,
                           const QString& style)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setStyleSheet(style);
    DialogUnits::place(label, x, y, w, h);
    return label;
}

void CMainDlg::buildComposition()
{
    m_numbers = new NumberListModel(this);
    m_numberList = new QListView(this);
    m_numberList->setObjectName(QStringLiteral("numberList"));
    m_numberList->setModel(m_numbers);
    m_numberList->setUniformItemSizes(true);
    m_numberList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_numberList->setSelectionMode(QAbstractItemView::SingleSelection);
    DialogUnits::place(m_numberList, 101, 104, 107, 262);

    m_messageEdit = new QPlainTextEdit(this);
    m_messageEdit->setObjectName(QStringLiteral("messageEdit"));
    // Tab leaves the editor, so that a keyboard user can reach the buttons.
    m_messageEdit->setTabChangesFocus(true);
    DialogUnits::place(m_messageEdit, 218, 105, 220, 63);

    m_charCount = addLabel(QStringLiteral("charCountLabel"), QStringLiteral("当前文字:"), 447, 110, 74, 9,
                           QStringLiteral("color:rgb(4,99,147);background:#ffffff;"));
    m_messageCount = addLabel(QStringLiteral("messageCountLabel"), QStringLiteral("需发短信:"), 447, 122, 74,
                              9, QStringLiteral("color:#000000;background:#ffffff;"));
    m_numberCount = addLabel(QStringLiteral("numberCountLabel"), QStringLiteral("文本导入:"), 225, 191,
                             kCounterWidth, 9, kGreyOnWhite);
    m_submitted = addLabel(QStringLiteral("submittedLabel"), QStringLiteral("提交成功:"), 225, 203,
                           kCounterWidth, 9, kGreyOnWhite);
    m_failed = addLabel(QStringLiteral("failedLabel"), QStringLiteral("提交失败:"), 225, 215, kCounterWidth,
                        9, kGreyOnWhite);
    m_recharged = addLabel(QStringLiteral("rechargeLabel"), QStringLiteral("累计充值:"), 333, 191,
                           kCounterWidth, 9, kGreyOnWhite);
    m_sent = addLabel(QStringLiteral("sentLabel"), QStringLiteral("累计发送:"), 333, 203, kCounterWidth, 9,
                      kGreyOnWhite);
    m_balance = addLabel(QStringLiteral("balanceLabel"), QStringLiteral("剩余条数:"), 333, 215, kCounterWidth,
                         9, kGreyOnWhite);
    m_successRate = addLabel(QStringLiteral("successRateLabel"), QStringLiteral("成功发送率:"), 440, 191, 76,
                             9, kGreyOnWhite);
    m_header = addLabel(QStringLiteral("headerLabel"), QStringLiteral("昵称：测试员"), 36, 72, 382, 9,
                        QStringLiteral("color:#ffffff;background:transparent;"));
}

CSkinButton* CMainDlg::addButton(const QString& name, const QString& art, const QString& function, double x,
                                 double y, double w, double h)
{
    auto* button = new CSkinButton(name, function, this);
    button->SetIcons(QStringLiteral("buttons/%1-hot").arg(art), QStringLiteral("buttons/%1").arg(art));
    DialogUnits::place(button, x, y, w, h);
    return button;
}

void CMainDlg::buildButtons()
{
    m_submit = addButton(QStringLiteral("submitButton"), QStringLiteral("submit"), QStringLiteral("提交发送"),
                         445, 67, 76, 17);
    m_submit->SetTooltipText(QStringLiteral("提交发送!"));
    m_pause = addButton(QStringLiteral("pauseButton"), QStringLiteral("pause"), QStringLiteral("暂停发送"),
                        445, 67, 76, 17);
    m_pause->SetTooltipText(QStringLiteral("暂停发送!"));
    m_pause->hide();
    m_clearText = addButton(QStringLiteral("clearTextButton"), QStringLiteral("clear-text"),
                            QStringLiteral("清空内容"), 444, 144, 73, 21);
    m_clearText->SetTooltipText(QStringLiteral("清空短信内容!"));
    auto* close = addButton(QStringLiteral("closeButton"), QStringLiteral("close"), QStringLiteral("关闭"),
                            512, 3, 17, 17);
    close->SetTooltipText(QStringLiteral("关闭退出!"));
    auto* minimise = addButton(QStringLiteral("minimiseButton"), QStringLiteral("minimise"),
                               QStringLiteral("最小化"), 481, 3, 18, 17);
    minimise->SetTooltipText(QStringLiteral("最小化窗口!"));
    connect(close, &QPushButton::clicked, this, [this] {
        if (confirmQuit(Dialogs::kNotice, true))
            this->close();
    });
    connect(minimise, &QPushButton::clicked, this, &QWidget::showMinimized);

    struct Column
    {
        const char* name;
        const char* art;
        const char* function;
    };
    const Column column[] = {
        {"manualButton", "manual", "手动加入"},        {"importButton", "import", "导入号码"},
        {"exportButton", "export", "导出号码"},        {"deleteButton", "delete", "删除号码"},
        {"clearListButton", "clear-list", "清空号码"}, {"profileButton", "profile", "修改信息"},
        {"adminButton", "admin", "管理工具"}};
    for (int k = 0; k < std::ssize(column); ++k)
        addButton(QLatin1String(column[k].name), QLatin1String(column[k].art),
                  QString::fromUtf8(column[k].function), 10, 89 + 27 * k, 81, 26);
    m_adminButton = findChild<CSkinButton*>(QStringLiteral("adminButton"));
    addButton(QStringLiteral("recordsButton"), QStringLiteral("records"), QStringLiteral("发送记录"), 10, 278,
              81, 26);
    m_dedupeButton = addButton(QStringLiteral("dedupeButton"), QStringLiteral("dedupe"),
                               QStringLiteral("过滤重复"), 10, 305, 81, 26);
    m_dedupeButton->SetTooltipText(QStringLiteral("过滤重复号码!"));

    connect(findChild<QPushButton*>(QStringLiteral("manualButton")), &QPushButton::clicked, this,
            &CMainDlg::toggleManualPage);
    connect(findChild<QPushButton*>(QStringLiteral("profileButton")), &QPushButton::clicked, this,
            [this] { showPage(ProfilePage); });
    connect(m_adminButton, &QPushButton::clicked, this, &CMainDlg::showAdminPanel);
    connect(findChild<QPushButton*>(QStringLiteral("recordsButton")), &QPushButton::clicked, this,
            [this] { showPage(RecordsPage); });
}

void CMainDlg::buildPages()
{
    const std::array<const char*, PageCount> holders = {"recordsHolder", "adminHolder", "profileHolder",
                                                        "manualHolder"};
    for (int k = 0; k < PageCount; ++k) {
        auto* holder = new QFrame(this);
        holder->setObjectName(QString::fromLatin1(holders[k]));
        if (k == ManualPage)
            DialogUnits::place(holder, 215, 234, 306, 133);
        else
            DialogUnits::place(holder, 99, 92, 422, 276);
        holder->hide();
        m_pages[k].holder = holder;
    }
    const PageContext context{m_gateway, m_session, m_startFolder};
    m_pages[RecordsPage].page = new CRecordsDlg(context, m_pages[RecordsPage].holder);
    m_adminPanel = new CAdminPanelDlg(context, m_pages[AdminPage].holder);
    m_pages[AdminPage].page = m_adminPanel;
    // Each notice is a window of its own that frees itself after its 5 seconds.
    connect(m_adminPanel->receivePage(), &CReceiveDlg::WM_SHOW_POPUP, this,
            [](const SelectedRecord& record) { (new CPopupDlg(record))->show(); });
    m_pages[ProfilePage].page = new CProfileDlg(context, m_pages[ProfilePage].holder);
    m_manualEntry = new CManualEntryDlg(m_pages[ManualPage].holder);
    m_pages[ManualPage].page = m_manualEntry;
    for (HostedPage& hosted : m_pages) {
        hosted.page->setGeometry(hosted.holder->rect());
        hosted.page->hide();
    }
    // The sidebar marks the page in view.
    const std::pair<Page, const char*> marks[] = {{RecordsPage, "recordsButton"},
                                                  {AdminPage, "adminButton"},
                                                  {ProfilePage, "profileButton"},
                                                  {ManualPage, "manualButton"}};
    for (const auto& [page, button] : marks)
        findChild<CSkinButton*>(QLatin1String(button))->SetCurrentWhileShown(m_pages[page].holder);
}

void CMainDlg::connectSending()
{
    SendingControls controls;
    controls.window = this;
    controls.messageEdit = m_messageEdit;
    controls.numberList = m_numberList;
    controls.numbers = m_numbers;
    controls.manualEntry = m_manualEntry;
    controls.charCount = m_charCount;
    controls.messageCount = m_messageCount;
    controls.numberCount = m_numberCount;
    controls.submitted = m_submitted;
    controls.failed = m_failed;
    controls.sent = m_sent;
    controls.balance = m_balance;
    controls.successRate = m_successRate;
    controls.submit = m_submit;
    controls.pause = m_pause;
    controls.clearText = m_clearText;
    controls.deleteNumber = findChild<QAbstractButton*>(QStringLiteral("deleteButton"));
    controls.clearList = findChild<QAbstractButton*>(QStringLiteral("clearListButton"));
    controls.importNumbers = findChild<QAbstractButton*>(QStringLiteral("importButton"));
    controls.exportNumbers = findChild<QAbstractButton*>(QStringLiteral("exportButton"));
    controls.dedupe = m_dedupeButton;
    controls.keywordFile = m_keywordFile;
    m_sending = std::make_unique<SendingController>(controls, m_gateway, m_session);
    connect(m_sending.get(), &SendingController::compositionRequested, this, &CMainDlg::showComposition);
}

void CMainDlg::buildContextMenu()
{
    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("numberMenu"));
    const auto addEntry = [this](const QString& text, const QString& button) {
        QAction* action = m_contextMenu->addAction(text);
        connect(action, &QAction::triggered, this,
                [this, button] { findChild<QPushButton*>(button)->click(); });
    };
    addEntry(QStringLiteral("删除号码"), QStringLiteral("deleteButton"));
    m_contextMenu->addSeparator();
    addEntry(QStringLiteral("手动加入"), QStringLiteral("manualButton"));
    addEntry(QStringLiteral("导入号码"), QStringLiteral("importButton"));
    addEntry(QStringLiteral("导出号码"), QStringLiteral("exportButton"));
    m_contextMenu->addSeparator();
    addEntry(QStringLiteral("清空号码"), QStringLiteral("clearListButton"));
    m_contextMenu->addSeparator();
    addEntry(QStringLiteral("修改信息"), QStringLiteral("profileButton"));
    // The admin entry must reach the refusal even when its button is hidden.
    QAction* admin = m_contextMenu->addAction(QStringLiteral("管理工具"));
    connect(admin, &QAction::triggered, this, &CMainDlg::showAdminPanel);
}

bool CMainDlg::startUp()
{
    if (!m_gateway.DbOpen() || (m_gateway.config().isEmbedded() && !Schema::create(m_gateway))) {
        Dialogs::inform(nullptr, Outcome::withReason(QStringLiteral("启动错误!"), DbGateway::lastError()));
        ProcessExit::endProcess(1);
        return false;
    }
    if (m_gateway.config().isEmbedded() && Schema::needsFirstAdministrator(m_gateway)) {
        CFirstAdminDlg first(m_gateway);
        if (first.exec() != QDialog::Accepted) {
            ProcessExit::endProcess(1);
            return false;
        }
    }
    CLoginDlg login(m_gateway, m_session, QDir(m_startFolder).filePath(QStringLiteral("KVR.ini")));
    if (login.exec() != QDialog::Accepted) {
        // Whatever closed the dialog, the window is never used without a login.
        ProcessExit::endProcess(1);
        return false;
    }
    enterSession();
    return true;
}

void CMainDlg::enterSession()
{
    const Outcome recharges = DbSumRecharges(m_gateway, m_session, m_session.loginName);
    if (!recharges)
        Dialogs::inform(this, recharges.text());
    fillHeaderAndCounters();
    applyRights();
}

void CMainDlg::fillHeaderAndCounters()
{
    m_header->setText(m_session.headerLine());
    m_session.remainingBalance = leadingNumber(m_session.balanceText);
    m_charCount->setText(QStringLiteral("当前文字:%1 字").arg(0));
    m_messageCount->setText(QStringLiteral("需发短信:%1 条").arg(0));
    m_numberCount->setText(QStringLiteral("文本导入:%1 条").arg(m_numbers->count()));
    m_submitted->setText(QStringLiteral("提交成功:%1 条").arg(0));
    m_failed->setText(QStringLiteral("提交失败:%1 条").arg(0));
    m_recharged->setText(QStringLiteral("累计充值:%1 条").arg(m_session.rechargeTotal));
    m_sent->setText(QStringLiteral("累计发送:%1 条").arg(m_session.sentText));
    m_balance->setText(QStringLiteral("剩余条数:%1 条").arg(std::max<qint64>(0, m_session.remainingBalance)));
}

void CMainDlg::applyRights()
{
    if (m_session.canAdminister)
        return;
    m_adminButton->hide();
    m_dedupeButton->setGeometry(15, 377, 123, 39);
}

void CMainDlg::setCompositionVisible(bool visible)
{
    const QList<QWidget*> controls = {m_messageEdit, m_clearText, m_charCount,   m_messageCount,
                                      m_numberCount, m_submitted, m_failed,      m_recharged,
                                      m_sent,        m_balance,   m_successRate, m_numberList};
    for (QWidget* control : controls)
        control->setVisible(visible);
}

void CMainDlg::hideHolders(Page except)
{
    for (int k = 0; k < PageCount; ++k) {
        if (k != except)
            m_pages[k].holder->hide();
    }
}

bool CMainDlg::isShown(Page page) const
{
    return m_pages[page].holder->isVisibleTo(this);
}

void CMainDlg::setPageVisible(Page page, bool visible)
{
    m_pages[page].holder->setVisible(visible);
    m_pages[page].page->setVisible(visible);
}

// What the window shows follows from what is in view, never from a remembered toggle: a
// remembered toggle goes stale when another button or submit puts the page away, and the
// window is then left with neither a page nor the composition.
void CMainDlg::showPage(Page page)
{
    if (isShown(page)) {
        showComposition();
        return;
    }
    hideHolders(page);
    setCompositionVisible(false);
    setPageVisible(page, true);
}

void CMainDlg::toggleManualPage()
{
    const bool show = !isShown(ManualPage);
    hideHolders(ManualPage);
    setCompositionVisible(true);
    setPageVisible(ManualPage, show);
}

void CMainDlg::showAdminPanel()
{
    if (!m_session.canAdminister) {
        Dialogs::inform(this, QStringLiteral("提示:本功能只有管理员可以访问!"));
        return;
    }
    showPage(AdminPage);
}

void CMainDlg::showComposition()
{
    hideHolders(PageCount);
    setCompositionVisible(true);
}

bool CMainDlg::confirmQuit(const QString& caption, bool questionIcon)
{
    m_quitConfirmed = Dialogs::ask(this, kQuitQuestion, caption,
                                   questionIcon ? Dialogs::Icon::Question : Dialogs::Icon::None);
    return m_quitConfirmed;
}

bool CMainDlg::isOwnControl(QObject* watched) const
{
    // Keys typed inside a hosted page belong to that page (its editors take Return and space).
    for (auto* widget = qobject_cast<QWidget*>(watched); widget; widget = widget->parentWidget()) {
        if (widget == this)
            return true;
        for (const HostedPage& hosted : m_pages) {
            if (widget == hosted.page)
                return false;
        }
    }
    return false;
}

bool CMainDlg::isTextEditor(QObject* watched)
{
    for (auto* widget = qobject_cast<QWidget*>(watched); widget; widget = widget->parentWidget()) {
        if (qobject_cast<QPlainTextEdit*>(widget) || qobject_cast<QTextEdit*>(widget) ||
            qobject_cast<QLineEdit*>(widget))
            return true;
    }
    return false;
}

bool CMainDlg::filterKey(QObject* watched, QKeyEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    if (event->type() == QEvent::KeyPress && event->key() == Qt::Key_Escape) {
        if (confirmQuit(QStringLiteral("提示!"), false))
            close();
        return true;
    }
    const bool returnOrSpace =
        event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space;
    // Neither key may trigger a button or act on the list, but a message needs its blanks and
    // line breaks.
    return returnOrSpace && isOwnControl(watched) && !isTextEditor(watched);
}

bool CMainDlg::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return filterKey(watched, static_cast<QKeyEvent*>(event));
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton &&
            (watched == m_numberList || watched == m_numberList->viewport())) {
            m_contextMenu->popup(mouse->globalPosition().toPoint());
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

void CMainDlg::paintEvent(QPaintEvent*)
{
    WindowSkin::paintBackground(this, WindowSkin::mainBackground(devicePixelRatioF()));
}

void CMainDlg::mousePressEvent(QMouseEvent* event)
{
    if (!WindowSkin::dragOnPress(this, event))
        QWidget::mousePressEvent(event);
}

void CMainDlg::closeEvent(QCloseEvent* event)
{
    if (!m_quitConfirmed && !confirmQuit(Dialogs::kNotice, true)) {
        event->ignore();
        return;
    }
    if (!m_sending->canClose()) {
        m_quitConfirmed = false;
        event->ignore();
        return;
    }
    event->accept();
}
