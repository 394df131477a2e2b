#include "SymbolIcon.h"

#include "SvgArtwork.h"

#include <QHash>
#include <QPainter>

namespace {
QString iconPath(const QString& name) {
    return SvgArtwork::path(QStringLiteral("icons"), name);
}
} // namespace

bool SymbolIcon::exists(const QString& name) {
    return !iconPath(name).isEmpty();
}

QPixmap SymbolIcon::pixmap(const QString& name, const QColor& tint, QSize size, qreal devicePixelRatio) {
    static QHash<QString, QPixmap> cache;
    const QString key = QStringLiteral("%1|%2|%3x%4|%5")
                            .arg(name, tint.name(QColor::HexArgb))
                            .arg(size.width())
                            .arg(size.height())
                            .arg(devicePixelRatio);
    const auto cached = cache.constFind(key);
    if (cached != cache.constEnd()) {
        return *cached;
    }

    QImage image = SvgArtwork::render(iconPath(name), size, devicePixelRatio);
    if (!image.isNull()) {
        // The drawing's coverage becomes the alpha of a solid tint.
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRectF(QPointF(0, 0), QSizeF(size)), tint);
    }
    QPixmap result = QPixmap::fromImage(image);
    cache.insert(key, result);
    return result;
}
