#include "LensCatalogRecord.h"

#include "LensCatalogQuery.h"
#include "LensCatalogText.h"

#include <QJsonValue>

namespace {
const QString kMount = QStringLiteral("mount");
const QString kCategory = QStringLiteral("category");
const QString kOfficialName = QStringLiteral("officialName");
const QString kFocalLength = QStringLiteral("focalLength");
const QString kMaxAperture = QStringLiteral("maxAperture");
const QString kShortName = QStringLiteral("shortName");
} // namespace

QString LensCatalogRecord::brand() const {
    const QString first = officialName.section(u' ', 0, 0, QString::SectionSkipEmpty);
    return first.isEmpty() ? officialName : first;
}

bool LensCatalogRecord::matches(const QString& query) const {
    return LensCatalogQuery(query).matchesNormalizedName(lensCatalogNormalized(officialName));
}

std::optional<LensCatalogRecord> LensCatalogRecord::fromJson(const QJsonObject& object) {
    LensCatalogRecord record;
    const std::pair<const QString&, QString&> fields[] = {{kMount, record.mount},
                                                          {kCategory, record.category},
                                                          {kOfficialName, record.officialName},
                                                          {kFocalLength, record.focalLength},
                                                          {kMaxAperture, record.maxAperture}};
    for (const auto& [key, field] : fields) {
        const QJsonValue value = object.value(key);
        if (!value.isString()) {
            return std::nullopt;
        }
        field = value.toString();
    }
    const QJsonValue shortName = object.value(kShortName);
    if (!shortName.isUndefined() && !shortName.isString()) {
        return std::nullopt;
    }
    record.shortName = shortName.toString();
    return record;
}

QJsonObject LensCatalogRecord::toJson() const {
    QJsonObject object{{kMount, mount},
                       {kCategory, category},
                       {kOfficialName, officialName},
                       {kFocalLength, focalLength},
                       {kMaxAperture, maxAperture}};
    if (!shortName.isEmpty()) {
        object.insert(kShortName, shortName);
    }
    return object;
}

size_t qHash(const LensCatalogRecord& record, size_t seed) {
    return qHashMulti(seed, record.mount, record.category, record.officialName, record.focalLength,
                      record.maxAperture, record.shortName);
}
