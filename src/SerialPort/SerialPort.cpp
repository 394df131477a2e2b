#include "SerialPort.h"

#include "MainThreadMailbox.h"
#include "SerialPortState.h"
#include "TerminalSpeed.h"

#include <QFile>
#include <fcntl.h>
#include <map>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace SerialPortInternals;

namespace {

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

void setBits(tcflag_t& flags, tcflag_t bits, bool on) {
    flags = on ? (flags | bits) : (flags & ~bits);
}

// Raw bytes in the port's data bits, parity, stop bits, echo and flow control; the speed is set apart.
void setLineFormat(termios& attributes, const SerialPortState& s) {
    ::cfmakeraw(&attributes);
    attributes.c_cc[VMIN] = 1;
    attributes.c_cc[VTIME] = 2;

    attributes.c_cflag &= ~CSIZE;
    if (s.numberOfDataBits == 7) {
        attributes.c_cflag |= CS7;
    } else if (s.numberOfDataBits == 8) {
        attributes.c_cflag |= CS8;
    }
    setBits(attributes.c_cflag, PARENB, s.parity != SerialParity::None);
    setBits(attributes.c_cflag, PARODD, s.parity == SerialParity::Odd);
    setBits(attributes.c_cflag, CSTOPB, s.numberOfStopBits >= 2);
    setBits(attributes.c_lflag, ECHO, s.shouldEchoReceivedData);
    // Linux has one hardware handshake, RTS/CTS. It has no DTR/DSR or carrier output handshake: those
    // two settings are kept on the port but have nothing to switch in the terminal.
    setBits(attributes.c_cflag, CRTSCTS, s.usesRTSCTSFlowControl);

    attributes.c_cflag |= CREAD | CLOCAL | HUPCL;
    attributes.c_lflag &= ~(ICANON | ISIG);
}

} // namespace

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
    setLineFormat(attributes, s);
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
