#include "SingleInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

namespace {

// A running copy that does not answer within this time is treated as busy, not as absent.
constexpr int kBusCallTimeoutMs = 5000;
// The lock's holder takes the bus name right after the lock; one that has not within this time has
// no bus, or another one.
constexpr int kBusNameWaitMs = 2000;
constexpr unsigned long kBusNamePollMs = 10;

} // namespace

SingleInstance::SingleInstance(const QString& name, const QString& objectPath, const QString& lockFolder)
    : name(name), objectPath(objectPath), lockFolder(lockFolder) {}

SingleInstance::~SingleInstance() = default;

// The lock decides which copy runs: a copy that lost it never takes the bus name, so two copies
// started together cannot each win one of the two and both end. The bus is joined first, so that the
// winner holds the lock without its name only for a moment.
SingleInstance::Claim SingleInstance::claim(QObject* busObject) {
    const bool hasBus = QDBusConnection::sessionBus().isConnected();
    if (claimLockFile() == LockFile::HeldByAnotherCopy) {
        return hasBus && waitForRunningCopy() ? Claim::AnotherCopyOnTheBus : Claim::AnotherCopyUnreachable;
    }
    if (hasBus && !claimBusName(busObject)) {
        // A copy with another runtime folder, or one whose folder cannot hold a lock, runs already.
        lock.reset();
        return Claim::AnotherCopyOnTheBus;
    }
    return Claim::OnlyCopy;
}

SingleInstance::LockFile SingleInstance::claimLockFile() {
    // The runtime folder is looked up now, not at construction: tests move it.
    const QString folder =
        lockFolder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) : lockFolder;
    auto candidate = std::make_unique<QLockFile>(QDir(folder).filePath(name + QStringLiteral(".lock")));
    candidate->setStaleLockTime(0);
    if (candidate->tryLock(0)) {
        lock = std::move(candidate);
        return LockFile::Claimed;
    }
    return candidate->error() == QLockFile::LockFailedError ? LockFile::HeldByAnotherCopy
                                                            : LockFile::Unusable;
}

bool SingleInstance::claimBusName(QObject* busObject) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    // The object first, so a copy that sees the name can already call it.
    if (!bus.registerObject(objectPath, name, busObject, QDBusConnection::ExportScriptableSlots)) {
        return false;
    }
    if (bus.registerService(name)) {
        return true;
    }
    bus.unregisterObject(objectPath);
    return false;
}

bool SingleInstance::waitForRunningCopy() const {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    const QDeadlineTimer deadline(kBusNameWaitMs);
    while (!bus->isServiceRegistered(name).value()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(kBusNamePollMs);
    }
    return true;
}

std::optional<QVariantList> SingleInstance::callRunningCopy(const QString& method,
                                                            const QVariantList& arguments) const {
    QDBusMessage call = QDBusMessage::createMethodCall(name, objectPath, name, method);
    call.setArguments(arguments);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kBusCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return std::nullopt;
    }
    return reply.arguments();
}

void SingleInstance::release() {
    lock.reset();
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(name);
    bus.unregisterObject(objectPath);
}
