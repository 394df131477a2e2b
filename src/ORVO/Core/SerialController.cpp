#include "SerialController.h"

#include "DataStructures.h"
#include "SerialPortManager.h"

namespace {

template <typename Packet> SerialPacketDescriptor wholePacket() {
    const auto checksumAddsUp = [](QByteArrayView packet) {
        return packetChecksum(packet.toByteArray()) == uint8_t(packet[packet.size() - 2]);
    };
    return SerialPacketDescriptor::withFixedLengthPacket(packetPrefix<Packet>(), Packet::wireSize,
                                                         QByteArray(1, char(kPacketEnd)), {}, checksumAddsUp);
}

} // namespace

SerialController::SerialController()
    : serialPortManager(SerialPortManager::sharedSerialPortManager()),
      l2pc01Descriptor(makeL2PC01Descriptor()), l2pc02Descriptor(makeL2PC02Descriptor()),
      l2pc03Descriptor(makeL2PC03Descriptor()) {}

SerialController::~SerialController() {
    for (const std::weak_ptr<SerialPort>& weak : delegatedPorts_) {
        const SerialPortPtr port = weak.lock();
        if (port && port->delegate() == this) {
            port->setDelegate(nullptr);
        }
    }
}

SerialPacketDescriptor SerialController::makeL2PC01Descriptor() {
    return wholePacket<L2PC01_TD>();
}
SerialPacketDescriptor SerialController::makeL2PC02Descriptor() {
    return wholePacket<L2PC02_TD>();
}
SerialPacketDescriptor SerialController::makeL2PC03Descriptor() {
    return wholePacket<L2PC03_TD>();
}

void SerialController::connectToPort(const SerialPortPtr& port, qint64 baudRate) {
    if (!port) {
        return;
    }
    if (serialPort && serialPort != port) {
        listenForAdapterPackets(false);
    }
    serialPort = port;
    port->setDelegate(this);
    std::erase_if(delegatedPorts_, [](const std::weak_ptr<SerialPort>& weak) { return weak.expired(); });
    delegatedPorts_.push_back(port);
    port->setBaudRate(baudRate);
    port->setNumberOfStopBits(1);
    port->setParity(SerialPort::Parity::None);
    port->setNumberOfDataBits(8);
    port->setUsesRTSCTSFlowControl(false);
    port->setUsesDTRDSRFlowControl(false);
    port->setShouldEchoReceivedData(false);
    port->open();
    listenForAdapterPackets(true);
}

// Listening again for a descriptor already listened for changes nothing.
void SerialController::listenForAdapterPackets(bool listen) {
    for (const auto* descriptor : {&l2pc01Descriptor, &l2pc02Descriptor, &l2pc03Descriptor}) {
        if (listen) {
            serialPort->startListeningForPacketsMatchingDescriptor(**descriptor);
        } else {
            serialPort->stopListeningForPacketsMatchingDescriptor(**descriptor);
        }
    }
}

void SerialController::disconnect() {
    if (!serialPort) {
        return;
    }
    listenForAdapterPackets(false);
    serialPort->close();
    serialPort.reset();
}

quint64 SerialController::sendData(const QByteArray& data) {
    return serialPort && serialPort->isOpen() ? serialPort->sendData(data) : 0;
}

quint64 SerialController::connectionNumber() const {
    return serialPort && serialPort->isOpen() ? serialPort->connectionNumber() : 0;
}

void SerialController::handleL2PCPacketsIfNeeded(const QByteArray& packet) {
    if (!delegate || packet.size() < 2) {
        return;
    }
    switch (static_cast<uint8_t>(packet[1])) {
    case 0x01:
        if (packet.size() == L2PC01_TD::wireSize) {
            delegate->serialControllerHandleL2PC01Packet(*this, packet);
        }
        break;
    case 0x02:
        if (packet.size() == L2PC02_TD::wireSize) {
            delegate->serialControllerHandleL2PC02Packet(*this, packet);
        }
        break;
    case 0x03:
        if (packet.size() == L2PC03_TD::wireSize) {
            delegate->serialControllerHandleL2PC03Packet(*this, packet);
        }
        break;
    default:
        break;
    }
}

void SerialController::serialPortWasOpened(const SerialPortPtr& port) {
    if (delegate) {
        delegate->serialControllerDidConnectToPort(*this, port);
    }
}

void SerialController::serialPortWasClosed(const SerialPortPtr& port) {
    if (delegate) {
        delegate->serialControllerDidDisconnectFromPort(*this, port);
    }
}

void SerialController::serialPortWasRemovedFromSystem(const SerialPortPtr& port) {
    if (delegate) {
        delegate->serialControllerDidDisconnectFromPort(*this, port);
    }
}

void SerialController::serialPortDidReceiveData(const SerialPortPtr&, const QByteArray& data) {
    if (delegate) {
        delegate->serialControllerDidReceiveData(*this, data);
    }
}

// The packet is routed here, once; the delegate's didReceivePacket only hears of it.
void SerialController::serialPortDidReceivePacket(const SerialPortPtr&, const QByteArray& packet,
                                                  const SerialPacketDescriptor& descriptor) {
    handleL2PCPacketsIfNeeded(packet);
    if (delegate) {
        delegate->serialControllerDidReceivePacket(*this, packet, descriptor);
    }
}

void SerialController::serialPortDidDropPackets(const SerialPortPtr&,
                                                const SerialPacketDescriptor& descriptor, qsizetype count) {
    if (delegate) {
        delegate->serialControllerDidDropPackets(*this, descriptor, count);
    }
}

void SerialController::serialPortDidFinishWrite(const SerialPortPtr&, const SerialWriteOutcome& outcome) {
    if (delegate) {
        delegate->serialControllerDidFinishWrite(*this, outcome);
    }
}

void SerialController::serialPortDidEncounterError(const SerialPortPtr&, const SerialPortError& error) {
    if (delegate) {
        delegate->serialControllerDidEncounterError(*this, error);
    }
}
