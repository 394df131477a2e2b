#pragma once

#include "DataStructures.h"

#include <QStringList>
#include <array>

// Which of a profile's fields differ from the values the adapter last read out, and each difference
// as a person reads it ("50 → 35 mm", "F4.0 → F2.8", "Lens A → Planar 50").
struct ProfileChanges {
    bool focalLength = false;
    std::array<bool, kAperturesPerProfile> apertures{};
    bool name = false;
    QStringList described;

    bool any() const { return !described.isEmpty(); }
};
