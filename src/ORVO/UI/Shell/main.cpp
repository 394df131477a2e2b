// The ORVO adapter utility: one window that finds the adapter, reads and edits its four lens
// profiles and writes them back.

#include "AppDelegate.h"
#include "FirstFrame.h"
#include "UdevRule.h"
#include "Version.h"
#include "ViewController.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

namespace {

// Answered before any window system is touched, so it works over ssh and in scripts:
//   orvo --print-udev-rule | sudo tee /etc/udev/rules.d/70-orvo-adapter.rules
bool printsUdevRule(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--print-udev-rule") == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (printsUdevRule(argc, argv)) {
        // A rule that did not reach its file (a full disk, a closed pipe) must not look installed.
        return std::fputs(kUdevRule, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ORVO"));
    QApplication::setOrganizationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(QStringLiteral(ORVO_SHORT_VERSION));
    // Ties the windows to the desktop entry and its icon (the Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quillon.orvo"));
    // Closing the window only hides it; the program ends through Exit or a quit request.
    QApplication::setQuitOnLastWindowClosed(false);

    AppDelegate& delegate = AppDelegate::shared();
    delegate.applicationWillFinishLaunching();
    // A second copy ends here, before it has a window or touches a port.
    if (!delegate.ensureSingleInstance()) {
        return 0;
    }
    ViewController controller;
    controller.show();
    // Watches last, so it reports ahead of the work that waits for the first frame.
    FirstFrame::reportIfAsked(&controller);
    delegate.applicationDidFinishLaunching(controller);
    return QApplication::exec();
}
