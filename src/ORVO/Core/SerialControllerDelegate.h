#pragma once

#include "SerialPacketDescriptor.h"
#include "SerialPortError.h"
#include "SerialWriteQueue.h"

#include <QByteArray>
#include <memory>

class SerialController;
class SerialPort;

// Receives everything the serial controller learns, on the main thread.
class SerialControllerDelegate {
public:
    virtual ~SerialControllerDelegate() = default;

    virtual void serialControllerDidConnectToPort(SerialController& controller,
                                                  const std::shared_ptr<SerialPort>& port) = 0;
    virtual void serialControllerDidDisconnectFromPort(SerialController& controller,
                                                       const std::shared_ptr<SerialPort>& port) = 0;
    virtual void serialControllerDidReceiveData(SerialController& controller, const QByteArray& data) = 0;
    virtual void serialControllerDidReceivePacket(SerialController& controller, const QByteArray& packet,
                                                  const SerialPacketDescriptor& descriptor) = 0;
    // Windows of descriptor that failed their check, counted by the port instead of delivered.
    virtual void serialControllerDidDropPackets(SerialController& controller,
                                                const SerialPacketDescriptor& descriptor,
                                                qsizetype count) = 0;
    virtual void serialControllerDidEncounterError(SerialController& controller,
                                                   const SerialPortError& error) = 0;
    virtual void serialControllerHandleL2PC01Packet(SerialController& controller,
                                                    const QByteArray& packet) = 0;
    virtual void serialControllerHandleL2PC02Packet(SerialController& controller,
                                                    const QByteArray& packet) = 0;
    virtual void serialControllerHandleL2PC03Packet(SerialController& controller,
                                                    const QByteArray& packet) = 0;
    // A write handed to sendData was written whole, or failed.
    virtual void serialControllerDidFinishWrite(SerialController& controller,
                                                const SerialWriteOutcome& outcome) = 0;
};
