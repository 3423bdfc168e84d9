#include "admin/PageTools.h"

#include "skin/DialogUnits.h"
#include "widgets/Dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace PageTools {

void showNotice(QWidget* parent, const Notice& notice)
{
    // Over the window, not the page: the page's grey label style would reach the box's text.
    QWidget* window = parent ? parent->window() : nullptr;
    if (notice.oops)
        Dialogs::informCaptioned(window, notice.text, Dialogs::kOops);
    else
        Dialogs::inform(window, notice.text);
}

Tell tellOver(QWidget* parent)
{
    return [parent](const Notice& notice) { showNotice(parent, notice); };
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, double x, double y, double w,
              double h)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    DialogUnits::place(label, x, y, w, h);
    return label;
}

QLineEdit* edit(QWidget* parent, const QString& name, double x, double y, double w, double h, bool masked)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    if (masked)
        edit->setEchoMode(QLineEdit::Password);
    DialogUnits::place(edit, x, y, w, h);
    return edit;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text, double x, double y, double w,
                    double h)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    DialogUnits::place(button, x, y, w, h);
    return button;
}

} // namespace PageTools
