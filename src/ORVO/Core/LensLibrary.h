#pragma once

#include "LensLibraryData.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QFileSystemWatcher;

// The user's lens library on disk, $XDG_DATA_HOME/orvo/library.json, shared by the window and
// orvoctl, which may change it at the same time.
//
// A change takes the lock file beside the library (one writer at a time), reads the file again under
// it, applies the edit to what it read and writes the result: the version it replaces goes to
// library.previous.json, the new one is written beside it, read back, and only then renamed over the
// old. So no writer loses another's change, and a crash leaves a whole file.
//
// A file that does not read (damaged, cut short, from a newer version) is never overwritten: it stays
// as it is, problem() says why once it is found, and the library opens read-only from the previous
// version if that reads (empty otherwise). Every call does its file work at once on the calling
// thread; a window keeps it off its own thread.
class LensLibrary : public QObject {
    Q_OBJECT

public:
    using Edit = std::function<bool(LensLibraryData& data, QString* error)>;

    // $XDG_DATA_HOME/orvo/library.json (~/.local/share/orvo/library.json).
    static QString defaultPath();

    explicit LensLibrary(const QString& path = defaultPath(), QObject* parent = nullptr);
    ~LensLibrary() override;

    QString path() const { return path_; }
    QString previousPath() const;

    // Reads the file (a missing one is an empty library) and emits changed().
    void load();
    const LensLibraryData& data() const { return data_; }
    // The library file does not read: it is kept, and data() is its previous version.
    bool isReadOnly() const { return !problem_.isEmpty(); }
    // "<path>: lenses[3].name: ..." and what was opened instead; empty while the file reads.
    QString problem() const { return problem_; }

    // Applies edit to the library as it is on disk now and writes the result; data() follows. False
    // with error set when the edit refuses, the file does not read or cannot be written, or another
    // writer holds the lock for longer than lockWaitMs.
    bool change(const Edit& edit, QString* error, int lockWaitMs = 10000);

    // From now on a change made by another program reloads the library and emits changed().
    void watch();

    // A shared .orvolens file (lensEntry() or kitEntry() of the library), read with the library's
    // checks; an error starts with the file's path.
    static std::optional<LensLibraryData> readSharedFile(const QString& path, QString* error);
    // Writes it, read back before it counts.
    static bool writeSharedFile(const LensLibraryData& entry, const QString& path, QString* error);

signals:
    void changed();

private:
    enum class Read { Missing, Good, Bad };
    Read readFile(const QString& path, QByteArray* bytes, LensLibraryData* data, QString* error) const;
    bool write(const LensLibraryData& data, const QByteArray& replaced, QString* error);
    void reloadIfChangedOutside();

    QString path_;
    LensLibraryData data_;
    QString problem_;
    // The library file's bytes as last read or written here, to tell a change made outside.
    QByteArray bytes_;
    std::unique_ptr<QFileSystemWatcher> watcher_;
};
