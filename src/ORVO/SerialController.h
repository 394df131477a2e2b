#pragma once

#include "SerialControllerDelegate.h"
#include "SerialPort.h"
#include "SerialPortDelegate.h"

#include <optional>

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
    std::optional<SerialPacketDescriptor> l2pc01Descriptor;
    std::optional<SerialPacketDescriptor> l2pc02Descriptor;
    std::optional<SerialPacketDescriptor> l2pc03Descriptor;

    // The adapter's line: baudRate (1500000), 8 data bits, no parity, 1 stop bit, no flow control.
    // The outcome arrives later as a connect event or an error.
    void connectToPort(const SerialPortPtr& port, qint64 baudRate);
    void disconnect();
    // Sends one packet's bytes when a port is open; otherwise drops them.
    void sendData(const QByteArray& data);

    // The three adapter packets, each matched whole: its prefix, exactly its length, 0xAA last.
    static SerialPacketDescriptor makeL2PC01Descriptor();
    static SerialPacketDescriptor makeL2PC02Descriptor();
    static SerialPacketDescriptor makeL2PC03Descriptor();

    void serialPortWasOpened(const SerialPortPtr& port) override;
    void serialPortWasClosed(const SerialPortPtr& port) override;
    void serialPortWasRemovedFromSystem(const SerialPortPtr& port) override;
    void serialPortDidReceiveData(const SerialPortPtr& port, const QByteArray& data) override;
    void serialPortDidReceivePacket(const SerialPortPtr& port, const QByteArray& packet,
                                    const SerialPacketDescriptor& descriptor) override;
    void serialPortDidEncounterError(const SerialPortPtr& port, const SerialPortError& error) override;

private:
    void handleL2PCPacketsIfNeeded(const QByteArray& packet);
};
