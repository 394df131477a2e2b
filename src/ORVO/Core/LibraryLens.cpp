#include "LibraryLens.h"

#include "LensCatalog.h"
#include "LibraryJsonReader.h"
#include "ProfileValues.h"

#include <QJsonArray>

namespace {

bool readApertures(const QJsonValue& value, const QString& path, LibraryJsonReader& reader,
                   ApertureBytes& apertures) {
    const QJsonArray list = value.toArray();
    if (!value.isArray() || list.size() != kAperturesPerProfile) {
        return reader.fail(path, QStringLiteral("a list of four F texts such as \"F2.8\""));
    }
    for (int k = 0; k < kAperturesPerProfile; ++k) {
        // The file holds each stop as the list writes it, so an exact match is all it takes.
        const qsizetype index = ProfileValues::apertureTexts().indexOf(list[k].toString());
        if (!list[k].isString() || index < 0) {
            return reader.fail(QStringLiteral("%1[%2]").arg(path).arg(k),
                               QStringLiteral("one of ") + ProfileValues::apertureTexts().join(", "));
        }
        apertures[size_t(k)] = uint8_t(index);
    }
    return true;
}

bool readMount(const QJsonValue& value, const QString& path, LibraryJsonReader& reader, QString& mount) {
    if (!value.isString() || !LensCatalog::mountOptions().contains(value.toString())) {
        return reader.fail(path, QStringLiteral("one of ") + LensCatalog::mountOptions().join(", "));
    }
    mount = value.toString();
    return true;
}

} // namespace

QJsonObject LibraryLens::toJson() const {
    QJsonArray apertureList;
    for (const uint8_t a : apertures) {
        apertureList.append(ProfileValues::apertureText(a).value_or(QString()));
    }
    QJsonObject json{{"name", name},
                     {"focalLength", focalLength},
                     {"apertures", apertureList},
                     {"addedAt", LibraryJsonReader::timeText(addedAt)}};
    const auto insertIfAny = [&json](const char* key, const QString& text) {
        if (!text.isEmpty()) {
            json.insert(QLatin1String(key), text);
        }
    };
    insertIfAny("mount", mount);
    insertIfAny("note", note);
    insertIfAny("catalogName", catalogName);
    if (lastUsedAt.isValid()) {
        json.insert(QStringLiteral("lastUsedAt"), LibraryJsonReader::timeText(lastUsedAt));
    }
    return json;
}

std::optional<LibraryLens> LibraryLens::fromJson(const QJsonValue& value, const QString& path,
                                                 LibraryJsonReader& reader) {
    QJsonObject json;
    if (!reader.object(value, path, {"name", "focalLength", "apertures", "addedAt"},
                       {"mount", "note", "catalogName", "lastUsedAt"}, &json)) {
        return std::nullopt;
    }
    LibraryLens lens;
    int focal = 0;
    const QString at = path + u'.';
    const bool read =
        reader.text(json["name"], at + "name", 1, kMaximumNameBytes, &lens.name) &&
        reader.wholeNumber(json["focalLength"], at + "focalLength", 0, ProfileValues::kMaximumFocalLength,
                           &focal) &&
        readApertures(json["apertures"], at + "apertures", reader, lens.apertures) &&
        reader.time(json["addedAt"], at + "addedAt", &lens.addedAt) &&
        (!json.contains("mount") || readMount(json["mount"], at + "mount", reader, lens.mount)) &&
        (!json.contains("note") ||
         reader.text(json["note"], at + "note", 0, kMaximumNoteBytes, &lens.note, true)) &&
        (!json.contains("catalogName") || reader.text(json["catalogName"], at + "catalogName", 1,
                                                      kMaximumCatalogNameBytes, &lens.catalogName)) &&
        (!json.contains("lastUsedAt") ||
         reader.time(json["lastUsedAt"], at + "lastUsedAt", &lens.lastUsedAt));
    lens.focalLength = uint16_t(focal);
    return read ? std::optional(lens) : std::nullopt;
}

std::optional<LibraryLens> LibraryLens::fromProfile(const L2PC03_TD& profile, QString* error) {
    LibraryLens lens;
    lens.name = profile.getLensNameString();
    lens.focalLength = profile.WideFlocalLength;
    lens.apertures = profile.ApretureValue;
    lens.addedAt = QDateTime::currentDateTimeUtc();
    // What the adapter holds passes the same checks as a file: a name that is no UTF-8 or holds
    // control characters, or an aperture byte beyond the list, cannot go into the library.
    LibraryJsonReader reader(error);
    return fromJson(lens.toJson(), QStringLiteral("profile ") + ProfileValues::profileLetter(profile.lensSeq),
                    reader);
}

void LibraryLens::applyTo(L2PC03_TD& profile) const {
    // The window writes one focal length to both ends of the range; a lens does the same.
    if (profile.WideFlocalLength != focalLength) {
        profile.TeleFlocalLength = focalLength;
    }
    profile.WideFlocalLength = focalLength;
    profile.ApretureValue = apertures;
    fillZeroPaddedText(profile.LensNameString.data(), profile.LensNameString.size(), name);
    profile.calculateChecksum();
}

bool LibraryLens::holdsSameProfile(const LibraryLens& other) const {
    return name == other.name && focalLength == other.focalLength && apertures == other.apertures;
}
