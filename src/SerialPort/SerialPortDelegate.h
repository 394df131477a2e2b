#pragma once

#include "SerialPacketDescriptor.h"
#include "SerialPortError.h"
#include "SerialRequest.h"
#include "SerialWriteQueue.h"

#include <QByteArray>
#include <memory>

class SerialPort;

// Receives a port's events, always on the main thread. Every callback is optional: the defaults do
// nothing. A delegate that goes away before its port must clear itself with setDelegate(nullptr).
class SerialPortDelegate {
public:
    virtual ~SerialPortDelegate() = default;

    virtual void serialPortWasOpened(const std::shared_ptr<SerialPort>& serialPort);
    // After the descriptor has been closed; isOpen() is false by now.
    virtual void serialPortWasClosed(const std::shared_ptr<SerialPort>& serialPort);
    // The device went away; serialPortWasClosed follows once the descriptor is closed.
    virtual void serialPortWasRemovedFromSystem(const std::shared_ptr<SerialPort>& serialPort);
    // Every chunk as read.
    virtual void serialPortDidReceiveData(const std::shared_ptr<SerialPort>& serialPort,
                                          const QByteArray& data);
    virtual void serialPortDidReceivePacket(const std::shared_ptr<SerialPort>& serialPort,
                                            const QByteArray& packet,
                                            const SerialPacketDescriptor& descriptor);
    // Windows of descriptor that failed its integrity check while the main thread was behind: counted
    // instead of delivered one by one.
    virtual void serialPortDidDropPackets(const std::shared_ptr<SerialPort>& serialPort,
                                          const SerialPacketDescriptor& descriptor, qsizetype count);
    virtual void serialPortDidEncounterError(const std::shared_ptr<SerialPort>& serialPort,
                                             const SerialPortError& error);
    // A write queued with sendData was written whole or has failed.
    virtual void serialPortDidFinishWrite(const std::shared_ptr<SerialPort>& serialPort,
                                          const SerialWriteOutcome& outcome);
    virtual void serialPortDidReceiveResponse(const std::shared_ptr<SerialPort>& serialPort,
                                              const QByteArray& responseData, const SerialRequest& request);
    virtual void serialPortRequestDidTimeout(const std::shared_ptr<SerialPort>& serialPort,
                                             const SerialRequest& request);
};
