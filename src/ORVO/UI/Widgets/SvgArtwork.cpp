#include "SvgArtwork.h"

#include "ResourceBundle.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QSvgRenderer>

QString SvgArtwork::path(const QString& folder, const QString& name) {
    if (name.isEmpty() || name.contains('/')) {
        return {};
    }
    for (const QString& directory : ResourceBundle::searchDirectories()) {
        const QFileInfo info(QDir(directory).filePath(folder), name + QStringLiteral(".svg"));
        if (info.isFile()) {
            return info.absoluteFilePath();
        }
    }
    return {};
}

QSizeF SvgArtwork::naturalSize(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    const QSvgRenderer renderer(path);
    return renderer.isValid() ? QSizeF(renderer.defaultSize()) : QSizeF();
}

QImage SvgArtwork::render(const QString& path, const QSizeF& size, qreal devicePixelRatio) {
    if (path.isEmpty() || size.isEmpty() || devicePixelRatio <= 0) {
        return {};
    }
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        return {};
    }
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    const QSize pixels = (size * devicePixelRatio).toSize();
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    painter.end();
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}
