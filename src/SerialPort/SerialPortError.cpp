#include "SerialPortError.h"

#include <cerrno>
#include <cstring>

SerialPortError SerialPortError::fromErrno(int errnoValue, const QString& path) {
    SerialPortError error;
    error.code = errnoValue;
    error.localizedDescription = QString::fromLocal8Bit(std::strerror(errnoValue));
    error.filePath = path;
    return error;
}

SerialPortError::Cause SerialPortError::causeOf(int errnoValue) {
    switch (errnoValue) {
    case EACCES:
    case EPERM:
    case EROFS:
        return Cause::PermissionDenied;
    case EBUSY:
    case EWOULDBLOCK:
        return Cause::Busy;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO:
        return Cause::Missing;
    case ENOTTY:
    case EISDIR:
    case ENOTDIR:
    case EINVAL:
        return Cause::NotATerminal;
    default:
        return Cause::Other;
    }
}
