#pragma once

#include "DataStructures.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// Everything the adapter holds, as last read: identity, settings (the default lens and the values
// carried through) and the four profiles. One versioned JSON form serves the backups, the
// command-line tool's `read --json` and its `write` input:
//
//   {
//     "format": "orvo-adapter", "version": 1,
//     "adapter": {"model": "ORVO-EF", "serial": "ORVO0001", "firmware": "1.0.0"},
//     "defaultLens": "A",
//     "profiles": [{"letter": "A", "focalLength": 35, "apertures": ["F4.0", "F5.6", "F8.0", "F11"],
//                   "name": "Lens A"}, ... four in all],
//     "raw": {"L2PC01": "55 01 27 ...", "L2PC02": "55 02 13 ...", "L2PC03": ["55 03 36 ...", ...]}
//   }
//
// "raw" keeps each answer's bytes in hex, so fields the window does not show (the tele focal length,
// the carried values) survive a backup and a restore. It is optional on input: without it those
// fields keep the values the adapter has. A raw answer may hold a value the adapter stored but this
// tool would never write (an aperture byte beyond the list): it is read as it is, shown as "?N", and
// storableOver() decides what a restore does with it.
struct AdapterSnapshot {
    static constexpr int kFormatVersion = 1;
    static constexpr const char* kFormatName = "orvo-adapter";

    L2PC01_TD info;
    L2PC02_TD settings;
    std::array<L2PC03_TD, kAdapterProfileCount> profiles;

    QJsonObject toJson() const;
    // Reads the JSON form over base (whose values stand for what the JSON leaves out). On a bad
    // field returns nothing and sets error to the field's path and what is allowed there, such as
    // "profiles[1].focalLength: a whole number from 0 to 65535".
    static std::optional<AdapterSnapshot> fromJson(const QJsonObject& json, const AdapterSnapshot& base,
                                                   QString* error);

    // A value that cannot be written: the default lens (profile -1), or one aperture of a profile.
    struct UnstorableField {
        int profile = -1;
        int aperture = -1;
        // "defaultLens", "profiles[1].apertures[2]".
        QString path() const;
    };
    // These values, except that each one the adapter cannot be given (a default lens beyond D, an
    // aperture byte beyond the list) keeps adapter's; leftAlone gets each such field.
    AdapterSnapshot storableOver(const AdapterSnapshot& adapter, QList<UnstorableField>* leftAlone) const;
    // Every byte of every answer is the same.
    bool holdsSameValues(const AdapterSnapshot& other) const;
    // The serial number's bytes as the adapter sent them, up to the first zero.
    QByteArray serialBytes() const;
};
