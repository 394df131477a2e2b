// A program reduced to its one-copy rule, started in pairs by the tests. It claims when a line arrives
// on standard input, so that two copies claim at the same moment. The copy that runs prints "running",
// and "activated" for each Activate call, and ends when standard input closes; a copy that hands over
// ends with 0 once the running one has answered Activate, any other with 1.
// Arguments: the bus name, the lock folder.

#include "SingleInstance.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <iostream>
#include <string>
#include <unistd.h>

class ProbeCopy : public QObject {
    Q_OBJECT

public slots:
    Q_SCRIPTABLE void Activate() { std::fputs("activated\n", stdout); }
};

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    QCoreApplication app(argc, argv);
    std::string go;
    std::getline(std::cin, go);
    ProbeCopy copy;
    SingleInstance instance(app.arguments().value(1), QStringLiteral("/Probe"), app.arguments().value(2));
    switch (instance.claim(&copy)) {
    case SingleInstance::Claim::OnlyCopy: {
        std::fputs("running\n", stdout);
        QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(&input, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
        return QCoreApplication::exec();
    }
    case SingleInstance::Claim::AnotherCopyOnTheBus:
        return instance.callRunningCopy(QStringLiteral("Activate")) ? 0 : 1;
    case SingleInstance::Claim::AnotherCopyUnreachable:
        break;
    }
    return 1;
}

#include "SingleInstanceProbe.moc"
