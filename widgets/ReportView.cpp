#include "widgets/ReportView.h"

#include "common/ReportModel.h"

#include <QEvent>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>

namespace ReportView {
namespace {

// Rows as tall as the inputs, so a row can be read and hit.
constexpr int kRowHeight = 24;

// A font or style that changes after the view was built changes what a time needs.
class FontWatch : public QObject
{
public:
    explicit FontWatch(QTableView* view) : QObject(view), m_view(view) { view->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_view &&
            (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange))
            applyWidths(m_view);
        return false;
    }

private:
    QTableView* m_view;
};

} // namespace

QTableView* create(ReportModel* model, const QString& objectName, QWidget* parent)
{
    auto* view = new QTableView(parent);
    view->setObjectName(objectName);
    view->setModel(model);
    view->setShowGrid(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab goes on to the next control rather than through every cell; arrows walk the rows.
    view->setTabKeyNavigation(false);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->horizontalHeader()->setHighlightSections(false);
    // The header runs to the right edge instead of stopping after the last column.
    view->horizontalHeader()->setStretchLastSection(true);
    QObject::connect(model, &QAbstractItemModel::modelReset, view, [view] { applyWidths(view); });
    new FontWatch(view);
    applyWidths(view);
    return view;
}

void applyWidths(QTableView* view)
{
    view->verticalHeader()->setDefaultSectionSize(std::max(kRowHeight, view->fontMetrics().height() + 6));
    const auto* model = qobject_cast<const ReportModel*>(view->model());
    if (!model)
        return;
    const int time = timeWidth(view);
    for (int k = 0; k < model->columns().size(); ++k) {
        const ReportModel::Column& column = model->columns().at(k);
        view->setColumnWidth(k, column.time ? std::max(column.width, time) : column.width);
    }
}

int timeWidth(const QTableView* view)
{
    // Built from the widest digit, so no time is wider in a font whose digits differ.
    const QFontMetrics metrics = view->fontMetrics();
    QChar widest = u'0';
    for (char16_t digit = u'1'; digit <= u'9'; ++digit) {
        if (metrics.horizontalAdvance(QChar(digit)) > metrics.horizontalAdvance(widest))
            widest = QChar(digit);
    }
    QString time = QStringLiteral("0000-00-00 00:00:00");
    time.replace(u'0', widest);
    // The delegate's text margin on both sides, the grid line the cell gives up, and a pixel
    // each side for rounding.
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    return metrics.horizontalAdvance(time) + 2 * margin + (view->showGrid() ? 1 : 0) + 2;
}

} // namespace ReportView
