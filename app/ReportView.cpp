#include "app/ReportView.h"

#include "app/ReportModel.h"

#include <QHeaderView>
#include <QTableView>

namespace ReportView {

QTableView* create(ReportModel* model, const QString& objectName, QWidget* parent)
{
    auto* view = new QTableView(parent);
    view->setObjectName(objectName);
    view->setModel(model);
    view->setShowGrid(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setHighlightSections(false);
    QObject::connect(model, &QAbstractItemModel::modelReset, view, [view] { applyWidths(view); });
    applyWidths(view);
    return view;
}

void applyWidths(QTableView* view)
{
    const auto* model = qobject_cast<const ReportModel*>(view->model());
    if (!model)
        return;
    for (int k = 0; k < model->columns().size(); ++k)
        view->setColumnWidth(k, model->columns().at(k).width);
}

} // namespace ReportView
