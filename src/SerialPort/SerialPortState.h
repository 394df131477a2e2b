#pragma once

// The parts of a port that its three source files share: the state behind the port's lock, the
// framing behind its own lock, and the helpers of its I/O thread. Not for use outside the port.

#include "PacketFramer.h"
#include "SerialBuffer.h"
#include "SerialParity.h"
#include "SerialReceiveQueue.h"
#include "SerialRequest.h"
#include "SerialWriteQueue.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <deque>
#include <mutex>
#include <optional>
#include <termios.h>
#include <thread>

namespace SerialPortInternals {

using Clock = std::chrono::steady_clock;

// Errors that mean the device is gone (unplugged, or the far end of a pseudo-terminal hung up).
inline bool isRemovalError(int errnoValue) {
    return errnoValue == EIO || errnoValue == ENXIO || errnoValue == ENODEV;
}

// Errors that mean the terminal has no modem lines at all, as with pseudo-terminals.
inline bool isNoModemLinesError(int errnoValue) {
    return errnoValue == ENOTTY || errnoValue == EINVAL;
}

inline bool onMainThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace SerialPortInternals

struct SerialPortState {
    // Guards everything below but the atomics. Recursive because errors reach the delegate directly
    // on the main thread, and the delegate may call back into the port.
    mutable std::recursive_mutex mutex;

    qint64 baudRate = 19200;
    bool allowsNonStandardBaudRates = false;
    unsigned numberOfStopBits = 1;
    unsigned numberOfDataBits = 8;
    SerialParity parity = SerialParity::None;
    bool shouldEchoReceivedData = false;
    bool usesRTSCTSFlowControl = false;
    bool usesDTRDSRFlowControl = false;
    bool usesDCDOutputFlowControl = false;
    bool RTS = false;
    bool DTR = false;

    std::atomic<bool> CTS{false};
    std::atomic<bool> DSR{false};
    std::atomic<bool> DCD{false};

    // The descriptor, -1 when closed (0 is a valid descriptor). The port counts as open from a
    // successful open until the main thread has taken note of the close, so `close(); isOpen()` still
    // answers true.
    int fd = -1;
    std::atomic<bool> open{false};
    // The connection number of the current or last open.
    quint64 generation = 0;
    SerialWriteQueue writes;
    bool closeRequested = false;
    bool hasModemLines = true;
    termios savedAttributes{};
    int wakeFd = -1;
    std::thread ioThread;
};

struct SerialPortFraming {
    // Recursive for the same reason as State::mutex. Lock order: Framing before State.
    mutable std::recursive_mutex mutex;
    PacketFramer framer;
    std::deque<SerialRequest> requestsQueue;
    std::optional<SerialRequest> pendingRequest;
    std::optional<SerialBuffer> requestResponseReceiveBuffer;
    std::optional<SerialPortInternals::Clock::time_point> pendingRequestDeadline;
    // What the port's thread hands to the main thread; it has a lock of its own, taken after this one.
    SerialReceiveQueue received;
};
