#pragma once

#include "SerialDevice.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

struct udev;
struct udev_device;
struct udev_monitor;
class QSocketNotifier;

// Real serial devices: ttys with hardware behind them, listed through udev and followed through a
// udev monitor. A device's path is the /dev/usbmodem* link our udev rule gives the adapter when
// there is one, else its /dev/serial/by-id link, else its device node. Without udev (containers)
// the source is simply empty.
class UdevPortSource : public QObject {
    Q_OBJECT

public:
    using ArrivalHandler = std::function<void(const QList<SerialDevice>&)>;
    using RemovalHandler = std::function<void(const QStringList& paths)>;

    UdevPortSource(ArrivalHandler onArrival, RemovalHandler onRemoval);
    ~UdevPortSource() override;

    // The devices present now, in udev's enumeration order.
    QList<SerialDevice> presentDevices();

private:
    struct UdevDeleter {
        void operator()(udev* u) const;
        void operator()(udev_monitor* m) const;
    };

    void readMonitor();
    void announceWhenOpenable(const QString& syspath, const SerialDevice& device, int attemptsLeft);
    static std::optional<SerialDevice> deviceFrom(udev_device* device);

    ArrivalHandler onArrival_;
    RemovalHandler onRemoval_;
    std::unique_ptr<udev, UdevDeleter> udev_;
    std::unique_ptr<udev_monitor, UdevDeleter> monitor_;
    QSocketNotifier* notifier_ = nullptr;
    // Path of every device announced, and of those still waiting to become openable, by syspath.
    QHash<QString, QString> pathsBySyspath_;
};
