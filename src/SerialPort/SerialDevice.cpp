#include "SerialDevice.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

std::optional<SerialDevice> SerialDevice::deviceWithPath(const QString& path) {
    struct stat info {};
    // stat follows links, so a link in the ports folder counts when its pseudo-terminal exists.
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISCHR(info.st_mode)) {
        return std::nullopt;
    }
    return SerialDevice{path, QFileInfo(path).fileName(), {}};
}
