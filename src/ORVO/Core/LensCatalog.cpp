#include "LensCatalog.h"

#include "LensCatalogQuery.h"
#include "LensCatalogText.h"
#include "ResourceBundle.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cmath>
#include <numeric>

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
    QHash<QString, int> categoryIds;
    QHash<QString, qsizetype> firstWithName;
    for (qsizetype i = 0; i < records_.size(); ++i) {
        const LensCatalogRecord& record = records_[i];
        const qsizetype rank = categoryOrder().indexOf(record.category);
        if (!categoryIds.contains(record.category)) {
            categoryIds.insert(record.category, static_cast<int>(categoryNames_.size()));
            categoryNames_ << record.category;
        }
        facts_.push_back({lensCatalogNumber(record.focalLength), lensCatalogNumber(record.maxAperture),
                          static_cast<int>(rank < 0 ? categoryOrder().size() : rank),
                          categoryIds.value(record.category), firstWithName.value(record.officialName, i),
                          lensCatalogNormalized(record.officialName)});
        firstWithName.insert(record.officialName, facts_.back().nameId);
        if (facts_.back().focalLength) {
            byFocalLength_.emplace_back(*facts_.back().focalLength, i);
        }
    }
    std::sort(byFocalLength_.begin(), byFocalLength_.end());
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
    for (const QJsonValue element : elements) {
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
    const std::vector<bool> wanted = categoryIdsOf(mount);
    QList<qsizetype> indices;
    for (qsizetype i = 0; i < records_.size(); ++i) {
        if (wanted[facts_[i].categoryId]) {
            indices << i;
        }
    }
    return indices;
}

// Which of the file's categories a mount stands for; every one for the empty mount.
std::vector<bool> LensCatalog::categoryIdsOf(const QString& mount) const {
    std::vector<bool> wanted(categoryNames_.size(), mount.isEmpty());
    if (!mount.isEmpty()) {
        for (const QString& category : categories(mount)) {
            if (const qsizetype id = categoryNames_.indexOf(category); id >= 0) {
                wanted[id] = true;
            }
        }
    }
    return wanted;
}

QList<LensCatalogRecord> LensCatalog::records(const QString& mount) const {
    QList<LensCatalogRecord> result;
    for (const qsizetype i : indicesInMount(mount)) {
        result << records_[i];
    }
    return result;
}

bool LensCatalog::prepareRanking() const {
    const QLocale locale;
    if (rankingLocale_ == locale) {
        return false;
    }
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // In the C locale the collator's sort keys are plain code points that ignore the case
    // setting, so the texts are folded first.
    const bool foldFirst = locale == QLocale::c();
    const auto key = [&](const QString& text) {
        return collator.sortKey(foldFirst ? text.toCaseFolded() : text);
    };
    std::vector<QCollatorSortKey> brands;
    std::vector<QCollatorSortKey> names;
    brands.reserve(records_.size());
    names.reserve(records_.size());
    for (const LensCatalogRecord& record : records_) {
        brands.push_back(key(record.brand()));
        names.push_back(key(record.officialName));
    }
    std::vector<qsizetype> order(records_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        if (facts_[a].categoryRank != facts_[b].categoryRank) {
            return facts_[a].categoryRank < facts_[b].categoryRank;
        }
        if (const int byBrand = brands[a].compare(brands[b])) {
            return byBrand < 0;
        }
        return names[a].compare(names[b]) < 0;
    });
    rankPosition_.assign(records_.size(), 0);
    for (size_t position = 0; position < order.size(); ++position) {
        rankPosition_[order[position]] = static_cast<qsizetype>(position);
    }
    rankingLocale_ = locale;
    return true;
}

QList<qsizetype> LensCatalog::candidatesFor(const QString& mount, double focalLength) const {
    const std::vector<bool> wanted = categoryIdsOf(mount);
    QList<qsizetype> candidates;
    const auto first = std::lower_bound(byFocalLength_.begin(), byFocalLength_.end(),
                                        std::pair(focalLength - kTolerance, qsizetype(-1)));
    for (auto it = first; it != byFocalLength_.end() && it->first < focalLength + kTolerance; ++it) {
        if (sameNumber(it->first, focalLength) && wanted[facts_[it->second].categoryId]) {
            candidates << it->second;
        }
    }
    std::sort(candidates.begin(), candidates.end(),
              [this](qsizetype a, qsizetype b) { return rankPosition_[a] < rankPosition_[b]; });
    return candidates;
}

QList<qsizetype> LensCatalog::rankedIndices(const QString& mount, const QString& focalLengthText,
                                            const std::optional<QString>& maximumApertureText,
                                            const std::optional<QString>& query) const {
    const std::optional<double> focalLength = lensCatalogNumber(focalLengthText);
    if (!focalLength) {
        return {};
    }
    const bool reranked = prepareRanking();
    if (reranked || memo_.candidates.isEmpty() || memo_.mount != mount || memo_.focalLength != *focalLength) {
        memo_ = QueryMemo{mount, *focalLength, candidatesFor(mount, *focalLength), std::nullopt, {}};
    }
    QList<qsizetype> candidates = memo_.candidates;
    if (query) {
        const LensCatalogQuery typed(*query);
        if (!typed.isEmpty()) {
            const bool narrowing = memo_.query && query->startsWith(*memo_.query);
            QList<qsizetype> matching;
            for (const qsizetype i : narrowing ? memo_.matching : candidates) {
                if (typed.matchesNormalizedName(facts_[i].normalizedName)) {
                    matching << i;
                }
            }
            memo_.query = *query;
            memo_.matching = matching;
            // A query that finds nothing must not empty the list under the user's fingers.
            if (!matching.isEmpty()) {
                candidates = std::move(matching);
            }
        }
    }

    // The candidates are in ranking order already; lenses of the wanted aperture go to the front.
    const std::optional<double> aperture =
        maximumApertureText ? lensCatalogNumber(*maximumApertureText) : std::nullopt;
    if (aperture) {
        std::stable_partition(candidates.begin(), candidates.end(),
                              [&](qsizetype i) { return sameNumber(facts_[i].maxAperture, *aperture); });
    }
    return candidates;
}

QList<LensCatalogRecord> LensCatalog::matchingRecords(const QString& mount, const QString& focalLengthText,
                                                      const std::optional<QString>& maximumApertureText,
                                                      const std::optional<QString>& query) const {
    QList<LensCatalogRecord> ranked;
    for (const qsizetype i : rankedIndices(mount, focalLengthText, maximumApertureText, query)) {
        ranked << records_[i];
    }
    return ranked;
}

QList<LensCatalogRecord> LensCatalog::suggestions(const QString& mount, const QString& focalLengthText,
                                                  const std::optional<QString>& maximumApertureText,
                                                  const std::optional<QString>& query) const {
    const QList<qsizetype> ranked = rankedIndices(mount, focalLengthText, maximumApertureText, query);
    std::vector<bool> named(records_.size(), false);
    QList<LensCatalogRecord> distinct;
    distinct.reserve(ranked.size());
    for (const qsizetype i : ranked) {
        if (!named[facts_[i].nameId]) {
            named[facts_[i].nameId] = true;
            distinct << records_[i];
        }
    }
    return distinct;
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
