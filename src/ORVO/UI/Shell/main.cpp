// The ORVO adapter utility: one window that finds the adapter, reads and edits its four lens
// profiles and writes them back.

#include "AppDelegate.h"
#include "FirstFrame.h"
#include "ORVOLibraryController.h"
#include "UdevRule.h"
#include "Version.h"
#include "ViewController.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <optional>
#include <string_view>

namespace {

constexpr char kUsage[] =
    "Usage: orvo [OPTION] [FILE.orvolens ...]\n"
    "The ORVO adapter utility: finds the adapter on its USB serial port, reads its four lens profiles,\n"
    "lets you edit them and writes them back. Without an option it opens its window; started again,\n"
    "it brings the open window to the front. A shared lens file (.orvolens) opens My Lenses with its\n"
    "import offered, in the open window if there is one.\n"
    "\n"
    "  -h, --help           show this help and exit\n"
    "      --version        show the version and exit\n"
    "      --print-udev-rule\n"
    "                       print the udev rule that gives the desktop user the adapter, and exit\n"
    "\n"
    "orvoctl reads and writes the adapter from a shell.\n";

// Text that did not reach its reader (a full disk, a closed pipe) is a failure: exit status 1.
int print(const char* text) {
    return std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
}

// Options answered before any window system is touched, so they work over ssh and in scripts:
//   orvo --print-udev-rule | sudo tee /etc/udev/rules.d/70-orvo-adapter.rules
// Nothing for a start that opens the window.
std::optional<int> answerWithoutWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help" || option == "-h") {
            return print(kUsage);
        }
        if (option == "--version") {
            return print("orvo " ORVO_SHORT_VERSION " (build " ORVO_BUILD_NUMBER ")\n");
        }
        if (option == "--print-udev-rule") {
            return print(kUdevRule);
        }
    }
    return std::nullopt;
}

} // namespace

// The files named on the command line, as absolute paths: a running copy has its own folder.
QStringList filesNamed(const QStringList& arguments) {
    QStringList files;
    for (const QString& argument : arguments.mid(1)) {
        if (!argument.startsWith(u'-')) {
            files << QFileInfo(argument).absoluteFilePath();
        }
    }
    return files;
}

int main(int argc, char** argv) {
    if (const std::optional<int> status = answerWithoutWindow(argc, argv)) {
        return *status;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ORVO"));
    QApplication::setOrganizationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(QStringLiteral(ORVO_SHORT_VERSION));
    // Ties the windows to the desktop entry and its icon (the Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quillon.orvo"));
    // The program ends only through its clean-up: Exit, the close button or a quit request.
    QApplication::setQuitOnLastWindowClosed(false);

    AppDelegate& delegate = AppDelegate::shared();
    delegate.applicationWillFinishLaunching();
    delegate.filesToOpen = filesNamed(QCoreApplication::arguments());
    // A second copy ends here, before it has a window or touches a port.
    if (!delegate.ensureSingleInstance()) {
        return 0;
    }
    ViewController controller;
    // Owned by the controller; reads the library only when it is first needed.
    auto* library = new ORVOLibraryController(controller);
    delegate.openFile = [library](const QString& path) { library->offerImport(path); };
    FirstFrame::after(&controller, [library, files = delegate.filesToOpen] {
        for (const QString& path : files) {
            library->offerImport(path);
        }
    });
    controller.show();
    // Watches last, so it reports ahead of the work that waits for the first frame.
    FirstFrame::reportIfAsked(&controller);
    delegate.applicationDidFinishLaunching(controller);
    return QApplication::exec();
}
