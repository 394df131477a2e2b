#include "ORVOLibraryController.h"

#include "LocalizationManager.h"
#include "ORVODialogs.h"
#include "ORVOHeaderMenu.h"
#include "ORVOHero.h"
#include "ORVOLibraryWindow.h"
#include "ORVOPresentation.h"
#include "TextKeys.h"
#include "ViewController.h"

#include <QAction>
#include <QPushButton>

ORVOLibraryController::ORVOLibraryController(ViewController& viewController, const QString& path)
    : QObject(&viewController), store(path), controller(viewController) {
    ORVOPresentation& presentation = *controller.presentation;
    ORVOProfileCard& card = *presentation.profileCard;
    for (QPushButton* button : {card.addToLibraryButton, card.fromLibraryButton}) {
        button->show();
    }
    connect(card.addToLibraryButton, &QPushButton::clicked, this, &ORVOLibraryController::addShownProfile);
    connect(card.fromLibraryButton, &QPushButton::clicked, this, [this] { showWindow(); });
    installMenuEntry(*presentation.headerMenu);
    connect(presentation.hero, &ORVOHero::themeToggled, this, [this] {
        if (window) {
            window->applyTheme();
        }
    });
    connect(&store, &ORVOLibraryStore::damaged, this, [this](const QString& problem) {
        controller.logMessage("⚠️", TextKeys::kLibraryDamaged, {LocalizedText::literal(problem)});
    });
}

ORVOLibraryController::~ORVOLibraryController() = default;

// My Lenses… in the header's menu, before Help, and its shortcut, which works while the menu is closed.
void ORVOLibraryController::installMenuEntry(ORVOHeaderMenu& menu) {
    auto* open = new QAction(this);
    open->setObjectName("libraryAction");
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    open->setText(LocalizationManager::text(TextKeys::kLibraryOpen));
    menu.insertAction(menu.helpAction, open);
    controller.addAction(open);
    connect(open, &QAction::triggered, this, [this] { showWindow(); });
    // The menu's own entries follow the language as it changes; this one as the menu opens.
    connect(&menu, &QMenu::aboutToShow, open,
            [open] { open->setText(LocalizationManager::text(TextKeys::kLibraryOpen)); });
}

ORVOLibraryWindow& ORVOLibraryController::showWindow() {
    if (!window) {
        ORVOLibraryWindow::Host host;
        host.selectedProfile = [this] { return controller.presentation->selectedProfileIndex; };
        host.fillProfile = [this](const LibraryLens& lens) {
            controller.fillProfileFrom(controller.presentation->selectedProfileIndex, lens);
        };
        host.shownValues = [this](QString* why) { return controller.shownValues(why); };
        host.loadKit = [this](const QString& kit, const LensLibraryData& data, QString* why) {
            return controller.loadKit(kit, data, why);
        };
        host.lightAppearance = [this] { return controller.presentation->usesLightAppearance; };
        window = new ORVOLibraryWindow(store, std::move(host), &controller);
    }
    window->refreshLocalizedText();
    window->show();
    window->raise();
    window->activateWindow();
    return *window;
}

// A file the desktop or the command line names is imported only once the user says so.
void ORVOLibraryController::offerImport(const QString& path) {
    ORVOLibraryWindow& shown = showWindow();
    const int answer = ORVODialogs::ask(
        &shown,
        LocalizationManager::withArguments(LocalizationManager::text(TextKeys::kLibraryImportOffer), {path}),
        QString(),
        {LocalizationManager::text(TextKeys::kLibraryImportConfirm),
         LocalizationManager::text(TextKeys::kDialogRestoreBack)});
    if (answer == 0) {
        shown.importFile(path);
    }
}

void ORVOLibraryController::addShownProfile() {
    QString why;
    const auto lens = controller.shownLens(controller.presentation->selectedProfileIndex, &why);
    if (!lens) {
        log(QStringLiteral("\n❌ ") + why);
        return;
    }
    ORVOLibraryWindow::addLensAsking(store, &controller, *lens, [this](const QString& line) { log(line); });
}

void ORVOLibraryController::log(const QString& line) {
    controller.appendToPrintView(line.startsWith(u'\n') ? line : QStringLiteral("\n📝 ") + line);
}
