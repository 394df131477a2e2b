#pragma once

#include "DataStructures.h"

#include <array>

class QComboBox;
class QLineEdit;

// One profile's fields: focal length, the four apertures and the lens name.
struct ORVOProfileFields {
    QLineEdit* focalLength = nullptr;
    std::array<QComboBox*, kAperturesPerProfile> apertures{};
    QLineEdit* lensModel = nullptr;
};
