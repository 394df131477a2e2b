#pragma once

#include <QColor>
#include <QString>

// The window's own colours, independent of the desktop theme. Two fixed sets; the theme pass picks one
// and hands it to every view it recolours.
struct ORVOPalette {
    QColor background;
    QColor card;
    QColor border;
    QColor divider;
    QColor field;
    QColor fieldBorder;
    QColor text;
    QColor muted;
    QColor selectedFill;
    QColor selectedText;
    QColor positive;
    QColor negative;

    // A colour as style sheets write it ("#1a1a1a").
    static QString css(const QColor& colour) { return colour.name(QColor::HexRgb); }

    static const ORVOPalette& dark();
    static const ORVOPalette& light();

    bool operator==(const ORVOPalette&) const = default;
};
