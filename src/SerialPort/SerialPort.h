#pragma once

#include "SerialDevice.h"
#include "SerialPacketDescriptor.h"
#include "SerialParity.h"
#include "SerialPortDelegate.h"
#include "SerialReceiveQueue.h"
#include "SerialRequest.h"
#include "SerialWriteQueue.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QMetaType>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class SerialPort;
struct SerialPortState;
struct SerialPortFraming;
using SerialPortPtr = std::shared_ptr<SerialPort>;
using SerialPortList = QList<SerialPortPtr>;

// One serial device. There is at most one live object per path: asking again for a path that a
// live port represents yields that port. Open, close, send and the setters are called from the main
// thread; while open, a thread of the port's own reads, frames incoming bytes by the descriptors
// being listened for and polls the modem lines, and every delegate callback arrives on the main
// thread.
class SerialPort : public std::enable_shared_from_this<SerialPort> {
public:
    using Parity = SerialParity;

    // The port for the device at path (a device node or a link to one), or null if there is none.
    static SerialPortPtr serialPortWithPath(const QString& path);
    static SerialPortPtr serialPortWithDevice(const SerialDevice& device);
    // Every live port object.
    static std::vector<SerialPortPtr> allSerialPorts();

    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    QString path() const { return device_.path; }
    QString name() const { return device_.name; }
    QString usbSerial() const { return device_.usbSerial; }
    QString description() const { return device_.name; }

    SerialPortDelegate* delegate() const;
    void setDelegate(SerialPortDelegate* delegate);

    // Opens, configures and starts reading; does nothing if already open. Failure is reported to
    // the delegate and leaves the port closed.
    void open();
    // Starts closing; the port reports open until the descriptor is closed, which the delegate hears
    // as serialPortWasClosed. Always true.
    bool close();
    bool isOpen() const;
    // The open descriptor, or -1.
    int fileDescriptor() const;
    // A number that tells one open of any port from every other: it grows with every successful
    // open in the process, so a replugged adapter on the same path is a new connection. 0 when closed.
    quint64 connectionNumber() const;
    // Queues data for the port's thread and returns at once with the write's number (0 if the port
    // is not open). The delegate hears serialPortDidFinishWrite with its outcome.
    quint64 sendData(const QByteArray& data);

    // Line settings; a change is applied at once while open.
    qint64 baudRate() const;
    void setBaudRate(qint64 baudRate);
    // Allows speeds without a standard termios constant (set through termios2).
    bool allowsNonStandardBaudRates() const;
    void setAllowsNonStandardBaudRates(bool allows);
    unsigned numberOfStopBits() const;
    void setNumberOfStopBits(unsigned numberOfStopBits);
    unsigned numberOfDataBits() const;
    void setNumberOfDataBits(unsigned numberOfDataBits);
    Parity parity() const;
    // Values other than none, odd and even store none.
    void setParity(Parity parity);
    void setParity(int parity);
    bool shouldEchoReceivedData() const;
    void setShouldEchoReceivedData(bool echo);
    // Changing a flow control closes the port and reopens it if it was open.
    bool usesRTSCTSFlowControl() const;
    void setUsesRTSCTSFlowControl(bool uses);
    bool usesDTRDSRFlowControl() const;
    void setUsesDTRDSRFlowControl(bool uses);
    bool usesDCDOutputFlowControl() const;
    void setUsesDCDOutputFlowControl(bool uses);

    // Output modem lines, written to the device.
    bool RTS() const;
    void setRTS(bool rts);
    bool DTR() const;
    void setDTR(bool dtr);
    // Input modem lines, read while open. A pseudo-terminal has none and keeps them false.
    bool CTS() const;
    bool DSR() const;
    bool DCD() const;

    // Framing. Starting twice with the same descriptor, or stopping one not listened for, does nothing.
    void startListeningForPacketsMatchingDescriptor(const SerialPacketDescriptor& descriptor);
    void stopListeningForPacketsMatchingDescriptor(const SerialPacketDescriptor& descriptor);
    std::vector<SerialPacketDescriptor> packetDescriptors() const;

    // Request queue: one request is pending at a time, the rest wait in order.
    bool sendRequest(const SerialRequest& request);
    void cancelQueuedRequest(const SerialRequest& request);
    void cancelAllQueuedRequests();
    std::vector<SerialRequest> queuedRequests() const;
    std::optional<SerialRequest> pendingRequest() const;

    // The device went away: tells the delegate, then closes.
    void cleanupAfterSystemRemoval();
    [[deprecated("Cleanup is internal; there is nothing to call")]] void cleanup();

    friend bool operator==(const SerialPort& a, const SerialPort& b) { return a.path() == b.path(); }

private:
    // Joins every port's I/O thread when the application ends.
    friend class SerialPortManager;
    using State = SerialPortState;
    using Framing = SerialPortFraming;

    explicit SerialPort(const SerialDevice& device);

    template <typename T> void setOption(T State::*member, T value);
    void setFlowControl(bool State::*member, bool uses);
    int applyPortOptions();
    int applyModemLines();
    void closeAndWait();
    void wakeIoThread();
    void runIoThread(int fd, int wakeFd, quint64 generation);
    bool wokenToClose(int wakeFd);
    int ioThreadTimeout(std::chrono::steady_clock::time_point nextModemLinePoll);
    int flushWrites(int fd, short revents);
    void deliverWriteOutcomes(std::vector<SerialWriteOutcome>&& outcomes);
    void receive(QByteArrayView chunk);
    void handOver(const SerialReceiveQueue::BatchPtr& batch);
    void deliverReceived(const SerialReceiveQueue::BatchPtr& batch);
    bool pollModemLines(int fd, int& lastError);
    void closeDescriptor(int fd, bool removed, quint64 generation);
    bool startRequest(const SerialRequest& request);
    void startNextRequest();
    void matchResponseByte(char byte);
    void checkRequestTimeout();
    void reportError(int errnoValue);
    void deliver(std::function<void(SerialPortDelegate&, const SerialPortPtr&)> callback);

    const SerialDevice device_;
    const std::unique_ptr<State> state_;
    const std::unique_ptr<Framing> framing_;
    std::atomic<SerialPortDelegate*> delegate_{nullptr};
};

Q_DECLARE_METATYPE(SerialPortPtr)
Q_DECLARE_METATYPE(SerialPortList)
