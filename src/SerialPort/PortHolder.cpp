#include "PortHolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

const QString kProc = QStringLiteral("/proc");

bool isOtherProcess(const QString& name) {
    bool numeric = false;
    const qint64 pid = name.toLongLong(&numeric);
    return numeric && pid != QCoreApplication::applicationPid();
}

} // namespace

QString PortHolder::programHolding(const QString& path) {
    const QString device = QFileInfo(path).canonicalFilePath();
    if (device.isEmpty()) {
        return {};
    }
    const QString opener = programWithOpenDescriptor(device);
    return opener.isEmpty() ? programHoldingLock(device) : opener;
}

// Another user's descriptors cannot be read; those processes are passed over.
QString PortHolder::programWithOpenDescriptor(const QString& device) {
    const QDir proc(kProc);
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!isOtherProcess(pid)) {
            continue;
        }
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
            if (QFile::symLinkTarget(fds.filePath(fd)) == device) {
                return commandName(pid);
            }
        }
    }
    return {};
}

// /proc/locks is readable by everyone: "1: FLOCK  ADVISORY  WRITE 812 00:05:87 0 EOF", the device
// as major:minor in hex and the inode in decimal.
QString PortHolder::programHoldingLock(const QString& device) {
    struct stat info {};
    QFile locks(kProc + QStringLiteral("/locks"));
    if (::stat(QFile::encodeName(device).constData(), &info) != 0 || !locks.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QString file = QStringLiteral("%1:%2:%3")
                             .arg(major(info.st_dev), 2, 16, QLatin1Char('0'))
                             .arg(minor(info.st_dev), 2, 16, QLatin1Char('0'))
                             .arg(info.st_ino);
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 5 && QString::fromLatin1(fields[5]) == file &&
            isOtherProcess(QString::fromLatin1(fields[4]))) {
            return commandName(QString::fromLatin1(fields[4]));
        }
    }
    return {};
}

QString PortHolder::commandName(const QString& pid) {
    QFile comm(kProc + QLatin1Char('/') + pid + QStringLiteral("/comm"));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : QString();
}
