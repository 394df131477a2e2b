// The ORVO adapter utility: one window that finds the adapter, reads and edits its four lens
// profiles and writes them back.

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

    ViewController controller;
    QObject::connect(&controller, &ViewController::terminationRequested, &app, &QApplication::quit);
    controller.show();
    return QApplication::exec();
}
