// Draws the client's artwork: window backgrounds, pictures, button faces, the application
// icon at every bitmap size and the alert sound. Run by the build on the offscreen platform:
//   kavrel-artgen --out DIR --font CJK_FONT_FILE --svg ICON_SVG --buttons MANIFEST
#include "Backgrounds.h"
#include "ButtonFaces.h"
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
            return fail(QStringLiteral("%1 carries the key colour").arg(QLatin1String(picture.name)));
        const QString base = out.filePath(QLatin1String(picture.name));
        if (!save(picture.pair.x1, base + QStringLiteral(".png")) ||
            !save(picture.pair.x2, base + QStringLiteral("@2x.png")))
            return fail(QStringLiteral("cannot write %1").arg(base));
    }

    QString error;
    const QList<ButtonArt> buttons =
        ButtonFaces::readManifest(parser.value(QStringLiteral("buttons")), &error);
    if (buttons.isEmpty())
        return fail(error.isEmpty() ? QStringLiteral("the button manifest is empty") : error);
    for (const ButtonArt& button : buttons) {
        for (const bool hot : {false, true}) {
            for (const int scale : {1, 2}) {
                const QImage face = ButtonFaces::draw(button, hot, scale, family);
                const QString path =
                    out.filePath(QStringLiteral("buttons/%1%2%3.png")
                                     .arg(button.name, hot ? QStringLiteral("-hot") : QString(),
                                          scale == 2 ? QStringLiteral("@2x") : QString()));
                if (face.isNull())
                    return fail(QStringLiteral("%1: unknown face, tone or glyph").arg(button.name));
                if (!save(face, path))
                    return fail(QStringLiteral("cannot write %1").arg(path));
            }
        }
    }

    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString path = out.filePath(QStringLiteral("icons/kavrel-%1.png").arg(size));
        if (!save(renderIcon(logo, size), path))
            return fail(QStringLiteral("cannot write %1").arg(path));
    }
    QFile source(parser.value(QStringLiteral("svg")));
    if (!source.open(QIODevice::ReadOnly) ||
        !saveBytes(source.readAll(), out.filePath(QStringLiteral("icons/kavrel.svg"))))
        return fail(QStringLiteral("cannot copy the icon source"));
    if (!saveBytes(Sound::alertWave(), out.filePath(QStringLiteral("sound/mac.wav"))))
        return fail(QStringLiteral("cannot write the alert sound"));
    return 0;
}
