#pragma once

#include <QString>

// A failed system call on a port: a POSIX-domain error with errno as its code, the strerror text
// and the port's path.
struct SerialPortError {
    static constexpr const char* POSIXErrorDomain = "POSIX";

    QString domain = QString::fromLatin1(POSIXErrorDomain);
    int code = 0;
    QString localizedDescription;
    QString filePath;

    // Error for errnoValue (read it right after the failing call) on the port at path.
    static SerialPortError fromErrno(int errnoValue, const QString& path);
};
