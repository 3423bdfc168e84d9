#pragma once

class QString;
class QTableView;
class QWidget;
class ReportModel;

// Report lists: grid lines, full-row single selection, a check box in front of each row when
// the model has them, the model's column widths, and uniform rows so 100,000 rows scroll
// smoothly.
namespace ReportView {

QTableView* create(ReportModel* model, const QString& objectName, QWidget* parent);
// After the model's columns changed.
void applyWidths(QTableView* view);

} // namespace ReportView
