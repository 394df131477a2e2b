#pragma once

#include <QPixmap>
#include <QSizeF>
#include <QString>

// The illustrations of the window and the first-run guide ("AdapterRing", "GuideMagneticPort",
// "GuideAFMFButton"), loaded from the images folder of the resources.
class ORVOImages {
public:
    // The image at the given logical size (its own size when empty), drawn at device pixels for the
    // given ratio. Null when the image is missing, so callers leave their image view empty.
    static QPixmap image(const QString& name, QSizeF size = {}, qreal devicePixelRatio = 1.0);

    // The image's own size in logical pixels; empty when missing.
    static QSizeF naturalSize(const QString& name);
};
