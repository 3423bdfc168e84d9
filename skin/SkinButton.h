#pragma once

#include <QPushButton>

// Frameless push button of the skinned windows: its caption lights up while hovered or
// pressed and shifts one pixel while pressed.
class CSkinButton : public QPushButton
{
    Q_OBJECT
public:
    enum class Look
    {
        Light,
        Dark,
        Accent
    };

    CSkinButton(const QString& caption, const QString& objectName, QWidget* parent, Look look = Look::Dark);
    void SetTooltipText(const QString& text);
};
