#include "admin/RechargeDlg.h"

#include "admin/AccountQueries.h"
#include "db/BalanceStatements.h"
#include "db/SessionUser.h"
#include "widgets/Dialogs.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace {

QList<ReportModel::Column> columnsOf(CRechargeDlg::View view)
{
    static const int widths[] = {130, 76, 86, 106, 76, 130};
    QStringList headers;
    switch (view) {
    case CRechargeDlg::View::Accounts:
        headers = {QStringLiteral("用户名"), QStringLiteral("类型"), QStringLiteral("剩余条数"),
                   QStringLiteral("公司"),   QStringLiteral("昵称"), QStringLiteral("注册时间")};
        break;
    case CRechargeDlg::View::SubAccounts:
        headers = {QStringLiteral("用户名"), QStringLiteral("代理"), QStringLiteral("剩余条数"),
                   QStringLiteral("公司"),   QStringLiteral("昵称"), QStringLiteral("注册时间")};
        break;
    case CRechargeDlg::View::Records:
        headers = {QStringLiteral("管理帐号"), QStringLiteral("充值到帐号"), QStringLiteral("充值数量"),
                   QStringLiteral("充值日期"), QStringLiteral("序列"),       QStringLiteral("    ")};
        break;
    }
    // Registration time, or the date of a balance change.
    const int time = view == CRechargeDlg::View::Records ? 3 : 5;
    QList<ReportModel::Column> columns;
    for (int k = 0; k < headers.size(); ++k)
        columns.append({headers.at(k), widths[k], k == time});
    return columns;
}

const QString kSaveFailed = QStringLiteral("提示: 文件保存失败!\n%1");
const QString kNotAccounts =
    QStringLiteral("提示: 列表中不是帐号,不能充值或减少条数!请先点击[查询],勾选帐号后再试。");

} // namespace

CRechargeDlg::CRechargeDlg(const PageContext& context, QWidget* parent)
    : CListPage(context, QStringLiteral("rechargePage"), columnsOf(View::Accounts), true, parent)
{
    buildQueryRow();
    connect(addList(QStringLiteral("rechargeList"), {0, 20, 419, 140}), &QTableView::clicked, this,
            &CRechargeDlg::showClickedRow);
    m_rowText = Controls::edit(this, QStringLiteral("rechargeRowEdit"), {0, 162, 419, 12});
    m_rowText->setReadOnly(true);
    // It has no caption on screen: it shows the row last clicked.
    m_rowText->setAccessibleName(QStringLiteral("选中的行"));
    addStaffOnly({m_rowText});
    buildAdminGroup();
    buildAgentGroup();
    applyRights();
}

void CRechargeDlg::buildQueryRow()
{
    QLabel* label = Controls::label(this, QStringLiteral("rechargeQueryLabel"), QStringLiteral("用户查询:"),
                                    {2, 5, 38, 9});
    m_queryText = Controls::edit(this, QStringLiteral("rechargeQueryEdit"), {40, 3, 78, 12});
    label->setBuddy(m_queryText);
    addStaffOnly({label, m_queryText});
    addStaffOnly(Controls::actions(
        this, {{"rechargeQueryButton", "查询", {121, 2, 30, 14}, [this] { showAccounts(); }},
               {"rechargeRecordsButton", "查看充值过的帐号", {154, 2, 74, 14}, [this] { showRecords(); }},
               {"rechargeTotalButton", "查询充值累计", {231, 2, 58, 14}, [this] { showRecordTotal(); }},
               {"rechargeSaveButton", "保存打开列表", {292, 2, 58, 14}, [this] { saveList(kSaveFailed); }},
               {"rechargeClearButton", "清空", {353, 2, 30, 14}, [this] { clearList(); }}}));
}

void CRechargeDlg::buildAdminGroup()
{
    Controls::make<QGroupBox>(this, QStringLiteral("rechargeAdminGroup"), {0, 177, 205, 80},
                              QStringLiteral("超级管理员"));
    QLabel* rechargeLabel = Controls::label(this, QStringLiteral("rechargeCountLabel"),
                                            QStringLiteral("勾选充值条数:"), {6, 191, 56, 9});
    m_rechargeCount = Controls::edit(this, QStringLiteral("rechargeCountEdit"), {64, 189, 70, 12});
    rechargeLabel->setBuddy(m_rechargeCount);
    QLabel* reduceLabel = Controls::label(this, QStringLiteral("reduceCountLabel"),
                                          QStringLiteral("勾选减少条数:"), {6, 207, 56, 9});
    m_reduceCount = Controls::edit(this, QStringLiteral("reduceCountEdit"), {64, 205, 70, 12});
    reduceLabel->setBuddy(m_reduceCount);
    addStaffOnly({rechargeLabel, m_rechargeCount, reduceLabel, m_reduceCount});
    m_rechargeCount->setText(QStringLiteral("0"));
    m_reduceCount->setText(QStringLiteral("0"));
    addStaffOnly(Controls::actions(
        this, {{"rechargeButton", "充值", {140, 188, 58, 14}, [this] { recharge(); }},
               {"reduceButton", "减少条数", {140, 204, 58, 14}, [this] { reduce(); }},
               {"agentSubAccountsButton", "勾选代理用户查看下家帐号剩余", {6, 225, 192, 14}, [this] {
                    showTickedAgentSubAccounts();
                }}}));
}

void CRechargeDlg::buildAgentGroup()
{
    Controls::make<QGroupBox>(this, QStringLiteral("rechargeAgentGroup"), {210, 177, 209, 80},
                              QStringLiteral("代理用户分配条数管理"));
    QLabel* targetLabel = Controls::label(this, QStringLiteral("allocateTargetLabel"),
                                          QStringLiteral("需要划分的用户名:"), {216, 191, 72, 9});
    m_allocateTarget = Controls::edit(this, QStringLiteral("allocateTargetEdit"), {290, 189, 120, 12});
    targetLabel->setBuddy(m_allocateTarget);
    QLabel* countLabel = Controls::label(this, QStringLiteral("allocateCountLabel"),
                                         QStringLiteral("划分条数:"), {216, 207, 72, 9});
    m_allocateCount = Controls::edit(this, QStringLiteral("allocateCountEdit"), {290, 205, 120, 12});
    countLabel->setBuddy(m_allocateCount);
    m_allocateCount->setText(QStringLiteral("0"));
    Controls::actions(
        this, {{"allocateButton", "点击划分条数到其他用户", {216, 221, 194, 14}, [this] { allocate(); }},
               {"ownRecordsButton", "代理查看充值过的帐号", {216, 238, 95, 14}, [this] { showOwnRecords(); }},
               {"ownSubAccountsButton", "代理查看下家帐号剩余", {315, 238, 95, 14}, [this] {
                    showOwnSubAccounts();
                }}});
}

void CRechargeDlg::showAccounts()
{
    startQuery(View::Accounts, AccountQueries::rechargeAccounts(m_queryText->text()));
}

void CRechargeDlg::showOwnSubAccounts()
{
    startQuery(View::SubAccounts, AccountQueries::subAccounts(m_context.session.loginName));
}

void CRechargeDlg::showRecords()
{
    const QString text = m_queryText->text();
    startQuery(View::Records,
               AccountQueries::balanceRecords(text.isEmpty() ? AccountQueries::RecordFilter::All
                                                             : AccountQueries::RecordFilter::ByOperator,
                                              text));
}

void CRechargeDlg::showOwnRecords()
{
    startQuery(View::Records, AccountQueries::balanceRecords(AccountQueries::RecordFilter::OwnChanges,
                                                             m_context.session.loginName));
}

void CRechargeDlg::startQuery(View view, ListQuery::Walk walk)
{
    m_totalFor.clear();
    m_view = view;
    model()->setColumns(columnsOf(view));
    startListing(std::move(walk));
}

void CRechargeDlg::listingFinished(const Outcome& outcome)
{
    if (outcome && !m_totalFor.isEmpty()) {
        QList<ReportRow> rows = model()->rows();
        rows.prepend(AccountQueries::totalRow(m_totalFor, model()->rows()));
        model()->clear();
        model()->appendRows(rows);
    }
    m_totalFor.clear();
    CListPage::listingFinished(outcome);
}

bool CRechargeDlg::balancesMayChange()
{
    // Column 0 of the records names the operator, not the account: acting on it would change
    // the wrong balance.
    if (m_view == View::Records) {
        Dialogs::showNotice(this, {kNotAccounts});
        return false;
    }
    return true;
}

void CRechargeDlg::recharge()
{
    if (!balancesMayChange())
        return;
    if (AccountProcedures::rechargeTicked(m_context.gateway, m_context.session,
                                          AccountProcedures::tickedAccounts(*model()),
                                          m_rechargeCount->text(), Dialogs::tellOver(this)))
        clearList();
}

void CRechargeDlg::reduce()
{
    if (!balancesMayChange())
        return;
    if (AccountProcedures::reduceTicked(m_context.gateway, m_context.session,
                                        AccountProcedures::tickedAccounts(*model()), m_reduceCount->text(),
                                        Dialogs::tellOver(this)))
        clearList();
}

void CRechargeDlg::allocate()
{
    AccountProcedures::allocate(m_context.gateway, m_context.session, m_allocateTarget->text(),
                                m_allocateCount->text(), Dialogs::tellOver(this));
}

void CRechargeDlg::showRecordTotal()
{
    const QString account = m_queryText->text();
    if (account.isEmpty()) {
        Dialogs::showNotice(this, {QStringLiteral("请填写查询的用户名!")});
        return;
    }
    startQuery(View::Records,
               AccountQueries::balanceRecords(AccountQueries::RecordFilter::OfAccount, account));
    m_totalFor = account;
}

void CRechargeDlg::showTickedAgentSubAccounts()
{
    const QList<int> ticked = model()->checkedRows();
    if (ticked.isEmpty()) {
        clearList();
        return;
    }
    // A record row names its operator in column 0 and carries no account.
    const ReportRow& row = model()->row(ticked.constFirst());
    m_subAccountsOf = row.account.isEmpty() ? row.cells.value(0) : row.account;
    startQuery(View::SubAccounts, AccountQueries::subAccounts(m_subAccountsOf));
}

void CRechargeDlg::showClickedRow()
{
    for (const QLineEdit* count : {m_rechargeCount, m_reduceCount, m_allocateCount}) {
        if (!parseAmount(count->text())) {
            Dialogs::showNotice(this, {BalanceText::badAmount});
            break;
        }
    }
    const QModelIndex current = list()->currentIndex();
    if (current.isValid())
        m_rowText->setText(model()->row(current.row()).cells.join(QStringLiteral("  ")));
}
