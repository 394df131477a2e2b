#pragma once

#include "ProfileValues.h"

#include <array>

class QComboBox;
class QLineEdit;

// One profile's fields: focal length, the four apertures and the lens name.
struct ORVOProfileFields {
    QLineEdit* focalLength = nullptr;
    std::array<QComboBox*, ProfileValues::kAperturesPerProfile> apertures{};
    QLineEdit* lensModel = nullptr;
};
