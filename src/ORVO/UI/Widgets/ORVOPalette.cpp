#include "ORVOPalette.h"

// Selected colours are inverted between the two sets: a near-white segment with near-black text in
// dark mode, the other way round in light mode.

const ORVOPalette& ORVOPalette::dark() {
    static const ORVOPalette palette{
        .background = QColor(22, 22, 22),
        .card = QColor(26, 26, 26),
        .border = QColor(50, 50, 50),
        .divider = QColor(46, 46, 46),
        .field = QColor(29, 29, 29),
        .fieldBorder = QColor(50, 50, 50),
        .text = QColor(255, 255, 255),
        .muted = QColor(150, 150, 150),
        .selectedFill = QColor(234, 231, 228),
        .selectedText = QColor(12, 12, 12),
        .positive = QColor(76, 190, 76),
        .negative = QColor(226, 88, 82),
    };
    return palette;
}

const ORVOPalette& ORVOPalette::light() {
    static const ORVOPalette palette{
        .background = QColor(246, 246, 246),
        .card = QColor(252, 252, 252),
        .border = QColor(214, 214, 214),
        .divider = QColor(224, 224, 224),
        .field = QColor(255, 255, 255),
        .fieldBorder = QColor(208, 208, 208),
        .text = QColor(26, 26, 26),
        .muted = QColor(110, 110, 110),
        .selectedFill = QColor(28, 28, 28),
        .selectedText = QColor(250, 250, 250),
        .positive = QColor(40, 150, 48),
        .negative = QColor(194, 56, 48),
    };
    return palette;
}
