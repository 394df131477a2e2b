#pragma once

#include <QString>

// Which other program has a device open, as far as /proc shows it: the processes of the same user
// (and all of them when run as root). System services such as ModemManager run as root, so an
// ordinary user sees them only when they lock the device.
class PortHolder {
public:
    // The command name of a process other than this one that has path's device open (or locked),
    // or an empty text when none is visible. path may be a link; its target is looked for.
    static QString programHolding(const QString& path);

private:
    static QString programWithOpenDescriptor(const QString& device);
    static QString programHoldingLock(const QString& device);
    static QString commandName(const QString& pid);
};
