// The lens catalog's number reader over arbitrary text: a number it reads is finite and not
// negative, and written back as plain decimals with a unit it reads as the same number.

#include "FuzzCheck.h"
#include "LensCatalogText.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<double> number = lensCatalogNumber(text);
    if (!number) {
        return 0;
    }
    check(std::isfinite(*number) && *number >= 0);
    if (*number < 1e9) {
        const std::optional<double> again = lensCatalogNumber(QString::number(*number, 'f', 6) + "mm");
        check(again && std::abs(*again - *number) <= 0.001);
    }
    return 0;
}
