#pragma once

#include "SnapshotShelf.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// Edits the window had not written when a new read-out of the same adapter was about to replace
// them: one JSON file each, in the backups' form, beside them in
// $XDG_STATE_HOME/orvo/drafts/<adapter serial>/<UTC time>.json. The newest 10 per adapter are
// kept; backups and drafts never prune each other.
class DraftStore {
public:
    static constexpr int kKeptPerAdapter = 10;
    using Entry = SnapshotShelf::Entry;

    // $XDG_STATE_HOME/orvo/drafts, or ~/.local/state/orvo/drafts.
    static QString rootFolder();
    // Keeps edits (their identity names the adapter) on disk, proven by reading them back; the
    // file's path, or nothing with error set.
    static std::optional<QString> write(const AdapterSnapshot& edits, QString* error);
    // The drafts of the adapter with these serial bytes, newest first.
    static QList<Entry> list(const QByteArray& serial);
};
