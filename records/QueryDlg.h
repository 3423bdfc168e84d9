#pragma once

#include "records/RecordQueries.h"
#include "widgets/ListPage.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;

// Page "综合查询" of the admin panel: accounts, audited sendings and recharges of every
// account, by name and day range; deletion of audited sendings; the list saved as text.
// Blank for every account type but the administrator.
class CQueryDlg : public CListPage
{
    Q_OBJECT
public:
    CQueryDlg(const PageContext& context, QWidget* parent);

    // Opens the statistics window of a listed audited record, as a double-click does.
    QWidget* openStatistics(int row);

private:
    void buildQueryRow();
    void buildDateRow();
    void runQuery();
    void deleteByName();
    void deleteTicked();
    RecordQueries::Category shownCategory() const;
    bool listsAudited() const;

    QComboBox* m_category = nullptr;
    QLineEdit* m_name = nullptr;
    QCheckBox* m_byDate = nullptr;
    QDateEdit* m_first = nullptr;
    QDateEdit* m_last = nullptr;
    // The category of the rows in the list, which may differ from the box once changed.
    std::optional<RecordQueries::Category> m_listed;
};
