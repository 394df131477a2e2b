#pragma once

#include "SnapshotShelf.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// The adapter's values kept before every write, one JSON file each (the AdapterSnapshot form plus
// "takenAt") in $XDG_STATE_HOME/orvo/backups/<adapter serial>/<UTC time>.json, the newest 100 per
// adapter. A backup counts only once it is on disk and reads back as the values it keeps.
class BackupStore {
public:
    static constexpr int kKeptPerAdapter = 100;

    using Entry = SnapshotShelf::Entry;

    // The folder of all backups ($XDG_STATE_HOME/orvo/backups, or ~/.local/state/orvo/backups).
    static QString rootFolder();
    // The serial's bytes as a folder name (SnapshotShelf::folderNameForSerial).
    static QString folderNameForSerial(const QByteArray& serial);
    // The name an earlier scheme gave, which several serials could share; still read, never written.
    static QString sharedFolderNameForSerial(const QString& serial);

    // Writes snapshot atomically, reads it back, and drops this adapter's oldest backups beyond the
    // limit (never the one just written); returns the file's path, or nothing with error set (disk
    // full, read-only home, a file that did not read back as written).
    static std::optional<QString> write(const AdapterSnapshot& snapshot, QString* error);
    // The backups of the adapter with these serial bytes, newest first by the time each file records;
    // files that cannot be read, or hold another adapter's values, are left out.
    static QList<Entry> list(const QByteArray& serial);
};
