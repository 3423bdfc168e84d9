#pragma once

#include "records/RecordQueries.h"
#include "widgets/ListPage.h"

class QDateEdit;

// Records page of the main window: the account's own audited sendings with their send rates,
// by day range or all; deletion of the ticked or all own records; for administrators every
// account's records. A double-click opens the record's statistics window.
class CRecordsDlg : public CListPage
{
    Q_OBJECT
public:
    CRecordsDlg(const PageContext& context, QWidget* parent);

    // Opens the statistics window of a row for the account type, as a double-click does.
    QWidget* openStatistics(int row);

private:
    void buildControls();
    void listRecords(RecordQueries::RecordsScope scope);
    void deleteTicked();
    void deleteOwn();
    void deleteEveryone();

    QDateEdit* m_first = nullptr;
    QDateEdit* m_last = nullptr;
};
