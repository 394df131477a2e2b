#include "LensCatalog.h"

#include "LensCatalogQuery.h"
#include "LensCatalogText.h"
#include "ResourceBundle.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cmath>

namespace {

// Numbers read from catalog text count as equal within this margin.
constexpr double kTolerance = 0.001;

bool sameNumber(const std::optional<double>& a, double b) {
    return a && std::abs(*a - b) < kTolerance;
}

const QHash<QString, QStringList>& groupedMounts() {
    static const QHash<QString, QStringList> groups{
        {QStringLiteral("Leica M"), {"Leica M", "Zeiss ZM", "Voigtlander VM", "Other M"}}};
    return groups;
}

QList<LensCatalogRecord> loadResource() {
    QFile file(ResourceBundle::pathForResource(QStringLiteral("LensCatalog"), QStringLiteral("json")));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return LensCatalog::decode(file.readAll()).value_or(QList<LensCatalogRecord>{});
}

QString formatFocalLength(double value) {
    if (std::trunc(value) == value) {
        return QString::number(value, 'f', 0);
    }
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

} // namespace

LensCatalog& LensCatalog::shared() {
    static LensCatalog catalog;
    return catalog;
}

LensCatalog::LensCatalog() : LensCatalog(loadResource()) {}

LensCatalog::LensCatalog(QList<LensCatalogRecord> records) : records_(std::move(records)) {
    facts_.reserve(records_.size());
    for (const LensCatalogRecord& record : records_) {
        const qsizetype rank = categoryOrder().indexOf(record.category);
        facts_.push_back({lensCatalogNumber(record.focalLength), lensCatalogNumber(record.maxAperture),
                          static_cast<int>(rank < 0 ? categoryOrder().size() : rank),
                          lensCatalogNormalized(record.officialName)});
    }
}

const QStringList& LensCatalog::mountOptions() {
    static const QStringList mounts{
        "Leica M",    "Leica R",   "Alpa 35",   "ARRI S/B", "Canon FD",      "Contax/Yashica",
        "EXA",        "Konica AR", "Leica L39", "M42",      "Minolta MD/MC", "Nikon F(Pre-AI/AI/AI-S)",
        "Olympus OM", "Other L39", "Pentax PK", "Zenit M39"};
    return mounts;
}

const QStringList& LensCatalog::categoryOrder() {
    static const QStringList order = [] {
        QStringList categories = mountOptions();
        categories.removeFirst();
        return groupedMounts().value(QStringLiteral("Leica M")) + categories;
    }();
    return order;
}

QStringList LensCatalog::categories(const QString& inMount) {
    return groupedMounts().value(inMount, QStringList{inMount});
}

std::optional<QList<LensCatalogRecord>> LensCatalog::decode(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return std::nullopt;
    }
    const QJsonArray elements = document.array();
    QList<LensCatalogRecord> records;
    records.reserve(elements.size());
    for (const QJsonValue& element : elements) {
        std::optional<LensCatalogRecord> record;
        if (element.isObject()) {
            record = LensCatalogRecord::fromJson(element.toObject());
        }
        if (!record) {
            return std::nullopt;
        }
        records << *record;
    }
    return records;
}

QList<qsizetype> LensCatalog::indicesInMount(const QString& mount) const {
    const QStringList wanted = mount.isEmpty() ? QStringList{} : categories(mount);
    QList<qsizetype> indices;
    for (qsizetype i = 0; i < records_.size(); ++i) {
        if (mount.isEmpty() || wanted.contains(records_[i].category)) {
            indices << i;
        }
    }
    return indices;
}

QList<LensCatalogRecord> LensCatalog::records(const QString& mount) const {
    QList<LensCatalogRecord> result;
    for (const qsizetype i : indicesInMount(mount)) {
        result << records_[i];
    }
    return result;
}

void LensCatalog::prepareCollationKeys(const QList<qsizetype>& indices) const {
    const QLocale locale;
    if (keysLocale_ != locale) {
        collator_ = QCollator(locale);
        collator_.setCaseSensitivity(Qt::CaseInsensitive);
        keys_.assign(records_.size(), std::nullopt);
        keysLocale_ = locale;
    }
    // In the C locale the collator's sort keys are plain code points that ignore the case
    // setting, so the texts are folded first.
    const bool foldFirst = locale == QLocale::c();
    const auto key = [&](const QString& text) {
        return collator_.sortKey(foldFirst ? text.toCaseFolded() : text);
    };
    for (const qsizetype i : indices) {
        if (!keys_[i]) {
            keys_[i] = CollationKeys{key(records_[i].brand()), key(records_[i].officialName)};
        }
    }
}

QList<LensCatalogRecord> LensCatalog::matchingRecords(const QString& mount, const QString& focalLengthText,
                                                      const std::optional<QString>& maximumApertureText,
                                                      const std::optional<QString>& query) const {
    const std::optional<double> focalLength = lensCatalogNumber(focalLengthText);
    if (!focalLength) {
        return {};
    }
    QList<qsizetype> candidates;
    for (const qsizetype i : indicesInMount(mount)) {
        if (sameNumber(facts_[i].focalLength, *focalLength)) {
            candidates << i;
        }
    }

    if (query) {
        const LensCatalogQuery typed(*query);
        if (!typed.isEmpty()) {
            QList<qsizetype> matching;
            for (const qsizetype i : candidates) {
                if (typed.matchesNormalizedName(facts_[i].normalizedName)) {
                    matching << i;
                }
            }
            // A query that finds nothing must not empty the list under the user's fingers.
            if (!matching.isEmpty()) {
                candidates = std::move(matching);
            }
        }
    }

    const std::optional<double> aperture =
        maximumApertureText ? lensCatalogNumber(*maximumApertureText) : std::nullopt;
    const auto apertureMisses = [&](qsizetype i) {
        return aperture && !sameNumber(facts_[i].maxAperture, *aperture);
    };
    prepareCollationKeys(candidates);
    std::stable_sort(candidates.begin(), candidates.end(), [&](qsizetype a, qsizetype b) {
        if (apertureMisses(a) != apertureMisses(b)) {
            return apertureMisses(b);
        }
        if (facts_[a].categoryRank != facts_[b].categoryRank) {
            return facts_[a].categoryRank < facts_[b].categoryRank;
        }
        if (const int order = keys_[a]->brand.compare(keys_[b]->brand)) {
            return order < 0;
        }
        return keys_[a]->officialName.compare(keys_[b]->officialName) < 0;
    });

    QList<LensCatalogRecord> ranked;
    ranked.reserve(candidates.size());
    for (const qsizetype i : candidates) {
        ranked << records_[i];
    }
    return ranked;
}

QStringList LensCatalog::focalLengthOptions(const QString& mount) const {
    QList<qsizetype> indices = indicesInMount(mount);
    if (indices.isEmpty()) {
        indices = indicesInMount(QString());
    }
    QList<double> values;
    for (const qsizetype i : indices) {
        if (facts_[i].focalLength) {
            values << *facts_[i].focalLength;
        }
    }
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    QStringList options;
    for (const double value : values) {
        options << formatFocalLength(value);
    }
    return options;
}
