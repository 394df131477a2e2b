#include "ApplicationWindows.h"

#include <QApplication>
#include <QHash>
#include <QWidget>
#include <QWindow>
#include <algorithm>

QList<QWidget*> ApplicationWindows::windows() {
    QHash<const QWindow*, QWidget*> widgets;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() && widget->windowType() != Qt::Desktop) {
            widgets.insert(widget->windowHandle(), widget);
        }
    }
    // Qt lists the newest window first; ours go oldest first, so the main window leads.
    QList<QWidget*> result;
    const QWindowList all = QGuiApplication::allWindows();
    for (auto window = all.crbegin(); window != all.crend(); ++window) {
        if (QWidget* widget = widgets.value(*window)) {
            result << widget;
        }
    }
    return result;
}

bool ApplicationWindows::isOrdinaryWindow(const QWidget* widget) {
    const Qt::WindowType type = widget->windowType();
    return type == Qt::Window || type == Qt::Dialog || type == Qt::Tool;
}

bool ApplicationWindows::hasVisibleWindows() {
    const QList<QWidget*> all = windows();
    return std::any_of(all.cbegin(), all.cend(),
                       [](const QWidget* w) { return w->isVisible() && isOrdinaryWindow(w); });
}
