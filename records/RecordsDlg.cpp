#include "records/RecordsDlg.h"

#include "audit/AuditStatsDlg.h"
#include "audit/StatsListDlg.h"
#include "common/ReportModel.h"
#include "db/SessionUser.h"
#include "records/RecordQueries.h"
#include "skin/DialogUnits.h"
#include "skin/WindowSkin.h"
#include "widgets/Dialogs.h"
#include "widgets/ReportView.h"

#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

CRecordsDlg::CRecordsDlg(const PageContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("recordsPage"));
    WindowSkin::stylePage(this);
    m_model = new ReportModel({{QStringLiteral("发送帐号"), 70},
                               {QStringLiteral("条"), 60},
                               {QStringLiteral("短信内容"), 190},
                               {QStringLiteral("成功率"), 56},
                               {QStringLiteral("发送时间"), 90, true},
                               {QStringLiteral("序列"), 60}},
                              true, this);
    m_query = new ListQuery(context.gateway, this);
    connect(m_query, &ListQuery::rowsReady, m_model, &ReportModel::appendRows);
    connect(m_query, &ListQuery::finished, this, [this](const Outcome& outcome) {
        if (!outcome)
            Dialogs::inform(this, outcome.text());
    });
    buildControls();
}

void CRecordsDlg::buildControls()
{
    const auto label = [this](const QString& text, double x, double w) {
        auto* caption = new QLabel(text, this);
        DialogUnits::place(caption, x, 6, w, 9);
    };
    const auto picker = [this](const QString& name, double x) {
        auto* date = new QDateEdit(QDate::currentDate(), this);
        date->setObjectName(name);
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        DialogUnits::place(date, x, 4, 66, 13);
        return date;
    };
    const auto button = [this](const QString& name, const QString& text, double x, double y, auto slot) {
        auto* push = new QPushButton(text, this);
        push->setObjectName(name);
        DialogUnits::place(push, x, y, 44, 15);
        connect(push, &QPushButton::clicked, this, slot);
        return push;
    };
    const auto start = [this](RecordQueries::RecordsScope scope) {
        m_model->clear();
        m_query->start(RecordQueries::records(scope, m_context.session.loginName,
                                              dayRange(m_first->date(), m_last->date())));
    };
    label(QStringLiteral("日期查询:"), 4, 36);
    m_first = picker(QStringLiteral("firstDate"), 40);
    label(QStringLiteral("到:"), 109, 12);
    m_last = picker(QStringLiteral("lastDate"), 122);
    button(QStringLiteral("rangeButton"), QStringLiteral("时间查询"), 192, 3,
           [start] { start(RecordQueries::RecordsScope::OwnInRange); });
    button(QStringLiteral("ownButton"), QStringLiteral("全部查询"), 238, 3,
           [start] { start(RecordQueries::RecordsScope::Own); });
    button(QStringLiteral("tickedDeleteButton"), QStringLiteral("勾选删除"), 284, 3,
           &CRecordsDlg::deleteTicked);
    button(QStringLiteral("deleteOwnButton"), QStringLiteral("删除记录"), 330, 3, &CRecordsDlg::deleteOwn);
    QPushButton* everyone = button(QStringLiteral("everyoneButton"), QStringLiteral("查询全部"), 284, 20,
                                   [start] { start(RecordQueries::RecordsScope::Everyone); });
    QPushButton* deleteEveryone = button(QStringLiteral("deleteEveryoneButton"), QStringLiteral("全部删除"),
                                         330, 20, &CRecordsDlg::deleteEveryone);
    m_list = ReportView::create(m_model, QStringLiteral("recordsList"), this);
    DialogUnits::place(m_list, 2, 38, 418, 236);
    connect(m_list, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { openStatistics(index.row()); });
    m_adminControls = {everyone, deleteEveryone};
}

void CRecordsDlg::showEvent(QShowEvent* event)
{
    if (m_context.session.restricted) {
        for (QWidget* control : std::as_const(m_adminControls))
            control->hide();
    }
    QWidget::showEvent(event);
}

void CRecordsDlg::deleteTicked()
{
    const QString question = QStringLiteral("确认是否删除 %1 勾选的数据!").arg(m_context.session.loginName);
    if (!Dialogs::ask(this, question, Dialogs::kNotice, Dialogs::Icon::Question))
        return;
    const Outcome outcome =
        DbDeleteAuditedRecords(m_context.gateway, m_context.session, m_model->checkedIds());
    if (outcome) {
        m_query->cancel();
        m_model->clear();
    }
    Dialogs::inform(this, outcome.text());
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
    if (row < 0 || row >= m_model->rowCount())
        return nullptr;
    const SelectedRecord record{m_model->row(row).id, m_model->cell(row, 0), m_model->cell(row, 1),
                                m_model->cell(row, 2), m_model->cell(row, 4)};
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
