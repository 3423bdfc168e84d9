// Draws the client's artwork: window backgrounds, pictures, button faces, the marks of the
// message boxes, the application icon at every bitmap size and the alert sound. Run by the build
// on the offscreen platform:
//   kavrel-artgen --out DIR --font CJK_FONT_FILE --svg ICON_SVG --buttons MANIFEST
// Small icon sizes have drawings of their own beside ICON_SVG (kavrel-16.svg for kavrel.svg).
#include "Backgrounds.h"
#include "ButtonFaces.h"
#include "Marks.h"
#include "Sound.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "kavrel-artgen: %s\n", qPrintable(message));
    return 1;
}

bool save(const QImage& image, const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    return !image.isNull() && image.save(path, "PNG");
}

bool saveBytes(const QByteArray& bytes, const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString loadFamily(const QString& fontFile)
{
    const int id = QFontDatabase::addApplicationFont(fontFile);
    for (const QString& family : QFontDatabase::applicationFontFamilies(id)) {
        if (!family.contains(QLatin1String("Mono")))
            return family;
    }
    return {};
}

QImage renderIcon(QSvgRenderer& svg, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    svg.render(&p, QRectF(0, 0, size, size));
    return image;
}

QString scaled(const QString& base, int scale)
{
    return base + (scale == 2 ? QStringLiteral("@2x.png") : QStringLiteral(".png"));
}

QString saveWindows(const QDir& out, const Backgrounds::Art& art)
{
    const struct
    {
        const char* name;
        Backgrounds::Pair pair;
        bool shaped;
    } pictures[] = {{"main", Backgrounds::main(art), true},
                    {"login", Backgrounds::login(art), true},
                    {"popup", Backgrounds::popup(art), false},
                    {"profile", Backgrounds::profile(art), false}};
    for (const auto& picture : pictures) {
        if (!picture.shaped && Backgrounds::countKeyPixels(picture.pair.x1) != 0)
            return QStringLiteral("%1 carries the key colour").arg(QLatin1String(picture.name));
        const QString base = out.filePath(QLatin1String(picture.name));
        if (!save(picture.pair.x1, scaled(base, 1)) || !save(picture.pair.x2, scaled(base, 2)))
            return QStringLiteral("cannot write %1").arg(base);
        if (picture.shaped && (!save(picture.pair.smooth1, scaled(base + QStringLiteral("-smooth"), 1)) ||
                               !save(picture.pair.smooth2, scaled(base + QStringLiteral("-smooth"), 2))))
            return QStringLiteral("cannot write %1-smooth").arg(base);
    }
    return {};
}

QString saveButtons(const QDir& out, const QString& manifest, const QString& family)
{
    QString error;
    const QList<ButtonArt> buttons = ButtonFaces::readManifest(manifest, &error);
    if (buttons.isEmpty())
        return error.isEmpty() ? QStringLiteral("the button manifest is empty") : error;
    using ButtonFaces::Variant;
    const std::pair<Variant, QString> variants[] = {{Variant::Normal, QString()},
                                                    {Variant::Hot, QStringLiteral("-hot")},
                                                    {Variant::Current, QStringLiteral("-current")}};
    for (const ButtonArt& button : buttons) {
        for (const auto& [variant, suffix] : variants) {
            if (variant == Variant::Current && button.face != QLatin1String("tile"))
                continue;
            for (const int scale : {1, 2}) {
                const QImage face = ButtonFaces::draw(button, variant, scale, family);
                const QString path =
                    scaled(out.filePath(QStringLiteral("buttons/") + button.name + suffix), scale);
                if (face.isNull())
                    return QStringLiteral("%1: unknown face, tone or glyph").arg(button.name);
                if (!save(face, path))
                    return QStringLiteral("cannot write %1").arg(path);
            }
        }
    }
    return {};
}

QString saveMarks(const QDir& out)
{
    for (const QString& name : Marks::names()) {
        for (const int scale : {1, 2}) {
            const QString path = scaled(out.filePath(QStringLiteral("marks/") + name), scale);
            if (!save(Marks::draw(name, scale), path))
                return QStringLiteral("cannot write %1").arg(path);
        }
    }
    return {};
}

// Sizes up to 32 pixels come from their own drawing where there is one: fewer details, laid on
// the pixel grid, so the dots stay dots.
QString saveIcons(const QDir& out, const QString& svgPath, QSvgRenderer& logo)
{
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString small = svgPath.chopped(4) + QStringLiteral("-%1.svg").arg(size);
        const bool hasOwn = QFileInfo::exists(small);
        QSvgRenderer own;
        if (hasOwn && !own.load(small))
            return QStringLiteral("cannot read %1").arg(small);
        const QString path = out.filePath(QStringLiteral("icons/kavrel-%1.png").arg(size));
        if (!save(renderIcon(hasOwn ? own : logo, size), path))
            return QStringLiteral("cannot write %1").arg(path);
    }
    QFile source(svgPath);
    if (!source.open(QIODevice::ReadOnly) ||
        !saveBytes(source.readAll(), out.filePath(QStringLiteral("icons/kavrel.svg"))))
        return QStringLiteral("cannot copy the icon source");
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("out"), QStringLiteral("output folder"), QStringLiteral("dir")});
    parser.addOption({QStringLiteral("font"), QStringLiteral("CJK font file"), QStringLiteral("file")});
    parser.addOption(
        {QStringLiteral("svg"), QStringLiteral("application icon source"), QStringLiteral("file")});
    parser.addOption({QStringLiteral("buttons"), QStringLiteral("button manifest"), QStringLiteral("file")});
    parser.process(app);
    const QDir out(parser.value(QStringLiteral("out")));
    if (!QDir().mkpath(out.path()))
        return fail(QStringLiteral("cannot create %1").arg(out.path()));

    const QString family = loadFamily(parser.value(QStringLiteral("font")));
    if (family.isEmpty())
        return fail(QStringLiteral("cannot load the CJK font %1 (install fonts-wqy-microhei)")
                        .arg(parser.value(QStringLiteral("font"))));
    QSvgRenderer logo(parser.value(QStringLiteral("svg")));
    if (!logo.isValid())
        return fail(
            QStringLiteral("cannot read the icon source %1").arg(parser.value(QStringLiteral("svg"))));

    const Backgrounds::Art art{family, &logo};
    for (const QString& error :
         {saveWindows(out, art), saveButtons(out, parser.value(QStringLiteral("buttons")), family),
          saveMarks(out), saveIcons(out, parser.value(QStringLiteral("svg")), logo)}) {
        if (!error.isEmpty())
            return fail(error);
    }
    if (!saveBytes(Sound::alertWave(), out.filePath(QStringLiteral("sound/mac.wav"))))
        return fail(QStringLiteral("cannot write the alert sound"));
    return 0;
}
