#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>
#include <QString>

// The named symbols of the window ("sun.max", "checkmark.circle", "chevron.down", ...), drawn as
// single-colour SVGs in the icons folder of the resources and tinted at load. Results are cached per
// name, colour, size and device-pixel ratio: the log asks for the same few markers on every render.
class SymbolIcon {
public:
    static bool exists(const QString& name);

    // Only the symbol's shape keeps the tint; the rest is transparent. Null for an unknown name.
    static QPixmap pixmap(const QString& name, const QColor& tint, QSize size, qreal devicePixelRatio);
};
