#pragma once

#include <QHashFunctions>
#include <QJsonObject>
#include <QString>
#include <optional>

// One lens of the catalog, as it stands in the catalog file. Every field is text, numbers too, so
// the file keeps a lens's focal length and aperture the way its maker writes them.
struct LensCatalogRecord {
    QString mount;        // carried along, never filtered or shown
    QString category;     // mount family from LensCatalog::categoryOrder(); filtering and ranking use it
    QString officialName; // maker word first, then the model; shown, matched and applied as the name
    QString focalLength;  // such as '50' or '50mm'
    QString maxAperture;  // such as '1.4', 'f/1.4' or '1:1.4'
    // The name as the adapter stores it, for a full name longer than the adapter's 40 bytes; empty
    // when the full name fits. Optional in the file.
    QString shortName;

    // What a pick writes into the lens-model field: the short name when there is one.
    QString adapterName() const { return shortName.isEmpty() ? officialName : shortName; }

    // The maker: the first space-separated word of the name, or the whole name when it has none.
    QString brand() const;

    // Whether the typed query finds this lens by its name.
    bool matches(const QString& query) const;

    // The five keys must be present and hold strings, and "shortName", when present, a string too;
    // other keys are ignored.
    static std::optional<LensCatalogRecord> fromJson(const QJsonObject& object);
    QJsonObject toJson() const;

    friend bool operator==(const LensCatalogRecord&, const LensCatalogRecord&) = default;
};

size_t qHash(const LensCatalogRecord& record, size_t seed = 0);
