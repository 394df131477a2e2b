#pragma once

#include <QList>
#include <array>

// The full aperture stops, used to offer the next stops after a lens's maximum aperture.
class ApertureLadder {
public:
    ApertureLadder() = delete;

    static constexpr std::array<double, 13> fullStops{1.0,  1.4,  2.0,  2.8,  4.0,  5.6, 8.0,
                                                      11.0, 16.0, 22.0, 32.0, 45.0, 64.0};

    // Up to three full stops, ascending, that are clearly smaller apertures than the given one.
    static QList<double> nextThreeStops(double after);
};
