#include "ORVOImages.h"
#include "SymbolIcon.h"

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>

namespace {

// Share of pixels that are fully opaque; with a tint, 0 once a mostly opaque pixel is of another colour.
double opaqueShare(const QPixmap& pixmap, const std::optional<QColor>& tint = std::nullopt) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (tint && qAlpha(pixel) >= 128 &&
                std::max({std::abs(qRed(pixel) - tint->red()), std::abs(qGreen(pixel) - tint->green()),
                          std::abs(qBlue(pixel) - tint->blue())}) > 2) {
                return 0;
            }
            opaque += qAlpha(pixel) == 255;
        }
    }
    return opaque / (double(image.width()) * image.height());
}

} // namespace

// Tints change from one symbol to the next, so a cache that ignored the colour would show.
TEST(SymbolIcon, everySymbolRendersInItsTintAtDevicePixels) {
    const QColor tints[] = {QColor(226, 88, 82), QColor(76, 190, 76), QColor(255, 255, 255)};
    int n = 0;
    for (const char* name : {"exclamationmark.triangle", "checkmark.circle", "xmark.circle",
                             "cable.connector", "square.and.pencil", "sun.max", "moon.fill", "chevron.down",
                             "chevron.up", "chevron.left", "chevron.right", "exclamationmark.triangle"}) {
        const QColor tint = tints[n++ % 3];
        const QPixmap pixmap = SymbolIcon::pixmap(name, tint, {20, 20}, 2.0);
        EXPECT_EQ(pixmap.size(), QSize(40, 40)) << name;
        EXPECT_EQ(pixmap.deviceIndependentSize(), QSizeF(20, 20)) << name;
        const double share = opaqueShare(pixmap, tint);
        EXPECT_TRUE(share > 0.03 && share < 0.7) << name << ": a share of " << share << " in the tint";
    }
    EXPECT_TRUE(SymbolIcon::pixmap("gearshape", Qt::white, {20, 20}, 2.0).isNull());
    EXPECT_FALSE(SymbolIcon::exists("../icons/sun.max"));
}

TEST(ORVOImages, everyImageRendersCrispAtTwiceItsSize) {
    for (const char* name : {"AdapterRing", "GuideMagneticPort", "GuideAFMFButton"}) {
        const QSizeF natural = ORVOImages::naturalSize(name);
        const QPixmap pixmap = ORVOImages::image(name, {}, 2.0);
        ASSERT_FALSE(natural.isEmpty()) << name;
        EXPECT_EQ(pixmap.size(), (natural * 2).toSize()) << name;
        EXPECT_EQ(pixmap.deviceIndependentSize(), natural) << name;
        EXPECT_GT(opaqueShare(pixmap), 0.2) << name;
    }
    EXPECT_EQ(ORVOImages::image("AdapterRing", {150, 150}, 2.0).size(), QSize(300, 300));
    EXPECT_TRUE(ORVOImages::image("NoSuchImage", {}, 2.0).isNull());
}
