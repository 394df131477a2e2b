#include "SerialPortError.h"

#include <cstring>

SerialPortError SerialPortError::fromErrno(int errnoValue, const QString& path) {
    SerialPortError error;
    error.code = errnoValue;
    error.localizedDescription = QString::fromLocal8Bit(std::strerror(errnoValue));
    error.filePath = path;
    return error;
}
