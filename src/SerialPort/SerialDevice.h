#pragma once

#include <QString>
#include <optional>

// A serial device the system knows of: a tty with hardware found through udev, or a link in the
// per-user ports folder that points at a pseudo-terminal. Its path is what the port opens and is
// the port's identity; its name is the device's tty name.
struct SerialDevice {
    QString path;
    QString name;
    // The USB serial number of the device the tty belongs to ("ORVO0001"); empty for virtual ports.
    QString usbSerial;

    // The device at path: a character device, or a link that resolves to one. No device if the
    // path does not exist or is something else.
    static std::optional<SerialDevice> deviceWithPath(const QString& path);

    friend bool operator==(const SerialDevice&, const SerialDevice&) = default;
};
