#include "ORVOImages.h"

#include "SvgArtwork.h"

namespace {
QString imagePath(const QString& name) {
    return SvgArtwork::path(QStringLiteral("images"), name);
}
} // namespace

QPixmap ORVOImages::image(const QString& name, QSizeF size, qreal devicePixelRatio) {
    const QString path = imagePath(name);
    if (size.isEmpty()) {
        size = SvgArtwork::naturalSize(path);
    }
    return QPixmap::fromImage(SvgArtwork::render(path, size, devicePixelRatio));
}

QSizeF ORVOImages::naturalSize(const QString& name) {
    return SvgArtwork::naturalSize(imagePath(name));
}
