#include "BackupStore.h"

namespace {

SnapshotShelf shelf() {
    return SnapshotShelf(BackupStore::rootFolder(), BackupStore::kKeptPerAdapter);
}

QString sharedFolderFor(const QByteArray& serial) {
    const QString text =
        textFromZeroPaddedBytes(reinterpret_cast<const uint8_t*>(serial.constData()), size_t(serial.size()));
    return BackupStore::rootFolder() + u'/' + BackupStore::sharedFolderNameForSerial(text);
}

} // namespace

QString BackupStore::rootFolder() {
    return SnapshotShelf::stateFolder(QStringLiteral("backups"));
}

QString BackupStore::folderNameForSerial(const QByteArray& serial) {
    return SnapshotShelf::folderNameForSerial(serial);
}

QString BackupStore::sharedFolderNameForSerial(const QString& serial) {
    QString name;
    for (const QChar c : serial) {
        const bool safe = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
                          c == u'.' || c == u'_' || c == u'-';
        name += safe ? c : QChar(u'_');
    }
    if (name.isEmpty() || name == u"." || name == u"..") {
        return QStringLiteral("unknown");
    }
    return name;
}

std::optional<QString> BackupStore::write(const AdapterSnapshot& snapshot, QString* error) {
    return shelf().write(snapshot, error);
}

QList<BackupStore::Entry> BackupStore::list(const QByteArray& serial) {
    const SnapshotShelf backups = shelf();
    QList<Entry> entries;
    SnapshotShelf::collect(backups.folderFor(serial), serial, entries);
    if (sharedFolderFor(serial) != backups.folderFor(serial)) {
        SnapshotShelf::collect(sharedFolderFor(serial), serial, entries);
    }
    SnapshotShelf::sortNewestFirst(entries);
    return entries;
}
