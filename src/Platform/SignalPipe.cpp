#include "SignalPipe.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};

// Async-signal-safe: one write, and errno as the interrupted code left it.
void forwardSignal(int signalNumber) {
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

SignalPipe* SignalPipe::install(std::initializer_list<int> signalNumbers) {
    // Lives as long as the process, like the handlers that write into its pipe.
    static SignalPipe* pipe = nullptr;
    if (!pipe) {
        // Non-blocking, so that a full pipe can never stall a handler.
        if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
            return nullptr;
        }
        pipe = new SignalPipe(pipeEnds[0]);
    }
    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : signalNumbers) {
        ::sigaction(signalNumber, &action, nullptr);
    }
    return pipe;
}

SignalPipe::SignalPipe(int readEnd) : notifier(new QSocketNotifier(readEnd, QSocketNotifier::Read, this)) {
    connect(notifier, &QSocketNotifier::activated, this, &SignalPipe::drain);
}

void SignalPipe::drain() {
    char bytes[16];
    ssize_t count = 0;
    while ((count = ::read(pipeEnds[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            emit received(static_cast<unsigned char>(bytes[i]));
        }
    }
}
