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
    return record;
}

QJsonObject LensCatalogRecord::toJson() const {
    return {{kMount, mount},
            {kCategory, category},
            {kOfficialName, officialName},
            {kFocalLength, focalLength},
            {kMaxAperture, maxAperture}};
}

size_t qHash(const LensCatalogRecord& record, size_t seed) {
    return qHashMulti(seed, record.mount, record.category, record.officialName, record.focalLength,
                      record.maxAperture);
}
