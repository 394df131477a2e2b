#include "LensLibrary.h"

#include "CheckedFileWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLockFile>
#include <cerrno>
#include <cstdio>

QString LensLibrary::defaultPath() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty()) {
        data = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return data + QStringLiteral("/orvo/library.json");
}

LensLibrary::LensLibrary(const QString& path, QObject* parent) : QObject(parent), path_(path) {}

LensLibrary::~LensLibrary() = default;

QString LensLibrary::previousPath() const {
    const QFileInfo info(path_);
    return info.path() + u'/' + info.completeBaseName() + QStringLiteral(".previous.json");
}

LensLibrary::Read LensLibrary::readFile(const QString& path, QByteArray* bytes, LensLibraryData* data,
                                        QString* error) const {
    QFile file(path);
    if (!file.exists()) {
        *bytes = {};
        *data = {};
        return Read::Missing;
    }
    QString why;
    const bool opened = file.open(QIODevice::ReadOnly);
    const bool tooLarge = file.size() > LensLibraryData::kLargestFile;
    if (opened && !tooLarge) {
        *bytes = file.readAll();
    }
    if (!opened || file.error() != QFileDevice::NoError) {
        why = file.errorString();
    } else if (tooLarge) {
        why = QStringLiteral("file: at most %1 MiB").arg(LensLibraryData::kLargestFile >> 20);
    } else if (auto read = LensLibraryData::fromJson(*bytes, &why)) {
        *data = std::move(*read);
        return Read::Good;
    }
    *error = path + QStringLiteral(": ") + why;
    return Read::Bad;
}

void LensLibrary::load() {
    QString error;
    if (readFile(path_, &bytes_, &data_, &error) == Read::Bad) {
        QByteArray previousBytes;
        QString previousError;
        const bool previous = readFile(previousPath(), &previousBytes, &data_, &previousError) == Read::Good;
        if (!previous) {
            data_ = {};
        }
        problem_ = error + QStringLiteral(". The file is kept as it is; ") +
                   (previous ? QStringLiteral("the library opens read-only from its previous version, ") +
                                   previousPath()
                             : QStringLiteral("no previous version reads, so the library opens empty and "
                                              "read-only")) +
                   u'.';
    } else {
        problem_.clear();
    }
    emit changed();
}

bool LensLibrary::change(const Edit& edit, QString* error, int lockWaitMs) {
    if (!QDir().mkpath(QFileInfo(path_).path())) {
        *error = QStringLiteral("cannot create %1").arg(QFileInfo(path_).path());
        return false;
    }
    QLockFile lock(path_ + QStringLiteral(".lock"));
    if (!lock.tryLock(lockWaitMs)) {
        qint64 pid = 0;
        QString host;
        QString application;
        lock.getLockInfo(&pid, &host, &application);
        *error = QStringLiteral("the library is being changed by another program (%1, process %2); try again")
                     .arg(application)
                     .arg(pid);
        return false;
    }
    QByteArray current;
    LensLibraryData data;
    if (readFile(path_, &current, &data, error) == Read::Bad) {
        load();
        *error += QStringLiteral(". It is kept as it is and not changed");
        return false;
    }
    if (!edit(data, error) || !write(data, current, error)) {
        return false;
    }
    data_ = std::move(data);
    problem_.clear();
    emit changed();
    return true;
}

// The new file is proven before the old one is replaced, and the old one is kept as the previous
// version first, so some version of the library is whole on disk at every moment.
bool LensLibrary::write(const LensLibraryData& data, const QByteArray& replaced, QString* error) {
    const QByteArray bytes = data.toJson();
    if (bytes == replaced) {
        // Nothing changed (an import of entries already there): the previous version stays.
        bytes_ = bytes;
        return true;
    }
    if (!replaced.isEmpty() && !CheckedFileWrite::write(previousPath(), replaced, error)) {
        return false;
    }
    const QString next = path_ + QStringLiteral(".new");
    if (!CheckedFileWrite::write(next, bytes, error)) {
        return false;
    }
    // rename() replaces the old file in one step, where QFile::rename would refuse to.
    if (std::rename(QFile::encodeName(next).constData(), QFile::encodeName(path_).constData()) != 0) {
        *error = QStringLiteral("cannot replace %1: %2").arg(path_, qt_error_string(errno));
        QFile::remove(next);
        return false;
    }
    bytes_ = bytes;
    return true;
}

void LensLibrary::watch() {
    if (watcher_) {
        return;
    }
    QDir().mkpath(QFileInfo(path_).path());
    watcher_ = std::make_unique<QFileSystemWatcher>();
    // The folder too: a change replaces the file, which ends a watch on the file alone.
    watcher_->addPath(QFileInfo(path_).path());
    if (QFile::exists(path_)) {
        watcher_->addPath(path_);
    }
    connect(watcher_.get(), &QFileSystemWatcher::directoryChanged, this,
            &LensLibrary::reloadIfChangedOutside);
    connect(watcher_.get(), &QFileSystemWatcher::fileChanged, this, &LensLibrary::reloadIfChangedOutside);
}

void LensLibrary::reloadIfChangedOutside() {
    if (QFile::exists(path_) && !watcher_->files().contains(path_)) {
        watcher_->addPath(path_);
    }
    QFile file(path_);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (bytes != bytes_) {
        load();
    }
}

std::optional<LensLibraryData> LensLibrary::readSharedFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return std::nullopt;
    }
    auto shared = LensLibraryData::fromJson(file.read(LensLibraryData::kLargestFile + 1), error);
    if (!shared) {
        error->prepend(path + QStringLiteral(": "));
    }
    return shared;
}

bool LensLibrary::writeSharedFile(const LensLibraryData& entry, const QString& path, QString* error) {
    if (!CheckedFileWrite::write(path, entry.toJson(), error)) {
        error->prepend(path + QStringLiteral(": "));
        return false;
    }
    return true;
}
