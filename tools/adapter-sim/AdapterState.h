#pragma once

#include "DataStructures.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

// What the simulated adapter keeps across runs: its settings and its four profiles, as JSON with the
// raw fields and the names in hex, so what the host wrote comes back byte for byte. The file may have
// been edited by hand, so reading it trusts nothing: every value must be a whole number within its
// field's range and every name valid hex that fits, or the whole file is refused with a message that
// names the first bad value.
struct AdapterState {
    L2PC02_TD settings;
    std::array<L2PC03_TD, kAdapterProfileCount> profiles;

    QByteArray toJson() const;
    // Takes the values json gives (absent ones stay as they are) and sets the checksums. On a refused
    // file returns why, and this state is left unchanged.
    std::optional<QString> readJson(const QByteArray& json);
};
