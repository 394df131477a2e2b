#include "SerialPortManager.h"

#include "NotificationCenter.h"
#include "UdevPortSource.h"
#include "VirtualPortFolder.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <algorithm>

namespace {

SerialPortManager* sharedInstance = nullptr;

bool containsPath(const SerialPortList& ports, const QString& path) {
    return std::ranges::any_of(ports, [&](const SerialPortPtr& port) { return port->path() == path; });
}

} // namespace

SerialPortManager& SerialPortManager::sharedSerialPortManager() {
    // Lives as long as the application object, so that the ports' threads end before the process.
    if (!sharedInstance) {
        sharedInstance = new SerialPortManager;
        qAddPostRoutine(&SerialPortManager::destroySharedManager);
    }
    return *sharedInstance;
}

void SerialPortManager::destroySharedManager() {
    delete sharedInstance;
    sharedInstance = nullptr;
}

void SerialPortManager::refreshSharedManagerIfCreated() {
    if (sharedInstance) {
        sharedInstance->refresh();
    }
}

QString SerialPortManager::portsDirectory() {
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty()) {
        runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    }
    return runtime + QLatin1String("/orvo/ports");
}

SerialPortManager::SerialPortManager() {
    const auto arrived = [this](const QList<SerialDevice>& devices) { devicesArrived(devices); };
    const auto removed = [this](const QStringList& paths) { devicesRemoved(paths); };
    udev_ = std::make_unique<UdevPortSource>(arrived, removed);
    folder_ = std::make_unique<VirtualPortFolder>(portsDirectory(), arrived, removed);

    if (QCoreApplication* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, &SerialPortManager::cleanupAtExit);
    } else {
        qWarning("SerialPort was unable to register its termination handler for serial port cleanup: %i", 0);
    }
}

// Closes every live port, including ports that went away but are still held, and joins its I/O
// thread: a thread still running at exit could deliver to objects that are already gone.
SerialPortManager::~SerialPortManager() {
    for (const SerialPortPtr& port : SerialPort::allSerialPorts()) {
        port->closeAndWait();
    }
}

SerialPortList SerialPortManager::availablePorts() {
    listPresentDevices();
    return availablePorts_;
}

// What is present at start becomes the list without a notification. Walking the devices is slow
// (thousands of files under /sys), so it waits for the first question instead of the start; the
// sources already watch, so nothing that comes or goes in between is missed.
void SerialPortManager::listPresentDevices() {
    if (hasListedPresentDevices_) {
        return;
    }
    hasListedPresentDevices_ = true;
    for (const SerialDevice& device : udev_->presentDevices() + folder_->presentDevices()) {
        if (!containsPath(availablePorts_, device.path)) {
            availablePorts_.append(SerialPort::serialPortWithDevice(device));
        }
    }
}

void SerialPortManager::refresh() {
    folder_->rescan();
}

void SerialPortManager::devicesArrived(const QList<SerialDevice>& devices) {
    if (!hasListedPresentDevices_) {
        listPresentDevices();
        // The first walk may already see what arrives now; it is still news.
        availablePorts_.removeIf([&](const SerialPortPtr& port) {
            return std::ranges::any_of(devices,
                                       [&](const SerialDevice& d) { return d.path == port->path(); });
        });
    }
    SerialPortList appended;
    for (const SerialDevice& device : devices) {
        if (!containsPath(availablePorts_, device.path)) {
            appended.append(SerialPort::serialPortWithDevice(device));
            availablePorts_.append(appended.back());
        }
    }
    NotificationCenter::defaultCenter().post(
        QString::fromLatin1(SerialPortWasConnectedNotification),
        QVariant::fromValue(static_cast<QObject*>(this)),
        {{QString::fromLatin1(ConnectedSerialPortsKey), QVariant::fromValue(appended)}});
}

void SerialPortManager::devicesRemoved(const QStringList& paths) {
    SerialPortList removed;
    for (const SerialPortPtr& port : std::as_const(availablePorts_)) {
        if (paths.contains(port->path())) {
            removed.append(port);
        }
    }
    for (const SerialPortPtr& port : removed) {
        port->cleanupAfterSystemRemoval();
    }
    availablePorts_.removeIf([&](const SerialPortPtr& port) { return paths.contains(port->path()); });
    NotificationCenter::defaultCenter().post(
        QString::fromLatin1(SerialPortWasDisconnectedNotification),
        QVariant::fromValue(static_cast<QObject*>(this)),
        {{QString::fromLatin1(DisconnectedSerialPortsKey), QVariant::fromValue(removed)}});
}

void SerialPortManager::cleanupAtExit() {
    for (const SerialPortPtr& port : std::as_const(availablePorts_)) {
        port->cleanupAfterSystemRemoval();
    }
    availablePorts_.clear();
}
