// The application style: readable captions on every face of the palette, a focus ring for the
// keyboard only, inputs with room for their text, the sidebar's page mark, one title for every
// message box, the smooth outline where a compositor runs, and small icons drawn for their size.
#include "GuiTestSupport.h"

#include "app/MainDlg.h"
#include "skin/Compositor.h"
#include "skin/KeyboardFocus.h"
#include "skin/Outline.h"
#include "skin/Palette.h"
#include "skin/SkinArt.h"
#include "skin/SkinButton.h"
#include "skin/WindowSkin.h"
#include "widgets/AppStyle.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

class TestStyle : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void captionsAreReadable_data();
    void captionsAreReadable();
    void focusRingStandsOutOnEveryFace();
    void focusRingFollowsTheKeyboardOnly();
    void inputsHaveRoomAndKeepTheirPlace();
    void sidebarMarksThePageShown();
    void messageBoxesShareOneTitleAndBelongToTheirWindow();
    void compositorGetsTheSmoothOutline();
    void smallIconsKeepTheirDotsApart();

private:
    std::unique_ptr<LookScenes> m_scenes;
};

void TestStyle::initTestCase()
{
    AppStyle::apply(*qApp);
    m_scenes = std::make_unique<LookScenes>();
}

void TestStyle::captionsAreReadable_data()
{
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("ground");
    const Palette::TextPair* lowest = nullptr;
    const QList<Palette::TextPair> pairs = Palette::textPairs();
    for (const Palette::TextPair& pair : pairs) {
        QTest::addRow("%s: %s on %s", pair.name, qPrintable(pair.text.name()), qPrintable(pair.ground.name()))
            << pair.text << pair.ground;
        if (!lowest ||
            Palette::contrast(pair.text, pair.ground) < Palette::contrast(lowest->text, lowest->ground))
            lowest = &pair;
    }
    qInfo("lowest contrast: %s, %.2f:1", lowest->name, Palette::contrast(lowest->text, lowest->ground));
}

void TestStyle::captionsAreReadable()
{
    QFETCH(QColor, text);
    QFETCH(QColor, ground);
    // WCAG AA for normal text.
    QVERIFY2(Palette::contrast(text, ground) >= 4.5,
             qPrintable(QString::number(Palette::contrast(text, ground))));
}

void TestStyle::focusRingStandsOutOnEveryFace()
{
    // Non-text contrast: one of the two rings keeps 3:1 against any face it is drawn on.
    for (const QColor& ground : Palette::focusGrounds()) {
        const double best = std::max(Palette::contrast(Palette::focusRing, ground),
                                     Palette::contrast(Palette::focusInner, ground));
        QVERIFY2(best >= 3.0, qPrintable(ground.name()));
    }
}

void TestStyle::focusRingFollowsTheKeyboardOnly()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new QLineEdit(&window);
    auto* button = new QPushButton(QStringLiteral("查询"), &window);
    layout->addWidget(edit);
    layout->addWidget(button);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::mouseClick(edit, Qt::LeftButton);
    QVERIFY(edit->hasFocus());
    QVERIFY(!KeyboardFocus::ringOn(edit)); // clicked: no ring

    QTest::keyClick(edit, Qt::Key_Tab);
    QVERIFY(button->hasFocus());
    QVERIFY(KeyboardFocus::ringOn(button));
    const QImage shown = button->grab().toImage();
    const int y = button->height() / 2;
    QCOMPARE(shown.pixel(1, y), Palette::focusRing.rgb()); // navy outside, white inside
    QCOMPARE(shown.pixel(2, y), Palette::focusInner.rgb());

    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!KeyboardFocus::ringOn(button));
}

void TestStyle::inputsHaveRoomAndKeepTheirPlace()
{
    for (const LookScenes::Scene& scene : LookScenes::all()) {
        QWidget* shown = m_scenes->build(QString::fromLatin1(scene.name));
        for (QWidget* input : shown->findChildren<QWidget*>()) {
            const QWidget* parent = input->parentWidget();
            const bool editor = qobject_cast<QLineEdit*>(input) || qobject_cast<QAbstractSpinBox*>(input) ||
                                qobject_cast<QComboBox*>(input);
            if (!editor || !input->isVisible() || qobject_cast<const QAbstractSpinBox*>(parent) ||
                qobject_cast<const QComboBox*>(parent))
                continue;
            const QString where = QLatin1String(scene.name) + QLatin1Char('/') + input->objectName();
            // 24 pixels wherever the dialog's rows leave room; rows of 14 units leave 21.
            QVERIFY2(input->height() >= 20, qPrintable(where));
            // Growing never reaches into the control above or below; a caption beside it may
            // touch it, as the dialog places them, and a group box holds it.
            for (const QWidget* other : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                const QRect r = input->geometry();
                const int middle = other->geometry().center().y();
                if (other != input && other->isVisible() && !other->geometry().contains(r) &&
                    (middle < r.top() || middle > r.bottom()))
                    QVERIFY2(!other->geometry().intersects(r),
                             qPrintable(where + QStringLiteral(" meets ") + other->objectName()));
            }
        }
    }
    const QWidget* login = m_scenes->build(QStringLiteral("login"));
    QCOMPARE(login->findChild<QLineEdit*>(QStringLiteral("loginName"))->geometry(), QRect(74, 158, 135, 24));
}

void TestStyle::sidebarMarksThePageShown()
{
    QWidget* window = m_scenes->build(QStringLiteral("main"));
    const QStringList marked = {QStringLiteral("manualButton"), QStringLiteral("profileButton"),
                                QStringLiteral("adminButton"), QStringLiteral("recordsButton")};
    const auto current = [&] {
        QStringList names;
        for (const CSkinButton* button : window->findChildren<CSkinButton*>()) {
            if (button->isCurrent())
                names << button->objectName();
        }
        return names;
    };
    QCOMPARE(current(), QStringList());
    const QImage normal =
        window->findChild<CSkinButton*>(QStringLiteral("recordsButton"))->currentIcon().toImage();
    for (const QString& name : marked) {
        auto* button = window->findChild<CSkinButton*>(name);
        button->click();
        QCOMPARE(current(), QStringList{name});
        QVERIFY(button->currentIcon().toImage() != normal);
    }
    window->findChild<CSkinButton*>(QStringLiteral("recordsButton"))->click(); // back to the composition
    QCOMPARE(current(), QStringList());
}

void TestStyle::messageBoxesShareOneTitleAndBelongToTheirWindow()
{
    QWidget* window = m_scenes->build(QStringLiteral("main"));
    QWidget* page = window->findChild<QWidget*>(QStringLiteral("recordsPage"));
    DialogRecorder dialogs;
    Dialogs::inform(page, QStringLiteral("a"));
    Dialogs::informCaptioned(page, QStringLiteral("b"), Dialogs::kOops);
    Dialogs::ask(page, QStringLiteral("c"), QStringLiteral("提示!"), Dialogs::Icon::None);
    QCOMPARE(dialogs.messages.size(), 3);
    for (const Dialogs::Message& message : dialogs.messages) {
        QCOMPARE(message.title, QStringLiteral("提示"));
        QCOMPARE(message.owner, window);
    }
    QCOMPARE(dialogs.messages[1].caption, Dialogs::kOops);

    const auto box = Dialogs::messageBox(dialogs.messages[2]);
    QCOMPARE(box->parentWidget(), window);
    QCOMPARE(box->windowTitle(), QStringLiteral("提示"));
    for (const QAbstractButton* button : box->buttons())
        QVERIFY(button->icon().isNull());
    const QImage mark = box->style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32).toImage();
    QCOMPARE(mark.convertToFormat(QImage::Format_ARGB32), SkinArt::pixmap(QStringLiteral("marks/question"), 1)
                                                              .toImage()
                                                              .convertToFormat(QImage::Format_ARGB32));
}

void TestStyle::compositorGetsTheSmoothOutline()
{
    QWidget* window = m_scenes->build(QStringLiteral("main"));
    const QRegion cut = Outline::fromBitmap(WindowSkin::mainBitmap(), window->size());
    QCOMPARE(window->mask(), cut);
    Compositor::setOverride(true);
    QVERIFY(window->mask().isEmpty());
    for (const qreal ratio : {1.0, 2.0}) {
        // The corner blends: some pixels of its arc are neither cut nor solid.
        const QImage art = WindowSkin::mainBackground(ratio).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(art.size(), QSize(800, 582) * ratio);
        int partial = 0;
        for (int y = 0; y < 14 * ratio; ++y) {
            for (int x = 0; x < 14 * ratio; ++x)
                partial += qAlpha(art.pixel(x, y)) > 0 && qAlpha(art.pixel(x, y)) < 255;
        }
        QVERIFY2(partial >= 6 * ratio, qPrintable(QString::number(partial)));
    }
    Compositor::setOverride(false);
    QCOMPARE(window->mask(), cut);
    QCOMPARE(qAlpha(WindowSkin::mainBackground(1).toImage().pixel(1, 1)), 0);
    Compositor::setOverride(std::nullopt);
}

void TestStyle::smallIconsKeepTheirDotsApart()
{
    // At 16 pixels the three dots sit on the pixel grid with a white pixel between them.
    const QImage icon =
        QImage(QStringLiteral(":/skin/icons/kavrel-16.png")).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(icon.size(), QSize(16, 16));
    const auto orange = [&](int x) {
        return QColor(icon.pixel(x, 6)).hue() > 20 && QColor(icon.pixel(x, 6)).hue() < 45;
    };
    for (int x : {4, 5, 7, 8, 10, 11})
        QVERIFY2(orange(x), qPrintable(QString::number(x)));
    for (int x : {3, 6, 9, 12})
        QCOMPARE(icon.pixel(x, 6), qRgb(255, 255, 255));
}

QTEST_MAIN(TestStyle)
#include "tst_style.moc"
