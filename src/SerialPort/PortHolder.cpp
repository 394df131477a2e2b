#include "PortHolder.h"

#include "MainQueue.h"
#include "MainThreadMailbox.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <memory>
#include <thread>

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
// (the search looks at its deadline only between processes, and one process's entries can be slow).
// The search is a thread of its own and reports through the mailbox, so that both handoffs are
// visible to the thread sanitizer.
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
    // Made here, on the main thread, before the search posts to it.
    MainThreadMailbox& mailbox = MainThreadMailbox::shared();
    // Detached, so that a search still under way never holds up the program's end.
    std::thread([path, deadline, answer, &mailbox] {
        const QString holder = programHolding(path, deadline);
        mailbox.post([answer, holder] { answer(holder); });
    }).detach();
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
