#pragma once

// Text helpers of the lens catalog, shared with the profile editor: reading a focal length or an
// aperture out of free text, and reducing a lens name to what matching looks at.

#include <QString>
#include <optional>

// The number a focal-length or aperture text stands for: '50mm' is 50, '24-70mm' is 24, 'f/2.8' is
// 2.8, '1:1.4' and '1/1.4' are 1.4. Nothing when the text holds no number that converts.
std::optional<double> lensCatalogNumber(const QString& text);

// Lower-cased text keeping only letters and numeric characters: 'Lens-M 1:1.4/50' is 'lensm11450'.
QString lensCatalogNormalized(const QString& text);
