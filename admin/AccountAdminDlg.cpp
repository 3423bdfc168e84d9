#include "admin/AccountAdminDlg.h"

#include "admin/AccountQueries.h"
#include "widgets/Dialogs.h"

#include <QLabel>
#include <QLineEdit>

using AccountProcedures::BulkAction;

namespace {

const QList<ReportModel::Column> kColumns = {
    {QStringLiteral("用户名"), 100}, {QStringLiteral("密码"), 70}, {QStringLiteral("昵称"), 70},
    {QStringLiteral("公司"), 70},    {QStringLiteral("类型"), 68}, {QStringLiteral("注册日期"), 76, true},
    {QStringLiteral("电话"), 80},    {QStringLiteral("地址"), 70}};

} // namespace

CAccountAdminDlg::CAccountAdminDlg(const PageContext& context, QWidget* parent)
    : CListPage(context, QStringLiteral("accountAdminPage"), kColumns, true, parent)
{
    buildControls();
    addList(QStringLiteral("adminList"), {0, 38, 419, 219});
    setStaffPage();
    applyRights();
}

void CAccountAdminDlg::buildControls()
{
    QLabel* label =
        Controls::label(this, QStringLiteral("adminQueryLabel"), QStringLiteral("查询帐号:"), {4, 6, 44, 9});
    m_queryText = Controls::edit(this, QStringLiteral("adminQueryEdit"), {47, 3, 90, 12});
    label->setBuddy(m_queryText);
    using enum BulkAction;
    const auto bulk = [this](BulkAction action) { return [this, action] { runBulkAction(action); }; };
    const auto tickAll = [this](bool ticked) { return [this, ticked] { model()->setAllChecked(ticked); }; };
    Controls::actions(
        this, {{"adminQueryButton", "查询", {144, 2, 41, 13}, [this] { listAccounts(false); }},
               {"adminAgentsButton", "查询代理", {197, 2, 47, 13}, [this] { listAccounts(true); }},
               {"adminDisableButton", "禁用", {253, 2, 79, 13}, bulk(Disable)},
               {"adminEnableButton", "启用", {338, 2, 79, 13}, bulk(Enable)},
               {"adminTickAllButton", "全选", {47, 20, 41, 13}, tickAll(true)},
               {"adminUntickAllButton", "取消", {96, 20, 41, 13}, tickAll(false)},
               {"adminClearButton", "清空列表", {144, 20, 41, 13}, [this] { clearList(); }},
               {"adminDeleteButton", "删除数据", {197, 20, 47, 13}, bulk(Delete)},
               {"adminMakeAgentButton", "设置为[代理用户]", {253, 20, 79, 13}, bulk(MakeAgent)},
               {"adminMakeRegisteredButton", "取消为[注册用户]", {338, 20, 79, 13}, bulk(MakeRegistered)}});
}

void CAccountAdminDlg::listAccounts(bool agents)
{
    startListing(agents ? AccountQueries::adminAgents() : AccountQueries::adminAccounts(m_queryText->text()));
}

void CAccountAdminDlg::runBulkAction(BulkAction action)
{
    AccountProcedures::applyBulkAction(m_context.gateway, m_context.session, action,
                                       AccountProcedures::tickedAccounts(*model()), Dialogs::tellOver(this));
    // The list no longer shows the accounts as they are; the operator queries again. Deleted
    // rows stay in view until then.
    if (action != BulkAction::Delete)
        clearList();
}
