#include "widgets/AppStyle.h"

#include "skin/KeyboardFocus.h"
#include "skin/Palette.h"
#include "skin/SkinArt.h"
#include "skin/WindowSkin.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTextCharFormat>
#include <QToolButton>

#include <limits>

namespace AppStyle {

void apply(QApplication& app)
{
    QApplication::setStyle(new SkinStyle);
    QApplication::setPalette(palette());
    WindowSkin::applyApplicationFont();
    app.setStyleSheet(styleSheet());
    KeyboardFocus::install();
}

QPalette palette()
{
    QPalette p;
    const auto set = [&p](QPalette::ColorRole role, const QColor& color) { p.setColor(role, color); };
    set(QPalette::Window, Palette::surface);
    set(QPalette::WindowText, Palette::ink);
    set(QPalette::Base, Palette::white);
    set(QPalette::AlternateBase, Palette::popupTop);
    set(QPalette::Text, Palette::text);
    set(QPalette::PlaceholderText, Palette::muted);
    set(QPalette::Button, Palette::button.normal.bottom);
    set(QPalette::ButtonText, Palette::button.normal.text);
    set(QPalette::BrightText, Palette::white);
    set(QPalette::Highlight, Palette::selection.top);
    set(QPalette::HighlightedText, Palette::selection.text);
    set(QPalette::ToolTipBase, Palette::tooltip.top);
    set(QPalette::ToolTipText, Palette::tooltip.text);
    set(QPalette::Link, Palette::blue);
    set(QPalette::LinkVisited, Palette::navy);
    set(QPalette::Light, Palette::white);
    set(QPalette::Midlight, Palette::line);
    set(QPalette::Mid, Palette::frame);
    set(QPalette::Dark, Palette::muted);
    set(QPalette::Shadow, Palette::rim);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, Palette::disabledText);
    p.setColor(QPalette::Disabled, QPalette::Base, Palette::disabledGround);
    p.setColor(QPalette::Disabled, QPalette::Button, Palette::disabledGround);
    p.setColor(QPalette::Inactive, QPalette::Highlight, Palette::inactiveSelection.top);
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, Palette::inactiveSelection.text);
    return p;
}

} // namespace AppStyle

namespace {

QIcon mark(const QString& name)
{
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0})
        icon.addPixmap(SkinArt::pixmap(QStringLiteral("marks/") + name, ratio));
    return icon;
}

void drawCheckBox(const QStyleOption* option, QPainter* painter)
{
    const bool enabled = option->state & QStyle::State_Enabled;
    const bool on = option->state & (QStyle::State_On | QStyle::State_NoChange);
    const QRectF box = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor border = on ? Palette::blue : Palette::button.hover.border;
    if (option->state & QStyle::State_MouseOver)
        border = Palette::navy;
    if (!enabled)
        border = Palette::line;
    painter->setPen(QPen(border, 1));
    painter->setBrush(!enabled ? Palette::disabledGround : on ? Palette::blue : Palette::white);
    painter->drawRoundedRect(box, 3, 3);
    if (!on)
        return;
    const qreal w = box.width();
    QPainterPath mark;
    if (option->state & QStyle::State_NoChange) {
        mark.moveTo(box.left() + w * 0.25, box.center().y());
        mark.lineTo(box.right() - w * 0.25, box.center().y());
    } else {
        mark.moveTo(box.left() + w * 0.22, box.top() + w * 0.52);
        mark.lineTo(box.left() + w * 0.42, box.top() + w * 0.72);
        mark.lineTo(box.left() + w * 0.78, box.top() + w * 0.3);
    }
    painter->setPen(QPen(enabled ? Palette::white : Palette::disabledText, std::max(1.5, w / 8),
                         Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(mark);
}

// A chevron pointing down, rotated for the other directions.
void drawArrow(QStyle::PrimitiveElement element, const QStyleOption* option, QPainter* painter)
{
    const QRectF r = option->rect;
    const qreal size = std::min(r.width(), r.height()) * 0.28;
    if (size <= 0)
        return;
    qreal angle = 0;
    if (element == QStyle::PE_IndicatorArrowUp)
        angle = 180;
    else if (element == QStyle::PE_IndicatorArrowLeft)
        angle = 90;
    else if (element == QStyle::PE_IndicatorArrowRight)
        angle = -90;
    painter->translate(r.center());
    painter->rotate(angle);
    const QColor color = option->state & QStyle::State_Enabled ? Palette::ink : Palette::disabledText;
    painter->setPen(QPen(color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->setBrush(Qt::NoBrush);
    painter->drawPolyline(QPolygonF({{-size, -size / 2}, {0, size / 2}, {size, -size / 2}}));
}

bool isInput(const QWidget* widget)
{
    // The editor inside a spin box or combo box is sized by its owner.
    const QWidget* parent = widget->parentWidget();
    if (qobject_cast<const QAbstractSpinBox*>(parent) || qobject_cast<const QComboBox*>(parent))
        return false;
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QComboBox*>(widget);
}

// The date pickers' calendar: weekends in a red that can be read on white (Qt's is too light),
// and the artwork's chevrons on its navy bar instead of the old green arrows.
void skinCalendar(QCalendarWidget* calendar)
{
    QTextCharFormat weekend = calendar->weekdayTextFormat(Qt::Saturday);
    weekend.setForeground(Palette::weekend);
    for (const Qt::DayOfWeek day : {Qt::Saturday, Qt::Sunday})
        calendar->setWeekdayTextFormat(day, weekend);
    const std::pair<const char*, const char*> arrows[] = {{"qt_calendar_prevmonth", "chevron-left"},
                                                          {"qt_calendar_nextmonth", "chevron-right"}};
    for (const auto& [button, chevron] : arrows) {
        if (auto* arrow = calendar->findChild<QToolButton*>(QLatin1String(button)))
            arrow->setIcon(mark(QLatin1String(chevron)));
    }
}

bool managedBy(const QLayout* layout, const QWidget* widget)
{
    if (!layout)
        return false;
    for (int k = 0; k < layout->count(); ++k) {
        QLayoutItem* item = layout->itemAt(k);
        if (item->widget() == widget || managedBy(item->layout(), widget))
            return true;
    }
    return false;
}

struct Room
{
    int above = std::numeric_limits<int>::max();
    int below = std::numeric_limits<int>::max();
};

// Free pixels between the widget and the nearest sibling above and below it that shares some of
// its columns, hidden ones included (they take their place when shown).
Room roomAround(const QWidget* widget)
{
    Room room;
    const QRect r = widget->geometry();
    for (const QObject* child : widget->parentWidget()->children()) {
        const auto* sibling = qobject_cast<const QWidget*>(child);
        if (!sibling || sibling == widget || sibling->isWindow())
            continue;
        const QRect s = sibling->geometry();
        if (s.intersects(r) || s.right() < r.left() || s.left() > r.right())
            continue;
        if (s.bottom() < r.top())
            room.above = std::min(room.above, r.top() - s.bottom() - 1);
        else if (s.top() > r.bottom())
            room.below = std::min(room.below, s.top() - r.bottom() - 1);
    }
    return room;
}

} // namespace

SkinStyle::SkinStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

QIcon SkinStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const
{
    switch (icon) {
    case SP_MessageBoxInformation:
        return mark(QStringLiteral("information"));
    case SP_MessageBoxQuestion:
        return mark(QStringLiteral("question"));
    case SP_MessageBoxWarning:
        return mark(QStringLiteral("warning"));
    case SP_MessageBoxCritical:
        return mark(QStringLiteral("critical"));
    case SP_DialogOkButton:
    case SP_DialogCancelButton:
    case SP_DialogYesButton:
    case SP_DialogNoButton:
    case SP_DialogSaveButton:
    case SP_DialogOpenButton:
    case SP_DialogCloseButton:
    case SP_DialogApplyButton:
    case SP_DialogResetButton:
    case SP_DialogDiscardButton:
    case SP_DialogHelpButton:
        return {}; // captions say it: the old fallback icons do not fit the skin
    default:
        return QProxyStyle::standardIcon(icon, option, widget);
    }
}

int SkinStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const
{
    if (hint == SH_DialogButtonBox_ButtonsHaveIcons)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

int SkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    if (metric == PM_MessageBoxIconSize)
        return 32;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void SkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const
{
    switch (element) {
    case PE_FrameFocusRect:
        return; // the keyboard focus ring takes its place
    case PE_IndicatorCheckBox:
    case PE_IndicatorItemViewItemCheck:
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        drawCheckBox(option, painter);
        painter->restore();
        return;
    case PE_IndicatorArrowDown:
    case PE_IndicatorArrowUp:
    case PE_IndicatorArrowLeft:
    case PE_IndicatorArrowRight:
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        drawArrow(element, option, painter);
        painter->restore();
        return;
    default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

// Inputs placed in dialog units are often shorter than their text needs. Each grows about its
// own middle towards the readable height, but takes at most half of the free room to the next
// control above and below: the dialog's layout stays as it is, and two neighbours never meet.
void SkinStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    if (auto* calendar = qobject_cast<QCalendarWidget*>(widget))
        skinCalendar(calendar);
    if (!isInput(widget) || widget->minimumHeight() >= AppStyle::kInputHeight)
        return;
    QWidget* parent = widget->parentWidget();
    if (parent && managedBy(parent->layout(), widget)) {
        widget->setMinimumHeight(AppStyle::kInputHeight);
        return;
    }
    const QRect r = widget->geometry();
    const int need = AppStyle::kInputHeight - r.height();
    if (!parent || need <= 0)
        return;
    const Room room = roomAround(widget);
    const int up = std::min((need + 1) / 2, room.above / 2);
    const int down = std::min(need / 2, room.below / 2);
    widget->setGeometry(r.adjusted(0, -up, 0, down));
}
