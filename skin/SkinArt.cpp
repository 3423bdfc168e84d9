#include "skin/SkinArt.h"

#include <QHash>

namespace SkinArt {
namespace {

QString path(const QString& name, bool twice)
{
    return QStringLiteral(":/skin/%1%2.png").arg(name, twice ? QStringLiteral("@2x") : QString());
}

} // namespace

QPixmap pixmap(const QString& name, qreal devicePixelRatio)
{
    // Pixmaps live on the user-interface thread only, so a plain cache will do.
    static QHash<QString, QPixmap> cache;
    const bool twice = devicePixelRatio > 1.0;
    const QString key = path(name, twice);
    auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    QPixmap loaded(key);
    if (twice && loaded.isNull())
        return pixmap(name, 1.0);
    loaded.setDevicePixelRatio(twice ? 2.0 : 1.0);
    cache.insert(key, loaded);
    return loaded;
}

QImage image(const QString& name)
{
    return QImage(path(name, false));
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/skin/icons/kavrel-%1.png").arg(size), QSize(size, size));
    return icon;
}

QString alertSoundPath()
{
    return QStringLiteral(":/skin/sound/mac.wav");
}

} // namespace SkinArt
