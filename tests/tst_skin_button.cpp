#include "skin/SkinButton.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {

QPixmap solid(const QSize& size, const QColor& color)
{
    QPixmap pixmap(size);
    pixmap.fill(color);
    return pixmap;
}

const QColor kHot(200, 40, 40);
const QColor kNormal(40, 40, 200);

// A parent that paints one colour, which a test may change after the first paint.
class Ground : public QWidget
{
public:
    QColor color = QColor(250, 250, 210);

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), color); }
};

// What the user sees at the button: the window with the button painted over it.
QImage shot(QWidget* button)
{
    return button->parentWidget()->grab(button->geometry()).toImage();
}

void send(QWidget* target, QEvent::Type type, const QPoint& at, Qt::MouseButtons buttons,
          Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

class TestSkinButton : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void hotWhileHoveredOrPressed();
    void pressShiftsOnePixel_data();
    void pressShiftsOnePixel();
    void paintDrawsIconWhereItSays();
    void draggingInDoesNotLightUp();
    void doubleClickGivesTwoClicks_data();
    void doubleClickGivesTwoClicks();
    void disablingMovesFocusAndClearsHover_data();
    void disablingMovesFocusAndClearsHover();
    void disabledLooksGreyed();
    void keyboardFocusShowsHotIcon();
    void tooltipAndAccessibleName();
    void backgroundFollowsTheWindow();
    void noFrameAroundTheIcon();

private:
    CSkinButton* addButton(const QString& name, const QRect& geometry);

    std::unique_ptr<Ground> m_window;
    CSkinButton* m_button = nullptr;
    CSkinButton* m_next = nullptr;
    QLineEdit* m_edit = nullptr;
};

void TestSkinButton::init()
{
    m_window = std::make_unique<Ground>();
    m_window->resize(300, 200);
    m_edit = new QLineEdit(m_window.get());
    m_edit->setGeometry(10, 150, 120, 20);
    m_button = addButton(QStringLiteral("first"), QRect(10, 10, 60, 30));
    m_next = addButton(QStringLiteral("second"), QRect(100, 10, 60, 30));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->activateWindow();
}

void TestSkinButton::cleanup()
{
    m_window.reset();
}

CSkinButton* TestSkinButton::addButton(const QString& name, const QRect& geometry)
{
    auto* button = new CSkinButton(name, QStringLiteral("功能"), m_window.get());
    button->SetIcons(solid(QSize(40, 20), kHot), solid(QSize(40, 20), kNormal));
    button->setGeometry(geometry);
    return button;
}

void TestSkinButton::hotWhileHoveredOrPressed()
{
    QCOMPARE(m_button->currentIcon().toImage().pixelColor(0, 0), kNormal);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(m_button->mapToGlobal(QPoint(5, 5))));
    QApplication::sendEvent(m_button, &enter);
    QVERIFY(m_button->isHovered());
    QCOMPARE(m_button->currentIcon().toImage().pixelColor(0, 0), kHot);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(m_button, &leave);
    QVERIFY(!m_button->isHovered());
    QCOMPARE(m_button->currentIcon().toImage().pixelColor(0, 0), kNormal);
    m_button->setDown(true);
    QCOMPARE(m_button->currentIcon().toImage().pixelColor(0, 0), kHot);
    m_button->setDown(false);
    // Hidden while hot (submit gives way to pause), it comes back in its normal look.
    QApplication::sendEvent(m_button, &enter);
    m_button->hide();
    m_button->show();
    QVERIFY(!m_button->isHovered());
}

void TestSkinButton::pressShiftsOnePixel_data()
{
    QTest::addColumn<bool>("sameIcon");
    QTest::addColumn<QSize>("iconSize");
    QTest::newRow("two icons") << false << QSize(40, 20);
    QTest::newRow("one icon for both") << true << QSize(40, 20);
    QTest::newRow("odd free space") << false << QSize(37, 17);
    QTest::newRow("icon larger than the button") << false << QSize(80, 50);
}

void TestSkinButton::pressShiftsOnePixel()
{
    QFETCH(bool, sameIcon);
    QFETCH(QSize, iconSize);
    const QPixmap hot = solid(iconSize, kHot);
    m_button->SetIcons(hot, sameIcon ? hot : solid(iconSize, kNormal));
    const QPoint centred((60 - iconSize.width()) / 2, (30 - iconSize.height()) / 2);
    QCOMPARE(m_button->iconPosition(), centred);
    QTest::mousePress(m_button, Qt::LeftButton, {}, QPoint(30, 15));
    QVERIFY(m_button->isDown());
    QCOMPARE(m_button->iconPosition(), centred + QPoint(1, 1));
    QCOMPARE(m_button->currentIcon().toImage().pixelColor(0, 0), kHot);
    QTest::mouseRelease(m_button, Qt::LeftButton, {}, QPoint(30, 15));
    QCOMPARE(m_button->iconPosition(), centred);
}

void TestSkinButton::paintDrawsIconWhereItSays()
{
    m_button->SetIcons(solid(QSize(20, 10), kHot), solid(QSize(20, 10), kNormal));
    QImage idle = shot(m_button);
    QCOMPARE(idle.pixelColor(20, 10), kNormal); // top-left of the centred icon
    QCOMPARE(idle.pixelColor(19, 10), m_window->color);
    m_button->setDown(true);
    QImage pressed = shot(m_button);
    QCOMPARE(pressed.pixelColor(20, 10), m_window->color);
    QCOMPARE(pressed.pixelColor(21, 11), kHot);
    QCOMPARE(pressed.pixelColor(40, 20), kHot); // the last pixel moved one right and down
}

void TestSkinButton::draggingInDoesNotLightUp()
{
    // Press on the window's ground, then move onto the button with the button still held.
    QWindow* window = m_window->windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(250, 100));
    QTest::mouseMove(window, QPoint(30, 25));
    QTest::mouseMove(window, QPoint(32, 26));
    QVERIFY(!m_button->isHovered());
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(m_button->mapToGlobal(QPoint(5, 5))));
    QApplication::sendEvent(m_button, &enter);
    send(m_button, QEvent::MouseMove, QPoint(6, 6), Qt::LeftButton, Qt::NoButton);
    QVERIFY(!m_button->isHovered());
    // Released and moved again, it lights up.
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(32, 26));
    send(m_button, QEvent::MouseMove, QPoint(8, 8), Qt::NoButton, Qt::NoButton);
    QVERIFY(m_button->isHovered());
}

void TestSkinButton::doubleClickGivesTwoClicks_data()
{
    // What Qt delivers for a double-click, and the bare form other platforms use.
    QTest::addColumn<QList<int>>("events");
    QTest::newRow("press, double-click press")
        << QList<int>{QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
                      QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease};
    QTest::newRow("double-click instead of press")
        << QList<int>{QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                      QEvent::MouseButtonRelease};
}

void TestSkinButton::doubleClickGivesTwoClicks()
{
    QFETCH(QList<int>, events);
    QSignalSpy clicks(m_button, &QPushButton::clicked);
    for (int type : events) {
        const bool release = type == QEvent::MouseButtonRelease;
        send(m_button, static_cast<QEvent::Type>(type), QPoint(30, 15),
             release ? Qt::NoButton : Qt::LeftButton);
    }
    QCOMPARE(clicks.count(), 2);
}

void TestSkinButton::disablingMovesFocusAndClearsHover_data()
{
    QTest::addColumn<QString>("focusedBefore");
    QTest::addColumn<QString>("focusedAfter");
    QTest::newRow("focused button hands on to the next tab stop") << "first"
                                                                  << "second";
    QTest::newRow("last tab stop wraps round") << "second"
                                               << "edit";
    // A user typing elsewhere keeps the focus when some button is disabled.
    QTest::newRow("typing in an edit keeps the focus") << "edit"
                                                       << "edit";
}

void TestSkinButton::disablingMovesFocusAndClearsHover()
{
    QFETCH(QString, focusedBefore);
    QFETCH(QString, focusedAfter);
    m_edit->setObjectName(QStringLiteral("edit"));
    QWidget::setTabOrder(m_edit, m_button);
    QWidget::setTabOrder(m_button, m_next);
    auto* target = focusedBefore == QLatin1String("second") ? m_next : m_button;
    m_window->findChild<QWidget*>(focusedBefore)->setFocus(Qt::TabFocusReason);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(target->mapToGlobal(QPoint(5, 5))));
    QApplication::sendEvent(target, &enter);
    QVERIFY(target->isHovered());
    target->setEnabled(false);
    QVERIFY(!target->isHovered());
    QVERIFY(!target->hasFocus());
    QCOMPARE(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(),
             focusedAfter);
}

void TestSkinButton::disabledLooksGreyed()
{
    m_button->setEnabled(false);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(m_button->mapToGlobal(QPoint(5, 5))));
    QApplication::sendEvent(m_button, &enter);
    QVERIFY(!m_button->isHovered());
    const QColor shown = m_button->currentIcon().toImage().pixelColor(0, 0);
    QVERIFY2(shown != kNormal && shown != kHot, qPrintable(shown.name()));
    QCOMPARE(m_button->currentIcon().size(), QSize(40, 20));
}

void TestSkinButton::keyboardFocusShowsHotIcon()
{
    // Clicked with the mouse: focused, but the look stays as it was.
    QTest::mouseClick(m_button, Qt::LeftButton, {}, QPoint(30, 15));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(m_button, &leave);
    QVERIFY(m_button->hasFocus());
    QVERIFY(!m_button->showsKeyboardFocus());
    QCOMPARE(m_button->currentIcon().toImage().pixelColor(0, 0), kNormal);
    // Tab moves to the next button, which shows the focus.
    QTest::keyClick(m_button, Qt::Key_Tab);
    QVERIFY(m_next->hasFocus());
    QVERIFY(m_next->showsKeyboardFocus());
    QCOMPARE(m_next->currentIcon().toImage().pixelColor(0, 0), kHot);
    const QImage shown = shot(m_next);
    QVERIFY(shown.pixelColor(1, 15) != m_window->color); // the focus ring
    // A mouse press anywhere ends the keyboard look.
    QTest::mouseClick(m_window.get(), Qt::LeftButton, {}, QPoint(250, 100));
    QVERIFY(!m_next->showsKeyboardFocus());
}

void TestSkinButton::tooltipAndAccessibleName()
{
    // The name stays what the face shows; a tip saying more describes the button.
    QCOMPARE(m_button->accessibleName(), QStringLiteral("功能"));
    m_button->SetTooltipText(QStringLiteral("功能!"));
    QCOMPARE(m_button->toolTip(), QStringLiteral("功能!"));
    QCOMPARE(m_button->accessibleDescription(), QString());
    m_button->SetTooltipText(QStringLiteral("提交发送!"));
    QCOMPARE(m_button->toolTip(), QStringLiteral("提交发送!"));
    QCOMPARE(m_button->accessibleName(), QStringLiteral("功能"));
    QCOMPARE(m_button->accessibleDescription(), QStringLiteral("提交发送!"));
    m_button->SetTooltipText(QString());
    QCOMPARE(m_button->toolTip(), QStringLiteral("提交发送!"));
    m_button->SetTooltipText(QStringLiteral("暂停发送!"), false);
    QCOMPARE(m_button->toolTip(), QString());
    QCOMPARE(m_button->accessibleName(), QStringLiteral("功能"));
    QCOMPARE(m_button->accessibleDescription(), QStringLiteral("暂停发送!"));
}

void TestSkinButton::backgroundFollowsTheWindow()
{
    QCOMPARE(shot(m_button).pixelColor(2, 2), m_window->color);
    m_window->color = QColor(30, 120, 60);
    m_window->update();
    QCOMPARE(shot(m_button).pixelColor(2, 2), QColor(30, 120, 60));
}

void TestSkinButton::noFrameAroundTheIcon()
{
    m_button->SetIcons(QPixmap(), QPixmap());
    m_button->setFocus(Qt::MouseFocusReason);
    const QImage shown = shot(m_button);
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x)
            QCOMPARE(shown.pixelColor(x, y), m_window->color);
    }
}

QTEST_MAIN(TestSkinButton)
#include "tst_skin_button.moc"
