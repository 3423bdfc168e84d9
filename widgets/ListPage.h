#pragma once

#include "common/ReportModel.h"
#include "db/ListQuery.h"
#include "widgets/Controls.h"
#include "widgets/PageContext.h"

#include <QWidget>

class QTableView;

// A page built around one report list: it owns the list's model, the query that fills it on a
// worker and the view, and does what the list pages share: start a listing, clear the list,
// delete the ticked records, save the list. Controls only staff may use follow the logged-in
// account, which is known only after the login, each time the page shows.
class CListPage : public QWidget
{
    Q_OBJECT
public:
    ReportModel* model() const { return m_model; }
    ListQuery* query() const { return m_query; }
    void applyRights();

protected:
    CListPage(const PageContext& context, const QString& name, QList<ReportModel::Column> columns,
              bool checkable, QWidget* parent);

    void showEvent(QShowEvent* event) override;
    // A listing has ended with its rows in the list; tells what it has to say.
    virtual void listingFinished(const Outcome& outcome);

    QTableView* list() const { return m_list; }
    QTableView* addList(const QString& name, const Controls::Box& box);
    void addStaffOnly(std::initializer_list<QWidget*> controls) { m_staffOnly += QList<QWidget*>(controls); }
    template <class W> void addStaffOnly(const QList<W*>& controls)
    {
        for (QWidget* control : controls)
            m_staffOnly << control;
    }
    // The whole page is blank for every account type but the administrator.
    void setStaffPage() { m_staffPage = true; }

    // Empties the list and fills it from walk.
    void startListing(ListQuery::Walk walk);
    void clearList();
    // Asks question, deletes the ticked audited records and empties the list when they went.
    void deleteTickedRecords(const QString& question);
    // Appends the rows' cells to a text file the user picks and opens it; failedText holds %1
    // for the path.
    void saveList(const QString& failedText);

    PageContext m_context;

private:
    ReportModel* m_model = nullptr;
    ListQuery* m_query = nullptr;
    QTableView* m_list = nullptr;
    QList<QWidget*> m_staffOnly;
    bool m_staffPage = false;
};
