// The port's own thread: it reads, frames, writes queued data, polls the modem lines, and closes
// the descriptor; every delegate callback goes to the main thread.

#include "MainThreadMailbox.h"
#include "SerialPort.h"
#include "SerialPortManager.h"
#include "SerialPortState.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace SerialPortInternals;

namespace {

constexpr auto kModemLinePollInterval = std::chrono::milliseconds(10);
// How often a port that stopped reading, because the main thread is behind, looks again.
constexpr auto kFullQueueRetryInterval = std::chrono::milliseconds(10);
constexpr size_t kReadChunkSize = 1024;

} // namespace

// Drains the wake-up counter; true when the wake-up asks the thread to close.
bool SerialPort::wokenToClose(int wakeFd) {
    uint64_t count = 0;
    (void)::read(wakeFd, &count, sizeof count);
    std::lock_guard lock(state_->mutex);
    return state_->closeRequested;
}

void SerialPort::runIoThread(int fd, int wakeFd, quint64 generation) {
    char chunk[kReadChunkSize];
    int lastModemLineError = 0;
    bool removed = false;
    auto nextModemLinePoll = Clock::now();

    while (!removed) {
        bool wantsOutput = false;
        {
            std::lock_guard lock(state_->mutex);
            wantsOutput = !state_->writes.isEmpty();
        }
        const bool wantsInput = !framing_->received.isFull();
        pollfd fds[2] = {{fd, short((wantsInput ? POLLIN : 0) | (wantsOutput ? POLLOUT : 0)), 0},
                         {wakeFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, ioThreadTimeout(nextModemLinePoll));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            reportError(errno);
            break;
        }

        if ((fds[1].revents & POLLIN) && wokenToClose(wakeFd)) {
            break;
        }

        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n > 0) {
                receive(QByteArrayView(chunk, n));
            } else if (n == 0 || isRemovalError(errno)) {
                // A hung-up terminal reads 0 and stays readable: reading on would spin.
                removed = true;
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            removed = true;
        }
        if (!removed && isRemovalError(flushWrites(fd, fds[0].revents))) {
            removed = true;
        }

        if (!removed && Clock::now() >= nextModemLinePoll) {
            removed = !pollModemLines(fd, lastModemLineError);
            nextModemLinePoll = std::max(nextModemLinePoll + kModemLinePollInterval, Clock::now());
        }
        checkRequestTimeout();
    }

    if (removed) {
        deliver(
            [](SerialPortDelegate& d, const SerialPortPtr& port) { d.serialPortWasRemovedFromSystem(port); });
        // Let the port list drop the device now rather than on its next change notice.
        MainThreadMailbox::shared().post([] { SerialPortManager::refreshSharedManagerIfCreated(); });
    }
    closeDescriptor(fd, removed, generation);
}

// Milliseconds until the next modem-line poll, request deadline, write deadline or look at a full
// receive queue, or -1: a port without modem lines, requests or writes sleeps until something happens.
int SerialPort::ioThreadTimeout(Clock::time_point nextModemLinePoll) {
    std::optional<Clock::time_point> wakeAt;
    const auto consider = [&](Clock::time_point t) {
        if (!wakeAt || t < *wakeAt) {
            wakeAt = t;
        }
    };
    {
        std::lock_guard lock(state_->mutex);
        if (state_->hasModemLines) {
            consider(nextModemLinePoll);
        }
        if (!state_->writes.isEmpty()) {
            consider(state_->writes.nextDeadline());
        }
    }
    {
        std::lock_guard lock(framing_->mutex);
        if (framing_->pendingRequestDeadline) {
            consider(*framing_->pendingRequestDeadline);
        }
    }
    if (framing_->received.isFull()) {
        consider(Clock::now() + kFullQueueRetryInterval);
    }
    if (!wakeAt) {
        return -1;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*wakeAt - Clock::now());
    return static_cast<int>(std::max<qint64>(left.count(), 0));
}

// Writes what the device takes now and gives up writes past their deadline. Returns a write error.
int SerialPort::flushWrites(int fd, short revents) {
    std::vector<SerialWriteOutcome> finished;
    int error = 0;
    {
        std::lock_guard lock(state_->mutex);
        if (revents & POLLOUT) {
            error = state_->writes.writeTo(fd, finished);
        }
        state_->writes.expire(Clock::now(), finished);
    }
    if (error != 0 && !isRemovalError(error)) {
        reportError(error);
    }
    deliverWriteOutcomes(std::move(finished));
    return error;
}

void SerialPort::deliverWriteOutcomes(std::vector<SerialWriteOutcome>&& outcomes) {
    for (const SerialWriteOutcome& outcome : outcomes) {
        deliver([outcome](SerialPortDelegate& d, const SerialPortPtr& port) {
            d.serialPortDidFinishWrite(port, outcome);
        });
    }
}

// Returns false when the device has gone away.
bool SerialPort::pollModemLines(int fd, int& lastError) {
    {
        std::lock_guard lock(state_->mutex);
        if (!state_->hasModemLines) {
            return true;
        }
    }
    int bits = 0;
    if (::ioctl(fd, TIOCMGET, &bits) != 0) {
        const int error = errno;
        if (isNoModemLinesError(error)) {
            std::lock_guard lock(state_->mutex);
            state_->hasModemLines = false;
            return true;
        }
        // Report a lasting failure once, not a hundred times a second.
        if (error != lastError) {
            reportError(error);
        }
        lastError = error;
        return !isRemovalError(error);
    }
    lastError = 0;
    state_->CTS.store(bits & TIOCM_CTS);
    state_->DSR.store(bits & TIOCM_DSR);
    state_->DCD.store(bits & TIOCM_CAR);
    return true;
}

// Raw data first, then the packets it completes: the main thread hears them in the order the bytes came.
void SerialPort::receive(QByteArrayView chunk) {
    std::lock_guard lock(framing_->mutex);
    handOver(framing_->received.addData(chunk));
    const PacketFramer::PacketHandler onPacket = [this](const QByteArray& packet,
                                                        const SerialPacketDescriptor& descriptor) {
        handOver(framing_->received.addPacket(packet, descriptor, descriptor.passesIntegrityCheck(packet)));
    };
    for (const char byte : chunk) {
        framing_->framer.feedByte(byte, onPacket);
        matchResponseByte(byte);
    }
}

// Asks the main thread to take a batch the receive queue has just opened.
void SerialPort::handOver(const SerialReceiveQueue::BatchPtr& batch) {
    if (!batch) {
        return;
    }
    MainThreadMailbox::shared().post([weak = weak_from_this(), batch] {
        if (const SerialPortPtr port = weak.lock()) {
            port->deliverReceived(batch);
        }
    });
}

// The delegate is asked for before every callback: one of them may change or clear it.
void SerialPort::deliverReceived(const SerialReceiveQueue::BatchPtr& batch) {
    const SerialReceiveQueue::Batch taken = framing_->received.take(batch);
    const SerialPortPtr self = shared_from_this();
    for (const SerialReceiveQueue::Event& event : taken.events) {
        SerialPortDelegate* d = delegate();
        if (d && event.descriptor) {
            d->serialPortDidReceivePacket(self, event.bytes, *event.descriptor);
        } else if (d) {
            d->serialPortDidReceiveData(self, event.bytes);
        }
    }
    for (const SerialReceiveQueue::DroppedPackets& dropped : taken.dropped) {
        if (SerialPortDelegate* d = delegate()) {
            d->serialPortDidDropPackets(self, dropped.descriptor, dropped.count);
        }
    }
}

void SerialPort::closeDescriptor(int fd, bool removed, quint64 generation) {
    State& s = *state_;
    int error = 0;
    std::vector<SerialWriteOutcome> unwritten;
    {
        std::lock_guard lock(s.mutex);
        termios attributes{};
        if (::tcgetattr(fd, &attributes) == 0) {
            attributes.c_cflag &= ~CRTSCTS;
            (void)::tcsetattr(fd, TCSANOW, &attributes);
            // A vanished device has no output left to drain.
            (void)::tcsetattr(fd, removed ? TCSANOW : TCSADRAIN, &s.savedAttributes);
        }
        // The exclusive flag outlives our descriptor when the far end keeps the terminal open.
        (void)::ioctl(fd, TIOCNXCL);
        // Linux releases the descriptor even when close reports an error, so the port is closed
        // either way; the error is still worth telling.
        if (::close(fd) != 0 && errno != EINTR) {
            error = errno;
        }
        ::close(s.wakeFd);
        s.wakeFd = -1;
        s.fd = -1;
        s.closeRequested = false;
        // Bytes still queued can no longer reach the device.
        s.writes.failAll(ENODEV, unwritten);
    }
    if (error != 0) {
        reportError(error);
    }
    deliverWriteOutcomes(std::move(unwritten));
    {
        std::lock_guard lock(framing_->mutex);
        framing_->requestsQueue.clear();
        framing_->pendingRequest.reset();
        framing_->requestResponseReceiveBuffer.reset();
        framing_->pendingRequestDeadline.reset();
    }
    framing_->received.closeBatch();
    MainThreadMailbox::shared().post([weak = weak_from_this(), generation] {
        const SerialPortPtr port = weak.lock();
        if (!port) {
            return;
        }
        {
            std::lock_guard lock(port->state_->mutex);
            if (port->state_->generation == generation) {
                port->state_->open.store(false);
            }
        }
        if (SerialPortDelegate* d = port->delegate()) {
            d->serialPortWasClosed(port);
        }
    });
}

// Removal and delivery ----------------------------------------------------------------------------

void SerialPort::cleanupAfterSystemRemoval() {
    if (SerialPortDelegate* d = delegate()) {
        if (onMainThread()) {
            d->serialPortWasRemovedFromSystem(shared_from_this());
        } else {
            deliver([](SerialPortDelegate& d, const SerialPortPtr& port) {
                d.serialPortWasRemovedFromSystem(port);
            });
        }
    }
    close();
}

void SerialPort::cleanup() {
    qWarning("WARNING: Cleanup is deprecated and was never intended to be called publicly. You should update "
             "your code to avoid calling this method.");
    cleanupAfterSystemRemoval();
}

void SerialPort::reportError(int errnoValue) {
    const SerialPortError error = SerialPortError::fromErrno(errnoValue, device_.path);
    if (onMainThread()) {
        if (SerialPortDelegate* d = delegate()) {
            d->serialPortDidEncounterError(shared_from_this(), error);
        }
        return;
    }
    deliver([error](SerialPortDelegate& d, const SerialPortPtr& port) {
        d.serialPortDidEncounterError(port, error);
    });
}

void SerialPort::deliver(std::function<void(SerialPortDelegate&, const SerialPortPtr&)> callback) {
    // Received data that comes later must not overtake this callback.
    framing_->received.closeBatch();
    // The port's thread never owns the port: a port released meanwhile simply hears nothing more.
    MainThreadMailbox::shared().post([weak = weak_from_this(), callback = std::move(callback)] {
        if (const SerialPortPtr port = weak.lock()) {
            if (SerialPortDelegate* d = port->delegate()) {
                callback(*d, port);
            }
        }
    });
}
