#pragma once

#include <QFont>

// The window's text styles: the desktop's general font at fixed point sizes and weights, whatever the
// user's font size setting. Each style is made once, on first use (a GUI application must exist).
//
// Chinese, Japanese, Korean and Thai need no family of their own here: when fontconfig has Noto Sans
// CJK and the Thai fonts installed, Qt falls back to them per character.
class Typography {
public:
    static QFont windowTitle();
    static QFont cardTitle();
    static QFont fieldLabel();
    static QFont fieldValue();
    static QFont segment();
    static QFont productName();
    static QFont status();
    static QFont log();
    static QFont deviceRow();
    static QFont button();
    static QFont primaryButton();

    // The heavy display face of the profile badge: the black weight of Noto Sans CJK (or of a
    // sibling family) when installed, otherwise the general font at black weight.
    static QFont badge(qreal pointSize);
    // The general font at a size and weight of the caller's (texts of the guide and the tour).
    static QFont ofSize(qreal size, QFont::Weight weight = QFont::Normal) { return systemFont(size, weight); }

private:
    static QFont systemFont(qreal pointSize, QFont::Weight weight);
};
