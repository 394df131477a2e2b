// Checks the lens catalog that ships with the program: a single bad element would leave the user
// with no suggestions at all, and a wrong category hides a lens from its mount.

#include "LensCatalog.h"
#include "LensCatalogText.h"

#include <QFile>
#include <QSet>
#include <gtest/gtest.h>

namespace {

QList<LensCatalogRecord> shippedRecords() {
    QFile file(QStringLiteral(ORVO_SOURCE_DIR "/resources/LensCatalog.json"));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << file.fileName().toStdString();
        return {};
    }
    const auto records = LensCatalog::decode(file.readAll());
    if (!records) {
        ADD_FAILURE() << "the catalog does not decode: an element lacks a key or holds a non-string";
        return {};
    }
    return *records;
}

std::string describe(const LensCatalogRecord& record) {
    return (record.officialName + " [" + record.category + "]").toStdString();
}

} // namespace

TEST(ShippedLensCatalog, everyRecordIsUsableAndTheCatalogCoversEveryCategory) {
    const QList<LensCatalogRecord> records = shippedRecords();
    ASSERT_GE(records.size(), 600);

    QSet<QString> categoriesSeen;
    for (const LensCatalogRecord& record : records) {
        SCOPED_TRACE(describe(record));
        EXPECT_TRUE(LensCatalog::categoryOrder().contains(record.category));
        EXPECT_FALSE(record.mount.trimmed().isEmpty());
        // The maker word must stand apart from the model, or the ranking by maker goes wrong.
        EXPECT_NE(record.brand(), record.officialName.trimmed());
        const std::optional<double> focalLength = lensCatalogNumber(record.focalLength);
        ASSERT_TRUE(focalLength.has_value());
        EXPECT_GE(*focalLength, 4.0);
        EXPECT_LE(*focalLength, 2000.0);
        const std::optional<double> aperture = lensCatalogNumber(record.maxAperture);
        ASSERT_TRUE(aperture.has_value());
        EXPECT_GE(*aperture, 0.7);
        EXPECT_LE(*aperture, 32.0);
        categoriesSeen << record.category;
    }
    for (const QString& category : LensCatalog::categoryOrder()) {
        EXPECT_TRUE(categoriesSeen.contains(category)) << "no lens listed under " << category.toStdString();
    }
}

TEST(ShippedLensCatalog, noTwoRecordsAreIdentical) {
    QSet<LensCatalogRecord> seen;
    for (const LensCatalogRecord& record : shippedRecords()) {
        EXPECT_FALSE(seen.contains(record)) << "listed twice: " << describe(record);
        seen << record;
    }
}
