#include "records/QueryDlg.h"

#include "audit/AuditStatsDlg.h"
#include "audit/LogFiles.h"
#include "common/ReportModel.h"
#include "db/SessionUser.h"
#include "skin/DialogUnits.h"
#include "skin/WindowSkin.h"
#include "widgets/Dialogs.h"
#include "widgets/ReportView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QUrl>

namespace {

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

CQueryDlg::CQueryDlg(const PageContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("queryPage"));
    WindowSkin::stylePage(this);
    m_model = new ReportModel(columnsOf(RecordQueries::Category::Accounts), true, this);
    m_query = new ListQuery(context.gateway, this);
    connect(m_query, &ListQuery::rowsReady, m_model, &ReportModel::appendRows);
    connect(m_query, &ListQuery::finished, this, &CQueryDlg::queryFinished);
    buildControls();
}

void CQueryDlg::buildControls()
{
    QList<QWidget*> controls;
    const auto label = [&](const QString& name, const QString& text, double x, double y, double w) {
        auto* caption = new QLabel(text, this);
        caption->setObjectName(name);
        DialogUnits::place(caption, x, y, w, 9);
        controls << caption;
    };
    const auto button = [&](const QString& name, const QString& text, double x, double y, auto slot) {
        auto* push = new QPushButton(text, this);
        push->setObjectName(name);
        DialogUnits::place(push, x, y, 45, 15);
        connect(push, &QPushButton::clicked, this, slot);
        controls << push;
    };
    const auto picker = [&](const QString& name, double x) {
        auto* date = new QDateEdit(QDate::currentDate(), this);
        date->setObjectName(name);
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        DialogUnits::place(date, x, 21, 66, 13);
        controls << date;
        return date;
    };
    label(QStringLiteral("categoryCaption"), QStringLiteral("查询类别:"), 4, 6, 36);
    m_category = new QComboBox(this);
    m_category->setObjectName(QStringLiteral("categoryBox"));
    m_category->addItems(RecordQueries::categoryNames());
    DialogUnits::place(m_category, 40, 4, 72, 13);
    label(QStringLiteral("nameCaption"), QStringLiteral("查询条件:"), 116, 6, 36);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("nameEdit"));
    DialogUnits::place(m_name, 152, 4, 70, 13);
    controls << m_category << m_name;
    button(QStringLiteral("runButton"), QStringLiteral("执行查询"), 228, 3, &CQueryDlg::runQuery);
    button(QStringLiteral("clearButton"), QStringLiteral("清空列表"), 276, 3, [this] {
        m_query->cancel();
        m_model->clear();
    });
    button(QStringLiteral("deleteButton"), QStringLiteral("删除信息"), 324, 3, &CQueryDlg::deleteByName);
    button(QStringLiteral("saveButton"), QStringLiteral("保存文本"), 372, 3, &CQueryDlg::saveList);
    m_byDate = new QCheckBox(QStringLiteral("日期查询:"), this);
    m_byDate->setObjectName(QStringLiteral("dateBox"));
    DialogUnits::place(m_byDate, 4, 22, 46, 12);
    controls << m_byDate;
    m_first = picker(QStringLiteral("firstDate"), 52);
    label(QStringLiteral("lastDateCaption"), QStringLiteral("查询到:"), 122, 23, 30);
    m_last = picker(QStringLiteral("lastDate"), 152);
    button(QStringLiteral("tickedDeleteButton"), QStringLiteral("勾选删除"), 276, 20,
           &CQueryDlg::deleteTicked);
    button(QStringLiteral("tickAllButton"), QStringLiteral("全选"), 324, 20,
           [this] { m_model->setAllChecked(true); });
    button(QStringLiteral("untickAllButton"), QStringLiteral("全部取消"), 372, 20,
           [this] { m_model->setAllChecked(false); });
    m_list = ReportView::create(m_model, QStringLiteral("queryList"), this);
    DialogUnits::place(m_list, 2, 38, 415, 217);
    controls << m_list;
    connect(m_list, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { m_name->setText(m_model->cell(index.row(), 0)); });
    connect(m_list, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { openStatistics(index.row()); });
    m_controls = controls;
}

void CQueryDlg::showEvent(QShowEvent* event)
{
    // Blank for every account type but the administrator.
    if (m_context.session.restricted) {
        for (QWidget* control : std::as_const(m_controls))
            control->hide();
    }
    QWidget::showEvent(event);
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
    m_model->setColumns(columnsOf(category));
    m_listed = category;
    std::optional<DayRange> range;
    if (m_byDate->isChecked())
        range = dayRange(m_first->date(), m_last->date());
    m_query->start(RecordQueries::comprehensive(category, m_name->text(), range));
}

void CQueryDlg::queryFinished(const Outcome& outcome)
{
    if (!outcome.text().isEmpty())
        Dialogs::inform(this, outcome.text());
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
    if (!Dialogs::ask(this, QStringLiteral("确认是否删除勾选的数据!"), Dialogs::kNotice,
                      Dialogs::Icon::Question))
        return;
    const Outcome outcome =
        DbDeleteAuditedRecords(m_context.gateway, m_context.session, m_model->checkedIds());
    if (outcome) {
        m_query->cancel();
        m_model->clear();
    }
    Dialogs::inform(this, outcome.text());
}

void CQueryDlg::saveList()
{
    const QString path = Dialogs::saveTextFile(this, QStringLiteral("[保存]"));
    if (path.isEmpty())
        return;
    QStringList lines;
    for (const ReportRow& row : m_model->rows())
        lines.append(row.cells.join(QStringLiteral("   ")));
    if (!appendLogLines(path, lines)) {
        Dialogs::inform(this, QStringLiteral("提示: 无法写入文件 %1").arg(path));
        return;
    }
    Dialogs::openUrlOrTell(this, QUrl::fromLocalFile(path));
}

QWidget* CQueryDlg::openStatistics(int row)
{
    if (!listsAudited() || row < 0 || row >= m_model->rowCount())
        return nullptr;
    const SelectedRecord record{m_model->row(row).id, m_model->cell(row, 0), m_model->cell(row, 1),
                                m_model->cell(row, 2), m_model->cell(row, 4)};
    auto* window = new CAuditStatsDlg(m_context, record, this->window());
    window->show();
    return window;
}
