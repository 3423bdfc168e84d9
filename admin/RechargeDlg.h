#pragma once

#include "admin/AccountProcedures.h"
#include "db/ListQuery.h"
#include "widgets/PageContext.h"

#include <QWidget>

class QLineEdit;
class QPushButton;
class QTableView;

// Tab "帐号充值": administrators list accounts and raise or lower the balances of the ticked
// ones, list and total the balance changes and save the list; agents hand part of their own
// balance to other accounts and list their sub-accounts and the changes they made.
class CRechargeDlg : public QWidget
{
    Q_OBJECT
public:
    // What the list shows; only accounts may have their balances changed from it.
    enum class View
    {
        Accounts,
        SubAccounts,
        Records
    };

    CRechargeDlg(const PageContext& context, QWidget* parent);

    ReportModel* model() const { return m_model; }
    ListQuery* query() const { return m_query; }
    View view() const { return m_view; }
    // Staff-only controls follow the logged-in account, which is known only after the login.
    void applyRights();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildQueryRow();
    void buildAdminGroup();
    void buildAgentGroup();
    QPushButton* addButton(const char* name, const char* text, double x, double y, double w, bool staffOnly);
    void startQuery(View view, ListQuery::Walk walk);
    void queryFinished(const Outcome& outcome);
    void clearList();
    QList<AccountProcedures::TickedAccount> tickedAccounts() const;
    bool balancesMayChange();
    void recharge();
    void reduce();
    void allocate();
    void showRecordTotal();
    void showTickedAgentSubAccounts();
    void save();
    void showClickedRow();

    PageContext m_context;
    ReportModel* m_model = nullptr;
    ListQuery* m_query = nullptr;
    QTableView* m_list = nullptr;
    View m_view = View::Accounts;
    QString m_totalFor; // account whose total goes above its records when they are in
    QString m_subAccountsOf;
    QLineEdit* m_queryText = nullptr;
    QLineEdit* m_rechargeCount = nullptr;
    QLineEdit* m_reduceCount = nullptr;
    QLineEdit* m_allocateCount = nullptr;
    QLineEdit* m_allocateTarget = nullptr;
    QLineEdit* m_rowText = nullptr;
    QList<QWidget*> m_staffOnly;
};
