#pragma once

#include "LensLibrary.h"
#include "LensLibraryData.h"

#include <QObject>
#include <QThread>
#include <functional>

// The window's side of the lens library. The library file is read and written on a thread of its
// own, so the window never waits on the disk: every call returns at once and its result comes back
// to the main thread. data() is the library as the last read or change left it.
//
// Nothing is read before open(), which the window calls when the library is first needed.
class ORVOLibraryStore : public QObject {
    Q_OBJECT

public:
    // ok, and why not; called on the main thread after data() has followed the change.
    using Done = std::function<void(bool ok, const QString& error)>;

    explicit ORVOLibraryStore(const QString& path = LensLibrary::defaultPath(), QObject* parent = nullptr);
    ~ORVOLibraryStore() override;

    // Reads the library and watches it for changes made by other programs; only the first call does.
    void open();
    bool isOpen() const { return opened; }
    // True once the first read has come back.
    bool isLoaded() const { return loaded; }
    const LensLibraryData& data() const { return current; }
    // Why the library file does not read; empty while it does. The library is read-only then.
    QString problem() const { return currentProblem; }

    // Runs edit (on the library's thread: it must hold copies only) on the library as it is on disk
    // and writes the result under the file's lock.
    void change(const LensLibrary::Edit& edit, const Done& done);

    // Calls then once data() holds the library: at once when it does, otherwise after the first read.
    void whenLoaded(QObject* context, const std::function<void()>& then);

    // A shared .orvolens file, read or written on the library's thread.
    using Read = std::function<void(const std::optional<LensLibraryData>& entry, const QString& error)>;
    void readShared(const QString& path, const Read& done);
    void writeShared(const LensLibraryData& entry, const QString& path, const Done& done);

signals:
    // data() or problem() changed: a read, a change made here, or one made outside.
    void changed();
    // The library file stopped reading; said once each time it happens.
    void damaged(const QString& problem);

private:
    // On the library's thread: hands what the library holds now to the main thread.
    void publish(const LensLibraryData& data, const QString& problem);

    QThread thread;
    LensLibrary* library = nullptr;
    bool opened = false;
    bool loaded = false;
    LensLibraryData current;
    QString currentProblem;
};
