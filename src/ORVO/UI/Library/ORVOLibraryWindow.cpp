// Building My Lenses, its theme and texts, the search and the keys of its lists.

#include "ORVOLibraryWindow.h"

#include "LocalizationManager.h"
#include "ORVOKitListModel.h"
#include "ORVOLensListModel.h"
#include "ORVOLibraryFilter.h"
#include "ORVOLibraryStore.h"
#include "ORVOPalette.h"
#include "ORVOStyleKit.h"
#include "ProfileValues.h"
#include "StyleSheet.h"
#include "TextKeys.h"
#include "Typography.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

using namespace TextKeys;

ORVOLibraryWindow::ORVOLibraryWindow(ORVOLibraryStore& libraryStore, Host mainWindow, QWidget* parent)
    : QWidget(parent, Qt::Window), store(libraryStore), host(std::move(mainWindow)) {
    setObjectName("libraryWindow");
    resize(860, 600);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 18, 20, 18);
    column->setSpacing(10);
    searchField = new QLineEdit(this);
    searchField->setObjectName("librarySearch");
    searchField->setClearButtonEnabled(true);
    searchField->setFont(Typography::fieldValue());
    column->addWidget(searchField);
    buildNotices();
    column->addWidget(problemLabel);
    buildLists();
    column->addWidget(lensCaption);
    column->addWidget(emptyLabel);
    column->addWidget(lensView, 3);
    column->addWidget(kitCaption);
    column->addWidget(kitView, 1);
    column->addWidget(noticeBar);
    column->addWidget(buildButtons());
    connect(searchField, &QLineEdit::textChanged, this, &ORVOLibraryWindow::search);
    connect(&store, &ORVOLibraryStore::changed, this, &ORVOLibraryWindow::libraryChanged);
    setTabOrder(searchField, lensView);
    setTabOrder(lensView, kitView);
    refreshLocalizedText();
    applyTheme();
    libraryChanged();
}

QTreeView* ORVOLibraryWindow::makeView(QAbstractItemModel* model, const char* accessibleKey) {
    auto* filter = new ORVOLibraryFilter(this);
    filter->setSourceModel(model);
    auto* view = new QTreeView(this);
    view->setObjectName(QString::fromLatin1(accessibleKey).section(u'.', 1));
    view->setModel(filter);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSortingEnabled(true);
    view->sortByColumn(0, Qt::AscendingOrder);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    view->header()->setStretchLastSection(true);
    view->installEventFilter(this);
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ORVOLibraryWindow::updateButtons);
    return view;
}

void ORVOLibraryWindow::buildLists() {
    lenses =
        new ORVOLensListModel({[this](const QString& from, const QString& to) { rename(false, from, to); },
                               [this](const LibraryLens& lens) { update(lens); }},
                              this);
    kits = new ORVOKitListModel([this](const QString& from, const QString& to) { rename(true, from, to); },
                                this);
    lensView = makeView(lenses, kAccessibleLibraryLenses);
    kitView = makeView(kits, kAccessibleLibraryKits);
    lensFilter = static_cast<ORVOLibraryFilter*>(lensView->model());
    kitFilter = static_cast<ORVOLibraryFilter*>(kitView->model());
    lensView->header()->resizeSection(ORVOLensListModel::Name, 220);
    lensView->header()->resizeSection(ORVOLensListModel::Apertures, 190);
    kitView->header()->resizeSection(ORVOKitListModel::Name, 200);
    lensCaption = new QLabel(this);
    kitCaption = new QLabel(this);
    for (QLabel* caption : {lensCaption, kitCaption}) {
        caption->setFont(Typography::fieldLabel());
    }
    lensCaption->setBuddy(lensView);
    kitCaption->setBuddy(kitView);
    emptyLabel = new QLabel(this);
    emptyLabel->setObjectName("libraryEmpty");
    emptyLabel->setWordWrap(true);
    emptyLabel->setAlignment(Qt::AlignCenter);
    emptyLabel->hide();
}

void ORVOLibraryWindow::buildNotices() {
    problemLabel = new QLabel(this);
    problemLabel->setObjectName("libraryProblem");
    problemLabel->setWordWrap(true);
    problemLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    problemLabel->hide();
    noticeBar = new QFrame(this);
    noticeBar->setObjectName("libraryNotice");
    auto* row = new QHBoxLayout(noticeBar);
    row->setContentsMargins(12, 6, 8, 6);
    noticeLabel = new QLabel(noticeBar);
    noticeLabel->setWordWrap(true);
    undoButton = new QPushButton(noticeBar);
    undoButton->setObjectName("libraryUndo");
    row->addWidget(noticeLabel, 1);
    row->addWidget(undoButton);
    noticeBar->hide();
    noticeTimer = new QTimer(this);
    noticeTimer->setSingleShot(true);
    noticeTimer->setInterval(8000);
    connect(noticeTimer, &QTimer::timeout, this, [this] {
        pendingUndo = {};
        noticeBar->hide();
    });
    connect(undoButton, &QPushButton::clicked, this, [this] {
        const auto undo = std::exchange(pendingUndo, {});
        noticeTimer->stop();
        noticeBar->hide();
        if (undo) {
            undo();
        }
    });
}

QWidget* ORVOLibraryWindow::buildButtons() {
    auto* buttons = new QWidget(this);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 4, 0, 0);
    row->setSpacing(ORVOStyleKit::buttonSpacing);
    const std::pair<QPushButton**, void (ORVOLibraryWindow::*)()> actions[] = {
        {&useLensButton, &ORVOLibraryWindow::useLens},
        {&editButton, &ORVOLibraryWindow::editCurrent},
        {&deleteButton, &ORVOLibraryWindow::deleteCurrent},
        {&exportButton, &ORVOLibraryWindow::exportCurrent},
        {&importButton, &ORVOLibraryWindow::chooseImport},
        {&saveKitButton, &ORVOLibraryWindow::saveKit},
        {&loadKitButton, &ORVOLibraryWindow::loadKit},
    };
    for (const auto& [button, action] : actions) {
        *button = new QPushButton(buttons);
        (*button)->setMinimumHeight(34);
        connect(*button, &QPushButton::clicked, this, action);
        row->addWidget(*button);
        if (*button == importButton) {
            row->addStretch();
        }
    }
    return buttons;
}

QString ORVOLibraryWindow::text(const char* key) const {
    return LocalizationManager::text(key);
}

void ORVOLibraryWindow::refreshLocalizedText() {
    setWindowTitle(text(kLibraryTitle));
    searchField->setPlaceholderText(text(kLibrarySearch));
    searchField->setAccessibleName(text(kAccessibleLibrarySearch));
    lensView->setAccessibleName(text(kAccessibleLibraryLenses));
    kitView->setAccessibleName(text(kAccessibleLibraryKits));
    lensCaption->setText(text(kLibraryLenses));
    kitCaption->setText(text(kLibraryKits));
    undoButton->setText(LocalizationManager::text(kMenuUndo));
    const std::pair<QPushButton*, const char*> titles[] = {
        {editButton, kLibraryEdit},     {deleteButton, kLibraryDelete},   {exportButton, kLibraryExport},
        {importButton, kLibraryImport}, {saveKitButton, kLibrarySaveKit}, {loadKitButton, kLibraryLoadKit}};
    for (const auto& [button, key] : titles) {
        button->setText(text(key));
    }
    lenses->refreshLocalizedText();
    kits->refreshLocalizedText();
    updateButtons();
    search();
}

const ORVOPalette& ORVOLibraryWindow::palette() const {
    return host.lightAppearance() ? ORVOPalette::light() : ORVOPalette::dark();
}

void ORVOLibraryWindow::applyTheme() {
    const ORVOPalette& p = palette();
    const auto css = [](const QColor& colour) { return ORVOPalette::css(colour); };
    StyleSheet::set(
        this,
        QStringLiteral(
            "QWidget#libraryWindow { background: %1; color: %2; }"
            "QLabel { color: %2; background: transparent; }"
            "QLabel#libraryEmpty { color: %3; padding: 18px; }"
            "QLabel#libraryProblem { color: %2; border: 1px solid %4; border-radius: 8px; padding: 8px; }"
            "QFrame#libraryNotice { background: %5; border: 1px solid %6; border-radius: 8px; }"
            "QLineEdit { background: %7; color: %2; border: 1px solid %8; border-radius: 8px; "
            "padding: 6px 10px; }"
            "QTreeView { background: %5; alternate-background-color: %1; color: %2; "
            "border: 1px solid %6; border-radius: 8px; selection-background-color: %9; "
            "selection-color: %10; }"
            "QHeaderView::section { background: %5; color: %3; border: none; "
            "border-bottom: 1px solid %6; padding: 5px 8px; }")
            .arg(css(p.background), css(p.text), css(p.muted), css(p.negative), css(p.card), css(p.border),
                 css(p.field), css(p.fieldBorder), css(p.selectedFill), css(p.selectedText)));
    for (QPushButton* button :
         {useLensButton, editButton, deleteButton, exportButton, importButton, saveKitButton, undoButton}) {
        ORVOStyleKit::styleSecondaryButton(button, p);
    }
    ORVOStyleKit::stylePrimaryButton(loadKitButton, p);
    // Load Kit waits for a kit to be chosen, and looks it.
    StyleSheet::set(loadKitButton, loadKitButton->styleSheet() +
                                       QStringLiteral("QPushButton:disabled { background: %1; color: %2; }")
                                           .arg(css(p.field), css(p.muted)));
    lensView->setAlternatingRowColors(true);
}

void ORVOLibraryWindow::libraryChanged() {
    const LensLibraryData& data = store.data();
    lenses->setLibrary(data);
    kits->setLibrary(data);
    problemLabel->setText(store.problem().isEmpty()
                              ? QString()
                              : LocalizationManager::withArguments(text(kLibraryDamaged), {store.problem()}));
    problemLabel->setVisible(!store.problem().isEmpty());
    search();
}

// One pass of the library's own search over the lenses and one over the kits; the lists only hide
// and show rows.
void ORVOLibraryWindow::search() {
    if (!lensFilter) {
        return;
    }
    const QString query = searchField->text().trimmed();
    const LensLibraryData& data = store.data();
    QList<bool> lensRows;
    if (!query.isEmpty()) {
        lensRows.fill(false, data.lenses.size());
        for (const qsizetype row : data.search(query)) {
            lensRows[row] = true;
        }
    }
    lensFilter->showOnly(std::move(lensRows));
    kitFilter->showOnly(query.isEmpty() ? QList<bool>() : kits->matches(query));
    const bool empty = data.lenses.isEmpty() && data.kits.isEmpty();
    const bool nothingFound = !empty && lensFilter->rowCount() == 0 && kitFilter->rowCount() == 0;
    emptyLabel->setText(empty ? text(kLibraryEmpty)
                              : LocalizationManager::withArguments(text(kLibraryNoMatch), {query}));
    emptyLabel->setVisible(store.isLoaded() && (empty || nothingFound));
    updateButtons();
}

void ORVOLibraryWindow::updateButtons() {
    const bool writable = store.isLoaded() && store.problem().isEmpty();
    const bool lens = currentLens().has_value();
    const bool kit = currentKit().has_value();
    const int profile = host.selectedProfile();
    useLensButton->setText(
        LocalizationManager::withArguments(text(kLibraryUseLens), {ProfileValues::profileLetter(profile)}));
    useLensButton->setEnabled(lens);
    editButton->setEnabled(writable && (lens || kit));
    deleteButton->setEnabled(writable && (lens || kit));
    exportButton->setEnabled(lens || kit);
    importButton->setEnabled(writable);
    saveKitButton->setEnabled(writable);
    loadKitButton->setEnabled(kit);
}

bool ORVOLibraryWindow::eventFilter(QObject* watched, QEvent* event) {
    // While a cell is edited its editor has the keys, not the list.
    if (qobject_cast<QTreeView*>(watched) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            editCurrent();
            return true;
        }
        if (key == Qt::Key_Delete) {
            deleteCurrent();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ORVOLibraryWindow::showEvent(QShowEvent* event) {
    store.open();
    applyTheme();
    updateButtons();
    QWidget::showEvent(event);
}

void ORVOLibraryWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // The main window's selected profile may have changed meanwhile.
        updateButtons();
    }
    QWidget::changeEvent(event);
}
