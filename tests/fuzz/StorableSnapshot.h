#pragma once

#include "AdapterSnapshot.h"
#include "FuzzCheck.h"
#include "ProfileValues.h"

// What would be written to the adapter holds only what it can store: a default lens A to D, aperture
// bytes of the list, valid checksums and every profile at its own place.
inline void checkStorable(const AdapterSnapshot& snapshot) {
    check(snapshot.settings.DefaultCustomLens < kAdapterProfileCount && snapshot.settings.verifyChecksum());
    for (int i = 0; i < kAdapterProfileCount; ++i) {
        const L2PC03_TD& profile = snapshot.profiles[size_t(i)];
        check(profile.lensSeq == i && profile.verifyChecksum());
        for (const uint8_t aperture : profile.ApretureValue) {
            check(ProfileValues::apertureText(aperture).has_value());
        }
    }
}
