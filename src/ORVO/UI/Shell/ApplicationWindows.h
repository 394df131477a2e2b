#pragma once

#include <QList>

class QWidget;

// The program's windows as the shell sees them, for the application delegate and the automation hook.
class ApplicationWindows {
public:
    ApplicationWindows() = delete;

    // Top-level widgets that have a window on screen or had one, in creation order (main window first).
    static QList<QWidget*> windows();
    // A plain window, dialog or panel: what counts as a window the user sees (no popups, no tooltips).
    static bool isOrdinaryWindow(const QWidget* widget);
    static bool hasVisibleWindows();
};
