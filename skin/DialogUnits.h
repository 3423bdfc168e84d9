#pragma once

class QWidget;

// Window layouts are given in dialog units; the skins are painted for 1 unit = 1.5 pixels.
namespace DialogUnits {

int toPixels(double units);
void place(QWidget* widget, double x, double y, double width, double height);

} // namespace DialogUnits
