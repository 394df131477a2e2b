#include "BackupStore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// "20261206T231501.123Z": sorts by time, unique to the millisecond.
const QString kFileTimeFormat = QStringLiteral("yyyyMMdd'T'HHmmss.zzz'Z'");

QString folderFor(const QString& serial) {
    return BackupStore::rootFolder() + u'/' + BackupStore::folderNameForSerial(serial);
}

void dropOldest(const QString& folder) {
    QDir dir(folder);
    const QStringList files =
        dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name | QDir::Reversed);
    for (qsizetype i = BackupStore::kKeptPerAdapter; i < files.size(); ++i) {
        dir.remove(files[i]);
    }
}

} // namespace

QString BackupStore::rootFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty()) {
        state = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return state + QStringLiteral("/orvo/backups");
}

QString BackupStore::folderNameForSerial(const QString& serial) {
    QString name;
    for (const QChar c : serial) {
        const bool safe = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
                          c == u'.' || c == u'_' || c == u'-';
        name += safe ? c : QChar(u'_');
    }
    if (name.isEmpty() || name == u"." || name == u"..") {
        return QStringLiteral("unknown");
    }
    return name;
}

std::optional<QString> BackupStore::write(const AdapterSnapshot& snapshot, QString* error) {
    const QString folder = folderFor(snapshot.info.getDeviceSNString());
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create %1").arg(folder);
        return std::nullopt;
    }
    QString path;
    QDateTime now = QDateTime::currentDateTimeUtc();
    // Two saves within one millisecond still get files of their own.
    do {
        path = folder + u'/' + now.toString(kFileTimeFormat) + QStringLiteral(".json");
        now = now.addMSecs(1);
    } while (QFile::exists(path));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = QJsonDocument(snapshot.toJson()).toJson();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return std::nullopt;
    }
    dropOldest(folder);
    return path;
}

QList<BackupStore::Entry> BackupStore::list(const QString& serial) {
    QList<Entry> entries;
    QDir dir(folderFor(serial));
    for (const QString& name :
         dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name | QDir::Reversed)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly) || file.size() > 1 << 20) {
            continue;
        }
        const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
        const auto snapshot = AdapterSnapshot::fromJson(json, AdapterSnapshot{}, nullptr);
        if (!snapshot) {
            continue;
        }
        QDateTime takenAt = QDateTime::fromString(name.chopped(5), kFileTimeFormat);
        takenAt.setTimeSpec(Qt::UTC);
        entries.append({dir.filePath(name), takenAt, *snapshot});
    }
    return entries;
}
