#include "ORVOMenuBar.h"

#include "LocalizationManager.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "ORVODialogs.h"
#include "TextKeys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <algorithm>

namespace {

QPointer<QMenuBar>& mainMenuBar() {
    static QPointer<QMenuBar> bar;
    return bar;
}

// Edit commands act on the focused field exactly as its own key binding would, so line edits, text
// views and editable combo boxes each do what they do for the keyboard.
void sendToFocusedField(QKeySequence::StandardKey command) {
    QWidget* field = QApplication::focusWidget();
    const QList<QKeySequence> bindings = QKeySequence::keyBindings(command);
    if (!field || bindings.isEmpty()) {
        return;
    }
    const QKeyCombination combination = bindings.constFirst()[0];
    QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
    QKeyEvent release(QEvent::KeyRelease, combination.key(), combination.keyboardModifiers());
    QCoreApplication::sendEvent(field, &press);
    QCoreApplication::sendEvent(field, &release);
}

} // namespace

const QSet<QString> ORVOMenuBar::dropTopLevelActions = {
    QStringLiteral("newDocument:"),
    QStringLiteral("openDocument:"),
    QStringLiteral("orderFrontFontPanel:"),
    QStringLiteral("toggleToolbarShown:"),
};

const QSet<QString> ORVOMenuBar::dropEditActions = {
    QStringLiteral("pasteAsPlainText:"), QStringLiteral("performFindPanelAction:"),
    QStringLiteral("showGuessPanel:"),   QStringLiteral("orderFrontSubstitutionsPanel:"),
    QStringLiteral("uppercaseWord:"),    QStringLiteral("startSpeaking:"),
};

QAction* ORVOMenuBar::addItem(QMenu* menu, const QString& title, const QString& actionName) {
    QAction* action = menu->addAction(title);
    action->setProperty(actionNameProperty, actionName);
    return action;
}

QString ORVOMenuBar::actionName(const QAction* action) {
    return action->property(actionNameProperty).toString();
}

QMenuBar* ORVOMenuBar::mainMenu() {
    return mainMenuBar();
}

QMenuBar* ORVOMenuBar::install(QWidget* window, std::function<void()> quit) {
    auto* bar = new QMenuBar(window);
    QMenu* application = addApplicationMenu(bar, window, std::move(quit));
    QMenu* edit = addEditMenu(bar, window);
    retranslate(bar);
    NotificationCenter::defaultCenter().addObserver(bar, NotificationNames::LanguageDidChange,
                                                    [bar](const Notification&) { retranslate(bar); });
    QObject::connect(bar, &QObject::destroyed,
                     [bar] { NotificationCenter::defaultCenter().removeObserver(bar); });

    // A bar that no global menu takes would sit over the styled window: keep it hidden, and let the
    // window carry the items so their shortcuts still fire.
    if (!bar->isNativeMenuBar()) {
        bar->hide();
    }
    for (QMenu* menu : {application, edit}) {
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator()) {
                window->addAction(action);
            }
        }
    }
    mainMenuBar() = bar;
    return bar;
}

QMenu* ORVOMenuBar::addApplicationMenu(QMenuBar* bar, QWidget* window, std::function<void()> quit) {
    QMenu* application = bar->addMenu(QGuiApplication::applicationDisplayName());
    QObject::connect(
        addLocalizedItem(application, TextKeys::kMenuAbout, QStringLiteral("orderFrontStandardAboutPanel:")),
        &QAction::triggered, window, [window] { ORVODialogs::about(window); });
    application->addSeparator();
    QAction* quitItem = addLocalizedItem(application, TextKeys::kMenuQuit, QStringLiteral("terminate:"));
    quitItem->setShortcuts(QKeySequence::Quit);
    if (quitItem->shortcuts().isEmpty()) {
        quitItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    }
    if (quit) {
        QObject::connect(quitItem, &QAction::triggered, quitItem, std::move(quit));
    }
    return application;
}

QMenu* ORVOMenuBar::addEditMenu(QMenuBar* bar, QWidget* window) {
    struct EditCommand {
        const char* textKey;
        const char* actionName;
        QKeySequence::StandardKey key;
    };
    static constexpr EditCommand editCommands[] = {
        {TextKeys::kMenuUndo, "undo:", QKeySequence::Undo},
        {TextKeys::kMenuRedo, "redo:", QKeySequence::Redo},
        {nullptr, nullptr, QKeySequence::UnknownKey},
        {TextKeys::kMenuCut, "cut:", QKeySequence::Cut},
        {TextKeys::kMenuCopy, "copy:", QKeySequence::Copy},
        {TextKeys::kMenuPaste, "paste:", QKeySequence::Paste},
        {TextKeys::kMenuDelete, "delete:", QKeySequence::Delete},
        {TextKeys::kMenuSelectAll, "selectAll:", QKeySequence::SelectAll},
    };
    QMenu* edit = bar->addMenu(QString());
    edit->menuAction()->setProperty(textKeyProperty, QString::fromLatin1(TextKeys::kMenuEdit));
    for (const EditCommand& command : editCommands) {
        if (!command.textKey) {
            edit->addSeparator();
            continue;
        }
        QAction* action = addLocalizedItem(edit, command.textKey, QString::fromLatin1(command.actionName));
        action->setShortcuts(command.key);
        const QKeySequence::StandardKey key = command.key;
        QObject::connect(action, &QAction::triggered, window, [key] { sendToFocusedField(key); });
    }
    return edit;
}

QAction* ORVOMenuBar::addLocalizedItem(QMenu* menu, const char* textKey, const QString& actionName) {
    QAction* action = addItem(menu, QString(), actionName);
    action->setProperty(textKeyProperty, QString::fromLatin1(textKey));
    return action;
}

void ORVOMenuBar::retranslate(QMenuBar* menuBar) {
    QList<QAction*> pending = menuBar->actions();
    while (!pending.isEmpty()) {
        QAction* action = pending.takeFirst();
        const QString key = action->property(textKeyProperty).toString();
        if (!key.isEmpty()) {
            action->setText(LocalizationManager::shared().localizedString(key));
        }
        if (action->menu()) {
            pending << action->menu()->actions();
        }
    }
}

// ---- Pruning

void ORVOMenuBar::prune() {
    prune(mainMenu());
}

void ORVOMenuBar::prune(QMenuBar* menuBar) {
    if (!menuBar) {
        return;
    }
    const QList<QAction*> topLevel = menuBar->actions();
    for (QAction* item : topLevel) {
        if (item->menu() && containsAction(item->menu(), dropTopLevelActions)) {
            menuBar->removeAction(item);
        }
    }

    // The Edit menu is the first one that offers Select All itself.
    QMenu* edit = nullptr;
    for (const QAction* item : menuBar->actions()) {
        const QList<QAction*> entries = item->menu() ? item->menu()->actions() : QList<QAction*>();
        if (std::any_of(entries.cbegin(), entries.cend(),
                        [](const QAction* a) { return actionName(a) == QLatin1String("selectAll:"); })) {
            edit = item->menu();
            break;
        }
    }
    if (edit) {
        const QList<QAction*> items = edit->actions();
        for (QAction* item : items) {
            const bool dropsSubmenu = item->menu() && containsAction(item->menu(), dropEditActions);
            if (dropsSubmenu || dropEditActions.contains(actionName(item))) {
                edit->removeAction(item);
            }
        }
        trimSeparators(edit);
    }

    if (menuBar->actions().isEmpty() || !menuBar->actions().constFirst()->menu()) {
        return;
    }
    QMenu* application = menuBar->actions().constFirst()->menu();
    const QList<QAction*> items = application->actions();
    for (QAction* item : items) {
        if (actionName(item).isEmpty() && !item->isSeparator() && !item->menu()) {
            application->removeAction(item);
        }
    }
    trimSeparators(application);
}

bool ORVOMenuBar::containsAction(const QMenu* menu, const QSet<QString>& names) {
    const QList<QAction*> items = menu->actions();
    return std::any_of(items.cbegin(), items.cend(), [&names](const QAction* item) {
        return names.contains(actionName(item)) || (item->menu() && containsAction(item->menu(), names));
    });
}

void ORVOMenuBar::trimSeparators(QMenu* menu) {
    while (!menu->actions().isEmpty() && menu->actions().constFirst()->isSeparator()) {
        menu->removeAction(menu->actions().constFirst());
    }
    while (!menu->actions().isEmpty() && menu->actions().constLast()->isSeparator()) {
        menu->removeAction(menu->actions().constLast());
    }
    const QList<QAction*> items = menu->actions();
    for (qsizetype i = items.size() - 1; i >= 1; --i) {
        if (items.at(i)->isSeparator() && items.at(i - 1)->isSeparator()) {
            menu->removeAction(items.at(i));
        }
    }
}
