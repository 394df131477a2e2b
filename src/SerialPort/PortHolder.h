#pragma once

#include <QString>

// Which other program holds a device, as far as /proc shows it: the processes of the same user, or
// all of them when run as root (ModemManager and brltty run as root, so an ordinary user does not
// see them).
class PortHolder {
public:
    // The command name of the process other than this one that holds path's device, or an empty
    // text when none is visible. path may be a link; its target is looked for.
    static QString programHolding(const QString& path);
};
