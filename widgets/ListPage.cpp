#include "widgets/ListPage.h"

#include "common/TextFiles.h"
#include "db/RecordStatements.h"
#include "db/SessionUser.h"
#include "skin/DialogUnits.h"
#include "skin/WindowSkin.h"
#include "widgets/Dialogs.h"
#include "widgets/ReportView.h"

#include <QTableView>
#include <QUrl>

CListPage::CListPage(const PageContext& context, const QString& name, QList<ReportModel::Column> columns,
                     bool checkable, QWidget* parent)
    : QWidget(parent), m_context(context)
{
    setObjectName(name);
    WindowSkin::stylePage(this);
    m_model = new ReportModel(std::move(columns), checkable, this);
    m_query = new ListQuery(context.gateway, this);
    connect(m_query, &ListQuery::rowsReady, m_model, &ReportModel::appendRows);
    connect(m_query, &ListQuery::finished, this, &CListPage::listingFinished);
}

void CListPage::applyRights()
{
    const QList<QWidget*> controls =
        m_staffPage ? findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly) : m_staffOnly;
    for (QWidget* control : controls) {
        // Windows the page opened over a top-level page are not its controls.
        if (!control->isWindow())
            control->setVisible(!m_context.session.restricted);
    }
}

void CListPage::showEvent(QShowEvent* event)
{
    applyRights();
    QWidget::showEvent(event);
}

void CListPage::listingFinished(const Outcome& outcome)
{
    if (!outcome.text().isEmpty())
        Dialogs::inform(this, outcome.text());
}

QTableView* CListPage::addList(const QString& name, const Controls::Box& box)
{
    m_list = ReportView::create(m_model, name, this);
    DialogUnits::place(m_list, box.x, box.y, box.w, box.h);
    return m_list;
}

void CListPage::startListing(ListQuery::Walk walk)
{
    m_model->clear();
    m_query->start(std::move(walk));
}

void CListPage::clearList()
{
    m_query->cancel();
    m_model->clear();
}

void CListPage::deleteTickedRecords(const QString& question)
{
    if (!Dialogs::ask(this, question, Dialogs::kNotice, Dialogs::Icon::Question))
        return;
    const Outcome outcome =
        DbDeleteAuditedRecords(m_context.gateway, m_context.session, m_model->checkedIds());
    if (outcome)
        clearList();
    Dialogs::inform(this, outcome.text());
}

void CListPage::saveList(const QString& failedText)
{
    const QString path = Dialogs::saveTextFile(this, QStringLiteral("[保存]"));
    if (path.isEmpty())
        return;
    // The cells only: what a row carries unseen (an account's password) never reaches a file.
    QStringList lines;
    for (const ReportRow& row : m_model->rows())
        lines << row.cells.join(QStringLiteral("   "));
    if (!appendLogLines(path, lines)) {
        Dialogs::inform(this, failedText.arg(path));
        return;
    }
    Dialogs::openUrlOrTell(this, QUrl::fromLocalFile(path));
}
