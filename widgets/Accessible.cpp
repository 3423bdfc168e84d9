#include "widgets/Accessible.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace Accessible {
namespace {

const char* const kRoleProperty = "kavrelAccessibleRole";

QAccessibleInterface* roleFactory(const QString&, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    const QVariant role = object->property(kRoleProperty);
    if (!role.isValid())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Role(role.toInt()));
}

class BitmapText : public QLabel
{
public:
    BitmapText(const QString& text, QWidget* parent) : QLabel(text, parent)
    {
        setObjectName(QStringLiteral("bitmapText"));
        setTextFormat(Qt::PlainText);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    // The bitmap behind already shows the words.
    void paintEvent(QPaintEvent*) override {}
};

} // namespace

void setRole(QWidget* widget, QAccessible::Role role)
{
    static const bool installed = [] {
        QAccessible::installFactory(&roleFactory);
        return true;
    }();
    Q_UNUSED(installed);
    widget->setProperty(kRoleProperty, int(role));
}

QLabel* bitmapText(QWidget* parent, const ArtTexts::Placed& placed)
{
    auto* label = new BitmapText(placed.string(), parent);
    label->setGeometry(placed.box);
    return label;
}

} // namespace Accessible
