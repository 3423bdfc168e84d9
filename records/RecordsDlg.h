#pragma once

#include "widgets/PageContext.h"

#include <QWidget>

class ListQuery;
class QDateEdit;
class QTableView;
class ReportModel;

// Records page of the main window: the account's own audited sendings with their send rates,
// by day range or all; deletion of the ticked or all own records; for administrators every
// account's records. A double-click opens the record's statistics window.
class CRecordsDlg : public QWidget
{
    Q_OBJECT
public:
    CRecordsDlg(const PageContext& context, QWidget* parent);

    ReportModel* model() const { return m_model; }
    ListQuery* query() const { return m_query; }
    // Opens the statistics window of a row for the account type, as a double-click does.
    QWidget* openStatistics(int row);

protected:
    // The page is made before the login; the account's rights are known when it is first shown.
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void deleteTicked();
    void deleteOwn();
    void deleteEveryone();

    PageContext m_context;
    ReportModel* m_model = nullptr;
    QTableView* m_list = nullptr;
    ListQuery* m_query = nullptr;
    QDateEdit* m_first = nullptr;
    QDateEdit* m_last = nullptr;
    QList<QWidget*> m_adminControls;
};
