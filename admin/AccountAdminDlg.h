#pragma once

#include "admin/AccountProcedures.h"
#include "db/Outcome.h"
#include "widgets/PageContext.h"

#include <QWidget>

class ListQuery;
class QLineEdit;
class QTableView;
class ReportModel;

// Tab "帐号管理": administrators list accounts or agents, tick rows and disable, enable,
// delete, promote or demote them. Blank for every other account type.
class CAccountAdminDlg : public QWidget
{
    Q_OBJECT
public:
    CAccountAdminDlg(const PageContext& context, QWidget* parent);

    ReportModel* model() const { return m_model; }
    ListQuery* query() const { return m_query; }
    // The controls follow the logged-in account, which is known only after the login.
    void applyRights();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void startListing(bool agents);
    void runBulkAction(AccountProcedures::BulkAction action);
    void showFinished(const Outcome& outcome);

    PageContext m_context;
    ReportModel* m_model = nullptr;
    ListQuery* m_query = nullptr;
    QTableView* m_list = nullptr;
    QLineEdit* m_queryText = nullptr;
};
