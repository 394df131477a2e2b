#include "SingleInstance.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace {

// A running copy that does not answer within this time is treated as busy, not as absent.
constexpr int kBusCallTimeoutMs = 5000;

} // namespace

SingleInstance::SingleInstance(const QString& name, const QString& objectPath, const QString& lockFolder)
    : name(name), objectPath(objectPath), lockFolder(lockFolder) {}

SingleInstance::~SingleInstance() = default;

SingleInstance::Claim SingleInstance::claim(QObject* busObject) {
    const LockFile lockFile = claimLockFile();
    if (QDBusConnection::sessionBus().isConnected() && !claimBusName(busObject)) {
        return Claim::AnotherCopyOnTheBus;
    }
    // That copy cannot be reached: there is no bus, or it has none.
    return lockFile == LockFile::HeldByAnotherCopy ? Claim::AnotherCopyUnreachable : Claim::OnlyCopy;
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
    if (!bus.registerObject(objectPath, busObject, QDBusConnection::ExportScriptableSlots)) {
        return false;
    }
    if (bus.registerService(name)) {
        return true;
    }
    bus.unregisterObject(objectPath);
    return false;
}

std::optional<QVariantList> SingleInstance::callRunningCopy(const QString& method) const {
    const QDBusMessage call = QDBusMessage::createMethodCall(name, objectPath, name, method);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kBusCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return std::nullopt;
    }
    return reply.arguments();
}

void SingleInstance::releaseLockFile() {
    lock.reset();
}

void SingleInstance::release() {
    lock.reset();
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(name);
    bus.unregisterObject(objectPath);
}
