#pragma once

#include "admin/OptOutProcedures.h"
#include "widgets/ListPage.h"

#include <functional>

class QLabel;
class QLineEdit;
class Worker;

// Tab "退订号码": administrators keep the opt-out list. They add and remove numbers, import a
// number file, export the list and see how many numbers it holds; listing shows the numbers
// that begin with what is typed. Blank for every other account type.
class COptOutDlg : public CListPage
{
    Q_OBJECT
public:
    COptOutDlg(const PageContext& context, QWidget* parent);

    QLabel* totalLabel() const { return m_total; }
    // Whether a change, import, export or count is still running.
    bool isBusy() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    using Job = std::function<OptOutProcedures::Result(DbGateway&, const SessionUser&)>;

    void buildControls();
    // Runs job on the page's worker; a second action waits until the first has told its end.
    void run(const Job& job, bool quiet = false);
    void finish(const OptOutProcedures::Result& result, bool quiet);
    // The typed number, or empty after telling why it is none.
    QString typedNumber();
    void listNumbers();
    void addNumber();
    void removeTyped();
    void removeTicked();
    void importFile();
    void exportFile();

    QLineEdit* m_number = nullptr;
    QLabel* m_total = nullptr;
    Worker* m_worker = nullptr;
};
