#include "records/QueryDlg.h"

#include "audit/AuditStatsDlg.h"
#include "db/RecordStatements.h"
#include "widgets/Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

namespace {

const QString kSaveFailed = QStringLiteral("提示: 无法写入文件 %1");
const QList<int> kWidths = {90, 160, 120, 70, 68, 96};

// Registration, audit and recharge time, in that category's column.
int timeColumn(RecordQueries::Category category)
{
    switch (category) {
    case RecordQueries::Category::Accounts:
        return 5;
    case RecordQueries::Category::Audited:
        return 4;
    case RecordQueries::Category::Recharges:
        break;
    }
    return 2;
}

QList<ReportModel::Column> columnsOf(RecordQueries::Category category)
{
    QList<ReportModel::Column> columns;
    const QStringList headers = RecordQueries::categoryHeaders(category);
    for (int k = 0; k < headers.size(); ++k)
        columns.append({headers.at(k), kWidths.at(k), k == timeColumn(category)});
    return columns;
}

} // namespace

CQueryDlg::CQueryDlg(const PageContext& context, QWidget* parent)
    : CListPage(context, QStringLiteral("queryPage"), columnsOf(RecordQueries::Category::Accounts), true,
                parent)
{
    buildQueryRow();
    buildDateRow();
    QTableView* view = addList(QStringLiteral("queryList"), {2, 38, 415, 217});
    connect(view, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { m_name->setText(model()->cell(index.row(), 0)); });
    connect(view, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { openStatistics(index.row()); });
    setStaffPage();
}

void CQueryDlg::buildQueryRow()
{
    QLabel* categoryLabel =
        Controls::label(this, QStringLiteral("categoryCaption"), QStringLiteral("查询类别:"), {4, 6, 36, 9});
    m_category = Controls::make<QComboBox>(this, QStringLiteral("categoryBox"), {40, 4, 72, 13});
    m_category->addItems(RecordQueries::categoryNames());
    categoryLabel->setBuddy(m_category);
    QLabel* nameLabel =
        Controls::label(this, QStringLiteral("nameCaption"), QStringLiteral("查询条件:"), {116, 6, 36, 9});
    m_name = Controls::edit(this, QStringLiteral("nameEdit"), {152, 4, 70, 13});
    nameLabel->setBuddy(m_name);
    Controls::actions(this,
                      {{"runButton", "执行查询", {228, 3, 45, 15}, [this] { runQuery(); }},
                       {"clearButton", "清空列表", {276, 3, 45, 15}, [this] { clearList(); }},
                       {"deleteButton", "删除信息", {324, 3, 45, 15}, [this] { deleteByName(); }},
                       {"saveButton", "保存文本", {372, 3, 45, 15}, [this] { saveList(kSaveFailed); }}});
}

void CQueryDlg::buildDateRow()
{
    m_byDate =
        Controls::checkBox(this, QStringLiteral("dateBox"), QStringLiteral("日期查询:"), {4, 22, 46, 12});
    m_first = Controls::date(this, QStringLiteral("firstDate"), {52, 21, 66, 13});
    // The box in front of it is its caption.
    m_first->setAccessibleName(m_byDate->text());
    QLabel* lastLabel =
        Controls::label(this, QStringLiteral("lastDateCaption"), QStringLiteral("查询到:"), {122, 23, 30, 9});
    m_last = Controls::date(this, QStringLiteral("lastDate"), {152, 21, 66, 13});
    lastLabel->setBuddy(m_last);
    Controls::actions(
        this,
        {{"tickedDeleteButton", "勾选删除", {276, 20, 45, 15}, [this] { deleteTicked(); }},
         {"tickAllButton", "全选", {324, 20, 45, 15}, [this] { model()->setAllChecked(true); }},
         {"untickAllButton", "全部取消", {372, 20, 45, 15}, [this] { model()->setAllChecked(false); }}});
}

RecordQueries::Category CQueryDlg::shownCategory() const
{
    return static_cast<RecordQueries::Category>(m_category->currentIndex());
}

bool CQueryDlg::listsAudited() const
{
    return shownCategory() == RecordQueries::Category::Audited &&
           m_listed == RecordQueries::Category::Audited;
}

void CQueryDlg::runQuery()
{
    const RecordQueries::Category category = shownCategory();
    model()->setColumns(columnsOf(category));
    m_listed = category;
    std::optional<DayRange> range;
    if (m_byDate->isChecked())
        range = dayRange(m_first->date(), m_last->date());
    startListing(RecordQueries::comprehensive(category, m_name->text(), range));
}

void CQueryDlg::deleteByName()
{
    const QString name = m_name->text();
    const auto ask = [this](const QString& text) {
        return Dialogs::ask(this, text, Dialogs::kNotice, Dialogs::Icon::Question);
    };
    if (ask(QStringLiteral("[是]为全部清空(历史记录)数据库,[否]为清空用户名 %1 下的数据!").arg(name))) {
        if (!ask(QStringLiteral("是否:全部清空(历史记录)数据库!")))
            return;
        const Outcome outcome =
            DbDeleteAllAudited(m_context.gateway, m_context.session, RecordText::deleteAllFailed);
        Dialogs::inform(this, outcome ? QStringLiteral("全部清空(历史记录)数据库完成!") : outcome.text());
        return;
    }
    if (!ask(QStringLiteral("是否:清空用户名 %1 下的数据!").arg(name)))
        return;
    const Outcome outcome = DbDeleteAuditedOf(m_context.gateway, m_context.session, name);
    Dialogs::inform(this, outcome ? QStringLiteral("清空用户名 %1 下的数据完成!").arg(name) : outcome.text());
}

void CQueryDlg::deleteTicked()
{
    if (!listsAudited()) {
        Dialogs::inform(this, QStringLiteral("请选择[查询类别：发送短信查询]"));
        return;
    }
    deleteTickedRecords(QStringLiteral("确认是否删除勾选的数据!"));
}

QWidget* CQueryDlg::openStatistics(int row)
{
    if (!listsAudited() || row < 0 || row >= model()->rowCount())
        return nullptr;
    const SelectedRecord record{model()->row(row).id, model()->cell(row, 0), model()->cell(row, 1),
                                model()->cell(row, 2), model()->cell(row, 4)};
    auto* window = new CAuditStatsDlg(m_context, record, this->window());
    window->show();
    return window;
}
