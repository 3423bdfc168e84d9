#pragma once

#include "skin/DialogUnits.h"

#include <QList>
#include <QString>

#include <functional>
#include <initializer_list>
#include <utility>

class CSkinButton;
class QAbstractItemModel;
class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QWidget;

// The one way windows and pages declare their controls: each control gets its object name (the
// handle tests find it by) and its rectangle in dialog units, as the window templates give
// them (1 unit = 1.5 pixels, see DialogUnits).
//
//     auto* query = Controls::edit(this, QStringLiteral("adminQueryEdit"), {47, 3, 90, 12});
//     auto* any = Controls::make<QComboBox>(this, QStringLiteral("categoryBox"), {44, 4, 60, 90});
//
// Where a page has many controls of one kind, a table reads better: rows of name, text and box
// for buttons (Controls::buttons, or Controls::actions with what each does), or
// Controls::fields for a form's labelled edits.
namespace Controls {

// A control's rectangle in dialog units.
struct Box
{
    double x = 0;
    double y = 0;
    double w = 0;
    double h = 0;
};

// Creates W(args..., parent), names and places it. Any widget whose constructor ends with the
// parent fits.
template <class W, class... Args>
W* make(QWidget* parent, const QString& name, const Box& box, Args&&... args)
{
    auto* widget = new W(std::forward<Args>(args)..., parent);
    widget->setObjectName(name);
    DialogUnits::place(widget, box.x, box.y, box.w, box.h);
    return widget;
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, const Box& box);
QLineEdit* edit(QWidget* parent, const QString& name, const Box& box, bool masked = false);
// Never a default button: Enter in a page's edit must not press a button of the window.
QPushButton* button(QWidget* parent, const QString& name, const QString& text, const Box& box);
QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& text, const Box& box);
// A read-only list of the model's rows, for lists of millions: rows of one height, laid out a
// batch at a time between events, so that filling it never stalls the window.
QListView* longList(QWidget* parent, const QString& name, const Box& box, QAbstractItemModel* model);
// A day picker showing today as "yyyy-MM-dd", with a calendar to pick from.
QDateEdit* date(QWidget* parent, const QString& name, const Box& box);
// A painted button: art names the faces "buttons/<art>" and "buttons/<art>-hot" of the skin;
// function is the text read out for it.
CSkinButton* skinButton(QWidget* parent, const QString& name, const QString& art, const QString& function,
                        const Box& box);

// One row of a table of buttons; name and text are Latin-1 and UTF-8 literals.
struct Row
{
    const char* name;
    const char* text;
    Box box;
};
// The buttons of the rows, in their order.
QList<QPushButton*> buttons(QWidget* parent, std::initializer_list<Row> rows);

// One row of a table of buttons that each do one thing when clicked.
struct Action
{
    const char* name;
    const char* text;
    Box box;
    std::function<void()> clicked;
};
// The buttons of the rows, in their order, each connected to its action while parent lives.
QList<QPushButton*> actions(QWidget* parent, std::initializer_list<Action> rows);

// One labelled edit of a form. The label is named after the edit plus "Label"; screen readers
// read the edit by it.
struct Field
{
    const char* name;
    const char* label;
    QLineEdit** edit;
    bool masked = false;
};
// Where a form's fields go: a column from (x, top), one row every step units; each label is
// labelWidth wide and its edit follows 2 units after it.
struct FieldColumn
{
    double x;
    double top;
    double step;
    double labelWidth;
    double editWidth;
};
// Creates the fields down the column and returns the y just below the last row's step. Each
// edit is named prefix plus its row's name.
double fields(QWidget* parent, std::initializer_list<Field> rows, const FieldColumn& column,
              const QString& prefix = {});

} // namespace Controls
