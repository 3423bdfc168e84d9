#include "audit/AuditStatsDlg.h"

#include "db/RecordStatements.h"
#include "db/SessionUser.h"
#include "widgets/Dialogs.h"

#include <QPushButton>

void deleteAuditedRecord(QWidget* window, const PageContext& context, qint64 recordId)
{
    if (!Dialogs::ask(window, QStringLiteral("确认是否清空相关数据库!"), Dialogs::kNotice,
                      Dialogs::Icon::Question))
        return;
    Dialogs::inform(window, DbDeleteAuditedRecord(context.gateway, context.session, recordId).text());
}

CAuditStatsDlg::CAuditStatsDlg(const PageContext& context, const SelectedRecord& record, QWidget* parent)
    : CStatisticsWindow(Variant::AuditStats, context, record, parent)
{
    setObjectName(QStringLiteral("auditStatsWindow"));
    addLogSaveButtons();
    m_delete = Controls::button(this, QStringLiteral("deleteButton"), QStringLiteral("删除相关内容"),
                                {145, 298, 64, 16});
    connect(m_delete, &QPushButton::clicked, this,
            [this] { deleteAuditedRecord(this, m_context, m_record.id); });
    if (context.session.restricted) {
        m_countButton->hide();
        m_saveRepeated->hide();
    }
    startStatistics();
}
