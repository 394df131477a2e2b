#include "LensKit.h"

#include "LibraryJsonReader.h"
#include "LibraryLens.h"
#include "ProfileValues.h"

#include <QJsonArray>

QJsonObject LensKit::toJson() const {
    QJsonArray slotNames;
    for (const QString& lens : lenses) {
        slotNames.append(lens.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(lens));
    }
    return {{"name", name},
            {"lenses", slotNames},
            {"defaultLens", ProfileValues::profileLetter(defaultLens)},
            {"addedAt", LibraryJsonReader::timeText(addedAt)}};
}

std::optional<LensKit> LensKit::fromJson(const QJsonValue& value, const QString& path,
                                         LibraryJsonReader& reader) {
    QJsonObject json;
    if (!reader.object(value, path, {"name", "lenses", "defaultLens", "addedAt"}, {}, &json)) {
        return std::nullopt;
    }
    LensKit kit;
    const QString at = path + u'.';
    if (!reader.text(json["name"], at + "name", 1, kMaximumNameBytes, &kit.name) ||
        !reader.letter(json["defaultLens"], at + "defaultLens", &kit.defaultLens) ||
        !reader.time(json["addedAt"], at + "addedAt", &kit.addedAt)) {
        return std::nullopt;
    }
    const QJsonArray slotNames = json["lenses"].toArray();
    if (!json["lenses"].isArray() || slotNames.size() != kAdapterProfileCount) {
        reader.fail(at + "lenses", "a list of four lens names (null keeps the adapter's profile)");
        return std::nullopt;
    }
    for (int i = 0; i < kAdapterProfileCount; ++i) {
        if (!slotNames[i].isNull() &&
            !reader.text(slotNames[i], QStringLiteral("%1lenses[%2]").arg(at).arg(i), 1,
                         LibraryLens::kMaximumNameBytes, &kit.lenses[size_t(i)])) {
            return std::nullopt;
        }
    }
    return kit;
}
