// Every window and page as the user sees it, against reference images kept in the repository:
// an unintended change of look fails here. Windows are compared with docs/screenshots, pages
// with tests/look, at the device pixel ratio the test runs at (tst_look_hidpi runs at 2).
// KAVREL_LOOK_UPDATE=1 writes the references instead (scripts/update-look-references.sh).
#include "GuiTestSupport.h"

#include "common/Translations.h"
#include "widgets/AppStyle.h"

#include <QApplication>
#include <QDir>
#include <QTest>

namespace {

// A pixel differs when a channel is off by more than this; a few may, for font rendering.
constexpr int kChannelTolerance = 24;
constexpr double kDifferingShare = 0.002;

QString referencePath(const QString& name, bool window, int ratio)
{
    const QString folder = window ? QStringLiteral("docs/screenshots") : QStringLiteral("tests/look");
    return QStringLiteral(KAVREL_SOURCE_DIR "/%1/%2@%3x.png").arg(folder, name).arg(ratio);
}

bool opaque(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        if (std::any_of(row, row + argb.width(), [](QRgb p) { return qAlpha(p) != 255; }))
            return false;
    }
    return true;
}

// Pixels that differ, and an image of them (red where they do) for the failure message.
int differing(const QImage& shown, const QImage& reference, QImage* marks)
{
    const QImage a = shown.convertToFormat(QImage::Format_ARGB32);
    const QImage b = reference.convertToFormat(QImage::Format_ARGB32);
    *marks = b.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int off =
                std::max({std::abs(qRed(p[x]) - qRed(q[x])), std::abs(qGreen(p[x]) - qGreen(q[x])),
                          std::abs(qBlue(p[x]) - qBlue(q[x])), std::abs(qAlpha(p[x]) - qAlpha(q[x]))});
            if (off > kChannelTolerance) {
                ++count;
                marks->setPixel(x, y, qRgb(255, 0, 0));
            }
        }
    }
    return count;
}

} // namespace

class TestLook : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void looksAsItsReference_data();
    void looksAsItsReference();

private:
    std::unique_ptr<LookScenes> m_scenes;
};

void TestLook::initTestCase()
{
    QVERIFY2(Translations::install(*qApp), "qt6-translations-l10n is not installed");
    QApplication::setWindowIcon(QIcon());
    AppStyle::apply(*qApp);
    m_scenes = std::make_unique<LookScenes>();
}

void TestLook::looksAsItsReference_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("window");
    for (const LookScenes::Scene& scene : LookScenes::all())
        QTest::newRow(scene.name) << QString::fromLatin1(scene.name) << scene.window;
}

void TestLook::looksAsItsReference()
{
    QFETCH(QString, name);
    QFETCH(bool, window);
    const int ratio = qRound(qApp->devicePixelRatio());
    const QImage shown = LookScenes::render(m_scenes->build(name));
    const QString path = referencePath(name, window, ratio);
    if (qEnvironmentVariableIntValue("KAVREL_LOOK_UPDATE")) {
        QDir().mkpath(QFileInfo(path).path());
        // Opaque scenes are kept without alpha and compressed hard: the references live in git.
        const QImage kept = opaque(shown) ? shown.convertToFormat(QImage::Format_RGB888) : shown;
        QVERIFY2(kept.save(path, "PNG", 0), qPrintable(path));
        return;
    }
    const QImage reference(path);
    QVERIFY2(!reference.isNull(),
             qPrintable(path + QStringLiteral(" is missing: run scripts/update-look-references.sh")));
    QCOMPARE(shown.size(), reference.size());
    QImage marks;
    const int count = differing(shown, reference, &marks);
    if (count > shown.width() * shown.height() * kDifferingShare) {
        const QString failed =
            QDir::current().filePath(QStringLiteral("look-failures/%1@%2x").arg(name).arg(ratio));
        QDir().mkpath(QFileInfo(failed).path());
        shown.save(failed + QStringLiteral("-shown.png"));
        marks.save(failed + QStringLiteral("-differs.png"));
        QFAIL(qPrintable(
            QStringLiteral("%1 pixels differ from %2; see %3-*.png").arg(count).arg(path, failed)));
    }
}

QTEST_MAIN(TestLook)
#include "tst_look.moc"
