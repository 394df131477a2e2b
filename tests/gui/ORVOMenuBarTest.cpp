// Pruning goes by action names, never by titles: the bars here carry the names a standard
// application template gives its items.

#include "ORVOMenuBar.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QMenu* submenu(QMenu* menu, const QString& title, const QString& actionName) {
    QMenu* sub = menu->addMenu(title);
    ORVOMenuBar::addItem(sub, title + "…", actionName);
    return sub;
}

// Titles in order, "-" for a separator.
QStringList titles(const QMenu* menu) {
    QStringList result;
    for (const QAction* action : menu->actions()) {
        result << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return result;
}

QStringList titles(const QMenuBar& bar) {
    QStringList result;
    for (const QAction* action : bar.actions()) {
        result << action->text();
    }
    return result;
}

QAction* findAction(const QMenu* menu, const QString& name) {
    for (QAction* action : menu->actions()) {
        if (ORVOMenuBar::actionName(action) == name) {
            return action;
        }
        if (QAction* inside = action->menu() ? findAction(action->menu(), name) : nullptr) {
            return inside;
        }
    }
    return nullptr;
}

QAction* findAction(const QMenuBar* bar, const QString& name) {
    for (const QAction* top : bar->actions()) {
        if (QAction* action = top->menu() ? findAction(top->menu(), name) : nullptr) {
            return action;
        }
    }
    return nullptr;
}

QMenu* applicationMenu(QMenuBar& bar) {
    QMenu* application = bar.addMenu("ORVO");
    ORVOMenuBar::addItem(application, "About ORVO", "orderFrontStandardAboutPanel:");
    application->addSeparator();
    ORVOMenuBar::addItem(application, "Settings…", ""); // does nothing here
    application->addSeparator();
    application->addMenu("Services");
    application->addSeparator();
    ORVOMenuBar::addItem(application, "Hide ORVO", "hide:");
    ORVOMenuBar::addItem(application, "Quit ORVO", "terminate:");
    return application;
}

TEST(MenuBarPruning, theTemplateBarKeepsOnlyWhatASingleWindowToolCanDo) {
    QMenuBar bar;
    QMenu* application = applicationMenu(bar);
    QMenu* file = bar.addMenu("File");
    ORVOMenuBar::addItem(file, "New", "newDocument:");
    ORVOMenuBar::addItem(file, "Open…", "openDocument:");
    ORVOMenuBar::addItem(file, "Close", "performClose:");

    QMenu* edit = bar.addMenu("Edit");
    for (const auto& [title, action] : std::initializer_list<std::pair<const char*, const char*>>{
             {"Undo", "undo:"},
             {"Redo", "redo:"},
             {"-", ""},
             {"Cut", "cut:"},
             {"Copy", "copy:"},
             {"Paste", "paste:"},
             {"Paste and Match Style", "pasteAsPlainText:"},
             {"Delete", "delete:"},
             {"Select All", "selectAll:"},
             {"-", ""}}) {
        if (QLatin1String(title) == "-") {
            edit->addSeparator();
        } else {
            ORVOMenuBar::addItem(edit, title, action);
        }
    }
    submenu(edit, "Find", "performFindPanelAction:");
    submenu(edit, "Spelling and Grammar", "showGuessPanel:");
    submenu(edit, "Substitutions", "orderFrontSubstitutionsPanel:");
    submenu(edit, "Transformations", "uppercaseWord:");
    submenu(edit, "Speech", "startSpeaking:");

    submenu(bar.addMenu("Format"), "Font", "orderFrontFontPanel:");
    ORVOMenuBar::addItem(bar.addMenu("View"), "Show Toolbar", "toggleToolbarShown:");
    ORVOMenuBar::addItem(bar.addMenu("Window"), "Minimize", "performMiniaturize:");
    // Whatever its title, a menu offering new documents deep inside goes too.
    submenu(submenu(bar.addMenu("Tools"), "More", "performClose:"), "Templates", "newDocument:");

    ORVOMenuBar::prune(&bar);
    EXPECT_EQ(titles(bar), (QStringList{"ORVO", "Edit", "Window"}));
    EXPECT_EQ(titles(edit),
              (QStringList{"Undo", "Redo", "-", "Cut", "Copy", "Paste", "Delete", "Select All"}));
    EXPECT_EQ(titles(application),
              (QStringList{"About ORVO", "-", "Services", "-", "Hide ORVO", "Quit ORVO"}));
}

TEST(MenuBarPruning, withoutADirectSelectAllTheEditLikeMenuStaysAsItIs) {
    QMenuBar bar;
    applicationMenu(bar);
    QMenu* editLike = bar.addMenu("Edit");
    ORVOMenuBar::addItem(editLike, "Undo", "undo:");
    editLike->addSeparator();
    ORVOMenuBar::addItem(editLike, "Paste and Match Style", "pasteAsPlainText:");
    submenu(editLike, "Find", "performFindPanelAction:");
    submenu(editLike, "Selection", "selectAll:"); // only one level down: not the Edit menu
    editLike->addSeparator();
    const QStringList before = titles(editLike);

    ORVOMenuBar::prune(&bar);
    EXPECT_EQ(titles(editLike), before);
}

TEST(MenuBarPruning, separatorsAloneLeaveAnEmptyMenu) {
    QMenuBar bar;
    QMenu* application = bar.addMenu("ORVO");
    for (int i = 0; i < 3; ++i) {
        application->addSeparator();
    }
    QMenu* edit = bar.addMenu("Edit");
    edit->addSeparator();
    edit->addSeparator();
    ORVOMenuBar::addItem(edit, "Select All", "selectAll:");
    edit->addSeparator();

    ORVOMenuBar::prune(&bar);
    EXPECT_TRUE(application->actions().isEmpty());
    EXPECT_EQ(titles(edit), QStringList{"Select All"});
}

TEST(ApplicationMenuBar, itsEditItemsActOnTheFocusedFieldAndPruningKeepsThemAll) {
    QWidget window;
    window.resize(300, 100);
    auto* field = new QLineEdit("hello", &window);
    QMenuBar* bar = ORVOMenuBar::install(&window);
    ORVOMenuBar::prune();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->setFocus();

    EXPECT_EQ(ORVOMenuBar::mainMenu(), bar);
    // The test platform has no global menu: the bar must not cover the styled window.
    ASSERT_FALSE(bar->isNativeMenuBar());
    EXPECT_FALSE(bar->isVisible());
    ASSERT_EQ(bar->actions().size(), 2);
    EXPECT_EQ(titles(bar->actions()[1]->menu()).size(), 8);
    for (const char* name : {"orderFrontStandardAboutPanel:", "terminate:", "undo:", "redo:", "cut:", "copy:",
                             "paste:", "delete:", "selectAll:"}) {
        QAction* action = findAction(bar, name);
        ASSERT_NE(action, nullptr) << name;
        EXPECT_TRUE(window.actions().contains(action)) << name;
    }
    EXPECT_EQ(findAction(bar, "terminate:")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));

    findAction(bar, "selectAll:")->trigger();
    EXPECT_EQ(field->selectedText(), "hello");
    findAction(bar, "copy:")->trigger();
    findAction(bar, "delete:")->trigger();
    EXPECT_EQ(field->text(), "");
    findAction(bar, "paste:")->trigger();
    EXPECT_EQ(field->text(), "hello");
    findAction(bar, "undo:")->trigger();
    EXPECT_EQ(field->text(), "");
}

} // namespace
