#pragma once

#include "LensCatalogRecord.h"

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QStringList>
#include <optional>
#include <vector>

// The read-only list of known manual-focus lenses behind the profile editor's suggestions. Loaded
// once from the "LensCatalog.json" resource; a missing or malformed file gives an empty catalog
// and no message. Main thread only.
class LensCatalog {
public:
    static LensCatalog& shared();

    // Loads the "LensCatalog" "json" resource.
    LensCatalog();
    explicit LensCatalog(QList<LensCatalogRecord> records);
    LensCatalog(const LensCatalog&) = delete;
    LensCatalog& operator=(const LensCatalog&) = delete;

    // The mounts the user can pick, in menu order.
    static const QStringList& mountOptions();
    // Ranking order of the categories: the mounts, with the rest of the Leica M family after "Leica M".
    static const QStringList& categoryOrder();
    // The categories a mount stands for: "Leica M" covers its whole family, any other mount itself.
    static QStringList categories(const QString& inMount);

    // The records of a catalog file, or nothing when any element is not an object whose five keys
    // all hold strings. One bad element rejects the whole file.
    static std::optional<QList<LensCatalogRecord>> decode(const QByteArray& json);

    // All records in file order.
    const QList<LensCatalogRecord>& records() const { return records_; }
    // The records of a mount in file order; the empty mount means all of them.
    QList<LensCatalogRecord> records(const QString& mount) const;

    // The lenses of a mount with the focal length the text stands for, ranked: lenses of the given
    // maximum aperture first, then by category order, maker and name. A query narrows the list
    // unless it would leave nothing. An unreadable focal length gives an empty list.
    QList<LensCatalogRecord> matchingRecords(const QString& mount, const QString& focalLengthText,
                                             const std::optional<QString>& maximumApertureText = std::nullopt,
                                             const std::optional<QString>& query = std::nullopt) const;

    // The same list with each name once, the best-ranked record of a name standing for it: what
    // the suggestion list shows, where a lens sold for two mounts must not appear twice.
    QList<LensCatalogRecord> suggestions(const QString& mount, const QString& focalLengthText,
                                         const std::optional<QString>& maximumApertureText = std::nullopt,
                                         const std::optional<QString>& query = std::nullopt) const;

    // The distinct focal lengths of a mount, ascending, as '50' or '28.5'; those of the whole
    // catalog when the mount has no lenses.
    QStringList focalLengthOptions(const QString& mount) const;

private:
    // What every query needs of a record, read once when the catalog is built.
    struct RecordFacts {
        std::optional<double> focalLength;
        std::optional<double> maxAperture;
        int categoryRank = 0;
        int categoryId = 0;   // the category's place among the distinct categories of the file
        qsizetype nameId = 0; // the first record with the same name
        QString normalizedName;
    };

    QList<qsizetype> indicesInMount(const QString& mount) const;
    std::vector<bool> categoryIdsOf(const QString& mount) const;
    // The lenses of a mount and focal length in ranking order.
    QList<qsizetype> candidatesFor(const QString& mount, double focalLength) const;
    QList<qsizetype> rankedIndices(const QString& mount, const QString& focalLengthText,
                                   const std::optional<QString>& maximumApertureText,
                                   const std::optional<QString>& query) const;
    // Makes the ranking order for the current locale; true when it had to be made anew.
    bool prepareRanking() const;

    QList<LensCatalogRecord> records_;
    std::vector<RecordFacts> facts_;
    QStringList categoryNames_; // by category id
    // (focal length, record) ascending, so the lenses of one focal length are found by bisection
    // rather than by a pass over the whole catalog: typing must stay fast at any catalog size.
    std::vector<std::pair<double, qsizetype>> byFocalLength_;
    // Each record's place in the order of category, maker and name under the current locale,
    // made the first time a list is ranked; a change of locale makes it again.
    mutable std::optional<QLocale> rankingLocale_;
    mutable std::vector<qsizetype> rankPosition_;
    // The lenses of the last mount and focal length asked for, and what the last query found among
    // them. Typing on at the query's end can only narrow that, so the next keystroke searches those
    // lenses alone.
    struct QueryMemo {
        QString mount;
        double focalLength = 0;
        QList<qsizetype> candidates;
        std::optional<QString> query;
        QList<qsizetype> matching;
    };
    mutable QueryMemo memo_;
};
