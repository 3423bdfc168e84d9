#include "widgets/AppStyle.h"

#include "skin/KeyboardFocus.h"
#include "skin/Palette.h"
#include "skin/SkinArt.h"
#include "skin/WindowSkin.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QHash>
#include <QLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QStyleFactory>
#include <QStyleOption>

#include <limits>

namespace {

QString hex(const QColor& color)
{
    return color.name(QColor::HexRgb);
}

QString gradient(const Palette::Face& face)
{
    return QStringLiteral("qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2)")
        .arg(hex(face.top), hex(face.bottom));
}

// The values the style sheet below names as @name@.
QHash<QString, QString> sheetValues()
{
    using namespace Palette;
    QHash<QString, QString> v = {
        {QStringLiteral("ink"), hex(ink)},
        {QStringLiteral("text"), hex(text)},
        {QStringLiteral("navy"), hex(navy)},
        {QStringLiteral("blue"), hex(blue)},
        {QStringLiteral("white"), hex(white)},
        {QStringLiteral("surface"), hex(surface)},
        {QStringLiteral("line"), hex(line)},
        {QStringLiteral("frame"), hex(frame)},
        {QStringLiteral("muted"), hex(muted)},
        {QStringLiteral("pale"), hex(pale)},
        {QStringLiteral("disabledText"), hex(disabledText)},
        {QStringLiteral("disabledGround"), hex(disabledGround)},
        {QStringLiteral("selection"), hex(selection.top)},
        {QStringLiteral("selectionText"), hex(selection.text)},
        {QStringLiteral("tooltip"), hex(tooltip.top)},
        {QStringLiteral("tooltipText"), hex(tooltip.text)},
        {QStringLiteral("header"), gradient(header)},
        {QStringLiteral("headerText"), hex(header.text)},
        {QStringLiteral("scrollHandle"), hex(frame)},
        {QStringLiteral("scrollHover"), hex(button.hover.border)},
    };
    const auto faces = [&v](const QString& name, const Faces& f) {
        const std::pair<const char*, const Face*> states[] = {
            {"", &f.normal}, {"Hover", &f.hover}, {"Pressed", &f.pressed}};
        for (const auto& [state, face] : states) {
            v.insert(name + QLatin1String(state), gradient(*face));
            v.insert(name + QLatin1String(state) + QStringLiteral("Text"), hex(face->text));
            v.insert(name + QLatin1String(state) + QStringLiteral("Border"), hex(face->border));
        }
    };
    faces(QStringLiteral("button"), button);
    faces(QStringLiteral("primary"), primary);
    faces(QStringLiteral("tab"), tab);
    return v;
}

// Radii and spacing follow the painted windows: 4 px corners on controls, 6 on group boxes.
const char* const kSheet = R"(
QToolTip { color: @tooltipText@; background: @tooltip@; border: 1px solid @tooltip@;
    border-radius: 4px; padding: 3px 6px; }

QPushButton { color: @buttonText@; background: @button@; border: 1px solid @buttonBorder@;
    border-radius: 4px; padding: 1px 3px; }
QPushButton:hover { color: @buttonHoverText@; background: @buttonHover@; border-color: @buttonHoverBorder@; }
QPushButton:pressed { color: @buttonPressedText@; background: @buttonPressed@;
    border-color: @buttonPressedBorder@; }
QPushButton:default { color: @primaryText@; background: @primary@; border-color: @primaryBorder@; }
QPushButton:default:hover { color: @primaryHoverText@; background: @primaryHover@;
    border-color: @primaryHoverBorder@; }
QPushButton:default:pressed { color: @primaryPressedText@; background: @primaryPressed@;
    border-color: @primaryPressedBorder@; }
QPushButton:disabled { color: @disabledText@; background: @disabledGround@; border-color: @line@; }
QDialogButtonBox QPushButton, QMessageBox QPushButton { min-width: 64px; min-height: 24px; padding: 1px 10px; }
CSkinButton, CSkinButton:hover, CSkinButton:pressed, CSkinButton:disabled { background: transparent;
    border: none; padding: 0; min-width: 0; min-height: 0; }

QLineEdit, QAbstractSpinBox, QComboBox { color: @text@; background: @white@;
    border: 1px solid @frame@; border-radius: 4px; padding: 0 5px;
    selection-color: @selectionText@; selection-background-color: @selection@; }
QLineEdit:focus, QAbstractSpinBox:focus, QComboBox:focus { border-color: @blue@; }
QLineEdit:read-only { background: @surface@; }
QLineEdit:disabled, QAbstractSpinBox:disabled, QComboBox:disabled { color: @disabledText@;
    background: @disabledGround@; border-color: @line@; }
QComboBox::drop-down, QDateEdit::drop-down { subcontrol-origin: border; subcontrol-position: center right;
    width: 20px; border: none; border-left: 1px solid @line@; }
QComboBox::down-arrow, QDateEdit::down-arrow { image: url(:/skin/marks/chevron-down.png); width: 10px;
    height: 10px; }
QAbstractSpinBox::up-button, QAbstractSpinBox::down-button { width: 16px; border: none; }
QAbstractSpinBox::up-arrow, QAbstractSpinBox::down-arrow { width: 8px; height: 8px; }
QComboBox QAbstractItemView { color: @text@; background: @white@; border: 1px solid @frame@;
    selection-color: @selectionText@; selection-background-color: @selection@; outline: 0; }

QPlainTextEdit, QTextEdit, QListView, QTableView { color: @text@; background: @white@;
    border: 1px solid @frame@; border-radius: 4px; selection-color: @selectionText@;
    selection-background-color: @selection@; outline: 0; }
QTableView { gridline-color: @line@; }
QHeaderView::section { color: @headerText@; background: @header@; border: none;
    border-right: 1px solid @line@; border-bottom: 1px solid @line@; padding: 3px 6px; }
QTableCornerButton::section { background: @header@; border: none; border-bottom: 1px solid @line@; }

QTabWidget::pane { border: none; border-top: 1px solid @line@; background: @white@; top: -1px; }
QTabBar::tab { color: @tabText@; background: @tab@; border: 1px solid @tabBorder@;
    border-bottom: none; border-top-left-radius: 5px; border-top-right-radius: 5px;
    padding: 3px 11px; margin-right: 2px; margin-top: 2px; }
QTabBar::tab:hover { color: @tabHoverText@; background: @tabHover@; }
QTabBar::tab:selected { color: @tabPressedText@; background: @tabPressed@; border-top: 2px solid @blue@;
    margin-top: 0; }

QGroupBox { color: @ink@; border: 1px solid @line@; border-radius: 6px; margin-top: 7px; }
QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px; padding: 0 4px; }
QCheckBox { spacing: 5px; }

QScrollBar:vertical { background: @surface@; width: 10px; margin: 0; border: none; }
QScrollBar:horizontal { background: @surface@; height: 10px; margin: 0; border: none; }
QScrollBar::handle { background: @scrollHandle@; border-radius: 3px; margin: 2px; }
QScrollBar::handle:vertical { min-height: 24px; }
QScrollBar::handle:horizontal { min-width: 24px; }
QScrollBar::handle:hover { background: @scrollHover@; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; background: none; }
QScrollBar::add-page, QScrollBar::sub-page { background: none; }

QMenu { color: @ink@; background: @white@; border: 1px solid @frame@; padding: 4px; }
QMenu::item { padding: 5px 22px 5px 12px; border-radius: 3px; }
QMenu::item:selected { color: @selectionText@; background: @selection@; }
QMenu::separator { height: 1px; background: @line@; margin: 4px 8px; }

QPlainTextEdit#popupContent { border: none; }
QMessageBox { background: @white@; }
QMessageBox QLabel { color: @ink@; }
QMessageBox QLabel#qt_msgbox_label { min-width: 220px; }
QCalendarWidget QWidget#qt_calendar_navigationbar { background: @navy@; }
QCalendarWidget QToolButton { color: @white@; background: transparent; border: none; padding: 2px 6px; }
QCalendarWidget QAbstractItemView { border: none; border-radius: 0; }
)";

} // namespace

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

QString styleSheet()
{
    const QString sheet = QString::fromUtf8(kSheet);
    const QHash<QString, QString> values = sheetValues();
    static const QRegularExpression name(QStringLiteral("@([A-Za-z]+)@"));
    QString out;
    qsizetype from = 0;
    for (const QRegularExpressionMatch& m : name.globalMatch(sheet)) {
        out += QStringView(sheet).mid(from, m.capturedStart() - from);
        const auto found = values.constFind(m.captured(1));
        Q_ASSERT_X(found != values.constEnd(), "AppStyle", qPrintable(m.captured(1)));
        out += found != values.constEnd() ? *found : QString();
        from = m.capturedEnd();
    }
    out += QStringView(sheet).mid(from);
    return out;
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
