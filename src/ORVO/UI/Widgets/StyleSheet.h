#pragma once

#include <QString>
#include <QWidget>

namespace StyleSheet {

// Qt repolishes a widget and everything under it on every style sheet it is given, even the one it
// already has; the window re-applies its theme and texts often, so an unchanged sheet is left alone.
inline void set(QWidget* widget, const QString& sheet) {
    if (widget->styleSheet() != sheet) {
        widget->setStyleSheet(sheet);
    }
}

} // namespace StyleSheet
