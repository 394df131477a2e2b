#include "SerialPort.h"

#include "MainThreadMailbox.h"
#include "PacketFramer.h"
#include "SerialPortManager.h"
#include "TerminalSpeed.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <cerrno>
#include <chrono>
#include <deque>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kModemLinePollInterval = std::chrono::milliseconds(10);
constexpr size_t kReadChunkSize = 1024;

// Errors that mean the device is gone (unplugged, or the far end of a pseudo-terminal hung up).
bool isRemovalError(int errnoValue) {
    return errnoValue == EIO || errnoValue == ENXIO || errnoValue == ENODEV;
}

// Errors that mean the terminal has no modem lines at all, as with pseudo-terminals.
bool isNoModemLinesError(int errnoValue) {
    return errnoValue == ENOTTY || errnoValue == EINVAL;
}

// Live port objects by path. Ports keep a raw pointer beside the weak one so a port being destroyed
// removes only its own entry, never that of a successor created for the same path meanwhile.
struct Registry {
    std::mutex mutex;
    std::map<QString, std::pair<SerialPort*, std::weak_ptr<SerialPort>>> ports;
};

Registry& registry() {
    // Never destroyed: ports may still be released during static destruction.
    static auto* instance = new Registry;
    return *instance;
}

// Every successful open of any port takes the next number.
std::atomic<quint64> lastConnectionNumber{0};

bool onMainThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

struct SerialPort::State {
    // Guards everything below but the atomics. Recursive because errors reach the delegate directly
    // on the main thread, and the delegate may call back into the port.
    mutable std::recursive_mutex mutex;

    qint64 baudRate = 19200;
    bool allowsNonStandardBaudRates = false;
    unsigned numberOfStopBits = 1;
    unsigned numberOfDataBits = 8;
    Parity parity = Parity::None;
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

struct SerialPort::Framing {
    // Recursive for the same reason as State::mutex. Lock order: Framing before State.
    mutable std::recursive_mutex mutex;
    PacketFramer framer;
    std::deque<SerialRequest> requestsQueue;
    std::optional<SerialRequest> pendingRequest;
    std::optional<SerialBuffer> requestResponseReceiveBuffer;
    std::optional<Clock::time_point> pendingRequestDeadline;
};

SerialPort::SerialPort(const SerialDevice& device)
    : device_(device), state_(std::make_unique<State>()), framing_(std::make_unique<Framing>()) {
    MainThreadMailbox::shared();
}

SerialPortPtr SerialPort::serialPortWithPath(const QString& path) {
    const auto device = SerialDevice::deviceWithPath(path);
    return device ? serialPortWithDevice(*device) : nullptr;
}

SerialPortPtr SerialPort::serialPortWithDevice(const SerialDevice& device) {
    Q_ASSERT_X(!device.path.isEmpty(), "SerialPort::serialPortWithDevice", "requires a device with a path");
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto& entry = r.ports[device.path];
    if (SerialPortPtr live = entry.second.lock()) {
        return live;
    }
    SerialPortPtr port(new SerialPort(device));
    entry = {port.get(), port};
    return port;
}

std::vector<SerialPortPtr> SerialPort::allSerialPorts() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::vector<SerialPortPtr> result;
    for (const auto& [path, entry] : r.ports) {
        if (SerialPortPtr port = entry.second.lock()) {
            result.push_back(std::move(port));
        }
    }
    return result;
}

SerialPort::~SerialPort() {
    close();
    if (state_->ioThread.joinable()) {
        if (state_->ioThread.get_id() == std::this_thread::get_id()) {
            state_->ioThread.detach();
        } else {
            state_->ioThread.join();
        }
    }
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const auto it = r.ports.find(device_.path);
    if (it != r.ports.end() && it->second.first == this) {
        r.ports.erase(it);
    }
}

SerialPortDelegate* SerialPort::delegate() const {
    return delegate_.load();
}
void SerialPort::setDelegate(SerialPortDelegate* delegate) {
    delegate_.store(delegate);
}

bool SerialPort::isOpen() const {
    return state_->open.load();
}

int SerialPort::fileDescriptor() const {
    std::lock_guard lock(state_->mutex);
    return state_->fd;
}

quint64 SerialPort::connectionNumber() const {
    std::lock_guard lock(state_->mutex);
    return state_->fd >= 0 ? state_->generation : 0;
}

void SerialPort::open() {
    State& s = *state_;
    if (s.open.load()) {
        return;
    }
    // The thread of the previous session has closed its descriptor by now or is about to.
    if (s.ioThread.joinable()) {
        s.ioThread.join();
    }

    int error = 0;
    {
        std::lock_guard lock(s.mutex);
        // The descriptor stays non-blocking: the port's thread waits in poll() for both directions.
        const int fd =
            ::open(QFile::encodeName(device_.path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            error = errno;
        } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            // Someone else has the port; "busy" says that better than "would block".
            error = errno == EWOULDBLOCK ? EBUSY : errno;
            ::close(fd);
        } else if (::tcgetattr(fd, &s.savedAttributes) != 0) {
            error = errno;
            ::close(fd);
        } else {
            // Keeps other non-root openers out too; the lock above is what holds against root.
            (void)::ioctl(fd, TIOCEXCL);
            s.fd = fd;
            s.open.store(true);
            s.closeRequested = false;
            s.hasModemLines = true;
            s.wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
            s.generation = ++lastConnectionNumber;
        }
    }
    if (error != 0) {
        reportError(error);
        return;
    }

    if (const int optionsError = applyPortOptions()) {
        reportError(optionsError);
    }
    if (const int linesError = applyModemLines()) {
        reportError(linesError);
    }
    deliver([](SerialPortDelegate& d, const SerialPortPtr& port) { d.serialPortWasOpened(port); });

    std::lock_guard lock(s.mutex);
    s.ioThread = std::thread(&SerialPort::runIoThread, this, s.fd, s.wakeFd, s.generation);
}

bool SerialPort::close() {
    std::lock_guard lock(state_->mutex);
    if (state_->fd >= 0 && !state_->closeRequested) {
        state_->closeRequested = true;
        wakeIoThread();
    }
    return true;
}

void SerialPort::closeAndWait() {
    close();
    if (state_->ioThread.joinable()) {
        state_->ioThread.join();
    }
    state_->open.store(false);
}

void SerialPort::wakeIoThread() {
    std::lock_guard lock(state_->mutex);
    if (state_->wakeFd >= 0) {
        const uint64_t one = 1;
        (void)::write(state_->wakeFd, &one, sizeof one);
    }
}

quint64 SerialPort::sendData(const QByteArray& data) {
    std::lock_guard lock(state_->mutex);
    if (state_->fd < 0 || state_->closeRequested) {
        return 0;
    }
    const quint64 id = state_->writes.push(data, state_->generation);
    wakeIoThread();
    return id;
}

// Line settings ---------------------------------------------------------------------------------

int SerialPort::applyPortOptions() {
    State& s = *state_;
    std::lock_guard lock(s.mutex);
    if (s.fd < 0) {
        return 0;
    }
    termios attributes{};
    if (::tcgetattr(s.fd, &attributes) != 0) {
        return errno;
    }
    ::cfmakeraw(&attributes);
    attributes.c_cc[VMIN] = 1;
    attributes.c_cc[VTIME] = 2;

    attributes.c_cflag &= ~CSIZE;
    if (s.numberOfDataBits == 7) {
        attributes.c_cflag |= CS7;
    } else if (s.numberOfDataBits == 8) {
        attributes.c_cflag |= CS8;
    }

    attributes.c_cflag &= ~(PARENB | PARODD);
    if (s.parity == Parity::Odd) {
        attributes.c_cflag |= PARENB | PARODD;
    } else if (s.parity == Parity::Even) {
        attributes.c_cflag |= PARENB;
    }

    if (s.numberOfStopBits >= 2) {
        attributes.c_cflag |= CSTOPB;
    } else {
        attributes.c_cflag &= ~CSTOPB;
    }

    if (s.shouldEchoReceivedData) {
        attributes.c_lflag |= ECHO;
    } else {
        attributes.c_lflag &= ~ECHO;
    }

    // Linux has one hardware handshake, RTS/CTS. It has no DTR/DSR or carrier output handshake: those
    // two settings are kept on the port but have nothing to switch in the terminal.
    if (s.usesRTSCTSFlowControl) {
        attributes.c_cflag |= CRTSCTS;
    } else {
        attributes.c_cflag &= ~CRTSCTS;
    }

    attributes.c_cflag |= CREAD | CLOCAL | HUPCL;
    attributes.c_lflag &= ~(ICANON | ISIG);

    const unsigned speed = standardSpeedConstant(s.baudRate);
    if (speed != 0) {
        ::cfsetispeed(&attributes, speed);
        ::cfsetospeed(&attributes, speed);
    }
    if (::tcsetattr(s.fd, TCSANOW, &attributes) != 0) {
        return errno;
    }
    if (speed != 0) {
        return 0;
    }
    return s.allowsNonStandardBaudRates ? setNonStandardSpeed(s.fd, s.baudRate) : EINVAL;
}

int SerialPort::applyModemLines() {
    State& s = *state_;
    std::lock_guard lock(s.mutex);
    if (s.fd < 0 || !s.hasModemLines) {
        return 0;
    }
    int bits = 0;
    if (::ioctl(s.fd, TIOCMGET, &bits) != 0) {
        if (isNoModemLinesError(errno)) {
            s.hasModemLines = false;
            return 0;
        }
        return errno;
    }
    bits = s.RTS ? bits | TIOCM_RTS : bits & ~TIOCM_RTS;
    bits = s.DTR ? bits | TIOCM_DTR : bits & ~TIOCM_DTR;
    return ::ioctl(s.fd, TIOCMSET, &bits) == 0 ? 0 : errno;
}

template <typename T> void SerialPort::setOption(T State::*member, T value) {
    {
        std::lock_guard lock(state_->mutex);
        if ((*state_).*member == value) {
            return;
        }
        (*state_).*member = value;
    }
    if (const int error = applyPortOptions()) {
        reportError(error);
    }
}

void SerialPort::setFlowControl(bool State::*member, bool uses) {
    {
        std::lock_guard lock(state_->mutex);
        if ((*state_).*member == uses) {
            return;
        }
    }
    // The handshake changes only on a freshly opened descriptor.
    const bool wasOpen = isOpen();
    if (wasOpen) {
        closeAndWait();
    }
    {
        std::lock_guard lock(state_->mutex);
        (*state_).*member = uses;
    }
    if (wasOpen) {
        open();
    }
}

qint64 SerialPort::baudRate() const {
    std::lock_guard lock(state_->mutex);
    return state_->baudRate;
}
void SerialPort::setBaudRate(qint64 baudRate) {
    setOption(&State::baudRate, baudRate);
}

bool SerialPort::allowsNonStandardBaudRates() const {
    std::lock_guard lock(state_->mutex);
    return state_->allowsNonStandardBaudRates;
}
void SerialPort::setAllowsNonStandardBaudRates(bool allows) {
    setOption(&State::allowsNonStandardBaudRates, allows);
}

unsigned SerialPort::numberOfStopBits() const {
    std::lock_guard lock(state_->mutex);
    return state_->numberOfStopBits;
}
void SerialPort::setNumberOfStopBits(unsigned numberOfStopBits) {
    setOption(&State::numberOfStopBits, numberOfStopBits);
}

unsigned SerialPort::numberOfDataBits() const {
    std::lock_guard lock(state_->mutex);
    return state_->numberOfDataBits;
}
void SerialPort::setNumberOfDataBits(unsigned numberOfDataBits) {
    setOption(&State::numberOfDataBits, numberOfDataBits);
}

SerialPort::Parity SerialPort::parity() const {
    std::lock_guard lock(state_->mutex);
    return state_->parity;
}
void SerialPort::setParity(Parity parity) {
    setParity(static_cast<int>(parity));
}
void SerialPort::setParity(int parity) {
    const bool known = parity == int(Parity::Odd) || parity == int(Parity::Even);
    setOption(&State::parity, known ? static_cast<Parity>(parity) : Parity::None);
}

bool SerialPort::shouldEchoReceivedData() const {
    std::lock_guard lock(state_->mutex);
    return state_->shouldEchoReceivedData;
}
void SerialPort::setShouldEchoReceivedData(bool echo) {
    setOption(&State::shouldEchoReceivedData, echo);
}

bool SerialPort::usesRTSCTSFlowControl() const {
    std::lock_guard lock(state_->mutex);
    return state_->usesRTSCTSFlowControl;
}
void SerialPort::setUsesRTSCTSFlowControl(bool uses) {
    setFlowControl(&State::usesRTSCTSFlowControl, uses);
}

bool SerialPort::usesDTRDSRFlowControl() const {
    std::lock_guard lock(state_->mutex);
    return state_->usesDTRDSRFlowControl;
}
void SerialPort::setUsesDTRDSRFlowControl(bool uses) {
    setFlowControl(&State::usesDTRDSRFlowControl, uses);
}

bool SerialPort::usesDCDOutputFlowControl() const {
    std::lock_guard lock(state_->mutex);
    return state_->usesDCDOutputFlowControl;
}
void SerialPort::setUsesDCDOutputFlowControl(bool uses) {
    setFlowControl(&State::usesDCDOutputFlowControl, uses);
}

bool SerialPort::RTS() const {
    std::lock_guard lock(state_->mutex);
    return state_->RTS;
}
bool SerialPort::DTR() const {
    std::lock_guard lock(state_->mutex);
    return state_->DTR;
}

void SerialPort::setRTS(bool rts) {
    {
        std::lock_guard lock(state_->mutex);
        state_->RTS = rts;
    }
    if (const int error = applyModemLines()) {
        reportError(error);
    }
}

void SerialPort::setDTR(bool dtr) {
    {
        std::lock_guard lock(state_->mutex);
        state_->DTR = dtr;
    }
    if (const int error = applyModemLines()) {
        reportError(error);
    }
}

bool SerialPort::CTS() const {
    return state_->CTS.load();
}
bool SerialPort::DSR() const {
    return state_->DSR.load();
}
bool SerialPort::DCD() const {
    return state_->DCD.load();
}

// Framing and requests --------------------------------------------------------------------------

void SerialPort::startListeningForPacketsMatchingDescriptor(const SerialPacketDescriptor& descriptor) {
    std::lock_guard lock(framing_->mutex);
    framing_->framer.startListening(descriptor);
}

void SerialPort::stopListeningForPacketsMatchingDescriptor(const SerialPacketDescriptor& descriptor) {
    std::lock_guard lock(framing_->mutex);
    framing_->framer.stopListening(descriptor);
}

std::vector<SerialPacketDescriptor> SerialPort::packetDescriptors() const {
    std::lock_guard lock(framing_->mutex);
    return framing_->framer.descriptors();
}

bool SerialPort::sendRequest(const SerialRequest& request) {
    std::lock_guard lock(framing_->mutex);
    if (framing_->pendingRequest) {
        framing_->requestsQueue.push_back(request);
        return true;
    }
    return startRequest(request);
}

void SerialPort::cancelQueuedRequest(const SerialRequest& request) {
    std::lock_guard lock(framing_->mutex);
    std::erase(framing_->requestsQueue, request);
}

void SerialPort::cancelAllQueuedRequests() {
    std::lock_guard lock(framing_->mutex);
    framing_->requestsQueue.clear();
}

std::vector<SerialRequest> SerialPort::queuedRequests() const {
    std::lock_guard lock(framing_->mutex);
    return {framing_->requestsQueue.begin(), framing_->requestsQueue.end()};
}

std::optional<SerialRequest> SerialPort::pendingRequest() const {
    std::lock_guard lock(framing_->mutex);
    return framing_->pendingRequest;
}

// Called with the framing lock held.
bool SerialPort::startRequest(const SerialRequest& request) {
    Framing& f = *framing_;
    const auto descriptor = request.responseDescriptor();
    f.pendingRequest = request;
    f.requestResponseReceiveBuffer.reset();
    f.pendingRequestDeadline.reset();
    if (descriptor) {
        f.requestResponseReceiveBuffer.emplace(descriptor->maximumPacketLength());
        if (request.timeoutInterval() > 0) {
            f.pendingRequestDeadline =
                Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(request.timeoutInterval()));
            wakeIoThread();
        }
    }
    const bool sent = sendData(request.dataToSend()) != 0;
    if (!sent) {
        // Nothing will answer a request that never left, and a closed port has no timer to end it.
        f.pendingRequest.reset();
        f.requestResponseReceiveBuffer.reset();
        f.pendingRequestDeadline.reset();
    } else if (!descriptor) {
        startNextRequest();
    }
    return sent;
}

// Called with the framing lock held.
void SerialPort::startNextRequest() {
    Framing& f = *framing_;
    f.pendingRequest.reset();
    f.requestResponseReceiveBuffer.reset();
    f.pendingRequestDeadline.reset();
    if (!f.requestsQueue.empty()) {
        const SerialRequest next = f.requestsQueue.front();
        f.requestsQueue.pop_front();
        startRequest(next);
    }
}

// Called with the framing lock held.
void SerialPort::matchResponseByte(char byte) {
    Framing& f = *framing_;
    if (!f.pendingRequest || !f.requestResponseReceiveBuffer) {
        return;
    }
    SerialBuffer& buffer = *f.requestResponseReceiveBuffer;
    buffer.appendByte(byte);
    const auto response = f.pendingRequest->responseDescriptor()->packetMatchingAtEndOfBuffer(buffer.view());
    if (!response) {
        return;
    }
    const SerialRequest request = *f.pendingRequest;
    deliver([response = *response, request](SerialPortDelegate& d, const SerialPortPtr& port) {
        d.serialPortDidReceiveResponse(port, response, request);
    });
    startNextRequest();
}

void SerialPort::checkRequestTimeout() {
    std::lock_guard lock(framing_->mutex);
    Framing& f = *framing_;
    if (!f.pendingRequestDeadline || Clock::now() < *f.pendingRequestDeadline) {
        return;
    }
    const SerialRequest request = *f.pendingRequest;
    deliver([request](SerialPortDelegate& d, const SerialPortPtr& port) {
        d.serialPortRequestDidTimeout(port, request);
    });
    startNextRequest();
}

// The port's thread ---------------------------------------------------------------------------

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
        pollfd fds[2] = {{fd, short(POLLIN | (wantsOutput ? POLLOUT : 0)), 0}, {wakeFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, ioThreadTimeout(nextModemLinePoll));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            reportError(errno);
            break;
        }

        if (fds[1].revents & POLLIN) {
            uint64_t count = 0;
            (void)::read(wakeFd, &count, sizeof count);
            std::lock_guard lock(state_->mutex);
            if (state_->closeRequested) {
                break;
            }
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

// Milliseconds until the next modem-line poll, request deadline or write deadline, or -1: a port
// without modem lines, requests or writes sleeps until something happens.
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

void SerialPort::receive(QByteArrayView chunk) {
    deliver([data = chunk.toByteArray()](SerialPortDelegate& d, const SerialPortPtr& port) {
        d.serialPortDidReceiveData(port, data);
    });
    std::lock_guard lock(framing_->mutex);
    const PacketFramer::PacketHandler onPacket = [this](const QByteArray& packet,
                                                        const SerialPacketDescriptor& descriptor) {
        deliver([packet, descriptor](SerialPortDelegate& d, const SerialPortPtr& port) {
            d.serialPortDidReceivePacket(port, packet, descriptor);
        });
    };
    for (const char byte : chunk) {
        framing_->framer.feedByte(byte, onPacket);
        matchResponseByte(byte);
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
    // The port's thread never owns the port: a port released meanwhile simply hears nothing more.
    MainThreadMailbox::shared().post([weak = weak_from_this(), callback = std::move(callback)] {
        if (const SerialPortPtr port = weak.lock()) {
            if (SerialPortDelegate* d = port->delegate()) {
                callback(*d, port);
            }
        }
    });
}
