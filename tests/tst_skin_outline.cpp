#include "skin/Outline.h"
#include "skin/SkinArt.h"
#include "skin/WindowSkin.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <functional>

namespace {

const QRgb kGreen = qRgb(0, 255, 0);

// The outline as the one-pixel-at-a-time cut would make it.
QRegion cutPixelByPixel(const QImage& bitmap, const QSize& area)
{
    QRegion region(0, 0, area.width(), area.height());
    for (int x = 0; x < std::min(area.width(), bitmap.width()); ++x) {
        for (int y = 0; y < std::min(area.height(), bitmap.height()); ++y) {
            if ((bitmap.pixel(x, y) & 0xFFFFFF) == (kGreen & 0xFFFFFF))
                region ^= QRegion(x, y, 1, 1);
        }
    }
    return region;
}

QImage filled(const QSize& size, QRgb color, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, format);
    image.fill(color);
    return image;
}

// A bitmap with green wherever green(x, y) says; kept, when given, counts the other pixels.
QImage sprinkled(const QSize& size, const std::function<bool(int, int)>& green, int* kept = nullptr)
{
    QImage image = filled(size, qRgb(90, 90, 90));
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            if (green(x, y))
                image.setPixel(x, y, kGreen);
            else if (kept)
                ++*kept;
        }
    }
    return image;
}

} // namespace

// The window outlines cut from the bitmaps, and the artwork the build draws.
class TestSkinOutline : public QObject
{
    Q_OBJECT
private slots:
    void outlineMatchesThePixelCut_data();
    void outlineMatchesThePixelCut();
    void shapeKeepsUnusableOutlinesRectangular_data();
    void shapeKeepsUnusableOutlinesRectangular();
    void windowBitmapsAreCutOnlyAtTheRim_data();
    void windowBitmapsAreCutOnlyAtTheRim();
    void picturesHaveNoKeyColour_data();
    void picturesHaveNoKeyColour();
    void iconAndSoundAreBuilt();
};

void TestSkinOutline::outlineMatchesThePixelCut_data()
{
    QTest::addColumn<QImage>("bitmap");
    QTest::addColumn<QSize>("area");
    QTest::addColumn<int>("keptPixels");

    QTest::newRow("no green") << filled(QSize(40, 30), qRgb(10, 200, 10)) << QSize(40, 30) << 1200;
    QTest::newRow("almost green stays") << filled(QSize(40, 30), qRgb(0, 254, 0)) << QSize(40, 30) << 1200;
    QImage one = filled(QSize(40, 30), qRgb(255, 255, 255));
    one.setPixel(17, 11, kGreen);
    QTest::newRow("one green pixel") << one << QSize(40, 30) << 1199;
    QImage near = one;
    near.setPixel(18, 11, qRgb(0, 254, 0));
    near.setPixel(19, 11, qRgb(1, 255, 0));
    near.setPixel(20, 11, qRgb(0, 255, 1));
    QTest::newRow("neighbours of green") << near << QSize(40, 30) << 1199;
    int checkerKept = 0;
    const QImage checker = sprinkled(
        QSize(33, 21), [](int x, int y) { return (x + y) % 2 == 1; }, &checkerKept);
    QTest::newRow("checkerboard") << checker << QSize(33, 21) << checkerKept;
    QRandomGenerator random(9);
    int noiseKept = 0;
    const QImage noise = sprinkled(
        QSize(64, 48), [&](int, int) { return random.bounded(10) < 3; }, &noiseKept);
    QTest::newRow("noise") << noise << QSize(64, 48) << noiseKept;
    const QImage rows = sprinkled(QSize(20, 20), [](int x, int y) { return y == 0 || y == 19 || x == 19; });
    QTest::newRow("green edges") << rows << QSize(20, 20) << 18 * 19;
    QTest::newRow("all green") << filled(QSize(20, 10), kGreen) << QSize(20, 10) << 0;
    QTest::newRow("bitmap smaller than the window") << filled(QSize(10, 10), kGreen) << QSize(20, 15) << 200;
    QTest::newRow("bitmap larger than the window") << rows << QSize(10, 10) << 90;
    QTest::newRow("no bitmap") << QImage() << QSize(12, 7) << 84;
    QImage alpha = filled(QSize(10, 10), qRgba(0, 255, 0, 0), QImage::Format_ARGB32);
    alpha.setPixel(3, 3, qRgba(0, 0, 0, 0));
    QTest::newRow("alpha is ignored") << alpha << QSize(10, 10) << 1;
    QTest::newRow("24-bit bitmap") << one.convertToFormat(QImage::Format_RGB888) << QSize(40, 30) << 1199;
    QTest::newRow("indexed bitmap") << one.convertToFormat(QImage::Format_Indexed8) << QSize(40, 30) << 1199;
    QTest::newRow("main window") << WindowSkin::mainBitmap() << QSize(800, 582) << -1;
    QTest::newRow("login window") << WindowSkin::loginBitmap() << QSize(614, 362) << -1;
}

void TestSkinOutline::outlineMatchesThePixelCut()
{
    QFETCH(QImage, bitmap);
    QFETCH(QSize, area);
    QFETCH(int, keptPixels);
    const QRegion outline = Outline::fromBitmap(bitmap, area);
    // Equal as regions, rectangle for rectangle: the runs give Qt's own banded form.
    QCOMPARE(outline, cutPixelByPixel(bitmap, area));
    if (keptPixels >= 0) {
        int area = 0;
        for (const QRect& r : outline)
            area += r.width() * r.height();
        QCOMPARE(area, keptPixels);
    }
}

void TestSkinOutline::shapeKeepsUnusableOutlinesRectangular_data()
{
    QTest::addColumn<QImage>("bitmap");
    QTest::addColumn<bool>("shaped");
    QImage corner = filled(QSize(100, 80), qRgb(1, 2, 3));
    corner.setPixel(0, 0, kGreen);
    QTest::newRow("one corner cut") << corner << true;
    QTest::newRow("no green") << filled(QSize(100, 80), qRgb(0, 254, 0)) << false;
    QTest::newRow("all green") << filled(QSize(100, 80), kGreen) << false;
    QTest::newRow("green beyond the window only") << [] {
        QImage wide = filled(QSize(300, 80), qRgb(1, 2, 3));
        wide.setPixel(200, 5, kGreen);
        return wide;
    }() << false;
}

void TestSkinOutline::shapeKeepsUnusableOutlinesRectangular()
{
    QFETCH(QImage, bitmap);
    QFETCH(bool, shaped);
    QWidget window;
    window.resize(100, 80);
    QCOMPARE(WindowSkin::shape(&window, bitmap), shaped);
    if (shaped) {
        QVERIFY(!window.mask().contains(QPoint(0, 0)));
        QVERIFY(window.mask().contains(QPoint(1, 0)));
    } else {
        QVERIFY(window.mask().isEmpty()); // no mask: the whole rectangle
    }
}

void TestSkinOutline::windowBitmapsAreCutOnlyAtTheRim_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::newRow("main") << "main" << QSize(800, 582);
    QTest::newRow("login") << "login" << QSize(614, 362);
}

void TestSkinOutline::windowBitmapsAreCutOnlyAtTheRim()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QImage one = SkinArt::image(name);
    const QImage two = QImage(QStringLiteral(":/skin/%1@2x.png").arg(name));
    QCOMPARE(one.size(), size);
    QCOMPARE(two.size(), size * 2);
    QCOMPARE(one.depth() == 24 || one.format() == QImage::Format_RGB32, true);
    // Corners are cut, the inside is whole, and the 2x drawing cuts the same window pixels.
    const QRegion outline = Outline::fromBitmap(one, size);
    for (const QPoint corner : {QPoint(0, 0), QPoint(size.width() - 1, 0), QPoint(0, size.height() - 1),
                                QPoint(size.width() - 1, size.height() - 1)})
        QVERIFY(!outline.contains(corner));
    QVERIFY(outline.contains(QRect(QPoint(14, 0), QSize(size.width() - 28, size.height()))));
    QVERIFY(outline.contains(QRect(QPoint(0, 14), QSize(size.width(), size.height() - 28))));
    for (int y = 0; y < two.height(); ++y) {
        for (int x = 0; x < two.width(); ++x) {
            const bool cut = (two.pixel(x, y) & 0xFFFFFF) == (kGreen & 0xFFFFFF);
            if (cut == outline.contains(QPoint(x / 2, y / 2)))
                QFAIL(qPrintable(QStringLiteral("2x pixel %1,%2 disagrees with the outline").arg(x).arg(y)));
        }
    }
}

void TestSkinOutline::picturesHaveNoKeyColour_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::newRow("popup") << "popup" << QSize(271, 143);
    QTest::newRow("profile") << "profile" << QSize(634, 277);
}

void TestSkinOutline::picturesHaveNoKeyColour()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QPixmap shown =
        name == QLatin1String("popup") ? WindowSkin::popupBackground(1) : WindowSkin::profilePicture(1);
    QCOMPARE(shown.size(), size);
    QCOMPARE(Outline::fromBitmap(shown.toImage(), size), QRegion(0, 0, size.width(), size.height()));
    const QPixmap sharp =
        name == QLatin1String("popup") ? WindowSkin::popupBackground(2) : WindowSkin::profilePicture(2);
    QCOMPARE(sharp.deviceIndependentSize().toSize(), size);
    QCOMPARE(sharp.size(), size * 2);
}

void TestSkinOutline::iconAndSoundAreBuilt()
{
    const QIcon icon = WindowSkin::applicationIcon();
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        QCOMPARE(icon.pixmap(QSize(size, size), 1.0).size(), QSize(size, size));
    QFile sound(SkinArt::alertSoundPath());
    QVERIFY(sound.open(QIODevice::ReadOnly));
    const QByteArray wave = sound.readAll();
    QVERIFY(wave.startsWith("RIFF"));
    QCOMPARE(wave.mid(8, 8), QByteArray("WAVEfmt "));
    QVERIFY(wave.size() > 10000 && wave.size() < 100000); // a short alert
}

QTEST_MAIN(TestSkinOutline)
#include "tst_skin_outline.moc"
