#pragma once

#include "AdapterSnapshot.h"
#include "LensLibrary.h"
#include "LensLibraryData.h"

#include <QWidget>
#include <functional>
#include <optional>

class ORVOKitListModel;
class ORVOLensListModel;
class ORVOLibraryFilter;
class ORVOLibraryStore;
class QAbstractItemModel;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeView;
struct ORVOPalette;

// My Lenses: the library's lenses and kits in two lists, searched as the user types and sorted by
// any column, with what can be done to them. A lens fills the main window's selected profile; a kit
// fills all four and the default lens; the four profiles shown there become a kit. Nothing here
// writes to the adapter: the main window's Save does that, as always.
//
// Every library call goes through the store and so off this thread; the lists show the library as
// the store last had it.
class ORVOLibraryWindow : public QWidget {
    Q_OBJECT

public:
    // What the window asks of the main window.
    struct Host {
        std::function<int()> selectedProfile;
        std::function<void(const LibraryLens& lens)> fillProfile;
        // The four profiles and the default lens as the fields show them; nothing (and why) when a
        // field holds a value the adapter cannot store.
        std::function<std::optional<AdapterSnapshot>(QString* why)> shownValues;
        // Fills the fields with the kit over what the adapter holds; false (and why) when it cannot.
        std::function<bool(const QString& kit, const LensLibraryData& data, QString* why)> loadKit;
        std::function<bool()> lightAppearance;
    };

    ORVOLibraryWindow(ORVOLibraryStore& store, Host host, QWidget* mainWindow);

    void refreshLocalizedText();
    void applyTheme();
    // Offers the shared file's lenses and kits to the library, asking first when names are taken.
    void importFile(const QString& path);

    // Replace or Keep both, asked when names taken (taken empty: no need to ask, Refuse); nothing
    // when the user went back.
    static std::optional<LensLibraryData::NameConflict> askConflict(QWidget* over, const QStringList& taken);
    // Adds the lens once the library is read, asking first when its name is taken by another lens;
    // report gets the line to log, once the library holds it or could not take it.
    static void addLensAsking(ORVOLibraryStore& store, QWidget* over, const LibraryLens& lens,
                              const std::function<void(const QString& line)>& report);

    QLineEdit* searchField = nullptr;
    QTreeView* lensView = nullptr;
    QTreeView* kitView = nullptr;
    // Says what to do while the library is empty, and that nothing matches a search.
    QLabel* emptyLabel = nullptr;
    // The library file does not read: shown once it is found, until it reads again.
    QLabel* problemLabel = nullptr;
    // The last action's outcome, with Undo after a delete.
    QFrame* noticeBar = nullptr;
    QLabel* noticeLabel = nullptr;
    QPushButton* undoButton = nullptr;
    QPushButton* useLensButton = nullptr;
    QPushButton* editButton = nullptr;
    QPushButton* deleteButton = nullptr;
    QPushButton* exportButton = nullptr;
    QPushButton* importButton = nullptr;
    QPushButton* saveKitButton = nullptr;
    QPushButton* loadKitButton = nullptr;

protected:
    // Return opens the edit of the current row, Delete deletes it.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildLists();
    QWidget* buildButtons();
    void buildNotices();
    QTreeView* makeView(QAbstractItemModel* model, const char* accessibleKey);
    void libraryChanged();
    void search();
    void updateButtons();
    void showNotice(const QString& text, std::function<void()> undo = {});
    void reportChange(bool ok, const QString& error, const QString& success = {});
    QString text(const char* key) const;
    const ORVOPalette& palette() const;

    // The current row's lens or kit, when its list has the focus or holds the only selection.
    std::optional<LibraryLens> currentLens() const;
    std::optional<LensKit> currentKit() const;
    QTreeView* activeView() const;

    // Actions.
    void useLens();
    void editCurrent();
    void deleteCurrent();
    void deleteLens(const LibraryLens& lens);
    void deleteKit(const LensKit& kit);
    void removeWithUndo(const QString& name, const LensLibrary::Edit& remove,
                        const LensLibrary::Edit& restore);
    void exportCurrent();
    void chooseImport();
    void saveKit();
    void loadKit();
    void rename(bool kit, const QString& from, const QString& to);
    void update(const LibraryLens& lens);

    ORVOLibraryStore& store;
    Host host;
    ORVOLensListModel* lenses = nullptr;
    ORVOKitListModel* kits = nullptr;
    ORVOLibraryFilter* lensFilter = nullptr;
    ORVOLibraryFilter* kitFilter = nullptr;
    QLabel* lensCaption = nullptr;
    QLabel* kitCaption = nullptr;
    QTimer* noticeTimer = nullptr;
    std::function<void()> pendingUndo;
};
