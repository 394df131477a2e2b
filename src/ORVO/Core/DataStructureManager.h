#pragma once

#include "AdapterAccessAdvice.h"
#include "AdapterSnapshot.h"
#include "ConnectionStatus.h"
#include "DataStructures.h"
#include "FailureLogSummary.h"
#include "PortHolder.h"
#include "SerialController.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

// The one store of the packets last built and last received, and the way to the adapter link:
// it owns the serial controller, checks and stores every adapter packet it hands over and announces
// it, keeps the host packets the window edits, and connects by path or automatically.
// Main thread only. Every notification is posted asynchronously, after the store has been updated.
class DataStructureManager : public SerialControllerDelegate {
public:
    static DataStructureManager& shared();

    // A store of its own (tests); the program uses shared().
    DataStructureManager();
    ~DataStructureManager() override;
    DataStructureManager(const DataStructureManager&) = delete;
    DataStructureManager& operator=(const DataStructureManager&) = delete;

    std::unique_ptr<SerialController> serialController;
    std::optional<PC2L01_TD> pc2l01Packet;
    std::optional<PC2L02_TD> pc2l02Packet;
    std::vector<PC2L03_TD> pc2l03Packets;
    std::optional<L2PC01_TD> l2pc01Packet;
    std::optional<L2PC02_TD> l2pc02Packet;
    std::vector<L2PC03_TD> l2pc03Packets;
    const QString orvoDeviceIdentifier = QStringLiteral("usbmodemORVO");
    const QString lastConnectedPortKey = QStringLiteral("LastConnectedPortPath");

    void updatePC2L01Packet();
    void updatePC2L02Packet(uint8_t rw, uint8_t DefaultCustomLens);
    void updatePC2L03PacketAperture(int lensIndex, int apertureIndex, uint8_t newApertureValue);
    void updatePC2L03PacketFocalLength(int lensIndex, uint16_t newFocalLength);
    void updatePC2L03PacketRW(int lensIndex, uint8_t rw);
    void updatePC2L03PacketLensName(int lensIndex, const QString& newLensName);

    void connectToPort(const QString& path, qint64 baudRate);
    // A port that need not be in the port list (a link made by hand); a failed open is told alike.
    void connectToPort(const SerialPortPtr& port, qint64 baudRate);
    bool autoConnect();
    SerialPortList getORVOPorts() const;
    // Every serial port present now, adapters or not.
    SerialPortList availablePorts() const;
    // Whether a port to the adapter is open.
    bool isConnected() const { return currentConnectionNumber() != 0; }
    // Closes the adapter's port when one is open; the disconnection is announced as usual.
    void disconnectAdapter();
    ConnectionStatus getConnectionStatus() const;
    // The open connection's number (it grows with every open, a replug included), or 0.
    quint64 currentConnectionNumber() const;
    // The last port that failed to open and its errno, until a port opens.
    std::optional<std::pair<QString, int>> lastOpenFailure() const { return lastLoggedOpenFailure_; }
    // Its advice once logged: a busy port's line waits for the search for its holder, which ends
    // within holderSearchTimeLimit.
    std::optional<AdapterAccessAdvice> loggedOpenFailureAdvice() const { return loggedOpenFailureAdvice_; }
    std::chrono::milliseconds holderSearchTimeLimit = PortHolder::kSearchTimeLimit;
    // Logs each plugged adapter among ports that lacks its udev rule (so its usbmodem link), once
    // per run; returns those logged now.
    QStringList reportUnlinkedAdapters(const SerialPortList& ports);
    // The adapter packets as last received (or their start values), as one snapshot.
    AdapterSnapshot adapterSnapshot() const;
    // Sends one host packet's bytes; the write's number, or 0 when no port is open.
    quint64 sendToAdapter(const QByteArray& data);

    void handleL2PC01Packet(const QByteArray& data);
    void handleL2PC02Packet(const QByteArray& data);
    void handleL2PC03Packet(const QByteArray& data);

    void serialControllerDidConnectToPort(SerialController& controller, const SerialPortPtr& port) override;
    void serialControllerDidDisconnectFromPort(SerialController& controller,
                                               const SerialPortPtr& port) override;
    void serialControllerDidReceiveData(SerialController& controller, const QByteArray& data) override;
    void serialControllerDidReceivePacket(SerialController& controller, const QByteArray& packet,
                                          const SerialPacketDescriptor& descriptor) override;
    void serialControllerDidDropPackets(SerialController& controller,
                                        const SerialPacketDescriptor& descriptor, qsizetype count) override;
    void serialControllerDidEncounterError(SerialController& controller,
                                           const SerialPortError& error) override;
    void serialControllerHandleL2PC01Packet(SerialController& controller, const QByteArray& packet) override;
    void serialControllerHandleL2PC02Packet(SerialController& controller, const QByteArray& packet) override;
    void serialControllerHandleL2PC03Packet(SerialController& controller, const QByteArray& packet) override;
    void serialControllerDidFinishWrite(SerialController& controller,
                                        const SerialWriteOutcome& outcome) override;

private:
    void initializeDefaultPackets();
    template <typename Change> void updateProfile(int lensIndex, Change change);
    void reportFailedOpen(const SerialPortError& error);
    void logFailedOpen(const AdapterAccessAdvice& advice);
    void rememberPort(const QString& path);

    // The port whose connection was announced; a disconnect is announced once, for it alone.
    std::optional<QString> announcedPortPath_;
    // The path handed to the controller and not yet opened: an error for it is a failed open.
    std::optional<QString> pendingOpenPath_;
    // The last failed open, so that retries of the same failure stay quiet, and its advice once logged.
    std::optional<std::pair<QString, int>> lastLoggedOpenFailure_;
    std::optional<AdapterAccessAdvice> loggedOpenFailureAdvice_;
    // Searches for a busy port's holder answer only while the store lives.
    QObject holderSearches_;
    QStringList reportedUnlinkedAdapters_;
    // Unusable adapter packets, at most one line per kind and second.
    FailureLogSummary failures_;
};
