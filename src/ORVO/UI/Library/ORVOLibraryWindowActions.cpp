// What My Lenses does with a lens or a kit. Each change goes to the store and shows its outcome in
// the notice bar once the library has taken it (or refused it).

#include "LocalizationManager.h"
#include "ORVODialogs.h"
#include "ORVOKitListModel.h"
#include "ORVOLensListModel.h"
#include "ORVOLibraryFilter.h"
#include "ORVOLibraryStore.h"
#include "ORVOLibraryWindow.h"
#include "TextKeys.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

using namespace TextKeys;
using Conflict = LensLibraryData::NameConflict;

namespace {

QString fileFilter() {
    return LocalizationManager::text(kLibraryFileType) + QStringLiteral(" (*.orvolens)");
}

} // namespace

std::optional<Conflict> ORVOLibraryWindow::askConflict(QWidget* over, const QStringList& taken) {
    if (taken.isEmpty()) {
        return Conflict::Refuse;
    }
    const QString names = QStringLiteral("“%1”").arg(taken.join(QStringLiteral("”, “")));
    const int answer = ORVODialogs::ask(
        over, LocalizationManager::withArguments(LocalizationManager::text(kLibraryConflictMessage), {names}),
        LocalizationManager::text(kLibraryConflictHint),
        {LocalizationManager::text(kLibraryKeepBoth), LocalizationManager::text(kLibraryReplace),
         LocalizationManager::text(kDialogRestoreBack)});
    if (answer == 0) {
        return Conflict::KeepBoth;
    }
    return answer == 1 ? std::optional(Conflict::Replace) : std::nullopt;
}

void ORVOLibraryWindow::addLensAsking(ORVOLibraryStore& store, QWidget* over, const LibraryLens& lens,
                                      const std::function<void(const QString&)>& report) {
    store.whenLoaded(over, [&store, over, lens, report] {
        const qsizetype same = store.data().lensIndex(lens.name);
        const bool taken = same >= 0 && !store.data().lenses[same].holdsSameProfile(lens);
        const auto conflict = askConflict(over, taken ? QStringList{lens.name} : QStringList());
        if (!conflict) {
            return;
        }
        auto added = std::make_shared<QString>();
        store.change(
            [lens, conflict, added](LensLibraryData& data, QString* error) {
                *added = data.addLens(lens, *conflict, error).value_or(QString());
                return !added->isEmpty();
            },
            [report, added](bool ok, const QString& error) {
                report(ok ? LocalizationManager::withArguments(LocalizationManager::text(kLibraryAdded),
                                                               {*added})
                          : LocalizationManager::withArguments(LocalizationManager::text(kLibraryFailed),
                                                               {error}));
            });
    });
}

QTreeView* ORVOLibraryWindow::activeView() const {
    if (lensView->currentIndex().isValid()) {
        return lensView;
    }
    return kitView->currentIndex().isValid() ? kitView : nullptr;
}

std::optional<LibraryLens> ORVOLibraryWindow::currentLens() const {
    const QModelIndex index = lensFilter->mapToSource(lensView->currentIndex());
    return index.isValid() ? std::optional(lenses->lens(index.row())) : std::nullopt;
}

std::optional<LensKit> ORVOLibraryWindow::currentKit() const {
    const QModelIndex index = kitFilter->mapToSource(kitView->currentIndex());
    return index.isValid() ? std::optional(kits->kit(index.row())) : std::nullopt;
}

void ORVOLibraryWindow::showNotice(const QString& message, std::function<void()> undo) {
    noticeLabel->setText(message);
    pendingUndo = std::move(undo);
    undoButton->setVisible(bool(pendingUndo));
    noticeBar->show();
    noticeTimer->start();
}

void ORVOLibraryWindow::reportChange(bool ok, const QString& error, const QString& success) {
    if (!ok) {
        showNotice(LocalizationManager::withArguments(text(kLibraryFailed), {error}));
    } else if (!success.isEmpty()) {
        showNotice(success);
    }
}

void ORVOLibraryWindow::useLens() {
    if (const auto lens = currentLens()) {
        host.fillProfile(*lens);
    }
}

// The name, or the mount or note where the current cell is one of them; the other columns show
// values that only the profile card edits.
void ORVOLibraryWindow::editCurrent() {
    QTreeView* view = activeView();
    if (!view || !editButton->isEnabled()) {
        return;
    }
    QModelIndex index = view->currentIndex();
    if (!(index.flags() & Qt::ItemIsEditable)) {
        index = index.siblingAtColumn(0);
    }
    view->setCurrentIndex(index);
    view->edit(index);
}

void ORVOLibraryWindow::deleteCurrent() {
    if (!deleteButton->isEnabled()) {
        return;
    }
    if (const auto lens = currentLens()) {
        deleteLens(*lens);
    } else if (const auto kit = currentKit()) {
        deleteKit(*kit);
    }
}

// A lens that a kit names stays: the window says which kits, as the library would refuse it.
void ORVOLibraryWindow::deleteLens(const LibraryLens& lens) {
    const QStringList usedIn = lenses->kitsUsing(lens.name);
    if (!usedIn.isEmpty()) {
        showNotice(LocalizationManager::withArguments(text(kLibraryInKits),
                                                      {lens.name, usedIn.join(QStringLiteral(", "))}));
        return;
    }
    removeWithUndo(
        lens.name,
        [name = lens.name](LensLibraryData& data, QString* error) { return data.removeLens(name, error); },
        [lens](LensLibraryData& data, QString* error) {
            return data.addLens(lens, Conflict::KeepBoth, error).has_value();
        });
}

void ORVOLibraryWindow::deleteKit(const LensKit& kit) {
    removeWithUndo(
        kit.name,
        [name = kit.name](LensLibraryData& data, QString* error) { return data.removeKit(name, error); },
        [kit](LensLibraryData& data, QString* error) {
            return data.addKit(kit, Conflict::KeepBoth, error).has_value();
        });
}

// The notice of a delete offers Undo for as long as it shows, which puts the entry back.
void ORVOLibraryWindow::removeWithUndo(const QString& name, const LensLibrary::Edit& remove,
                                       const LensLibrary::Edit& restore) {
    store.change(remove, [this, name, restore](bool ok, const QString& error) {
        if (!ok) {
            reportChange(ok, error);
            return;
        }
        showNotice(LocalizationManager::withArguments(text(kLibraryDeleted), {name}), [this, restore] {
            store.change(restore, [this](bool done, const QString& why) { reportChange(done, why); });
        });
    });
}

void ORVOLibraryWindow::rename(bool kit, const QString& from, const QString& to) {
    store.change(
        [kit, from, to](LensLibraryData& data, QString* error) {
            return kit ? data.renameKit(from, to, error) : data.renameLens(from, to, error);
        },
        [this](bool ok, const QString& error) { reportChange(ok, error); });
}

void ORVOLibraryWindow::update(const LibraryLens& lens) {
    store.change([lens](LensLibraryData& data,
                        QString* error) { return data.addLens(lens, Conflict::Replace, error).has_value(); },
                 [this](bool ok, const QString& error) { reportChange(ok, error); });
}

void ORVOLibraryWindow::exportCurrent() {
    const auto lens = currentLens();
    const auto kit = currentKit();
    if (!lens && !kit) {
        return;
    }
    const QString name = lens ? lens->name : kit->name;
    const LensLibraryData entry = lens ? store.data().lensEntry(name) : store.data().kitEntry(name);
    QString path =
        QFileDialog::getSaveFileName(this, text(kLibraryExport), name + QStringLiteral(".orvolens"),
                                     fileFilter(), nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty()) {
        return;
    }
    if (!path.endsWith(QStringLiteral(".orvolens"))) {
        path += QStringLiteral(".orvolens");
    }
    store.writeShared(entry, path, [this, path](bool ok, const QString& error) {
        reportChange(ok, error, LocalizationManager::withArguments(text(kLibraryExported), {path}));
    });
}

void ORVOLibraryWindow::chooseImport() {
    const QString path = QFileDialog::getOpenFileName(this, text(kLibraryImport), QString(), fileFilter(),
                                                      nullptr, QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty()) {
        importFile(path);
    }
}

namespace {

// The names in shared that the library holds for something else.
QStringList takenNames(const LensLibraryData& library, const LensLibraryData& shared) {
    QStringList taken;
    for (const LibraryLens& lens : shared.lenses) {
        const qsizetype same = library.lensIndex(lens.name);
        if (same >= 0 && !library.lenses[same].holdsSameProfile(lens)) {
            taken << lens.name;
        }
    }
    for (const LensKit& kit : shared.kits) {
        if (library.kitIndex(kit.name) >= 0) {
            taken << kit.name;
        }
    }
    return taken;
}

} // namespace

void ORVOLibraryWindow::importFile(const QString& path) {
    store.readShared(path, [this](const std::optional<LensLibraryData>& shared, const QString& error) {
        if (!shared) {
            reportChange(false, error);
            return;
        }
        store.whenLoaded(this, [this, shared = *shared] {
            const auto conflict = askConflict(this, takenNames(store.data(), shared));
            if (!conflict) {
                return;
            }
            const QString done = LocalizationManager::withArguments(
                text(kLibraryImported),
                {QString::number(shared.lenses.size()), QString::number(shared.kits.size())});
            store.change([shared, conflict](LensLibraryData& data,
                                            QString* why) { return data.merge(shared, *conflict, why); },
                         [this, done](bool ok, const QString& why) { reportChange(ok, why, done); });
        });
    });
}

void ORVOLibraryWindow::saveKit() {
    QString why;
    const auto values = host.shownValues(&why);
    if (!values) {
        showNotice(why);
        return;
    }
    auto* nameField = new QLineEdit;
    nameField->setAccessibleName(text(kLibraryKitName));
    auto name = std::make_shared<QString>();
    connect(nameField, &QLineEdit::textChanged, this,
            [name](const QString& typed) { *name = typed.trimmed(); });
    const int answer = ORVODialogs::ask(this, text(kLibraryKitName), QString(),
                                        {text(kLibrarySaveKitConfirm), text(kDialogRestoreBack)}, nameField);
    if (answer != 0 || name->isEmpty()) {
        return;
    }
    const auto conflict =
        askConflict(this, store.data().kitIndex(*name) >= 0 ? QStringList{*name} : QStringList());
    if (!conflict) {
        return;
    }
    store.change(
        [name = *name, values = *values, conflict](LensLibraryData& data, QString* error) {
            return data.addKitOf(name, values, *conflict, error).has_value();
        },
        [this](bool ok, const QString& error) { reportChange(ok, error); });
}

void ORVOLibraryWindow::loadKit() {
    const auto kit = currentKit();
    if (!kit) {
        return;
    }
    QString why;
    if (!host.loadKit(kit->name, store.data(), &why)) {
        showNotice(why);
        return;
    }
    showNotice(LocalizationManager::withArguments(text(kLibraryKitLoaded), {kit->name}));
}
