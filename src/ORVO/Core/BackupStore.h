#pragma once

#include "AdapterSnapshot.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// The adapter's values kept before every write, one JSON file each (the AdapterSnapshot form) in
// $XDG_STATE_HOME/orvo/backups/<adapter serial>/<UTC time>.json, the newest 100 per adapter.
class BackupStore {
public:
    static constexpr int kKeptPerAdapter = 100;

    struct Entry {
        QString path;
        QDateTime takenAt;
        AdapterSnapshot snapshot;
    };

    // The folder of all backups ($XDG_STATE_HOME/orvo/backups, or ~/.local/state/orvo/backups).
    static QString rootFolder();
    // The serial as a folder name: every character outside A-Za-z0-9._- becomes '_'; an empty
    // result, "." and ".." become "unknown".
    static QString folderNameForSerial(const QString& serial);

    // Writes snapshot atomically and drops the oldest beyond the limit; returns the file's path, or
    // nothing with error set (disk full, read-only home).
    static std::optional<QString> write(const AdapterSnapshot& snapshot, QString* error);
    // The backups of the adapter with this serial, newest first; unreadable files are left out.
    static QList<Entry> list(const QString& serial);
};
