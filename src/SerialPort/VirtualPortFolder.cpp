#include "VirtualPortFolder.h"

#include <QDir>
#include <QTimer>

namespace {

// An entry that does not resolve yet (a link made before its terminal) is looked at again this
// often, this many times.
constexpr int kRetryMs = 100;
constexpr int kRetries = 20;

} // namespace

VirtualPortFolder::VirtualPortFolder(const QString& directory, ArrivalHandler onArrival,
                                     RemovalHandler onRemoval)
    : directory_(directory), onArrival_(std::move(onArrival)), onRemoval_(std::move(onRemoval)) {
    QDir().mkpath(directory_);
    QFile::setPermissions(directory_,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    watcher_.addPath(directory_);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        retriesLeft_ = kRetries;
        rescan();
    });
}

QList<SerialDevice> VirtualPortFolder::presentDevices() {
    known_ = scan(nullptr);
    return known_.values();
}

QMap<QString, SerialDevice> VirtualPortFolder::scan(bool* incompleteEntries) const {
    QMap<QString, SerialDevice> devices;
    // System includes dangling links, which matter for noticing entries that are not ready yet.
    const QFileInfoList entries =
        QDir(directory_).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (const auto device = SerialDevice::deviceWithPath(entry.absoluteFilePath())) {
            devices.insert(device->path, *device);
        } else if (incompleteEntries) {
            *incompleteEntries = true;
        }
    }
    return devices;
}

void VirtualPortFolder::rescan() {
    bool incomplete = false;
    const QMap<QString, SerialDevice> now = scan(&incomplete);
    QStringList removed;
    for (auto it = known_.cbegin(); it != known_.cend(); ++it) {
        if (!now.contains(it.key())) {
            removed.append(it.key());
        }
    }
    QList<SerialDevice> arrived;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (!known_.contains(it.key())) {
            arrived.append(it.value());
        }
    }
    known_ = now;
    if (!removed.isEmpty()) {
        onRemoval_(removed);
    }
    if (!arrived.isEmpty()) {
        onArrival_(arrived);
    }
    if (incomplete && retriesLeft_ > 0) {
        --retriesLeft_;
        QTimer::singleShot(kRetryMs, this, [this] { rescan(); });
    }
}
