#include "SerialPortError.h"

#include <cerrno>
#include <system_error>

SerialPortError SerialPortError::fromErrno(int errnoValue, const QString& path) {
    SerialPortError error;
    error.code = errnoValue;
    error.localizedDescription = QString::fromLocal8Bit(std::generic_category().message(errnoValue).c_str());
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
