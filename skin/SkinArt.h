#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

// The artwork drawn by the build (resource ":/skin"). Names are paths without the extension:
// "main", "buttons/submit-hot". Every picture exists at 1x and, as "name@2x", at 2x.
namespace SkinArt {

// The picture for a device pixel ratio: the 2x drawing above 1, with its ratio set, so it
// paints at the same logical size and stays sharp. Null for an unknown name.
QPixmap pixmap(const QString& name, qreal devicePixelRatio);
// The 1x pixels, one pixel per logical pixel of the window.
QImage image(const QString& name);
// The application icon at every size the build draws.
QIcon applicationIcon();
// The alert for a waiting batch, as a resource path (":/skin/sound/mac.wav").
QString alertSoundPath();

} // namespace SkinArt
