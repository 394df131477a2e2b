#pragma once

#include "LensLibrary.h"
#include "ORVOLibraryStore.h"

#include <QObject>
#include <QPointer>

class ORVOHeaderMenu;
class ORVOLibraryWindow;
class ViewController;

// Ties My Lenses to the main window: the profile card's Add to My Lenses and From My Lenses…, the
// header menu's My Lenses… with its shortcut (Ctrl+L), and the library window itself, made when it
// is first opened. The library file is not read before something needs it, so the window's start
// does not wait on it.
class ORVOLibraryController : public QObject {
    Q_OBJECT

public:
    explicit ORVOLibraryController(ViewController& controller,
                                   const QString& path = LensLibrary::defaultPath());
    ~ORVOLibraryController() override;

    // Opens My Lenses in front of the main window.
    ORVOLibraryWindow& showWindow();
    // Opens My Lenses and, once the user agrees, adds the shared file's lenses and kits to the library.
    void offerImport(const QString& path);

    ORVOLibraryStore store;
    QPointer<ORVOLibraryWindow> window;

private:
    void installMenuEntry(ORVOHeaderMenu& menu);
    void addShownProfile();
    void log(const QString& line);

    ViewController& controller;
};
