#pragma once

#include <QObject>
#include <initializer_list>

class QSocketNotifier;

// Turns process signals into a Qt signal on the main thread. A signal handler may do almost nothing,
// so it only writes the signal's number into a pipe (the self-pipe trick); the main event loop reads
// it and emits received(). There is one pipe per process, made by the first install().
class SignalPipe : public QObject {
    Q_OBJECT

public:
    // Routes these signals through the pipe. Call it on the main thread, with the application object
    // alive. A later call adds its signals to the same pipe, so installing twice is harmless. Null when
    // no pipe could be made (errno tells why); the signals then keep their default handling.
    static SignalPipe* install(std::initializer_list<int> signalNumbers);

signals:
    // Once per signal delivered, in arrival order.
    void received(int signalNumber);

private:
    explicit SignalPipe(int readEnd);
    void drain();

    QSocketNotifier* notifier;
};
