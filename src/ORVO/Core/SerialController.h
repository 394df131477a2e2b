#pragma once

#include "SerialControllerDelegate.h"
#include "SerialPort.h"
#include "SerialPortDelegate.h"

#include <memory>
#include <optional>
#include <vector>

class SerialPortManager;

// Binds one serial port to the adapter protocol: configures and opens it, frames the three adapter
// packet types, routes each framed packet once by command and length, and turns the port's open,
// close and removal into connect and disconnect events for its delegate. Main thread only.
class SerialController : public SerialPortDelegate {
public:
    SerialController();
    ~SerialController() override;
    SerialController(const SerialController&) = delete;
    SerialController& operator=(const SerialController&) = delete;

    SerialControllerDelegate* delegate = nullptr;
    SerialPortPtr serialPort;
    SerialPortManager& serialPortManager;
    // Made once: a port object outlives its connections (a replug hands back the same one), and
    // listening for the same descriptors again must not deliver each packet twice.
    std::optional<SerialPacketDescriptor> l2pc01Descriptor;
    std::optional<SerialPacketDescriptor> l2pc02Descriptor;
    std::optional<SerialPacketDescriptor> l2pc03Descriptor;

    // The adapter's line: baudRate (kAdapterBaudRate), 8 data bits, no parity, 1 stop bit, no flow control.
    // The outcome arrives later as a connect event or an error.
    void connectToPort(const SerialPortPtr& port, qint64 baudRate);
    void disconnect();
    // Queues one packet's bytes when a port is open and returns the write's number; 0 (nothing
    // sent) otherwise. The outcome reaches the delegate as serialControllerDidFinishWrite.
    quint64 sendData(const QByteArray& data);
    // The open connection's number, or 0.
    quint64 connectionNumber() const;

    // The three adapter packets, each matched whole: its prefix, exactly its length, 0xAA last, and a
    // checksum that adds up.
    static SerialPacketDescriptor makeL2PC01Descriptor();
    static SerialPacketDescriptor makeL2PC02Descriptor();
    static SerialPacketDescriptor makeL2PC03Descriptor();

    void serialPortWasOpened(const SerialPortPtr& port) override;
    void serialPortWasClosed(const SerialPortPtr& port) override;
    void serialPortWasRemovedFromSystem(const SerialPortPtr& port) override;
    void serialPortDidReceiveData(const SerialPortPtr& port, const QByteArray& data) override;
    void serialPortDidReceivePacket(const SerialPortPtr& port, const QByteArray& packet,
                                    const SerialPacketDescriptor& descriptor) override;
    void serialPortDidDropPackets(const SerialPortPtr& port, const SerialPacketDescriptor& descriptor,
                                  qsizetype count) override;
    void serialPortDidEncounterError(const SerialPortPtr& port, const SerialPortError& error) override;
    void serialPortDidFinishWrite(const SerialPortPtr& port, const SerialWriteOutcome& outcome) override;

private:
    void handleL2PCPacketsIfNeeded(const QByteArray& packet);
    void listenForAdapterPackets(bool listen);

    // Every port this controller has been the delegate of: a port outlives its connection and still
    // reports its removal, so the controller lets go of all of them when it goes.
    std::vector<std::weak_ptr<SerialPort>> delegatedPorts_;
};
