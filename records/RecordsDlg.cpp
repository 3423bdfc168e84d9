#include "records/RecordsDlg.h"

#include "audit/AuditStatsDlg.h"
#include "audit/StatsListDlg.h"
#include "db/RecordStatements.h"
#include "db/SessionUser.h"
#include "widgets/Dialogs.h"

#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace {

const QList<ReportModel::Column> kColumns = {
    {QStringLiteral("发送帐号"), 70},       {QStringLiteral("条"), 60},
    {QStringLiteral("短信内容"), 190},      {QStringLiteral("成功率"), 56},
    {QStringLiteral("发送时间"), 90, true}, {QStringLiteral("序列"), 60}};

} // namespace

CRecordsDlg::CRecordsDlg(const PageContext& context, QWidget* parent)
    : CListPage(context, QStringLiteral("recordsPage"), kColumns, true, parent)
{
    buildControls();
    QTableView* view = addList(QStringLiteral("recordsList"), {2, 38, 418, 236});
    // Read by the sidebar button that shows the page.
    view->setAccessibleName(QStringLiteral("发送记录"));
    connect(view, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { openStatistics(index.row()); });
}

void CRecordsDlg::buildControls()
{
    using Scope = RecordQueries::RecordsScope;
    QLabel* firstLabel =
        Controls::label(this, QStringLiteral("firstDateCaption"), QStringLiteral("日期查询:"), {4, 6, 36, 9});
    m_first = Controls::date(this, QStringLiteral("firstDate"), {40, 4, 66, 13});
    firstLabel->setBuddy(m_first);
    QLabel* lastLabel =
        Controls::label(this, QStringLiteral("lastDateCaption"), QStringLiteral("到:"), {109, 6, 12, 9});
    m_last = Controls::date(this, QStringLiteral("lastDate"), {122, 4, 66, 13});
    lastLabel->setBuddy(m_last);
    const QList<QPushButton*> made = Controls::actions(
        this, {{"rangeButton", "时间查询", {192, 3, 44, 15}, [this] { listRecords(Scope::OwnInRange); }},
               {"ownButton", "全部查询", {238, 3, 44, 15}, [this] { listRecords(Scope::Own); }},
               {"tickedDeleteButton", "勾选删除", {284, 3, 44, 15}, [this] { deleteTicked(); }},
               {"deleteOwnButton", "删除记录", {330, 3, 44, 15}, [this] { deleteOwn(); }},
               {"everyoneButton", "查询全部", {284, 20, 44, 15}, [this] { listRecords(Scope::Everyone); }},
               {"deleteEveryoneButton", "全部删除", {330, 20, 44, 15}, [this] { deleteEveryone(); }}});
    addStaffOnly({made.at(4), made.at(5)});
}

void CRecordsDlg::listRecords(RecordQueries::RecordsScope scope)
{
    startListing(RecordQueries::records(scope, m_context.session.loginName,
                                        dayRange(m_first->date(), m_last->date())));
}

void CRecordsDlg::deleteTicked()
{
    deleteTickedRecords(QStringLiteral("确认是否删除 %1 勾选的数据!").arg(m_context.session.loginName));
}

void CRecordsDlg::deleteOwn()
{
    const QString question = QStringLiteral("确认是否清空 %1 相关数据库!").arg(m_context.session.loginName);
    if (!Dialogs::ask(this, question, Dialogs::kNotice, Dialogs::Icon::Question))
        return;
    Dialogs::inform(
        this, DbDeleteAuditedOf(m_context.gateway, m_context.session, m_context.session.loginName).text());
}

void CRecordsDlg::deleteEveryone()
{
    if (!Dialogs::ask(this, QStringLiteral("确认是否清空相关数据库!"), Dialogs::kNotice,
                      Dialogs::Icon::Question))
        return;
    Dialogs::inform(this, DbDeleteAllAudited(m_context.gateway, m_context.session).text());
}

QWidget* CRecordsDlg::openStatistics(int row)
{
    if (row < 0 || row >= model()->rowCount())
        return nullptr;
    const SelectedRecord record{model()->row(row).id, model()->cell(row, 0), model()->cell(row, 1),
                                model()->cell(row, 2), model()->cell(row, 4)};
    QWidget* window = nullptr;
    switch (m_context.session.typeCode) {
    case SessionUser::Administrator:
        window = new CAuditStatsDlg(m_context, record, this->window());
        break;
    case SessionUser::Registered:
    case SessionUser::Agent:
    case SessionUser::Vip:
        window = new CStatsListDlg(m_context, record, this->window());
        break;
    default:
        return nullptr;
    }
    window->show();
    return window;
}
