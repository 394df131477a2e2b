#include "LensLibraryData.h"

#include "LibraryJsonReader.h"
#include "ProfileValues.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <functional>

namespace {

// text cut at a whole character so that it takes at most bytes as UTF-8.
QString cutToBytes(QString text, qsizetype bytes) {
    while (text.toUtf8().size() > bytes) {
        text.chop(text.size() > 1 && text.back().isLowSurrogate() ? 2 : 1);
    }
    return text;
}

// "Name (2)", "Name (3)", ... the first that taken() refuses, within maxBytes.
QString keptBothName(const QString& name, int maxBytes, const std::function<bool(const QString&)>& taken) {
    for (int n = 2;; ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        QString candidate = cutToBytes(name, maxBytes - suffix.toUtf8().size()) + suffix;
        if (!taken(candidate)) {
            return candidate;
        }
    }
}

// The lens or kit as the file would read it: the one set of checks for every way in.
template <typename Entry> bool isValid(const Entry& entry, const QString& what, QString* error) {
    LibraryJsonReader reader(error);
    return Entry::fromJson(entry.toJson(), what, reader).has_value();
}

bool fail(QString* error, const QString& message) {
    if (error) {
        *error = message;
    }
    return false;
}

template <typename Entry, typename Read>
bool readList(const QJsonValue& value, const QString& path, int maximum, LibraryJsonReader& reader,
              QList<Entry>& out, Read read) {
    const QJsonArray list = value.toArray();
    if (!value.isArray() || list.size() > maximum) {
        return reader.fail(
            path, QStringLiteral("a list of at most %1 entries%2")
                      .arg(maximum)
                      .arg(value.isArray() ? QStringLiteral(" (it has %1)").arg(list.size()) : QString()));
    }
    QSet<QString> names;
    names.reserve(list.size());
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString at = QStringLiteral("%1[%2]").arg(path).arg(i);
        auto entry = read(list[i], at, reader);
        if (!entry) {
            return false;
        }
        if (names.contains(entry->name)) {
            return reader.fail(at + ".name", QStringLiteral("a name no other entry of the list has"));
        }
        names.insert(entry->name);
        out.append(*entry);
    }
    return true;
}

bool readHeader(const QJsonObject& json, LibraryJsonReader& reader) {
    if (json.value("format").toString() != QLatin1String(LensLibraryData::kFormatName)) {
        return reader.fail("format", QStringLiteral("\"%1\"").arg(LensLibraryData::kFormatName));
    }
    const QJsonValue version = json.value("version");
    if (version.isDouble() && version.toDouble() > LensLibraryData::kFormatVersion) {
        return reader.fail("version", QStringLiteral("%1; this file is from a newer version of the program")
                                          .arg(LensLibraryData::kFormatVersion));
    }
    int read = 0;
    return reader.wholeNumber(version, "version", LensLibraryData::kFormatVersion,
                              LensLibraryData::kFormatVersion, &read);
}

bool kitsNameTheirLenses(const LensLibraryData& data, LibraryJsonReader& reader) {
    QSet<QString> names;
    names.reserve(data.lenses.size());
    for (const LibraryLens& lens : data.lenses) {
        names.insert(lens.name);
    }
    for (qsizetype k = 0; k < data.kits.size(); ++k) {
        for (size_t i = 0; i < data.kits[k].lenses.size(); ++i) {
            const QString& lens = data.kits[k].lenses[i];
            if (!lens.isEmpty() && !names.contains(lens)) {
                return reader.fail(QStringLiteral("kits[%1].lenses[%2]").arg(k).arg(i),
                                   QStringLiteral("the name of a lens in the file, or null"));
            }
        }
    }
    return true;
}

} // namespace

QByteArray LensLibraryData::toJson() const {
    QJsonArray lensList;
    for (const LibraryLens& lens : lenses) {
        lensList.append(lens.toJson());
    }
    QJsonArray kitList;
    for (const LensKit& kit : kits) {
        kitList.append(kit.toJson());
    }
    return QJsonDocument(QJsonObject{{"format", kFormatName},
                                     {"version", kFormatVersion},
                                     {"lenses", lensList},
                                     {"kits", kitList}})
        .toJson();
}

std::optional<LensLibraryData> LensLibraryData::fromJson(const QByteArray& bytes, QString* error) {
    LibraryJsonReader reader(error);
    if (bytes.size() > kLargestFile) {
        reader.fail("file", QStringLiteral("at most %1 MiB").arg(kLargestFile >> 20));
        return std::nullopt;
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        reader.fail(QStringLiteral("byte %1").arg(parseError.offset),
                    QStringLiteral("JSON (%1; is the file cut short?)").arg(parseError.errorString()));
        return std::nullopt;
    }
    if (!document.isObject()) {
        reader.fail("file", QStringLiteral("a JSON object with format, version, lenses and kits"));
        return std::nullopt;
    }
    // A newer file is named as such before any field it may have added is refused.
    QJsonObject json = document.object();
    LensLibraryData data;
    const bool read =
        readHeader(json, reader) &&
        reader.object(document.object(), QString(), {"format", "version", "lenses", "kits"}, {}, &json) &&
        readList(json["lenses"], "lenses", kMaximumLenses, reader, data.lenses, &LibraryLens::fromJson) &&
        readList(json["kits"], "kits", kMaximumKits, reader, data.kits, &LensKit::fromJson) &&
        kitsNameTheirLenses(data, reader);
    return read ? std::optional(data) : std::nullopt;
}

qsizetype LensLibraryData::lensIndex(const QString& name) const {
    const auto it =
        std::find_if(lenses.begin(), lenses.end(), [&](const LibraryLens& l) { return l.name == name; });
    return it == lenses.end() ? -1 : it - lenses.begin();
}

qsizetype LensLibraryData::kitIndex(const QString& name) const {
    const auto it = std::find_if(kits.begin(), kits.end(), [&](const LensKit& k) { return k.name == name; });
    return it == kits.end() ? -1 : it - kits.begin();
}

QStringList LensLibraryData::kitsUsing(const QString& lensName) const {
    QStringList names;
    for (const LensKit& kit : kits) {
        if (std::find(kit.lenses.begin(), kit.lenses.end(), lensName) != kit.lenses.end()) {
            names << kit.name;
        }
    }
    return names;
}

std::optional<QString> LensLibraryData::addLens(const LibraryLens& lens, NameConflict conflict,
                                                QString* error) {
    if (!isValid(lens, QStringLiteral("lens"), error)) {
        return std::nullopt;
    }
    const qsizetype same = lensIndex(lens.name);
    if (same < 0 && lenses.size() >= kMaximumLenses) {
        fail(error, QStringLiteral("the library holds %1 lenses, as many as it can").arg(kMaximumLenses));
        return std::nullopt;
    }
    if (same < 0 || (conflict == NameConflict::Refuse && lenses[same].holdsSameProfile(lens))) {
        if (same < 0) {
            lenses.append(lens);
        }
        return lens.name;
    }
    if (conflict == NameConflict::Refuse) {
        fail(error, QStringLiteral("a lens named \"%1\" is already in the library").arg(lens.name));
        return std::nullopt;
    }
    if (conflict == NameConflict::Replace) {
        lenses[same] = lens;
        return lens.name;
    }
    LibraryLens kept = lens;
    kept.name = keptBothName(lens.name, LibraryLens::kMaximumNameBytes,
                             [this](const QString& n) { return lensIndex(n) >= 0; });
    return addLens(kept, NameConflict::Refuse, error);
}

std::optional<QString> LensLibraryData::addKit(const LensKit& kit, NameConflict conflict, QString* error) {
    if (!isValid(kit, QStringLiteral("kit"), error)) {
        return std::nullopt;
    }
    for (const QString& lens : kit.lenses) {
        if (!lens.isEmpty() && lensIndex(lens) < 0) {
            fail(error, QStringLiteral("the kit names \"%1\", which is not in the library").arg(lens));
            return std::nullopt;
        }
    }
    const qsizetype same = kitIndex(kit.name);
    const bool alike =
        same >= 0 && kits[same].lenses == kit.lenses && kits[same].defaultLens == kit.defaultLens;
    if (same >= 0 && conflict == NameConflict::Refuse && !alike) {
        fail(error, QStringLiteral("a kit named \"%1\" is already in the library").arg(kit.name));
        return std::nullopt;
    }
    if (same < 0 && kits.size() >= kMaximumKits) {
        fail(error, QStringLiteral("the library holds %1 kits, as many as it can").arg(kMaximumKits));
        return std::nullopt;
    }
    LensKit added = kit;
    if (same >= 0 && conflict == NameConflict::KeepBoth) {
        added.name = keptBothName(kit.name, LensKit::kMaximumNameBytes,
                                  [this](const QString& n) { return kitIndex(n) >= 0; });
    } else if (same >= 0) {
        kits[same] = conflict == NameConflict::Replace ? kit : kits[same];
        return kit.name;
    }
    kits.append(added);
    return added.name;
}

bool LensLibraryData::renameLens(const QString& from, const QString& to, QString* error) {
    const qsizetype index = lensIndex(from);
    if (index < 0) {
        return fail(error, QStringLiteral("no lens named \"%1\"").arg(from));
    }
    LibraryLens renamed = lenses[index];
    renamed.name = to;
    if (!isValid(renamed, QStringLiteral("lens"), error)) {
        return false;
    }
    if (from != to && lensIndex(to) >= 0) {
        return fail(error, QStringLiteral("a lens named \"%1\" is already in the library").arg(to));
    }
    lenses[index] = renamed;
    for (LensKit& kit : kits) {
        std::replace(kit.lenses.begin(), kit.lenses.end(), from, to);
    }
    return true;
}

bool LensLibraryData::renameKit(const QString& from, const QString& to, QString* error) {
    const qsizetype index = kitIndex(from);
    if (index < 0) {
        return fail(error, QStringLiteral("no kit named \"%1\"").arg(from));
    }
    LensKit renamed = kits[index];
    renamed.name = to;
    if (!isValid(renamed, QStringLiteral("kit"), error)) {
        return false;
    }
    if (from != to && kitIndex(to) >= 0) {
        return fail(error, QStringLiteral("a kit named \"%1\" is already in the library").arg(to));
    }
    kits[index] = renamed;
    return true;
}

bool LensLibraryData::removeLens(const QString& name, QString* error) {
    const qsizetype index = lensIndex(name);
    if (index < 0) {
        return fail(error, QStringLiteral("no lens named \"%1\"").arg(name));
    }
    const QStringList users = kitsUsing(name);
    if (!users.isEmpty()) {
        return fail(error, QStringLiteral("\"%1\" is in the kits %2").arg(name, users.join(", ")));
    }
    lenses.removeAt(index);
    return true;
}

bool LensLibraryData::removeKit(const QString& name, QString* error) {
    const qsizetype index = kitIndex(name);
    if (index < 0) {
        return fail(error, QStringLiteral("no kit named \"%1\"").arg(name));
    }
    kits.removeAt(index);
    return true;
}

std::optional<QString> LensLibraryData::addKitOf(const QString& name, const AdapterSnapshot& values,
                                                 NameConflict conflict, QString* error) {
    LensKit kit;
    kit.name = name;
    kit.defaultLens =
        values.settings.DefaultCustomLens < kAdapterProfileCount ? values.settings.DefaultCustomLens : 0;
    kit.addedAt = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < kAdapterProfileCount; ++i) {
        const auto lens = LibraryLens::fromProfile(values.profiles[size_t(i)], error);
        if (!lens) {
            return std::nullopt;
        }
        QString alike;
        auto kept = addLens(*lens, NameConflict::Refuse, &alike);
        kept = kept ? kept : addLens(*lens, NameConflict::KeepBoth, error);
        if (!kept) {
            return std::nullopt;
        }
        kit.lenses[size_t(i)] = *kept;
    }
    return addKit(kit, conflict, error);
}

bool LensLibraryData::merge(const LensLibraryData& shared, NameConflict conflict, QString* error) {
    QHash<QString, QString> keptAs;
    for (const LibraryLens& lens : shared.lenses) {
        const auto name = addLens(lens, conflict, error);
        if (!name) {
            return false;
        }
        keptAs.insert(lens.name, *name);
    }
    for (LensKit kit : shared.kits) {
        for (QString& lens : kit.lenses) {
            lens = keptAs.value(lens, lens);
        }
        if (!addKit(kit, conflict, error)) {
            return false;
        }
    }
    return true;
}

LensLibraryData LensLibraryData::lensEntry(const QString& name) const {
    LensLibraryData entry;
    if (const qsizetype index = lensIndex(name); index >= 0) {
        entry.lenses.append(lenses[index]);
    }
    return entry;
}

LensLibraryData LensLibraryData::kitEntry(const QString& name) const {
    LensLibraryData entry;
    const qsizetype index = kitIndex(name);
    if (index < 0) {
        return entry;
    }
    entry.kits.append(kits[index]);
    for (const QString& lens : kits[index].lenses) {
        if (!lens.isEmpty() && entry.lensIndex(lens) < 0) {
            entry.lenses.append(lenses[lensIndex(lens)]);
        }
    }
    return entry;
}

QList<qsizetype> LensLibraryData::search(const QString& query) const {
    const QStringList words = query.split(u' ', Qt::SkipEmptyParts);
    QList<std::optional<uint16_t>> focalLengths;
    for (const QString& word : words) {
        static const QRegularExpression focal(QStringLiteral("^\\d+(mm)?$"),
                                              QRegularExpression::CaseInsensitiveOption);
        focalLengths << (focal.match(word).hasMatch() ? ProfileValues::focalLengthToWrite(word)
                                                      : std::nullopt);
    }
    QList<qsizetype> found;
    for (qsizetype i = 0; i < lenses.size(); ++i) {
        const LibraryLens& lens = lenses[i];
        bool all = true;
        for (qsizetype w = 0; all && w < words.size(); ++w) {
            const QString& word = words[w];
            all = focalLengths[w] == lens.focalLength || lens.name.contains(word, Qt::CaseInsensitive) ||
                  lens.mount.contains(word, Qt::CaseInsensitive) ||
                  lens.note.contains(word, Qt::CaseInsensitive) ||
                  lens.catalogName.contains(word, Qt::CaseInsensitive);
        }
        if (all) {
            found << i;
        }
    }
    return found;
}

std::optional<AdapterSnapshot>
LensLibraryData::kitTarget(const QString& kitName, const AdapterSnapshot& adapter, QString* error) const {
    const qsizetype index = kitIndex(kitName);
    if (index < 0) {
        fail(error, QStringLiteral("no kit named \"%1\"").arg(kitName));
        return std::nullopt;
    }
    const LensKit& kit = kits[index];
    AdapterSnapshot target = adapter;
    for (int i = 0; i < kAdapterProfileCount; ++i) {
        // A kit names only lenses that are there: every edit keeps it so.
        if (!kit.lenses[size_t(i)].isEmpty()) {
            lenses[lensIndex(kit.lenses[size_t(i)])].applyTo(target.profiles[size_t(i)]);
        }
    }
    target.settings.DefaultCustomLens = uint8_t(kit.defaultLens);
    target.settings.calculateChecksum();
    return target;
}

void LensLibraryData::markKitUsed(const QString& kitName, const QDateTime& when) {
    const qsizetype index = kitIndex(kitName);
    for (const QString& lens : index < 0 ? std::array<QString, kAdapterProfileCount>{} : kits[index].lenses) {
        if (const qsizetype l = lensIndex(lens); l >= 0) {
            lenses[l].lastUsedAt = when;
        }
    }
}
