#include "BackupStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <algorithm>

namespace {

// "20261206T231501.123Z": unique to the millisecond. Files of an earlier version record their time
// only in this name.
const QString kFileTimeFormat = QStringLiteral("yyyyMMdd'T'HHmmss.zzz'Z'");
constexpr qint64 kLargestBackup = 1 << 20;

QString folderFor(const QByteArray& serial) {
    return BackupStore::rootFolder() + u'/' + BackupStore::folderNameForSerial(serial);
}

QString sharedFolderFor(const QByteArray& serial) {
    const QString text =
        textFromZeroPaddedBytes(reinterpret_cast<const uint8_t*>(serial.constData()), size_t(serial.size()));
    return BackupStore::rootFolder() + u'/' + BackupStore::sharedFolderNameForSerial(text);
}

std::optional<BackupStore::Entry> readEntry(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestBackup) {
        return std::nullopt;
    }
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    const auto snapshot = AdapterSnapshot::fromJson(json, AdapterSnapshot{}, nullptr);
    if (!snapshot) {
        return std::nullopt;
    }
    QDateTime takenAt = QDateTime::fromString(json.value("takenAt").toString(), Qt::ISODateWithMs);
    if (!takenAt.isValid()) {
        takenAt = QDateTime::fromString(QFileInfo(path).completeBaseName(), kFileTimeFormat);
        takenAt.setTimeSpec(Qt::UTC);
    }
    return BackupStore::Entry{path, takenAt.toUTC(), *snapshot};
}

// The readable backups of serial in folder, appended to entries.
void collect(const QString& folder, const QByteArray& serial, QList<BackupStore::Entry>& entries) {
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files)) {
        const auto entry = readEntry(dir.filePath(name));
        if (entry && entry->snapshot.serialBytes() == serial) {
            entries.append(*entry);
        }
    }
}

void sortNewestFirst(QList<BackupStore::Entry>& entries) {
    std::sort(entries.begin(), entries.end(), [](const BackupStore::Entry& a, const BackupStore::Entry& b) {
        return a.takenAt != b.takenAt ? a.takenAt > b.takenAt : a.path > b.path;
    });
}

// Drops this adapter's oldest backups beyond the limit, counting the one just written, which stays
// whatever time it records (a clock once set ahead gave others later times).
void dropOldest(const QByteArray& serial, const QString& justWritten) {
    QList<BackupStore::Entry> entries;
    collect(folderFor(serial), serial, entries);
    sortNewestFirst(entries);
    int kept = 1;
    for (const BackupStore::Entry& entry : entries) {
        if (entry.path == justWritten) {
            continue;
        }
        if (kept < BackupStore::kKeptPerAdapter) {
            ++kept;
        } else {
            QFile::remove(entry.path);
        }
    }
}

// Writes bytes through a temporary file and checks every step; a commit is not taken on trust (it
// has been seen to succeed on a full disk after the data was lost), so the file is read back and
// must hold snapshot's values.
bool writeChecked(const QString& path, const QByteArray& bytes, const AdapterSnapshot& snapshot,
                  QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    const auto back = readEntry(path);
    if (!back || !back->snapshot.holdsSameValues(snapshot)) {
        QFile::remove(path);
        *error = QStringLiteral("%1 did not read back as written").arg(path);
        return false;
    }
    return true;
}

} // namespace

QString BackupStore::rootFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty()) {
        state = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return state + QStringLiteral("/orvo/backups");
}

QString BackupStore::folderNameForSerial(const QByteArray& serial) {
    QString name;
    for (qsizetype i = 0; i < serial.size(); ++i) {
        const char c = serial[i];
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '-' || (c == '.' && i > 0);
        name += plain ? QString(QChar::fromLatin1(c))
                      : QStringLiteral("_%1").arg(uint8_t(c), 2, 16, QChar(u'0')).toUpper();
    }
    return name.isEmpty() ? QStringLiteral("_empty") : name;
}

QString BackupStore::sharedFolderNameForSerial(const QString& serial) {
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
    const QByteArray serial = snapshot.serialBytes();
    const QString folder = folderFor(serial);
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create %1").arg(folder);
        return std::nullopt;
    }
    QDateTime takenAt = QDateTime::currentDateTimeUtc();
    const auto pathAt = [&](const QDateTime& time) {
        return folder + u'/' + time.toString(kFileTimeFormat) + QStringLiteral(".json");
    };
    // Two saves within one millisecond still get files of their own.
    while (QFile::exists(pathAt(takenAt))) {
        takenAt = takenAt.addMSecs(1);
    }
    const QString path = pathAt(takenAt);
    QJsonObject json = snapshot.toJson();
    json.insert(QStringLiteral("takenAt"), takenAt.toString(Qt::ISODateWithMs));
    if (!writeChecked(path, QJsonDocument(json).toJson(), snapshot, error)) {
        return std::nullopt;
    }
    dropOldest(serial, path);
    return path;
}

QList<BackupStore::Entry> BackupStore::list(const QByteArray& serial) {
    QList<Entry> entries;
    collect(folderFor(serial), serial, entries);
    if (sharedFolderFor(serial) != folderFor(serial)) {
        collect(sharedFolderFor(serial), serial, entries);
    }
    sortNewestFirst(entries);
    return entries;
}
