#pragma once

#include <QString>
#include <QVariantList>
#include <memory>
#include <optional>

class QLockFile;
class QObject;

// One running copy per user session. The running copy owns a well-known name on the session bus, where
// a later copy finds and calls it, and always also holds a lock file in $XDG_RUNTIME_DIR, so that a
// copy started without a session bus cannot run beside the first either.
class SingleInstance {
public:
    enum class LockFile { Claimed, HeldByAnotherCopy, Unusable };
    enum class Claim { OnlyCopy, AnotherCopyOnTheBus, AnotherCopyUnreachable };

    // name is the bus name and the lock file's name (<name>.lock); objectPath is where the running copy
    // answers. lockFolder empty: the user's runtime folder.
    SingleInstance(const QString& name, const QString& objectPath, const QString& lockFolder = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // The lock on every start, bus or not; then, with a session bus, the name, with busObject's
    // scriptable slots exported at objectPath. A runtime folder that cannot hold a lock does not count
    // as another copy: an unusable folder must not keep the program from starting. A copy that finds
    // the lock held waits a moment for its holder's name, and answers AnotherCopyOnTheBus once it is
    // there.
    Claim claim(QObject* busObject);
    // Held for the life of the process, or until released. Only a dead owner makes a lock stale, never
    // its age: the running copy may run for days.
    LockFile claimLockFile();
    bool claimBusName(QObject* busObject);

    // A method of the running copy at objectPath, interface name; its reply's arguments, or nothing
    // when it did not answer in time (a busy copy is not an absent one).
    std::optional<QVariantList> callRunningCopy(const QString& method,
                                                const QVariantList& arguments = {}) const;

    // The lock file and the bus name: for a copy that is ending, so that one started meanwhile runs,
    // and for a test that starts again as a fresh copy would.
    void release();

private:
    bool waitForRunningCopy() const;

    QString name;
    QString objectPath;
    QString lockFolder;
    std::unique_ptr<QLockFile> lock;
};
