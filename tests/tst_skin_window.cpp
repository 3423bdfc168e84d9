#include "GuiTestSupport.h"
#include "TestDatabases.h"

#include "app/LoginDlg.h"
#include "app/MainDlg.h"
#include "app/PopupDlg.h"
#include "db/SessionUser.h"
#include "skin/Outline.h"
#include "skin/SkinButton.h"
#include "skin/WindowSkin.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>

namespace {

class DragWindow : public QWidget
{
protected:
    void mousePressEvent(QMouseEvent* event) override { WindowSkin::dragOnPress(this, event); }
};

void mouse(QWidget* target, QEvent::Type type, const QPoint& global, Qt::MouseButtons buttons)
{
    const QPoint local = target->mapFromGlobal(global);
    QMouseEvent event(type, local, global, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

class TestSkinWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void dragFollowsTheMouseUntilRelease();
    void clickOrTremorDoesNotMove();
    void mainWindowIsShapedAndPaintedFromItsBitmap();
    void pressOnALabelDragsTheMainWindow();
    void pagesLeaveNoMarksBeside();
    void buttonsCarryTheirArtAndNames_data();
    void buttonsCarryTheirArtAndNames();
    void hiDpiUsesTheSharpArtwork();
    void windowsKeepTheArtworksSize();

private:
    std::unique_ptr<CMainDlg> mainWindow();
    std::unique_ptr<CLoginDlg> loginDialog();

    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
    std::unique_ptr<DialogRecorder> m_dialogs;
    SessionUser m_session;
};

void TestSkinWindow::init()
{
    m_gateway = TestDb::open(TestDb::backends().constFirst(), m_dir);
    TestDb::addAccount(*m_gateway, QStringLiteral("admin"), QStringLiteral("pw"), QStringLiteral("管理员"),
                       10);
    m_dialogs = std::make_unique<DialogRecorder>();
}

void TestSkinWindow::cleanup()
{
    m_dialogs.reset();
    m_gateway.reset();
}

std::unique_ptr<CMainDlg> TestSkinWindow::mainWindow()
{
    auto window =
        loggedInWindow(*m_gateway, m_session, m_dir.path(), QStringLiteral("admin"), QStringLiteral("pw"));
    if (!QTest::qWaitForWindowExposed(window.get()))
        qFatal("main window not shown");
    return window;
}

std::unique_ptr<CLoginDlg> TestSkinWindow::loginDialog()
{
    auto dialog =
        std::make_unique<CLoginDlg>(*m_gateway, m_session, m_dir.filePath(QStringLiteral("KVR.ini")));
    dialog->show();
    return dialog;
}

void TestSkinWindow::dragFollowsTheMouseUntilRelease()
{
    // The offscreen platform has no window-manager move, so the window follows by itself.
    DragWindow window;
    window.resize(200, 100);
    window.move(100, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint start = window.pos();
    const QPoint pressAt = window.mapToGlobal(QPoint(50, 40));
    mouse(&window, QEvent::MouseButtonPress, pressAt, Qt::LeftButton);
    mouse(&window, QEvent::MouseMove, pressAt + QPoint(10, 5), Qt::LeftButton);
    mouse(&window, QEvent::MouseMove, pressAt + QPoint(30, 20), Qt::LeftButton);
    QCOMPARE(window.pos(), start + QPoint(30, 20));
    mouse(&window, QEvent::MouseButtonRelease, pressAt + QPoint(30, 20), Qt::NoButton);
    mouse(&window, QEvent::MouseMove, pressAt + QPoint(90, 90), Qt::NoButton);
    QCOMPARE(window.pos(), start + QPoint(30, 20));
    // The right button does not drag.
    mouse(&window, QEvent::MouseButtonPress, pressAt, Qt::RightButton);
    QCOMPARE(window.pos(), start + QPoint(30, 20));
}

void TestSkinWindow::clickOrTremorDoesNotMove()
{
    // The move starts only once the mouse travels with the button held, so that a quick click
    // never hands the window manager a move whose release it misses.
    DragWindow window;
    window.resize(200, 100);
    window.move(100, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint start = window.pos();
    const QPoint pressAt = window.mapToGlobal(QPoint(50, 40));
    mouse(&window, QEvent::MouseButtonPress, pressAt, Qt::LeftButton);
    mouse(&window, QEvent::MouseMove, pressAt + QPoint(2, 1), Qt::LeftButton);
    QCOMPARE(window.pos(), start);
    mouse(&window, QEvent::MouseButtonRelease, pressAt + QPoint(2, 1), Qt::NoButton);
    mouse(&window, QEvent::MouseMove, pressAt + QPoint(60, 40), Qt::NoButton);
    mouse(&window, QEvent::MouseMove, pressAt + QPoint(80, 50), Qt::LeftButton);
    QCOMPARE(window.pos(), start);
}

void TestSkinWindow::mainWindowIsShapedAndPaintedFromItsBitmap()
{
    auto window = mainWindow();
    QCOMPARE(window->mask(), Outline::fromBitmap(WindowSkin::mainBitmap(), QSize(800, 582)));
    // Under a button the window shows its own bitmap, whatever was there before.
    auto* button = window->findChild<CSkinButton*>(QStringLiteral("recordsButton"));
    const QImage bitmap = WindowSkin::mainBitmap();
    const QImage shown = window->grab().toImage();
    const QPoint ground = button->geometry().topLeft() + QPoint(0, button->height() - 1);
    QCOMPARE(shown.pixelColor(ground), bitmap.pixelColor(ground));
    const QPoint middle(400, 20);
    QCOMPARE(shown.pixelColor(middle), bitmap.pixelColor(middle));
    // Every visible control lies inside the outline and clear of the other buttons.
    const QList<QWidget*> controls = window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* control : controls) {
        if (!control->isVisible())
            continue;
        QVERIFY2(window->mask().contains(control->geometry()), qPrintable(control->objectName()));
        if (!qobject_cast<CSkinButton*>(control))
            continue;
        for (QWidget* other : controls) {
            if (other != control && other->isVisible() && qobject_cast<CSkinButton*>(other))
                QVERIFY2(!control->geometry().intersects(other->geometry()),
                         qPrintable(control->objectName() + QLatin1Char('/') + other->objectName()));
        }
    }
}

void TestSkinWindow::pressOnALabelDragsTheMainWindow()
{
    auto window = mainWindow();
    window->move(50, 40);
    auto* header = window->findChild<QLabel*>(QStringLiteral("headerLabel"));
    const QPoint start = window->pos();
    const QPoint pressAt = header->mapToGlobal(QPoint(5, 5));
    mouse(header, QEvent::MouseButtonPress, pressAt, Qt::LeftButton);
    mouse(header, QEvent::MouseMove, pressAt + QPoint(-20, 15), Qt::LeftButton);
    mouse(header, QEvent::MouseButtonRelease, pressAt + QPoint(-20, 15), Qt::NoButton);
    QCOMPARE(window->pos(), start + QPoint(-20, 15));
}

void TestSkinWindow::pagesLeaveNoMarksBeside()
{
    // A hosted page covers the composition's drawings; the strip of card between the page's
    // right edge and the card's border shows nothing of them.
    auto window = mainWindow();
    const QRect page = window->findChild<QWidget*>(QStringLiteral("recordsHolder"))->geometry();
    const QImage bitmap = WindowSkin::mainBitmap();
    for (int y = page.top() + 8; y <= page.bottom(); ++y) { // below the card's rounded corner
        for (int x = page.right() + 1; x < 790; ++x) {
            if (bitmap.pixel(x, y) != qRgb(255, 255, 255))
                QFAIL(qPrintable(QStringLiteral("mark at %1,%2").arg(x).arg(y)));
        }
    }
}

void TestSkinWindow::buttonsCarryTheirArtAndNames_data()
{
    QTest::addColumn<bool>("login");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<QString>("accessibleName");
    // Each is read by what its face shows; the tip is not its name.
    const auto main = [](const char* name, const char* tip, const char* function) {
        QTest::newRow(name) << false << QString::fromLatin1(name) << QString::fromUtf8(tip)
                            << QString::fromUtf8(function);
    };
    main("submitButton", "提交发送!", "提交发送");
    main("pauseButton", "暂停发送!", "暂停发送");
    main("clearTextButton", "清空短信内容!", "清空内容");
    main("dedupeButton", "过滤重复号码!", "过滤重复");
    main("closeButton", "关闭退出!", "关闭");
    main("minimiseButton", "最小化窗口!", "最小化");
    main("manualButton", "", "手动加入");
    main("importButton", "", "导入号码");
    main("exportButton", "", "导出号码");
    main("deleteButton", "", "删除号码");
    main("clearListButton", "", "清空号码");
    main("profileButton", "", "修改信息");
    main("adminButton", "", "管理工具");
    main("recordsButton", "", "发送记录");
    const auto login = [](const char* name, const char* tip, const char* function) {
        QTest::newRow(name) << true << QString::fromLatin1(name) << QString::fromUtf8(tip)
                            << QString::fromUtf8(function);
    };
    login("loginButton", "验证登陆!", "登录");
    login("cornerQuitButton", "关闭退出!", "关闭");
    login("registerButton", "注册充值!", "注册充值");
    login("quitButton", "关闭退出!", "退出");
    login("contactButton", "", "联系我们");
    login("companyButton", "", "公司简介");
    login("homeButton", "", "网站首页");
    login("helpButton", "", "使用帮助");
    login("siteButton", "", "官方网站");
}

void TestSkinWindow::buttonsCarryTheirArtAndNames()
{
    QFETCH(bool, login);
    QFETCH(QString, name);
    QFETCH(QString, tooltip);
    QFETCH(QString, accessibleName);
    std::unique_ptr<QWidget> window;
    if (login)
        window = loginDialog();
    else
        window = mainWindow();
    auto* button = window->findChild<CSkinButton*>(name);
    QVERIFY(button);
    QCOMPARE(button->toolTip(), tooltip);
    QCOMPARE(button->accessibleName(), accessibleName);
    QCOMPARE(button->text(), QString());
    // Both faces exist, differ, and fit the button with room for the pressed shift.
    const QPixmap normal = button->currentIcon();
    button->setDown(true);
    const QPixmap hot = button->currentIcon();
    button->setDown(false);
    QVERIFY(!normal.isNull() && !hot.isNull());
    QVERIFY(normal.toImage() != hot.toImage());
    QVERIFY(QRect(QPoint(0, 0), button->size())
                .contains(QRect(button->iconPosition(), normal.deviceIndependentSize().toSize())));
}

void TestSkinWindow::hiDpiUsesTheSharpArtwork()
{
    if (qApp->devicePixelRatio() < 2)
        QSKIP("runs under QT_SCALE_FACTOR=2 (tst_skin_window_hidpi)");
    auto window = mainWindow();
    QCOMPARE(window->size(), QSize(800, 582));
    const QImage shown = window->grab().toImage();
    QCOMPARE(shown.size(), QSize(1600, 1164));
    const QImage sharp(QStringLiteral(":/skin/main@2x.png"));
    // Title text of the band, pixel for pixel the 2x drawing.
    for (int y = 40; y < 140; ++y) {
        for (int x = 150; x < 400; ++x)
            QCOMPARE(shown.pixel(x, y) | 0xFF000000, sharp.pixel(x, y) | 0xFF000000);
    }
    auto* button = window->findChild<CSkinButton*>(QStringLiteral("manualButton"));
    QCOMPARE(button->currentIcon().devicePixelRatio(), 2.0);
    QCOMPARE(button->currentIcon().deviceIndependentSize().toSize(), QSize(122, 39));
}

void TestSkinWindow::windowsKeepTheArtworksSize()
{
    // At any device pixel ratio: the logical size of the 1x artwork, which fills the window.
    auto window = mainWindow();
    QCOMPARE(window->size(), QSize(800, 582));
    QCOMPARE(loginDialog()->size(), QSize(614, 362));
    auto* picture = window->findChild<QLabel*>(QStringLiteral("profilePicture"));
    QCOMPARE(picture->pixmap().deviceIndependentSize().toSize(), QSize(634, 277));
    QVERIFY(picture->width() >= 634 && picture->height() >= 277);
    QPointer<CPopupDlg> popup = new CPopupDlg({7, "alice", "3", "hello", "2011-03-05 15:04:09"});
    popup->show();
    QVERIFY(QTest::qWaitForWindowExposed(popup));
    QCOMPARE(popup->size(), QSize(271, 143));
    const qreal ratio = popup->devicePixelRatioF();
    const QImage shown = popup->grab().toImage();
    const QImage art = WindowSkin::popupBackground(ratio).toImage();
    QCOMPARE(shown.size(), art.size());
    const QPoint corner(art.width() - 1, art.height() - 1);
    QCOMPARE(shown.pixel(corner) | 0xFF000000, art.pixel(corner) | 0xFF000000);
    delete popup;
}

QTEST_MAIN(TestSkinWindow)
#include "tst_skin_window.moc"
