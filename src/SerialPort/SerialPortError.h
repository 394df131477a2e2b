#pragma once

#include <QString>

// A failed system call on a port: a POSIX-domain error with errno as its code, the strerror text
// and the port's path.
struct SerialPortError {
    static constexpr const char* POSIXErrorDomain = "POSIX";

    // Why a port could not be opened, as far as a user can act on it.
    enum class Cause {
        PermissionDenied, // no access: the udev rule is missing or the user is not in its group
        Busy,             // another program holds the port
        Missing,          // the device is not there (unplugged while opening, a dangling link)
        NotATerminal,     // the path names something that is no serial device
        Other,
    };

    QString domain = QString::fromLatin1(POSIXErrorDomain);
    int code = 0;
    QString localizedDescription;
    QString filePath;

    // Error for errnoValue (read it right after the failing call) on the port at path.
    static SerialPortError fromErrno(int errnoValue, const QString& path);
    static Cause causeOf(int errnoValue);
    Cause cause() const { return causeOf(code); }
};
