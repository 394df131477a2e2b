#pragma once

#include "SerialPort.h"

#include <QObject>
#include <QString>
#include <memory>

inline constexpr char SerialPortWasConnectedNotification[] = "SerialPortWasConnectedNotification";
inline constexpr char SerialPortWasDisconnectedNotification[] = "SerialPortWasDisconnectedNotification";
// User-information keys of the two notifications; each holds a SerialPortList.
inline constexpr char ConnectedSerialPortsKey[] = "ConnectedSerialPortsKey";
inline constexpr char DisconnectedSerialPortsKey[] = "DisconnectedSerialPortsKey";

class UdevPortSource;
class VirtualPortFolder;

// The serial ports present, in the order they were found: those present at start first, later
// arrivals at the end. Arrivals and removals are posted on the default notification centre with
// the manager as object. Ports come from udev (real devices) and from the per-user ports folder,
// where a link to a pseudo-terminal is a port whose path is the link. Lives on the main thread.
class SerialPortManager : public QObject {
    Q_OBJECT

public:
    // The one manager, created on first use; needs the application object.
    static SerialPortManager& sharedSerialPortManager();
    static SerialPortManager& defaultManager() { return sharedSerialPortManager(); }

    // $XDG_RUNTIME_DIR/orvo/ports
    static QString portsDirectory();

    SerialPortList availablePorts();

    // Looks at the sources again at once instead of waiting for their next change notice.
    void refresh();

private:
    friend class SerialPort;
    // A port's thread saw its device go; the list follows without waiting for the sources.
    static void refreshSharedManagerIfCreated();
    // Runs while the application object is being destroyed, before it is gone.
    static void destroySharedManager();

    SerialPortManager();
    ~SerialPortManager() override;

    void listPresentDevices();
    void devicesArrived(const QList<SerialDevice>& devices);
    void devicesRemoved(const QStringList& paths);
    void cleanupAtExit();

    SerialPortList availablePorts_;
    bool hasListedPresentDevices_ = false;
    std::unique_ptr<UdevPortSource> udev_;
    std::unique_ptr<VirtualPortFolder> folder_;
};
