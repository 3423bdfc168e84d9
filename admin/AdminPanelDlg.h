#pragma once

#include "widgets/PageContext.h"

#include <QWidget>

class CAccountAdminDlg;
class COptOutDlg;
class CQueryDlg;
class CRechargeDlg;
class CReceiveDlg;
class CUserEditDlg;
class QTabWidget;

// The administration pages in one tab control, one page visible at a time. Created once,
// hidden, inside the main window; the selected tab and the pages' contents survive hiding.
class CAdminPanelDlg : public QWidget
{
    Q_OBJECT
public:
    enum Tab
    {
        RechargeTab,
        UserEditTab,
        QueryTab,
        AccountAdminTab,
        ReceiveTab,
        OptOutTab,
        TabCount
    };

    CAdminPanelDlg(const PageContext& context, QWidget* parent);

    QTabWidget* tabs() const { return m_tabs; }
    CRechargeDlg* rechargePage() const { return m_recharge; }
    CUserEditDlg* userEditPage() const { return m_userEdit; }
    CQueryDlg* queryPage() const { return m_query; }
    CAccountAdminDlg* accountAdminPage() const { return m_accountAdmin; }
    CReceiveDlg* receivePage() const { return m_receive; }
    COptOutDlg* optOutPage() const { return m_optOut; }

private:
    QTabWidget* m_tabs = nullptr;
    CRechargeDlg* m_recharge = nullptr;
    CUserEditDlg* m_userEdit = nullptr;
    CQueryDlg* m_query = nullptr;
    CAccountAdminDlg* m_accountAdmin = nullptr;
    CReceiveDlg* m_receive = nullptr;
    COptOutDlg* m_optOut = nullptr;
};
