#pragma once

#include <QImage>
#include <QSizeF>
#include <QString>

// Vector artwork that ships beside the program in a subfolder of the resource folders
// (icons/, images/), rasterised at device pixels so it stays crisp on high-density screens.
class SvgArtwork {
public:
    // Full path of <folder>/<name>.svg in the first resource folder that has it, or an empty string.
    static QString path(const QString& folder, const QString& name);

    // The SVG's own size in logical pixels (its width and height), or an empty size when unreadable.
    static QSizeF naturalSize(const QString& path);

    // Renders the SVG into an image of size × devicePixelRatio device pixels, aspect ratio kept and
    // centred, with that ratio set on the image. Null when the file is missing or invalid.
    static QImage render(const QString& path, const QSizeF& size, qreal devicePixelRatio);
};
