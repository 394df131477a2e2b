#include "SerialPortDelegate.h"

// Every callback is optional, so the defaults ignore the event.

void SerialPortDelegate::serialPortWasOpened(const std::shared_ptr<SerialPort>&) {}
void SerialPortDelegate::serialPortWasClosed(const std::shared_ptr<SerialPort>&) {}
void SerialPortDelegate::serialPortWasRemovedFromSystem(const std::shared_ptr<SerialPort>&) {}
void SerialPortDelegate::serialPortDidReceiveData(const std::shared_ptr<SerialPort>&, const QByteArray&) {}
void SerialPortDelegate::serialPortDidReceivePacket(const std::shared_ptr<SerialPort>&, const QByteArray&,
                                                    const SerialPacketDescriptor&) {}
void SerialPortDelegate::serialPortDidDropPackets(const std::shared_ptr<SerialPort>&,
                                                  const SerialPacketDescriptor&, qsizetype) {}
void SerialPortDelegate::serialPortDidEncounterError(const std::shared_ptr<SerialPort>&,
                                                     const SerialPortError&) {}
void SerialPortDelegate::serialPortDidReceiveResponse(const std::shared_ptr<SerialPort>&, const QByteArray&,
                                                      const SerialRequest&) {}
void SerialPortDelegate::serialPortRequestDidTimeout(const std::shared_ptr<SerialPort>&,
                                                     const SerialRequest&) {}
void SerialPortDelegate::serialPortDidFinishWrite(const std::shared_ptr<SerialPort>&,
                                                  const SerialWriteOutcome&) {}
