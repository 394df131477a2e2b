#pragma once

#include "ORVOPalette.h"

#include <QMenu>
#include <functional>

class QAction;
class QPushButton;

// The application's commands behind the menu button in the window's header, where desktops without
// a global menu bar show none: Restore…, Help, About and Quit. Restore is the controller's own
// action, so it follows the read-out's state; Quit asks as Exit does.
class ORVOHeaderMenu : public QMenu {
    Q_OBJECT

public:
    struct Commands {
        QAction* restore = nullptr;
        std::function<void()> help;
        std::function<void()> about;
        std::function<void()> quit;
    };

    explicit ORVOHeaderMenu(const Commands& commands, QWidget* parent = nullptr);

    // Opens under the button, its right edge on the button's.
    void popUpUnder(QPushButton* button);
    void applyTheme(const ORVOPalette& palette);
    void refreshLocalizedText();

    QAction* helpAction = nullptr;
    QAction* aboutAction = nullptr;
    QAction* quitAction = nullptr;
};
