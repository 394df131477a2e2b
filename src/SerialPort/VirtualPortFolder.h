#pragma once

#include "SerialDevice.h"

#include <QFileSystemWatcher>
#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <functional>

// The per-user folder of virtual ports: every entry that resolves to a character device (a link to
// a pseudo-terminal, typically) is a port whose path is the entry's own path. The folder is watched,
// so entries appearing and disappearing are arrivals and removals; a link whose terminal has gone
// counts as removed.
class VirtualPortFolder : public QObject {
    Q_OBJECT

public:
    using ArrivalHandler = std::function<void(const QList<SerialDevice>&)>;
    using RemovalHandler = std::function<void(const QStringList& paths)>;

    VirtualPortFolder(const QString& directory, ArrivalHandler onArrival, RemovalHandler onRemoval);

    // The ports present now, by name.
    QList<SerialDevice> presentDevices();

    // Compares the folder with what was seen last and reports the differences.
    void rescan();

private:
    QMap<QString, SerialDevice> scan(bool* incompleteEntries) const;

    QString directory_;
    ArrivalHandler onArrival_;
    RemovalHandler onRemoval_;
    QFileSystemWatcher watcher_;
    QMap<QString, SerialDevice> known_;
    int retriesLeft_ = 0;
};
