#include "admin/RechargeDlg.h"

#include "admin/AccountQueries.h"
#include "audit/LogFiles.h"
#include "common/ReportModel.h"
#include "db/BalanceStatements.h"
#include "db/SessionUser.h"
#include "skin/DialogUnits.h"
#include "skin/WindowSkin.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/ReportView.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QUrl>

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

const QString kNotAccounts =
    QStringLiteral("提示: 列表中不是帐号,不能充值或减少条数!请先点击[查询],勾选帐号后再试。");

} // namespace

CRechargeDlg::CRechargeDlg(const PageContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("rechargePage"));
    WindowSkin::stylePage(this);
    m_model = new ReportModel(columnsOf(View::Accounts), true, this);
    m_query = new ListQuery(context.gateway, this);
    connect(m_query, &ListQuery::rowsReady, m_model, &ReportModel::appendRows);
    connect(m_query, &ListQuery::finished, this, &CRechargeDlg::queryFinished);
    buildQueryRow();
    m_list = ReportView::create(m_model, QStringLiteral("rechargeList"), this);
    DialogUnits::place(m_list, 0, 20, 419, 140);
    connect(m_list, &QTableView::clicked, this, &CRechargeDlg::showClickedRow);
    m_rowText = Controls::edit(this, QStringLiteral("rechargeRowEdit"), {0, 162, 419, 12});
    m_rowText->setReadOnly(true);
    m_staffOnly << m_rowText;
    buildAdminGroup();
    buildAgentGroup();
    applyRights();
}

QPushButton* CRechargeDlg::addButton(const char* name, const char* text, double x, double y, double w,
                                     bool staffOnly)
{
    QPushButton* button =
        Controls::button(this, QString::fromLatin1(name), QString::fromUtf8(text), {x, y, w, 14});
    if (staffOnly)
        m_staffOnly << button;
    return button;
}

void CRechargeDlg::buildQueryRow()
{
    m_staffOnly << Controls::label(this, QStringLiteral("rechargeQueryLabel"), QStringLiteral("用户查询:"),
                                   {2, 5, 38, 9});
    m_queryText = Controls::edit(this, QStringLiteral("rechargeQueryEdit"), {40, 3, 78, 12});
    m_staffOnly << m_queryText;
    connect(addButton("rechargeQueryButton", "查询", 121, 2, 30, true), &QPushButton::clicked, this,
            [this] { startQuery(View::Accounts, AccountQueries::rechargeAccounts(m_queryText->text())); });
    connect(addButton("rechargeRecordsButton", "查看充值过的帐号", 154, 2, 74, true), &QPushButton::clicked,
            this, [this] {
                const QString text = m_queryText->text();
                startQuery(View::Records, AccountQueries::balanceRecords(
                                              text.isEmpty() ? AccountQueries::RecordFilter::All
                                                             : AccountQueries::RecordFilter::ByOperator,
                                              text));
            });
    connect(addButton("rechargeTotalButton", "查询充值累计", 231, 2, 58, true), &QPushButton::clicked, this,
            &CRechargeDlg::showRecordTotal);
    connect(addButton("rechargeSaveButton", "保存打开列表", 292, 2, 58, true), &QPushButton::clicked, this,
            &CRechargeDlg::save);
    connect(addButton("rechargeClearButton", "清空", 353, 2, 30, true), &QPushButton::clicked, this,
            &CRechargeDlg::clearList);
}

void CRechargeDlg::buildAdminGroup()
{
    auto* box = new QGroupBox(QStringLiteral("超级管理员"), this);
    box->setObjectName(QStringLiteral("rechargeAdminGroup"));
    DialogUnits::place(box, 0, 177, 205, 80);
    m_staffOnly << Controls::label(this, QStringLiteral("rechargeCountLabel"),
                                   QStringLiteral("勾选充值条数:"), {6, 191, 56, 9});
    m_rechargeCount = Controls::edit(this, QStringLiteral("rechargeCountEdit"), {64, 189, 70, 12});
    m_staffOnly << Controls::label(this, QStringLiteral("reduceCountLabel"), QStringLiteral("勾选减少条数:"),
                                   {6, 207, 56, 9});
    m_reduceCount = Controls::edit(this, QStringLiteral("reduceCountEdit"), {64, 205, 70, 12});
    m_staffOnly << m_rechargeCount << m_reduceCount;
    m_rechargeCount->setText(QStringLiteral("0"));
    m_reduceCount->setText(QStringLiteral("0"));
    connect(addButton("rechargeButton", "充值", 140, 188, 58, true), &QPushButton::clicked, this,
            &CRechargeDlg::recharge);
    connect(addButton("reduceButton", "减少条数", 140, 204, 58, true), &QPushButton::clicked, this,
            &CRechargeDlg::reduce);
    connect(addButton("agentSubAccountsButton", "勾选代理用户查看下家帐号剩余", 6, 225, 192, true),
            &QPushButton::clicked, this, &CRechargeDlg::showTickedAgentSubAccounts);
}

void CRechargeDlg::buildAgentGroup()
{
    auto* box = new QGroupBox(QStringLiteral("代理用户分配条数管理"), this);
    box->setObjectName(QStringLiteral("rechargeAgentGroup"));
    DialogUnits::place(box, 210, 177, 209, 80);
    Controls::label(this, QStringLiteral("allocateTargetLabel"), QStringLiteral("需要划分的用户名:"),
                    {216, 191, 72, 9});
    m_allocateTarget = Controls::edit(this, QStringLiteral("allocateTargetEdit"), {290, 189, 120, 12});
    Controls::label(this, QStringLiteral("allocateCountLabel"), QStringLiteral("划分条数:"),
                    {216, 207, 72, 9});
    m_allocateCount = Controls::edit(this, QStringLiteral("allocateCountEdit"), {290, 205, 120, 12});
    m_allocateCount->setText(QStringLiteral("0"));
    connect(addButton("allocateButton", "点击划分条数到其他用户", 216, 221, 194, false),
            &QPushButton::clicked, this, &CRechargeDlg::allocate);
    connect(addButton("ownRecordsButton", "代理查看充值过的帐号", 216, 238, 95, false), &QPushButton::clicked,
            this, [this] {
                startQuery(View::Records,
                           AccountQueries::balanceRecords(AccountQueries::RecordFilter::OwnChanges,
                                                          m_context.session.loginName));
            });
    connect(addButton("ownSubAccountsButton", "代理查看下家帐号剩余", 315, 238, 95, false),
            &QPushButton::clicked, this, [this] {
                startQuery(View::SubAccounts, AccountQueries::subAccounts(m_context.session.loginName));
            });
}

void CRechargeDlg::applyRights()
{
    for (QWidget* control : std::as_const(m_staffOnly))
        control->setVisible(!m_context.session.restricted);
}

void CRechargeDlg::showEvent(QShowEvent* event)
{
    applyRights();
    QWidget::showEvent(event);
}

void CRechargeDlg::startQuery(View view, ListQuery::Walk walk)
{
    m_totalFor.clear();
    m_view = view;
    m_model->setColumns(columnsOf(view));
    m_query->start(std::move(walk));
}

void CRechargeDlg::queryFinished(const Outcome& outcome)
{
    if (outcome && !m_totalFor.isEmpty()) {
        QList<ReportRow> rows = m_model->rows();
        rows.prepend(AccountQueries::totalRow(m_totalFor, m_model->rows()));
        m_model->clear();
        m_model->appendRows(rows);
    }
    m_totalFor.clear();
    if (!outcome.text().isEmpty())
        Dialogs::showNotice(this, {outcome.text()});
}

void CRechargeDlg::clearList()
{
    m_query->cancel();
    m_totalFor.clear();
    m_model->clear();
}

QList<AccountProcedures::TickedAccount> CRechargeDlg::tickedAccounts() const
{
    QList<AccountProcedures::TickedAccount> ticked;
    for (int row : m_model->checkedRows())
        ticked.append({m_model->row(row).account, m_model->row(row).hidden.toString()});
    return ticked;
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
    if (AccountProcedures::rechargeTicked(m_context.gateway, m_context.session, tickedAccounts(),
                                          m_rechargeCount->text(), Dialogs::tellOver(this)))
        clearList();
}

void CRechargeDlg::reduce()
{
    if (!balancesMayChange())
        return;
    if (AccountProcedures::reduceTicked(m_context.gateway, m_context.session, tickedAccounts(),
                                        m_reduceCount->text(), Dialogs::tellOver(this)))
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
    const QList<int> ticked = m_model->checkedRows();
    if (ticked.isEmpty()) {
        clearList();
        return;
    }
    // A record row names its operator in column 0 and carries no account.
    const ReportRow& row = m_model->row(ticked.constFirst());
    m_subAccountsOf = row.account.isEmpty() ? row.cells.value(0) : row.account;
    startQuery(View::SubAccounts, AccountQueries::subAccounts(m_subAccountsOf));
}

void CRechargeDlg::save()
{
    const QString path = Dialogs::saveTextFile(this, QStringLiteral("[保存]"));
    if (path.isEmpty())
        return;
    // The cells only: the password a row carries never reaches a file.
    QStringList lines;
    for (const ReportRow& row : m_model->rows())
        lines << row.cells.join(QStringLiteral("   "));
    if (!appendLogLines(path, lines)) {
        Dialogs::showNotice(this, {QStringLiteral("提示: 文件保存失败!\n%1").arg(path)});
        return;
    }
    // Over the window: the page's label style would grey the box's text.
    Dialogs::openUrlOrTell(window(), QUrl::fromLocalFile(path));
}

void CRechargeDlg::showClickedRow()
{
    for (const QLineEdit* count : {m_rechargeCount, m_reduceCount, m_allocateCount}) {
        if (!parseAmount(count->text())) {
            Dialogs::showNotice(this, {BalanceText::badAmount});
            break;
        }
    }
    const QModelIndex current = m_list->currentIndex();
    if (current.isValid())
        m_rowText->setText(m_model->row(current.row()).cells.join(QStringLiteral("  ")));
}
