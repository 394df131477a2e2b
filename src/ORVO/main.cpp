// The ORVO adapter utility: one window that finds the adapter, reads and edits its four lens
// profiles and writes them back.

#include "AppDelegate.h"
#include "Version.h"
#include "ViewController.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ORVO"));
    QApplication::setOrganizationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(QStringLiteral(ORVO_SHORT_VERSION));
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
    delegate.applicationDidFinishLaunching(controller);
    return QApplication::exec();
}
