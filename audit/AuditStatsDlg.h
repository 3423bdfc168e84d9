#pragma once

#include "audit/StatisticsWindow.h"

// Unique and repeated numbers of one audited batch, their logs, and the record's deletion.
class CAuditStatsDlg : public CStatisticsWindow
{
    Q_OBJECT
public:
    CAuditStatsDlg(const PageContext& context, const SelectedRecord& record, QWidget* parent);
};

// Asks, then deletes the window's audited record.
void deleteAuditedRecord(QWidget* window, const PageContext& context, qint64 recordId);
