#pragma once

#include "AdapterSnapshot.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// A folder of the adapter's values, one JSON file each (the AdapterSnapshot form plus "takenAt"),
// in <root>/<adapter serial>/<UTC time>.json, the newest `kept` per adapter. A file counts only
// once it is on disk and reads back as the values it keeps. Backups and drafts are two shelves.
class SnapshotShelf {
public:
    struct Entry {
        QString path;
        QDateTime takenAt;
        AdapterSnapshot snapshot;
    };

    SnapshotShelf(QString root, int kept) : root_(std::move(root)), kept_(kept) {}

    // $XDG_STATE_HOME/orvo/<name>, or ~/.local/state/orvo/<name>.
    static QString stateFolder(const QString& name);
    // The serial's bytes as a folder name, one folder per serial: A-Z, a-z, 0-9, '-' and a '.'
    // that does not lead stay as they are, every other byte becomes '_' and two hex digits
    // ("ORVO/1" is "ORVO_2F1"); an empty serial is "_empty".
    static QString folderNameForSerial(const QByteArray& serial);

    QString folderFor(const QByteArray& serial) const;
    // Writes snapshot atomically, reads it back, and drops this adapter's oldest files beyond the
    // limit (never the one just written); returns the file's path, or nothing with error set (disk
    // full, read-only home, a file that did not read back as written).
    std::optional<QString> write(const AdapterSnapshot& snapshot, QString* error) const;
    // The readable files of folder that hold the values of the adapter with these serial bytes,
    // appended to entries.
    static void collect(const QString& folder, const QByteArray& serial, QList<Entry>& entries);
    // Newest first by the time each file records.
    static void sortNewestFirst(QList<Entry>& entries);
    // This adapter's files, newest first.
    QList<Entry> list(const QByteArray& serial) const;

private:
    void dropOldest(const QByteArray& serial, const QString& justWritten) const;

    QString root_;
    int kept_;
};
