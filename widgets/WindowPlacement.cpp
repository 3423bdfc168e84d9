#include "widgets/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace WindowPlacement {

QPoint centredOver(const QRect& owner, const QSize& size, const QRect& available)
{
    QPoint corner =
        owner.topLeft() + QPoint((owner.width() - size.width()) / 2, (owner.height() - size.height()) / 2);
    if (available.isEmpty())
        return corner;
    corner.setX(std::max(available.left(), std::min(corner.x(), available.right() + 1 - size.width())));
    corner.setY(std::max(available.top(), std::min(corner.y(), available.bottom() + 1 - size.height())));
    return corner;
}

void centreOverParent(QWidget* window)
{
    const QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    QScreen* screen = nullptr;
    QRect ownerArea;
    if (owner && owner->isVisible()) {
        ownerArea = owner->frameGeometry();
        screen = QGuiApplication::screenAt(ownerArea.center());
    }
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    if (ownerArea.isEmpty())
        ownerArea = available;
    window->move(centredOver(ownerArea, window->frameGeometry().size(), available));
}

void bringToFront(QWidget* window)
{
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}

} // namespace WindowPlacement
