#include "PortHolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

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

// A lock is what makes an open fail, so the program that locked the port is named even when others
// keep it open harmlessly (as a simulator keeps its own end), and nobody when this process locked
// it. Without a lock (an exclusive terminal), the first other program with the port open is named.
QString PortHolder::programHolding(const QString& path) {
    const QString device = QFileInfo(path).canonicalFilePath();
    if (device.isEmpty()) {
        return {};
    }
    const qint64 self = QCoreApplication::applicationPid();
    const QDir proc(kProc);
    QString opener;
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
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
