#pragma once

#include "admin/AccountValidation.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// Controls of the account pages, placed in dialog units, and the message boxes they show.
namespace PageTools {

void showNotice(QWidget* parent, const Notice& notice);
// Tells each notice in its own message box over parent.
Tell tellOver(QWidget* parent);

QLabel* label(QWidget* parent, const QString& name, const QString& text, double x, double y, double w,
              double h);
QLineEdit* edit(QWidget* parent, const QString& name, double x, double y, double w, double h,
                bool masked = false);
QPushButton* button(QWidget* parent, const QString& name, const QString& text, double x, double y, double w,
                    double h);

} // namespace PageTools
