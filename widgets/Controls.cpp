#include "widgets/Controls.h"

#include "skin/SkinButton.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

namespace Controls {
namespace {

// Rows laid out per event: a few milliseconds of work.
constexpr int kLongListBatch = 20000;

} // namespace

QLabel* label(QWidget* parent, const QString& name, const QString& text, const Box& box)
{
    return make<QLabel>(parent, name, box, text);
}

QLineEdit* edit(QWidget* parent, const QString& name, const Box& box, bool masked)
{
    auto* edit = make<QLineEdit>(parent, name, box);
    if (masked)
        edit->setEchoMode(QLineEdit::Password);
    return edit;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text, const Box& box)
{
    auto* button = make<QPushButton>(parent, name, box, text);
    button->setAutoDefault(false);
    return button;
}

QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& text, const Box& box)
{
    return make<QCheckBox>(parent, name, box, text);
}

QListView* longList(QWidget* parent, const QString& name, const Box& box, QAbstractItemModel* model)
{
    auto* view = make<QListView>(parent, name, box);
    view->setModel(model);
    view->setUniformItemSizes(true);
    view->setLayoutMode(QListView::Batched);
    view->setBatchSize(kLongListBatch);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return view;
}

QDateEdit* date(QWidget* parent, const QString& name, const Box& box)
{
    auto* date = make<QDateEdit>(parent, name, box, QDate::currentDate());
    date->setCalendarPopup(true);
    date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return date;
}

CSkinButton* skinButton(QWidget* parent, const QString& name, const QString& art, const QString& function,
                        const Box& box)
{
    auto* button = make<CSkinButton>(parent, name, box, name, function);
    button->SetIcons(QStringLiteral("buttons/%1-hot").arg(art), QStringLiteral("buttons/%1").arg(art));
    return button;
}

QList<QPushButton*> buttons(QWidget* parent, std::initializer_list<Row> rows)
{
    QList<QPushButton*> made;
    for (const Row& row : rows)
        made << button(parent, QString::fromLatin1(row.name), QString::fromUtf8(row.text), row.box);
    return made;
}

QList<QPushButton*> actions(QWidget* parent, std::initializer_list<Action> rows)
{
    QList<QPushButton*> made;
    for (const Action& row : rows) {
        QPushButton* push =
            button(parent, QString::fromLatin1(row.name), QString::fromUtf8(row.text), row.box);
        QObject::connect(push, &QPushButton::clicked, parent, row.clicked);
        made << push;
    }
    return made;
}

double fields(QWidget* parent, std::initializer_list<Field> rows, const FieldColumn& column,
              const QString& prefix)
{
    double y = column.top;
    for (const Field& row : rows) {
        const QString name = prefix + QString::fromLatin1(row.name);
        QLabel* caption = label(parent, name + QStringLiteral("Label"), QString::fromUtf8(row.label),
                                {column.x, y + 1, column.labelWidth, 10});
        *row.edit =
            edit(parent, name, {column.x + column.labelWidth + 2, y, column.editWidth, 12}, row.masked);
        caption->setBuddy(*row.edit);
        y += column.step;
    }
    return y;
}

} // namespace Controls
