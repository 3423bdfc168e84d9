#pragma once

class QString;
class QTableView;
class QWidget;
class ReportModel;

// Report lists: grid lines, full-row single selection, a check box in front of each row when
// the model has them, the model's column widths (time columns as wide as a whole time), and
// uniform rows so 100,000 rows scroll smoothly.
namespace ReportView {

QTableView* create(ReportModel* model, const QString& objectName, QWidget* parent);
// After the model's columns changed; the view also applies them again when its font changes.
void applyWidths(QTableView* view);
// The width a cell needs to show a whole time text in the view's font and style.
int timeWidth(const QTableView* view);

} // namespace ReportView
