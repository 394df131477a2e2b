#include "PortHolder.h"

#include "MainQueue.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>
#include <memory>

namespace {

const QString kProc = QStringLiteral("/proc");

// The open file holds a lock: its fdinfo lists the locks taken through it ("lock:\t1: FLOCK …").
bool holdsLock(const QDir& process, const QString& fd) {
    QFile info(process.filePath(QStringLiteral("fdinfo/") + fd));
    return info.open(QIODevice::ReadOnly) && info.readAll().contains("lock:");
}

QString commandName(const QDir& process) {
    QFile comm(process.filePath(QStringLiteral("comm")));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : QString();
}

} // namespace

// The answer goes out once, whichever comes first: the search's, or the empty one at the time limit
// (a read of /proc can hang, so the search's own deadline is not enough).
void PortHolder::findProgramHolding(const QString& path, const QObject* owner,
                                    std::function<void(const QString&)> done,
                                    std::chrono::milliseconds timeLimit) {
    auto pending = std::make_shared<std::function<void(const QString&)>>(std::move(done));
    const auto answer = [pending, owner = QPointer<const QObject>(owner)](const QString& holder) {
        if (auto once = std::exchange(*pending, nullptr); once && owner) {
            once(holder);
        }
    };
    MainQueue::after(static_cast<int>(timeLimit.count()), owner, [answer] { answer({}); });
    const QDeadlineTimer deadline(timeLimit);
    QThreadPool::globalInstance()->start([path, deadline, answer] {
        const QString holder = programHolding(path, deadline);
        MainQueue::async([answer, holder] { answer(holder); });
    });
}

// A lock is what makes an open fail, so the program that locked the port is named even when others
// keep it open harmlessly (as a simulator keeps its own end), and nobody when this process locked
// it. Without a lock (an exclusive terminal), the first other program with the port open is named.
QString PortHolder::programHolding(const QString& path, const QDeadlineTimer& deadline) {
    const QString device = QFileInfo(path).canonicalFilePath();
    if (device.isEmpty()) {
        return {};
    }
    const qint64 self = QCoreApplication::applicationPid();
    const QDir proc(kProc);
    QString opener;
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (deadline.hasExpired()) {
            return {};
        }
        bool numeric = false;
        const qint64 number = pid.toLongLong(&numeric);
        const QDir process(proc.filePath(pid));
        // Another user's descriptors cannot be read; those processes are passed over.
        const QDir fds(process.filePath(QStringLiteral("fd")));
        for (const QString& fd :
             numeric ? fds.entryList(QDir::System | QDir::NoDotAndDotDot) : QStringList()) {
            if (QFile::symLinkTarget(fds.filePath(fd)) != device) {
                continue;
            }
            if (holdsLock(process, fd)) {
                return number == self ? QString() : commandName(process);
            }
            if (number != self && opener.isEmpty()) {
                opener = commandName(process);
            }
        }
    }
    return opener;
}
