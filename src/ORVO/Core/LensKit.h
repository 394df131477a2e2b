#pragma once

#include "DataStructures.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <array>
#include <optional>

class LibraryJsonReader;

// A named set of lenses for the adapter's four profiles, A to D, and the default lens it starts with.
// A slot names a lens of the library, or is empty: loading the kit keeps what the adapter holds
// there. Its JSON form:
//
//   {"name": "Street", "lenses": ["Summicron 35", null, "Planar 50", null], "defaultLens": "A",
//    "addedAt": "2026-12-07T14:30:00.000Z"}
struct LensKit {
    static constexpr int kMaximumNameBytes = 80;

    QString name;
    std::array<QString, kAdapterProfileCount> lenses; // empty: keep the adapter's profile
    int defaultLens = 0;
    QDateTime addedAt;

    QJsonObject toJson() const;
    static std::optional<LensKit> fromJson(const QJsonValue& value, const QString& path,
                                           LibraryJsonReader& reader);

    friend bool operator==(const LensKit&, const LensKit&) = default;
};
