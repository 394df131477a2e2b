#include "DataStructureManager.h"

#include "AdapterAccessAdvice.h"
#include "AdapterLine.h"
#include "LocalizationManager.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "PortHolder.h"
#include "SerialPortManager.h"
#include "Settings.h"
#include "TextKeys.h"

#include <QVariantMap>

namespace {

void post(const char* name, const QVariant& object) {
    NotificationCenter::defaultCenter().postAsync(name, object);
}

void logLine(const LocalizedText& line) {
    post(NotificationNames::UpdatePrintView, LocalizationManager::notificationObject(line));
}

template <typename Packet> void setLengthThenChecksum(Packet& packet) {
    packet.length = static_cast<uint8_t>(packet.toData().size());
    packet.calculateChecksum();
}

template <typename Packet> void setChecksumThenLength(Packet& packet) {
    packet.calculateChecksum();
    packet.length = static_cast<uint8_t>(packet.toData().size());
}

template <typename Profile> Profile defaultProfile(int lensSeq) {
    Profile p;
    p.lensSeq = static_cast<uint8_t>(lensSeq);
    p.WideFlocalLength = 50;
    p.TeleFlocalLength = 50;
    p.ApretureValue = {2, 4, 5, 8};
    fillZeroPaddedText(p.LensNameString.data(), p.LensNameString.size(),
                       QStringLiteral("Lens %1").arg(lensSeq + 1));
    return p;
}

LocalizedText failureLine(const char* key) {
    return LocalizedText::marked("❌", LocalizedText::keyed(key));
}

// Decodes and verifies one adapter packet; reports and returns nothing when it is unusable.
template <typename Packet>
std::optional<Packet> acceptedPacket(const QByteArray& data, FailureLogSummary& failures,
                                     const char* formatError, const char* checksumError) {
    auto packet = Packet::fromData(data);
    if (!packet) {
        failures.report(failureLine(formatError));
        return std::nullopt;
    }
    if (!packet->verifyChecksum()) {
        failures.report(failureLine(checksumError));
        return std::nullopt;
    }
    return packet;
}

} // namespace

DataStructureManager& DataStructureManager::shared() {
    static DataStructureManager store;
    return store;
}

DataStructureManager::DataStructureManager()
    : serialController(std::make_unique<SerialController>()), failures_(&logLine) {
    serialController->delegate = this;
    initializeDefaultPackets();
    // Hot-plug: whoever watches for the adapter hears of a new port at once, not at its next poll.
    NotificationCenter::defaultCenter().addObserver(
        this, QString::fromLatin1(SerialPortWasConnectedNotification),
        [](const Notification&) { post(NotificationNames::PortsArrived, {}); });
}

DataStructureManager::~DataStructureManager() {
    NotificationCenter::defaultCenter().removeObserver(this);
    serialController->delegate = nullptr;
}

void DataStructureManager::initializeDefaultPackets() {
    PC2L01_TD request;
    request.length = static_cast<uint8_t>(request.toData().size());
    request.checksum = packetChecksum(request.toData());
    pc2l01Packet = request;

    PC2L02_TD settings;
    setCarriedValues(settings);
    setLengthThenChecksum(settings);
    pc2l02Packet = settings;

    L2PC01_TD info;
    fillZeroPaddedText(info.DeviceModel.data(), info.DeviceModel.size(), QStringLiteral("QUILLON XT-40"));
    fillZeroPaddedText(info.DeviceSN.data(), info.DeviceSN.size(), QStringLiteral("SN123456789"));
    info.VerNo_major = 1;
    info.VerNo_minor = 0;
    setChecksumThenLength(info);
    l2pc01Packet = info;

    L2PC02_TD received;
    setCarriedValues(received);
    setChecksumThenLength(received);
    l2pc02Packet = received;

    for (int lensSeq = 0; lensSeq < kAdapterProfileCount; ++lensSeq) {
        auto host = defaultProfile<PC2L03_TD>(lensSeq);
        setLengthThenChecksum(host);
        pc2l03Packets.push_back(host);
        auto adapter = defaultProfile<L2PC03_TD>(lensSeq);
        setChecksumThenLength(adapter);
        l2pc03Packets.push_back(adapter);
    }
}

// ---- Host packet updates

void DataStructureManager::updatePC2L01Packet() {
    if (pc2l01Packet) {
        pc2l01Packet->checksum = packetChecksum(pc2l01Packet->toData());
    }
}

void DataStructureManager::updatePC2L02Packet(uint8_t rw, uint8_t DefaultCustomLens) {
    if (pc2l02Packet) {
        pc2l02Packet->rw = rw;
        pc2l02Packet->DefaultCustomLens = DefaultCustomLens;
        pc2l02Packet->calculateChecksum();
    }
}

template <typename Change> void DataStructureManager::updateProfile(int lensIndex, Change change) {
    if (lensIndex < 0 || lensIndex >= static_cast<int>(pc2l03Packets.size())) {
        return;
    }
    PC2L03_TD packet = pc2l03Packets[static_cast<size_t>(lensIndex)];
    change(packet);
    packet.calculateChecksum();
    pc2l03Packets[static_cast<size_t>(lensIndex)] = packet;
}

void DataStructureManager::updatePC2L03PacketAperture(int lensIndex, int apertureIndex,
                                                      uint8_t newApertureValue) {
    if (apertureIndex < 0 || apertureIndex > 3) {
        return;
    }
    updateProfile(lensIndex, [&](PC2L03_TD& p) {
        p.ApretureValue[static_cast<size_t>(apertureIndex)] = newApertureValue;
    });
}

void DataStructureManager::updatePC2L03PacketFocalLength(int lensIndex, uint16_t newFocalLength) {
    updateProfile(lensIndex, [&](PC2L03_TD& p) {
        p.WideFlocalLength = newFocalLength;
        p.TeleFlocalLength = newFocalLength;
    });
}

void DataStructureManager::updatePC2L03PacketRW(int lensIndex, uint8_t rw) {
    updateProfile(lensIndex, [&](PC2L03_TD& p) { p.rw = rw; });
}

void DataStructureManager::updatePC2L03PacketLensName(int lensIndex, const QString& newLensName) {
    updateProfile(lensIndex, [&](PC2L03_TD& p) {
        p.setLensNameString(newLensName);
        p.length = static_cast<uint8_t>(p.toData().size());
    });
}

// ---- Connecting

void DataStructureManager::connectToPort(const QString& path, qint64 baudRate) {
    for (const SerialPortPtr& port : serialController->serialPortManager.availablePorts()) {
        if (port->path() == path) {
            connectToPort(port, baudRate);
            return;
        }
    }
    logLine(LocalizedText::keyed(TextKeys::kMessagePortNotFound, {LocalizedText::literal(path)}));
}

void DataStructureManager::connectToPort(const SerialPortPtr& port, qint64 baudRate) {
    pendingOpenPath_ = port->path();
    serialController->connectToPort(port, baudRate);
}

bool DataStructureManager::autoConnect() {
    if (serialController->serialPort && serialController->serialPort->isOpen()) {
        return true;
    }
    const SerialPortList ports = serialController->serialPortManager.availablePorts();
    for (const SerialPortPtr& port : ports) {
        if (port->path().contains(orvoDeviceIdentifier)) {
            connectToPort(port->path(), kAdapterBaudRate);
            rememberPort(port->path());
            return true;
        }
    }
    const QString remembered = Settings::shared().value(lastConnectedPortKey).toString();
    if (!remembered.isEmpty()) {
        for (const SerialPortPtr& port : ports) {
            if (port->path() == remembered) {
                connectToPort(remembered, kAdapterBaudRate);
                return true;
            }
        }
    }
    return false;
}

// A retry of the same port every few seconds must not rewrite the settings file each time.
void DataStructureManager::rememberPort(const QString& path) {
    QSettings& settings = Settings::shared();
    if (settings.value(lastConnectedPortKey).toString() != path) {
        settings.setValue(lastConnectedPortKey, path);
    }
}

quint64 DataStructureManager::currentConnectionNumber() const {
    return serialController->connectionNumber();
}

AdapterSnapshot DataStructureManager::adapterSnapshot() const {
    AdapterSnapshot snapshot;
    snapshot.info = l2pc01Packet.value_or(L2PC01_TD{});
    snapshot.settings = l2pc02Packet.value_or(L2PC02_TD{});
    for (int i = 0; i < kAdapterProfileCount && i < int(l2pc03Packets.size()); ++i) {
        snapshot.profiles[size_t(i)] = l2pc03Packets[size_t(i)];
    }
    return snapshot;
}

quint64 DataStructureManager::sendToAdapter(const QByteArray& data) {
    return serialController->sendData(data);
}

SerialPortList DataStructureManager::availablePorts() const {
    return serialController->serialPortManager.availablePorts();
}

void DataStructureManager::disconnectAdapter() {
    if (isConnected()) {
        serialController->disconnect();
    }
}

SerialPortList DataStructureManager::getORVOPorts() const {
    SerialPortList result;
    for (const SerialPortPtr& port : serialController->serialPortManager.availablePorts()) {
        if (port->path().contains(orvoDeviceIdentifier)) {
            result << port;
        }
    }
    return result;
}

ConnectionStatus DataStructureManager::getConnectionStatus() const {
    const SerialPortPtr& port = serialController->serialPort;
    if (port && port->isOpen()) {
        return ConnectionStatus::connected(port->path());
    }
    return ConnectionStatus::notConnected(
        static_cast<int>(getORVOPorts().size()),
        static_cast<int>(serialController->serialPortManager.availablePorts().size()));
}

// ---- Adapter packets

void DataStructureManager::handleL2PC01Packet(const QByteArray& data) {
    if (auto packet = acceptedPacket<L2PC01_TD>(data, failures_, TextKeys::kMessageDeviceInfoMalformed,
                                                TextKeys::kMessageDeviceInfoChecksumFailed)) {
        l2pc01Packet = *packet;
        post(NotificationNames::L2PC01PacketReceived, data);
    }
}

void DataStructureManager::handleL2PC02Packet(const QByteArray& data) {
    if (auto packet = acceptedPacket<L2PC02_TD>(data, failures_, TextKeys::kMessageSettingsMalformed,
                                                TextKeys::kMessageSettingsChecksumFailed)) {
        l2pc02Packet = *packet;
        post(NotificationNames::L2PC02PacketReceived, data);
    }
}

void DataStructureManager::handleL2PC03Packet(const QByteArray& data) {
    auto packet = acceptedPacket<L2PC03_TD>(data, failures_, TextKeys::kMessageProfileMalformed,
                                            TextKeys::kMessageProfileChecksumFailed);
    if (!packet) {
        return;
    }
    // A profile index beyond the list lengthens it with empty placeholder profiles.
    const size_t index = packet->lensSeq;
    while (l2pc03Packets.size() <= index) {
        L2PC03_TD placeholder;
        placeholder.checksum = 0;
        l2pc03Packets.push_back(placeholder);
    }
    l2pc03Packets[index] = *packet;
    post(NotificationNames::L2PC03PacketReceived, data);
}

// ---- Serial controller events

void DataStructureManager::serialControllerDidConnectToPort(SerialController&, const SerialPortPtr& port) {
    pendingOpenPath_.reset();
    lastLoggedOpenFailure_.reset();
    loggedOpenFailureAdvice_.reset();
    announcedPortPath_ = port->path();
    NotificationCenter::defaultCenter().postAsync(
        NotificationNames::PortConnected,
        LocalizationManager::notificationObject(
            LocalizedText::keyed(TextKeys::kMessagePortOpened, {LocalizedText::literal(port->path())})),
        {{QString::fromLatin1(NotificationNames::ConnectionKey), port->connectionNumber()}});
}

// Removal is reported once or twice and the close that follows once more; the window hears of
// the lost port once.
void DataStructureManager::serialControllerDidDisconnectFromPort(SerialController&,
                                                                 const SerialPortPtr& port) {
    if (announcedPortPath_ != port->path()) {
        return;
    }
    announcedPortPath_.reset();
    post(NotificationNames::PortDisconnected,
         LocalizationManager::notificationObject(
             LocalizedText::keyed(TextKeys::kMessagePortClosed, {LocalizedText::literal(port->path())})));
}

void DataStructureManager::serialControllerHandleL2PC01Packet(SerialController&, const QByteArray& packet) {
    handleL2PC01Packet(packet);
}

void DataStructureManager::serialControllerHandleL2PC02Packet(SerialController&, const QByteArray& packet) {
    handleL2PC02Packet(packet);
}

void DataStructureManager::serialControllerHandleL2PC03Packet(SerialController&, const QByteArray& packet) {
    handleL2PC03Packet(packet);
}

void DataStructureManager::serialControllerDidReceiveData(SerialController&, const QByteArray&) {}

void DataStructureManager::serialControllerDidFinishWrite(SerialController&,
                                                          const SerialWriteOutcome& outcome) {
    using namespace NotificationNames;
    NotificationCenter::defaultCenter().postAsync(PacketWriteFinished, {},
                                                  {{QString::fromLatin1(WriteIdKey), outcome.writeId},
                                                   {QString::fromLatin1(ConnectionKey), outcome.connection},
                                                   {QString::fromLatin1(ErrorCodeKey), outcome.errorCode}});
}

// The controller has already routed the packet to its handler.
void DataStructureManager::serialControllerDidReceivePacket(SerialController&, const QByteArray&,
                                                            const SerialPacketDescriptor&) {}

// Bad windows the port counted while this thread was behind: a checksum failure each.
void DataStructureManager::serialControllerDidDropPackets(SerialController& controller,
                                                          const SerialPacketDescriptor& descriptor,
                                                          qsizetype count) {
    const char* key = descriptor == controller.l2pc01Descriptor   ? TextKeys::kMessageDeviceInfoChecksumFailed
                      : descriptor == controller.l2pc02Descriptor ? TextKeys::kMessageSettingsChecksumFailed
                                                                  : TextKeys::kMessageProfileChecksumFailed;
    failures_.report(failureLine(key), count);
}

void DataStructureManager::serialControllerDidEncounterError(SerialController& controller,
                                                             const SerialPortError& error) {
    const bool openFailed =
        pendingOpenPath_ == error.filePath && !(controller.serialPort && controller.serialPort->isOpen());
    if (openFailed) {
        pendingOpenPath_.reset();
        reportFailedOpen(error);
    }
}

// The cause and its fix are logged once; retries that fail the same way stay quiet. The holder of
// a busy port is searched for off the main thread, and only its line waits for that search.
void DataStructureManager::reportFailedOpen(const SerialPortError& error) {
    const std::pair<QString, int> failure{error.filePath, error.code};
    if (lastLoggedOpenFailure_ != failure) {
        lastLoggedOpenFailure_ = failure;
        loggedOpenFailureAdvice_.reset();
        const AdapterAccessAdvice advice = AdapterAccessAdvice::forOpenFailure(error.filePath, error.code);
        if (advice.kind == AdapterAccessAdvice::Kind::Busy) {
            PortHolder::findProgramHolding(
                error.filePath, &holderSearches_,
                [this, advice](const QString& holder) {
                    AdapterAccessAdvice found = advice;
                    found.holder = holder;
                    logFailedOpen(found);
                },
                holderSearchTimeLimit);
        } else {
            logFailedOpen(advice);
        }
    }
    post(NotificationNames::PortOpenFailed, error.filePath);
}

// A search that ends after the port has opened, or has failed another way, is not told.
void DataStructureManager::logFailedOpen(const AdapterAccessAdvice& advice) {
    if (lastLoggedOpenFailure_ == std::pair{advice.path, advice.errorCode}) {
        loggedOpenFailureAdvice_ = advice;
        logLine(LocalizedText::marked("❌", advice.entry()));
    }
}

QStringList DataStructureManager::reportUnlinkedAdapters(const SerialPortList& ports) {
    QStringList fresh;
    for (const QString& path : AdapterAccessAdvice::unlinkedAdapters(ports)) {
        if (!reportedUnlinkedAdapters_.contains(path)) {
            reportedUnlinkedAdapters_ << path;
            fresh << path;
            logLine(LocalizedText::marked("⚠️", AdapterAccessAdvice::forUnlinkedAdapter(path).entry()));
        }
    }
    return fresh;
}
