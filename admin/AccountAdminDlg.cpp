#include "admin/AccountAdminDlg.h"

#include "admin/AccountQueries.h"
#include "common/ReportModel.h"
#include "db/ListQuery.h"
#include "db/SessionUser.h"
#include "skin/DialogUnits.h"
#include "skin/WindowSkin.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/ReportView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

using AccountProcedures::BulkAction;

CAccountAdminDlg::CAccountAdminDlg(const PageContext& context, QWidget* parent)
    : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("accountAdminPage"));
    WindowSkin::stylePage(this);
    m_model = new ReportModel({{QStringLiteral("用户名"), 100},
                               {QStringLiteral("密码"), 70},
                               {QStringLiteral("昵称"), 70},
                               {QStringLiteral("公司"), 70},
                               {QStringLiteral("类型"), 68},
                               {QStringLiteral("注册日期"), 76, true},
                               {QStringLiteral("电话"), 80},
                               {QStringLiteral("地址"), 70}},
                              true, this);
    m_query = new ListQuery(context.gateway, this);
    connect(m_query, &ListQuery::rowsReady, m_model, &ReportModel::appendRows);
    connect(m_query, &ListQuery::finished, this, &CAccountAdminDlg::showFinished);
    buildControls();
    applyRights();
}

void CAccountAdminDlg::buildControls()
{
    Controls::label(this, QStringLiteral("adminQueryLabel"), QStringLiteral("查询帐号:"), {4, 6, 44, 9});
    m_queryText = Controls::edit(this, QStringLiteral("adminQueryEdit"), {47, 3, 90, 12});
    const auto add = [this](const char* name, const char* text, double x, double y, double w) {
        return Controls::button(this, QString::fromLatin1(name), QString::fromUtf8(text), {x, y, w, 13});
    };
    connect(add("adminQueryButton", "查询", 144, 2, 41), &QPushButton::clicked, this,
            [this] { startListing(false); });
    connect(add("adminAgentsButton", "查询代理", 197, 2, 47), &QPushButton::clicked, this,
            [this] { startListing(true); });
    connect(add("adminDisableButton", "禁用", 253, 2, 79), &QPushButton::clicked, this,
            [this] { runBulkAction(BulkAction::Disable); });
    connect(add("adminEnableButton", "启用", 338, 2, 79), &QPushButton::clicked, this,
            [this] { runBulkAction(BulkAction::Enable); });
    connect(add("adminTickAllButton", "全选", 47, 20, 41), &QPushButton::clicked, this,
            [this] { m_model->setAllChecked(true); });
    connect(add("adminUntickAllButton", "取消", 96, 20, 41), &QPushButton::clicked, this,
            [this] { m_model->setAllChecked(false); });
    connect(add("adminClearButton", "清空列表", 144, 20, 41), &QPushButton::clicked, this, [this] {
        m_query->cancel();
        m_model->clear();
    });
    connect(add("adminDeleteButton", "删除数据", 197, 20, 47), &QPushButton::clicked, this,
            [this] { runBulkAction(BulkAction::Delete); });
    connect(add("adminMakeAgentButton", "设置为[代理用户]", 253, 20, 79), &QPushButton::clicked, this,
            [this] { runBulkAction(BulkAction::MakeAgent); });
    connect(add("adminMakeRegisteredButton", "取消为[注册用户]", 338, 20, 79), &QPushButton::clicked, this,
            [this] { runBulkAction(BulkAction::MakeRegistered); });
    m_list = ReportView::create(m_model, QStringLiteral("adminList"), this);
    DialogUnits::place(m_list, 0, 38, 419, 219);
}

void CAccountAdminDlg::applyRights()
{
    // Only administrators see anything of this page.
    const bool administrator = !m_context.session.restricted;
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        child->setVisible(administrator);
}

void CAccountAdminDlg::showEvent(QShowEvent* event)
{
    applyRights();
    QWidget::showEvent(event);
}

void CAccountAdminDlg::startListing(bool agents)
{
    m_model->clear();
    m_query->start(agents ? AccountQueries::adminAgents()
                          : AccountQueries::adminAccounts(m_queryText->text()));
}

void CAccountAdminDlg::showFinished(const Outcome& outcome)
{
    if (!outcome.text().isEmpty())
        Dialogs::showNotice(this, {outcome.text()});
}

void CAccountAdminDlg::runBulkAction(BulkAction action)
{
    QList<AccountProcedures::TickedAccount> ticked;
    // The stored name and password, not the shown texts, which have lost their blanks.
    for (int row : m_model->checkedRows())
        ticked.append({m_model->row(row).account, m_model->row(row).hidden.toString()});
    AccountProcedures::applyBulkAction(m_context.gateway, m_context.session, action, ticked,
                                       Dialogs::tellOver(this));
    // The list no longer shows the accounts as they are; the operator queries again. Deleted
    // rows stay in view until then.
    if (action != BulkAction::Delete) {
        m_query->cancel();
        m_model->clear();
    }
}
