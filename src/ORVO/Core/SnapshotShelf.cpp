#include "SnapshotShelf.h"

#include "CheckedFileWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <algorithm>

namespace {

// "20261206T231501.123Z": unique to the millisecond. Files of an earlier version record their time
// only in this name.
const QString kFileTimeFormat = QStringLiteral("yyyyMMdd'T'HHmmss.zzz'Z'");
constexpr qint64 kLargestFile = 1 << 20;

std::optional<SnapshotShelf::Entry> readEntry(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestFile) {
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
    return SnapshotShelf::Entry{path, takenAt.toUTC(), *snapshot};
}

} // namespace

QString SnapshotShelf::stateFolder(const QString& name) {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty()) {
        state = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return state + QStringLiteral("/orvo/") + name;
}

QString SnapshotShelf::folderNameForSerial(const QByteArray& serial) {
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

QString SnapshotShelf::folderFor(const QByteArray& serial) const {
    return root_ + u'/' + folderNameForSerial(serial);
}

void SnapshotShelf::collect(const QString& folder, const QByteArray& serial, QList<Entry>& entries) {
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files)) {
        const auto entry = readEntry(dir.filePath(name));
        if (entry && entry->snapshot.serialBytes() == serial) {
            entries.append(*entry);
        }
    }
}

void SnapshotShelf::sortNewestFirst(QList<Entry>& entries) {
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.takenAt != b.takenAt ? a.takenAt > b.takenAt : a.path > b.path;
    });
}

// Drops this adapter's oldest files beyond the limit, counting the one just written, which stays
// whatever time it records (a clock once set ahead gave others later times).
void SnapshotShelf::dropOldest(const QByteArray& serial, const QString& justWritten) const {
    QList<Entry> entries;
    collect(folderFor(serial), serial, entries);
    sortNewestFirst(entries);
    int kept = 1;
    for (const Entry& entry : entries) {
        if (entry.path == justWritten) {
            continue;
        }
        if (kept < kept_) {
            ++kept;
        } else {
            QFile::remove(entry.path);
        }
    }
}

std::optional<QString> SnapshotShelf::write(const AdapterSnapshot& snapshot, QString* error) const {
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
    // Two files within one millisecond still get names of their own.
    while (QFile::exists(pathAt(takenAt))) {
        takenAt = takenAt.addMSecs(1);
    }
    const QString path = pathAt(takenAt);
    QJsonObject json = snapshot.toJson();
    json.insert(QStringLiteral("takenAt"), takenAt.toString(Qt::ISODateWithMs));
    const auto readsBack = [&snapshot](const QString& written) {
        const auto back = readEntry(written);
        return back && back->snapshot.holdsSameValues(snapshot);
    };
    if (!CheckedFileWrite::write(path, QJsonDocument(json).toJson(), readsBack, error)) {
        return std::nullopt;
    }
    dropOldest(serial, path);
    return path;
}

QList<SnapshotShelf::Entry> SnapshotShelf::list(const QByteArray& serial) const {
    QList<Entry> entries;
    collect(folderFor(serial), serial, entries);
    sortNewestFirst(entries);
    return entries;
}
