#include "UdevPortSource.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <libudev.h>
#include <unistd.h>

namespace {

constexpr int kOpenableRetryMs = 100;
constexpr int kOpenableAttempts = 30;

struct DeviceDeleter {
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
struct EnumerateDeleter {
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
};
using DevicePtr = std::unique_ptr<udev_device, DeviceDeleter>;

QString text(const char* s) {
    return s ? QString::fromLocal8Bit(s) : QString();
}

} // namespace

void UdevPortSource::UdevDeleter::operator()(udev* u) const {
    udev_unref(u);
}
void UdevPortSource::UdevDeleter::operator()(udev_monitor* m) const {
    udev_monitor_unref(m);
}

UdevPortSource::UdevPortSource(ArrivalHandler onArrival, RemovalHandler onRemoval)
    : onArrival_(std::move(onArrival)), onRemoval_(std::move(onRemoval)), udev_(udev_new()) {
    if (!udev_) {
        return;
    }
    monitor_.reset(udev_monitor_new_from_netlink(udev_.get(), "udev"));
    if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_.get()) < 0) {
        monitor_.reset();
        return;
    }
    notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_.get()), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &UdevPortSource::readMonitor);
}

UdevPortSource::~UdevPortSource() = default;

std::optional<SerialDevice> UdevPortSource::deviceFrom(udev_device* device) {
    const QString node = text(udev_device_get_devnode(device));
    // Virtual terminals, the console and ptmx have no parent device: they are not serial ports.
    if (node.isEmpty() || !udev_device_get_parent(device)) {
        return std::nullopt;
    }
    const QString name = text(udev_device_get_sysname(device));
    // The 8250 driver registers placeholder ttyS ports whether or not a UART is there; their type is 0.
    if (name.startsWith(QLatin1String("ttyS")) &&
        text(udev_device_get_sysattr_value(device, "type")) == "0") {
        return std::nullopt;
    }
    QString modemLink;
    QString byIdLink;
    for (udev_list_entry* e = udev_device_get_devlinks_list_entry(device); e;
         e = udev_list_entry_get_next(e)) {
        const QString link = text(udev_list_entry_get_name(e));
        if (link.startsWith(QLatin1String("/dev/usbmodem"))) {
            modemLink = link;
        } else if (link.startsWith(QLatin1String("/dev/serial/by-id/")) && byIdLink.isEmpty()) {
            byIdLink = link;
        }
    }
    const QString path = !modemLink.isEmpty() ? modemLink : !byIdLink.isEmpty() ? byIdLink : node;
    // The serial number tells an adapter apart even when its rule, and so its link, is missing.
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
    return SerialDevice{path, name, usb ? text(udev_device_get_sysattr_value(usb, "serial")) : QString()};
}

QList<SerialDevice> UdevPortSource::presentDevices() {
    QList<SerialDevice> devices;
    if (!udev_) {
        return devices;
    }
    std::unique_ptr<udev_enumerate, EnumerateDeleter> enumerate(udev_enumerate_new(udev_.get()));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0) {
        return devices;
    }
    for (udev_list_entry* e = udev_enumerate_get_list_entry(enumerate.get()); e;
         e = udev_list_entry_get_next(e)) {
        const char* syspath = udev_list_entry_get_name(e);
        const DevicePtr device(udev_device_new_from_syspath(udev_.get(), syspath));
        if (!device) {
            continue;
        }
        if (const auto serial = deviceFrom(device.get())) {
            pathsBySyspath_.insert(text(syspath), serial->path);
            devices.append(*serial);
        }
    }
    return devices;
}

void UdevPortSource::readMonitor() {
    const DevicePtr device(udev_monitor_receive_device(monitor_.get()));
    if (!device) {
        return;
    }
    const QString action = text(udev_device_get_action(device.get()));
    const QString syspath = text(udev_device_get_syspath(device.get()));
    if (action == QLatin1String("add")) {
        if (const auto serial = deviceFrom(device.get()); serial && !pathsBySyspath_.contains(syspath)) {
            pathsBySyspath_.insert(syspath, serial->path);
            announceWhenOpenable(syspath, *serial, kOpenableAttempts);
        }
    } else if (action == QLatin1String("remove")) {
        const QString path = pathsBySyspath_.take(syspath);
        if (!path.isEmpty()) {
            onRemoval_({path});
        }
    }
}

// The node's access rights for the desktop user are granted a moment after udev announces it, so a
// port that cannot be opened yet is looked at again for a while before it is announced anyway.
void UdevPortSource::announceWhenOpenable(const QString& syspath, const SerialDevice& device,
                                          int attemptsLeft) {
    if (pathsBySyspath_.value(syspath) != device.path) {
        return; // removed meanwhile
    }
    const bool openable = ::access(QFile::encodeName(device.path).constData(), R_OK | W_OK) == 0;
    if (openable || attemptsLeft <= 1) {
        onArrival_({device});
        return;
    }
    QTimer::singleShot(kOpenableRetryMs, this, [this, syspath, device, attemptsLeft] {
        announceWhenOpenable(syspath, device, attemptsLeft - 1);
    });
}
