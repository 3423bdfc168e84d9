#pragma once

#include "audit/StatisticsWindow.h"

// The numbers of one audited batch as they were sent, their log, and the record's deletion.
class CStatsListDlg : public CStatisticsWindow
{
    Q_OBJECT
public:
    CStatsListDlg(const PageContext& context, const SelectedRecord& record, QWidget* parent);
};
