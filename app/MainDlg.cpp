#include "app/MainDlg.h"

#include "app/FirstAdminDlg.h"
#include "app/LoginDlg.h"
#include "app/MainPages.h"
#include "app/WindowKeys.h"
#include "common/ProcessExit.h"
#include "db/DbGateway.h"
#include "db/LoginStatements.h"
#include "db/Schema.h"
#include "db/SessionUser.h"
#include "sending/ManualEntryDlg.h"
#include "sending/NumberListModel.h"
#include "sending/SendingController.h"
#include "sending/SendingState.h"
#include "skin/DialogUnits.h"
#include "skin/SkinButton.h"
#include "skin/WindowSkin.h"
#include "widgets/Accessible.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/PageContext.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>

namespace {

const QString kQuitQuestion = QStringLiteral("确认是否退出程序");

// The counter labels, in the order of Counter; each shows its caption until the session starts.
struct CounterLabel
{
    const char* name;
    const char* caption;
    Controls::Box box;
    const char* style;
};
// The counters take the room up to the next column, so a nine-digit total shows whole.
constexpr double kCounterWidth = 100;
constexpr const char* kGreyOnWhite = "color:rgb(115,115,115);background:#ffffff;";
const CounterLabel kCounterLabels[kCounterCount] = {
    {"charCountLabel", "当前文字:", {447, 110, 74, 9}, "color:rgb(4,99,147);background:#ffffff;"},
    {"messageCountLabel", "需发短信:", {447, 122, 74, 9}, "color:#000000;background:#ffffff;"},
    {"numberCountLabel", "文本导入:", {225, 191, kCounterWidth, 9}, kGreyOnWhite},
    {"submittedLabel", "提交成功:", {225, 203, kCounterWidth, 9}, kGreyOnWhite},
    {"failedLabel", "提交失败:", {225, 215, kCounterWidth, 9}, kGreyOnWhite},
    {"rechargeLabel", "累计充值:", {333, 191, kCounterWidth, 9}, kGreyOnWhite},
    {"sentLabel", "累计发送:", {333, 203, kCounterWidth, 9}, kGreyOnWhite},
    {"balanceLabel", "剩余条数:", {333, 215, kCounterWidth, 9}, kGreyOnWhite},
    {"successRateLabel", "成功发送率:", {440, 191, 76, 9}, kGreyOnWhite}};

// A painted button of the window; tip is its tooltip, if any.
struct ButtonRow
{
    const char* name;
    const char* art;
    const char* function;
    Controls::Box box;
    const char* tip = nullptr;
};

CSkinButton* paintedButton(QWidget* parent, const ButtonRow& row)
{
    CSkinButton* button = Controls::skinButton(parent, QLatin1String(row.name), QLatin1String(row.art),
                                               QString::fromUtf8(row.function), row.box);
    if (row.tip)
        button->SetTooltipText(QString::fromUtf8(row.tip));
    return button;
}

} // namespace

CMainDlg::CMainDlg(DbGateway& gateway, SessionUser& session, const QString& startFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_gateway(gateway), m_session(session),
      m_startFolder(startFolder),
      m_state(
          new SendingState(gateway, session, QDir(startFolder).filePath(QStringLiteral("XPOP.dat")), this))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Kavrel"));
    // A frame of its own for screen readers, read as the band at its top reads.
    Accessible::setRole(this, QAccessible::Window);
    setAccessibleName(QStringLiteral("Kavrel ") + ArtTexts::kMainSubtitle.string());
    setWindowIcon(WindowSkin::applicationIcon());
    setFixedSize(DialogUnits::toPixels(533), DialogUnits::toPixels(388));
    setAttribute(Qt::WA_TranslucentBackground);
    WindowSkin::shape(this, WindowSkin::mainBitmap());
    buildArtTexts();
    buildComposition();
    buildButtons();
    buildPages();
    buildContextMenu();
    connectSending();
    // Editors take Return and space, and so does every control of a hosted page.
    new WindowKeys(
        this,
        [this](const QWidget* control) {
            return WindowKeys::inTextEditor(control) || m_pages->holds(control);
        },
        [this] {
            if (confirmQuit(QStringLiteral("提示!"), false))
                close();
        });
    qApp->installEventFilter(this);
}

CMainDlg::~CMainDlg()
{
    qApp->removeEventFilter(this);
}

NumberListModel* CMainDlg::numbers() const
{
    return m_state->numbers();
}

void CMainDlg::buildArtTexts()
{
    Accessible::bitmapText(this, ArtTexts::kMainSlogan);
    for (const ArtTexts::Placed& heading :
         {ArtTexts::kNumberList, ArtTexts::kMessage, ArtTexts::kCharacters, ArtTexts::kSending})
        m_headings << Accessible::bitmapText(this, heading);
    m_usage << Accessible::bitmapText(this, ArtTexts::kUsage);
    for (const ArtTexts::Placed& step : ArtTexts::kUsageSteps)
        m_usage << Accessible::bitmapText(this, step);
}

void CMainDlg::buildComposition()
{
    m_numberList =
        Controls::longList(this, QStringLiteral("numberList"), {101, 104, 107, 262}, m_state->numbers());
    // Lists take no name from a label: the list is read by its heading.
    m_numberList->setAccessibleName(ArtTexts::kNumberList.string());
    m_headings[0]->setBuddy(m_numberList);
    m_numberList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_messageEdit = Controls::make<QPlainTextEdit>(this, QStringLiteral("messageEdit"), {218, 105, 220, 63});
    // Tab leaves the editor, so that a keyboard user can reach the buttons.
    m_messageEdit->setTabChangesFocus(true);
    m_headings[1]->setBuddy(m_messageEdit);
    for (int k = 0; k < kCounterCount; ++k) {
        const CounterLabel& row = kCounterLabels[k];
        m_counters[k] =
            Controls::label(this, QLatin1String(row.name), QString::fromUtf8(row.caption), row.box);
        m_counters[k]->setStyleSheet(QLatin1String(row.style));
    }
    m_header = Controls::label(this, QStringLiteral("headerLabel"), QStringLiteral("昵称：测试员"),
                               {36, 72, 382, 9});
    m_header->setStyleSheet(QStringLiteral("color:#ffffff;background:transparent;"));
}

// The one place a counter label is written.
void CMainDlg::showCounter(Counter counter)
{
    m_counters[int(counter)]->setText(m_state->counterText(counter));
}

void CMainDlg::buildButtons()
{
    m_submit = paintedButton(this, {"submitButton", "submit", "提交发送", {445, 67, 76, 17}, "提交发送!"});
    m_pause = paintedButton(this, {"pauseButton", "pause", "暂停发送", {445, 67, 76, 17}, "暂停发送!"});
    m_pause->hide();
    m_clearText = paintedButton(
        this, {"clearTextButton", "clear-text", "清空内容", {444, 144, 73, 21}, "清空短信内容!"});
    auto* close = paintedButton(this, {"closeButton", "close", "关闭", {512, 3, 17, 17}, "关闭退出!"});
    auto* minimise =
        paintedButton(this, {"minimiseButton", "minimise", "最小化", {481, 3, 18, 17}, "最小化窗口!"});
    connect(close, &QPushButton::clicked, this, [this] {
        if (confirmQuit(Dialogs::kNotice, true))
            this->close();
    });
    connect(minimise, &QPushButton::clicked, this, &QWidget::showMinimized);
    buildButtonColumn();
}

void CMainDlg::buildButtonColumn()
{
    const ButtonRow column[] = {{"manualButton", "manual", "手动加入", {}},
                                {"importButton", "import", "导入号码", {}},
                                {"exportButton", "export", "导出号码", {}},
                                {"deleteButton", "delete", "删除号码", {}},
                                {"clearListButton", "clear-list", "清空号码", {}},
                                {"profileButton", "profile", "修改信息", {}},
                                {"adminButton", "admin", "管理工具", {}},
                                {"recordsButton", "records", "发送记录", {}},
                                {"dedupeButton", "dedupe", "过滤重复", {}, "过滤重复号码!"}};
    QList<CSkinButton*> made;
    for (int k = 0; k < std::ssize(column); ++k) {
        ButtonRow row = column[k];
        row.box = {10, 89 + 27.0 * k, 81, 26};
        made << paintedButton(this, row);
    }
    m_adminButton = made[6];
    m_dedupeButton = made[8];
}

void CMainDlg::buildPages()
{
    m_pages = new MainPages(this, PageContext{m_gateway, m_session, m_startFolder},
                            [this](bool visible) { setCompositionVisible(visible); });
    const auto button = [this](const char* name) { return findChild<QAbstractButton*>(QLatin1String(name)); };
    connect(button("manualButton"), &QAbstractButton::clicked, m_pages, &MainPages::toggleManual);
    connect(button("profileButton"), &QAbstractButton::clicked, this,
            [this] { m_pages->toggle(MainPages::Profile); });
    connect(m_adminButton, &QAbstractButton::clicked, this, &CMainDlg::showAdminPanel);
    connect(button("recordsButton"), &QAbstractButton::clicked, this,
            [this] { m_pages->toggle(MainPages::Records); });
    // The sidebar marks the page in view.
    const std::pair<MainPages::Page, const char*> marks[] = {{MainPages::Records, "recordsButton"},
                                                             {MainPages::Admin, "adminButton"},
                                                             {MainPages::Profile, "profileButton"},
                                                             {MainPages::Manual, "manualButton"}};
    for (const auto& [page, name] : marks)
        findChild<CSkinButton*>(QLatin1String(name))->SetCurrentWhileShown(m_pages->holder(page));
}

void CMainDlg::connectSending()
{
    m_sending = new SendingController(*m_state, this, this);
    using Action = void (SendingController::*)();
    const std::pair<const char*, Action> actions[] = {{"submitButton", &SendingController::submit},
                                                      {"pauseButton", &SendingController::pause},
                                                      {"clearTextButton", &SendingController::clearText},
                                                      {"deleteButton", &SendingController::deleteRemembered},
                                                      {"clearListButton", &SendingController::clearList},
                                                      {"importButton", &SendingController::importNumbers},
                                                      {"exportButton", &SendingController::exportNumbers},
                                                      {"dedupeButton", &SendingController::removeDuplicates}};
    for (const auto& [name, action] : actions)
        connect(findChild<QAbstractButton*>(QLatin1String(name)), &QAbstractButton::clicked, m_sending,
                action);
    connect(m_pages->manualEntry(), &CManualEntryDlg::WM_ADD_MANUAL_NUMBERS, m_sending,
            &SendingController::addManualNumbers);
    connect(m_sending, &SendingController::compositionRequested, m_pages, &MainPages::showComposition);
    connect(m_sending, &SendingController::pauseOffered, this, [this](bool offered) {
        // The keyboard's focus moves on to the button that takes the other's place.
        CSkinButton* shown = offered ? m_pause : m_submit;
        CSkinButton* hidden = offered ? m_submit : m_pause;
        shown->setVisible(true);
        if (hidden->hasFocus())
            shown->setFocus(Qt::TabFocusReason);
        hidden->setVisible(false);
    });
    connect(m_state, &SendingState::counterChanged, this, &CMainDlg::showCounter);
    connect(m_state, &SendingState::editorTextReplaced, m_messageEdit, &QPlainTextEdit::setPlainText);
    connect(m_messageEdit, &QPlainTextEdit::textChanged, m_state,
            [this] { m_state->setEditorText(m_messageEdit->toPlainText()); });
    connectNumberList();
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
    m_header->setText(m_session.headerLine());
    m_state->startSession();
    applyRights();
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
    for (QWidget* control : std::initializer_list<QWidget*>{m_messageEdit, m_clearText, m_numberList})
        control->setVisible(visible);
    for (QLabel* counter : m_counters)
        counter->setVisible(visible);
    for (QLabel* heading : m_headings)
        heading->setVisible(visible);
    showUsage(visible && !m_pages->holder(MainPages::Manual)->isVisibleTo(this));
}

void CMainDlg::showUsage(bool shown)
{
    for (QLabel* line : m_usage)
        line->setVisible(shown);
}

void CMainDlg::showAdminPanel()
{
    if (!m_session.canAdminister) {
        Dialogs::inform(this, QStringLiteral("提示:本功能只有管理员可以访问!"));
        return;
    }
    m_pages->toggle(MainPages::Admin);
}

bool CMainDlg::confirmQuit(const QString& caption, bool questionIcon)
{
    m_quitConfirmed = Dialogs::ask(this, kQuitQuestion, caption,
                                   questionIcon ? Dialogs::Icon::Question : Dialogs::Icon::None);
    return m_quitConfirmed;
}

bool CMainDlg::eventFilter(QObject* watched, QEvent* event)
{
    // The manual entry page covers the usage notes.
    if (watched == m_pages->holder(MainPages::Manual) &&
        (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent))
        showUsage(event->type() == QEvent::HideToParent && m_messageEdit->isVisibleTo(this));
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
        return false;
    return filterMouse(watched, static_cast<QMouseEvent*>(event));
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
