// The style sheet of the standard controls, written from the palette.
#include "widgets/AppStyle.h"

#include "skin/Palette.h"

#include <QHash>
#include <QRegularExpression>

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
