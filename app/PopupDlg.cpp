#include "app/PopupDlg.h"

#include "skin/WindowSkin.h"
#include "widgets/Accessible.h"
#include "widgets/Controls.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>

CPopupDlg::CPopupDlg(const SelectedRecord& record, QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("popupWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    // Logical size: on a screen of ratio 2 the sharp artwork has twice the pixels, not twice
    // the room.
    setFixedSize(WindowSkin::popupBackground().deviceIndependentSize().toSize());
    setWindowOpacity(228 / 255.0);
    // A notice for screen readers, named by its heading.
    Accessible::setRole(this, QAccessible::AlertMessage);
    setAccessibleName(ArtTexts::kPopupHeading.string());
    Accessible::bitmapText(this, ArtTexts::kPopupHeading);
    Accessible::bitmapText(this, ArtTexts::kPopupHint);

    auto* time = Controls::label(this, QStringLiteral("popupTime"), record.time, {96, 14, 82, 9});
    time->setStyleSheet(QStringLiteral("color:#000000;background:transparent;"));
    auto* account = Controls::label(this, QStringLiteral("popupAccount"),
                                    QStringLiteral("用户: %1 条数: %2").arg(record.account, record.count),
                                    {27, 38, 152, 9});
    account->setStyleSheet(QStringLiteral("color:#ffffff;background:transparent;"));
    // Wrapped, clipped to its box from the first line; the popup never grows.
    auto* content = Controls::make<QPlainTextEdit>(this, QStringLiteral("popupContent"), {28, 57, 148, 32},
                                                   record.content);
    content->setReadOnly(true);
    content->setAccessibleName(QStringLiteral("短信内容"));
    content->setEnabled(false);
    content->setFocusPolicy(Qt::NoFocus);
    content->setFrameShape(QFrame::NoFrame);
    content->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    content->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    content->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    content->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    content->setStyleSheet(QStringLiteral("QPlainTextEdit{color:#000000;background:transparent;}"));

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(placement(screen->geometry(), screen->availableGeometry(), size()));
    QTimer::singleShot(kLifeMs, this, &QWidget::close);
}

QPoint CPopupDlg::placement(const QRect& screen, const QRect& workArea, const QSize& size)
{
    const int screenRight = screen.x() + screen.width();
    const int screenBottom = screen.y() + screen.height();
    const int workRight = workArea.x() + workArea.width();
    const int workBottom = workArea.y() + workArea.height();
    QPoint at(screenRight - size.width(), screenBottom - size.height());
    if (workRight == screenRight)
        at = {screenRight - size.width(), workBottom - size.height()};
    if (workBottom == screenBottom)
        at = {workRight - size.width(), screenBottom - size.height()};
    if (workArea.x() > screen.x() || workArea.y() > screen.y())
        at = {screenRight - size.width(), screenBottom - size.height()};
    return at;
}

void CPopupDlg::paintEvent(QPaintEvent*)
{
    WindowSkin::paintBackground(this, WindowSkin::popupBackground(devicePixelRatioF()));
}
