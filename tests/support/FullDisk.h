#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/mount.h>

// A small tmpfs, filled to the last byte, mounted on a folder of its own; folders asked for are made
// before it is filled. Mounting needs root, which the suite has where it runs; mounted() says.
class FullDisk {
public:
    explicit FullDisk(const QStringList& folders = {}) {
        mounted_ = ::mount("tmpfs", dir_.path().toLocal8Bit().constData(), "tmpfs", 0, "size=64k") == 0;
        if (!mounted_) {
            return;
        }
        for (const QString& folder : folders) {
            QDir(dir_.path()).mkpath(folder);
        }
        QFile filler(dir_.filePath(QStringLiteral("filler")));
        if (filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            const QByteArray block(512, 'x');
            while (filler.write(block) == block.size()) {
            }
        }
    }
    ~FullDisk() {
        if (mounted_) {
            ::umount2(dir_.path().toLocal8Bit().constData(), MNT_DETACH);
        }
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool mounted() const { return mounted_; }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};
