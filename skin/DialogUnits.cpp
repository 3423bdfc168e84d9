#include "skin/DialogUnits.h"

#include <QWidget>

#include <cmath>

namespace DialogUnits {

int toPixels(double units)
{
    return static_cast<int>(std::lround(units * 1.5));
}

void place(QWidget* widget, double x, double y, double width, double height)
{
    widget->setGeometry(toPixels(x), toPixels(y), toPixels(width), toPixels(height));
}

} // namespace DialogUnits
