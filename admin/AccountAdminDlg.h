#pragma once

#include "admin/AccountProcedures.h"
#include "widgets/ListPage.h"

class QLineEdit;

// Tab "帐号管理": administrators list accounts or agents, tick rows and disable, enable,
// delete, promote or demote them. Blank for every other account type.
class CAccountAdminDlg : public CListPage
{
    Q_OBJECT
public:
    CAccountAdminDlg(const PageContext& context, QWidget* parent);

private:
    void buildControls();
    void listAccounts(bool agents);
    void runBulkAction(AccountProcedures::BulkAction action);

    QLineEdit* m_queryText = nullptr;
};
