// The least a Qt window costs: one label, shown. scripts/startup-bench starts it beside the program.
#include "FirstFrame.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("ORVO"));
    FirstFrame::reportIfAsked(&label);
    label.show();
    return QApplication::exec();
}
