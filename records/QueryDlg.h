#pragma once

#include "records/RecordQueries.h"
#include "widgets/PageContext.h"

#include <QWidget>

class ListQuery;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QTableView;
class ReportModel;

// Page "综合查询" of the admin panel: accounts, audited sendings and recharges of every
// account, by name and day range; deletion of audited sendings; the list saved as text.
// Blank for every account type but the administrator.
class CQueryDlg : public QWidget
{
    Q_OBJECT
public:
    CQueryDlg(const PageContext& context, QWidget* parent);

    ReportModel* model() const { return m_model; }
    ListQuery* query() const { return m_query; }
    // Opens the statistics window of a listed audited record, as a double-click does.
    QWidget* openStatistics(int row);

protected:
    // The page is made before the login; the account's rights are known when it is first shown.
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void runQuery();
    void queryFinished(const Outcome& outcome);
    void deleteByName();
    void deleteTicked();
    void saveList();
    RecordQueries::Category shownCategory() const;
    bool listsAudited() const;

    PageContext m_context;
    QList<QWidget*> m_controls;
    ReportModel* m_model = nullptr;
    QTableView* m_list = nullptr;
    ListQuery* m_query = nullptr;
    QComboBox* m_category = nullptr;
    QLineEdit* m_name = nullptr;
    QCheckBox* m_byDate = nullptr;
    QDateEdit* m_first = nullptr;
    QDateEdit* m_last = nullptr;
    // The category of the rows in the list, which may differ from the box once changed.
    std::optional<RecordQueries::Category> m_listed;
};
