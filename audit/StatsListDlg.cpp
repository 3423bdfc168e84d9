#include "audit/StatsListDlg.h"

#include "audit/AuditStatsDlg.h"

#include <QPushButton>

CStatsListDlg::CStatsListDlg(const PageContext& context, const SelectedRecord& record, QWidget* parent)
    : CStatisticsWindow(Variant::StatsList, context, record, parent)
{
    setObjectName(QStringLiteral("statsListWindow"));
    m_saveUnique = Controls::button(this, QStringLiteral("saveUniqueButton"), QStringLiteral("保存相关内容"),
                                    {7, 298, 68, 16});
    connect(m_saveUnique, &QPushButton::clicked, this,
            [this] { saveList(LogKind::Listed, m_saveUnique, m_unique); });
    m_delete = Controls::button(this, QStringLiteral("deleteButton"), QStringLiteral("删除相关内容"),
                                {145, 298, 64, 16});
    connect(m_delete, &QPushButton::clicked, this,
            [this] { deleteAuditedRecord(this, m_context, m_record.id); });
    startStatistics();
}
