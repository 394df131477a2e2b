#include "CheckedFileWrite.h"

#include <QFile>
#include <QSaveFile>

bool CheckedFileWrite::write(const QString& path, const QByteArray& bytes,
                             const std::function<bool(const QString& path)>& readsBack, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    if (!readsBack(path)) {
        QFile::remove(path);
        *error = QStringLiteral("%1 did not read back as written").arg(path);
        return false;
    }
    return true;
}

bool CheckedFileWrite::write(const QString& path, const QByteArray& bytes, QString* error) {
    const auto holdsBytes = [&bytes](const QString& written) {
        QFile file(written);
        return file.open(QIODevice::ReadOnly) && file.readAll() == bytes;
    };
    return write(path, bytes, holdsBytes, error);
}
