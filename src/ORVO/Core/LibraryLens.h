#pragma once

#include "DataStructures.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>

class LibraryJsonReader;

// One lens of the user's library: what a profile holds (focal length, four apertures of the list, a
// name the adapter can store) and what helps find it again (mount, note, the catalog record it was
// picked from, when it was added and last used). Its JSON form:
//
//   {"name": "Planar 50", "focalLength": 50, "apertures": ["F1.4", "F2.0", "F2.8", "F4.0"],
//    "mount": "Contax/Yashica", "note": "...", "catalogName": "Carl Zeiss Planar T* 50mm f/1.4",
//    "addedAt": "2026-12-07T14:30:00.000Z", "lastUsedAt": "..."}
//
// mount, note, catalogName and lastUsedAt are optional.
struct LibraryLens {
    static constexpr int kMaximumNameBytes = int(std::tuple_size_v<LensNameBytes>);
    static constexpr int kMaximumNoteBytes = 2000;
    static constexpr int kMaximumCatalogNameBytes = 200;

    QString name;
    uint16_t focalLength = 50;
    ApertureBytes apertures{};
    QString mount;       // one of LensCatalog::mountOptions(), or empty
    QString note;        // may hold line breaks
    QString catalogName; // the catalog record's officialName, or empty
    QDateTime addedAt;
    QDateTime lastUsedAt; // invalid until a kit with it is loaded

    QJsonObject toJson() const;
    // Reads the JSON form at path (such as "lenses[3]"); nothing when a field is bad.
    static std::optional<LibraryLens> fromJson(const QJsonValue& value, const QString& path,
                                               LibraryJsonReader& reader);

    // The lens a profile holds, added now; nothing (and error, "profile B.name: ...") when it holds
    // an aperture byte beyond the list or a name that is empty, no UTF-8 or has control characters.
    static std::optional<LibraryLens> fromProfile(const L2PC03_TD& profile, QString* error);
    // Puts focal length, apertures and name into profile (its number and carried values stay).
    void applyTo(L2PC03_TD& profile) const;
    // The same focal length, apertures and name: the same profile on the adapter.
    bool holdsSameProfile(const LibraryLens& other) const;

    friend bool operator==(const LibraryLens&, const LibraryLens&) = default;
};
