#pragma once

#include "admin/AccountProcedures.h"
#include "widgets/ListPage.h"

class QLineEdit;

// Tab "帐号充值": administrators list accounts and raise or lower the balances of the ticked
// ones, list and total the balance changes and save the list; agents hand part of their own
// balance to other accounts and list their sub-accounts and the changes they made.
class CRechargeDlg : public CListPage
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

    View view() const { return m_view; }

protected:
    void listingFinished(const Outcome& outcome) override;

private:
    void buildQueryRow();
    void buildAdminGroup();
    void buildAgentGroup();
    void startQuery(View view, ListQuery::Walk walk);
    void showAccounts();
    void showOwnSubAccounts();
    void showRecords();
    void showOwnRecords();
    bool balancesMayChange();
    void recharge();
    void reduce();
    void allocate();
    void showRecordTotal();
    void showTickedAgentSubAccounts();
    void showClickedRow();

    View m_view = View::Accounts;
    QString m_totalFor; // account whose total goes above its records when they are in
    QString m_subAccountsOf;
    QLineEdit* m_queryText = nullptr;
    QLineEdit* m_rechargeCount = nullptr;
    QLineEdit* m_reduceCount = nullptr;
    QLineEdit* m_allocateCount = nullptr;
    QLineEdit* m_allocateTarget = nullptr;
    QLineEdit* m_rowText = nullptr;
};
