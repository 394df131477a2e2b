// Pruning goes by action names, never by titles: the bars here carry the names a standard
// application template gives its items.

#include "ORVOMenuBar.h"

#include "IsolatedEnvironment.h"
#include "LocalizationManager.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// Items in order: "-" is a separator, "Title=action:" an item, "Title>action:" a submenu of one item.
QMenu* addMenu(QMenuBar& bar, const QString& title, const QStringList& items) {
    QMenu* menu = bar.addMenu(title);
    for (const QString& item : items) {
        if (item == "-") {
            menu->addSeparator();
            continue;
        }
        const qsizetype split = item.indexOf(QRegularExpression("[=>]"));
        const QString itemTitle = item.left(split);
        ORVOMenuBar::addItem(item[split] == '>' ? menu->addMenu(itemTitle) : menu, itemTitle,
                             item.mid(split + 1));
    }
    return menu;
}

// Titles in order, "-" for a separator.
QStringList titles(const QWidget* menu) {
    QStringList result;
    for (const QAction* action : menu->actions()) {
        result << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return result;
}

TEST(MenuBarPruning, theTemplateBarKeepsOnlyWhatASingleWindowToolCanDo) {
    QMenuBar bar;
    // "Settings…" does nothing here.
    QMenu* application = addMenu(bar, "ORVO",
                                 {"About ORVO=orderFrontStandardAboutPanel:", "-", "Settings…=", "-",
                                  "Services>", "-", "Hide ORVO=hide:", "Quit ORVO=terminate:"});
    addMenu(bar, "File", {"New=newDocument:", "Open…=openDocument:", "Close=performClose:"});
    QMenu* edit =
        addMenu(bar, "Edit",
                {"Undo=undo:", "Redo=redo:", "-", "Cut=cut:", "Copy=copy:", "Paste=paste:",
                 "Paste and Match Style=pasteAsPlainText:", "Delete=delete:", "Select All=selectAll:", "-",
                 "Find>performFindPanelAction:", "Spelling and Grammar>showGuessPanel:",
                 "Substitutions>orderFrontSubstitutionsPanel:", "Transformations>uppercaseWord:",
                 "Speech>startSpeaking:"});
    addMenu(bar, "Format", {"Font>orderFrontFontPanel:"});
    addMenu(bar, "View", {"Show Toolbar=toggleToolbarShown:"});
    addMenu(bar, "Window", {"Minimize=performMiniaturize:"});

    ORVOMenuBar::prune(&bar);
    EXPECT_EQ(titles(&bar), (QStringList{"ORVO", "Edit", "Window"}));
    EXPECT_EQ(titles(edit),
              (QStringList{"Undo", "Redo", "-", "Cut", "Copy", "Paste", "Delete", "Select All"}));
    EXPECT_EQ(titles(application),
              (QStringList{"About ORVO", "-", "Services", "-", "Hide ORVO", "Quit ORVO"}));
}

// Select All one level down does not make an Edit menu; separators with nothing between them go.
TEST(MenuBarPruning, withoutADirectSelectAllAnEditLikeMenuStaysAndSeparatorsAloneLeaveNothing) {
    QMenuBar bar;
    QMenu* application = addMenu(bar, "ORVO", {"-", "-", "-"});
    QMenu* editLike = addMenu(bar, "Edit",
                              {"Undo=undo:", "-", "Paste and Match Style=pasteAsPlainText:",
                               "Find>performFindPanelAction:", "Selection>selectAll:", "-"});
    QMenu* edit = addMenu(bar, "Edit", {"-", "-", "Select All=selectAll:", "-"});
    const QStringList before = titles(editLike);
    ORVOMenuBar::prune(&bar);
    EXPECT_EQ(titles(editLike), before);
    EXPECT_TRUE(application->actions().isEmpty());
    EXPECT_EQ(titles(edit), QStringList{"Select All"});
}

// The program's own bar speaks the interface language and follows a change of it.
TEST(MenuBar, itemsTakeTheirTextsFromTheLanguageFileAndFollowALanguageChange) {
    useIsolatedEnvironment();
    QWidget window;
    int quits = 0;
    QMenuBar* bar = ORVOMenuBar::install(&window, [&quits] { ++quits; });
    LocalizationManager& languages = LocalizationManager::shared();
    for (const char* code : {"de", "ja", "en"}) {
        languages.setLanguage(*LocalizationManager::languageForLocale({code}));
        SCOPED_TRACE(code);
        const QMenu* edit = bar->actions().at(1)->menu();
        EXPECT_EQ(bar->actions().at(1)->text(), languages.localizedString("menu.edit"));
        EXPECT_EQ(titles(edit).constLast(), languages.localizedString("menu.select_all"));
        EXPECT_EQ(titles(bar->actions().at(0)->menu()).constLast(), languages.localizedString("menu.quit"));
    }
    EXPECT_EQ(bar->actions().at(1)->text(), "Edit");
    // Quit goes to whoever installed the bar.
    bar->actions().at(0)->menu()->actions().constLast()->trigger();
    EXPECT_EQ(quits, 1);
}

} // namespace
