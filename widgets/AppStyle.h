#pragma once

#include <QPalette>
#include <QProxyStyle>
#include <QString>

class QApplication;

// The look of every standard control, made from the skin's palette (skin/Palette.h) so that
// buttons, inputs, tabs, tables and message boxes belong with the painted windows.
namespace AppStyle {

// Style, palette, style sheet, font and keyboard focus ring for the whole program; called once
// at start, before the first window.
void apply(QApplication& app);
QPalette palette();
QString styleSheet();

// The smallest height of a line edit, combo box or date picker, and of a table row.
inline constexpr int kInputHeight = 24;

} // namespace AppStyle

// Fusion, with the message boxes' marks from the artwork, no icons on dialog buttons, check
// marks and arrows drawn in the palette's colours, and room for text in every input.
class SkinStyle : public QProxyStyle
{
    Q_OBJECT
public:
    SkinStyle();

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void polish(QWidget* widget) override;
    using QProxyStyle::polish;
};
