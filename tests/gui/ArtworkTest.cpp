#include "ORVOImages.h"
#include "ResourceBundle.h"
#include "SymbolIcon.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
const QStringList symbols = {"checkmark.circle",  "exclamationmark.triangle",
                             "xmark.circle",      "cable.connector",
                             "square.and.pencil", "sun.max",
                             "moon.fill",         "chevron.down",
                             "chevron.up",        "chevron.left",
                             "chevron.right"};

// Share of pixels that are fully opaque and share that are fully clear.
std::pair<double, double> coverage(const QImage& image) {
    int opaque = 0;
    int clear = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            opaque += alpha == 255;
            clear += alpha == 0;
        }
    }
    const double total = double(image.width()) * image.height();
    return {opaque / total, clear / total};
}
} // namespace

TEST(SymbolIcon, everySymbolRendersAtDevicePixels) {
    for (const QString& name : symbols) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(SymbolIcon::exists(name));
        const QPixmap pixmap = SymbolIcon::pixmap(name, Qt::black, {20, 20}, 2.0);
        ASSERT_FALSE(pixmap.isNull());
        EXPECT_EQ(pixmap.size(), QSize(40, 40));
        EXPECT_EQ(pixmap.deviceIndependentSize(), QSizeF(20, 20));
        const auto [opaque, clear] = coverage(pixmap.toImage());
        EXPECT_GT(opaque, 0.03);
        EXPECT_GT(clear, 0.3);
    }
}

TEST(SymbolIcon, onlyTheTintShowsAndEachTintIsItsOwnImage) {
    // Asked for in turn, so a cache that ignored the colour would hand back the first tint.
    for (const QColor& tint : {QColor(226, 88, 82), QColor(76, 190, 76), QColor(255, 255, 255)}) {
        const QImage image = SymbolIcon::pixmap("exclamationmark.triangle", tint, {16, 16}, 2.0)
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        int solid = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) < 128) {
                    continue;
                }
                ++solid;
                ASSERT_NEAR(qRed(pixel), tint.red(), 2);
                ASSERT_NEAR(qGreen(pixel), tint.green(), 2);
                ASSERT_NEAR(qBlue(pixel), tint.blue(), 2);
            }
        }
        EXPECT_GT(solid, 40);
    }
    EXPECT_EQ(SymbolIcon::pixmap("sun.max", Qt::white, {20, 20}, 1.0).size(), QSize(20, 20));
    EXPECT_EQ(SymbolIcon::pixmap("sun.max", Qt::white, {20, 20}, 3.0).size(), QSize(60, 60));
}

TEST(SymbolIcon, unknownNamesAndPathsGiveNothing) {
    EXPECT_FALSE(SymbolIcon::exists("gearshape"));
    EXPECT_TRUE(SymbolIcon::pixmap("gearshape", Qt::white, {20, 20}, 2.0).isNull());
    EXPECT_FALSE(SymbolIcon::exists("../icons/sun.max"));
    EXPECT_FALSE(SymbolIcon::exists(""));
}

TEST(SymbolIcon, isLookedUpInTheIconsFolderOfTheResources) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("icons"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVO_SOURCE_DIR "/resources/icons/sun.max.svg"),
                            dir.filePath("icons/star.svg")));
    ResourceBundle::setOverrideDirectory(dir.path());
    EXPECT_TRUE(SymbolIcon::exists("star"));
    EXPECT_FALSE(SymbolIcon::exists("sun.max"));
    ResourceBundle::setOverrideDirectory({});
}

TEST(ORVOImages, everyImageRendersCrispAtTwiceItsSize) {
    for (const QString name : {"AdapterRing", "GuideMagneticPort", "GuideAFMFButton"}) {
        SCOPED_TRACE(name.toStdString());
        const QSizeF natural = ORVOImages::naturalSize(name);
        ASSERT_FALSE(natural.isEmpty());
        const QPixmap pixmap = ORVOImages::image(name, {}, 2.0);
        ASSERT_FALSE(pixmap.isNull());
        EXPECT_EQ(pixmap.size(), (natural * 2).toSize());
        EXPECT_EQ(pixmap.deviceIndependentSize(), natural);
        EXPECT_GT(coverage(pixmap.toImage()).first, 0.2);
    }
    EXPECT_EQ(ORVOImages::naturalSize("AdapterRing"), QSizeF(144, 144));
    EXPECT_EQ(ORVOImages::image("AdapterRing", {150, 150}, 2.0).size(), QSize(300, 300));
    EXPECT_TRUE(ORVOImages::image("NoSuchImage", {}, 2.0).isNull());
}
