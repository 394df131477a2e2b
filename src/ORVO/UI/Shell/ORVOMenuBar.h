#pragma once

#include <QSet>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// The application's menu bar: an application menu (About, Quit) and an Edit menu that acts on the
// focused field. Every item carries the name of its action ("selectAll:", "terminate:", ...) in the
// property actionNameProperty; pruning goes by those names, never by titles, so it works in every
// interface language.
class ORVOMenuBar {
public:
    ORVOMenuBar() = delete;

    static constexpr char actionNameProperty[] = "actionName";
    // The language-file key of an item's text; items that carry one follow the interface language.
    static constexpr char textKeyProperty[] = "textKey";

    // Builds the bar for the main window and makes it the application's main menu. Where the desktop
    // shows a global menu the bar goes there; otherwise it stays hidden, out of the styled window, and
    // its shortcuts keep working through the window. Quit (and Ctrl+Q) calls quit.
    static QMenuBar* install(QWidget* window, std::function<void()> quit);
    static QMenuBar* mainMenu();

    // Drops what a single-window tool without documents cannot do: the main menu, or the given bar.
    static void prune();
    static void prune(QMenuBar* menuBar);

    // An item of menu named actionName, for the bar and for anyone who builds a bar to prune.
    static QAction* addItem(QMenu* menu, const QString& title, const QString& actionName);
    static QString actionName(const QAction* action);
    // Re-reads the text of every item that carries a text key.
    static void retranslate(QMenuBar* menuBar);

private:
    static QAction* addLocalizedItem(QMenu* menu, const char* textKey, const QString& actionName);
    static QMenu* addApplicationMenu(QMenuBar* bar, QWidget* window, std::function<void()> quit);
    static QMenu* addEditMenu(QMenuBar* bar, QWidget* window);

    // A top-level menu holding any of these, at any depth, goes whole (File, Format, View).
    static const QSet<QString> dropTopLevelActions;
    // Removed from the Edit menu, alone or with the submenu holding them (Find, spelling, Speech...).
    static const QSet<QString> dropEditActions;

    static bool containsAction(const QMenu* menu, const QSet<QString>& names);
    static void trimSeparators(QMenu* menu);
};
