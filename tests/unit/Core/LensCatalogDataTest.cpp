// Checks the lens catalog that ships with the program: a single bad element would leave the user
// with no suggestions at all, and a wrong category hides a lens from its mount.

#include "DataStructures.h"
#include "LensCatalog.h"
#include "LensCatalogText.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
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

// The name as the adapter hands it back after a save.
QString storedByTheAdapter(const QString& name) {
    PC2L03_TD packet;
    packet.setLensNameString(name);
    return textFromZeroPaddedBytes(packet.LensNameString.data(), packet.LensNameString.size());
}

// What the lens-model field keeps of a typed or picked name: printable ASCII and the Latin-1 letters.
bool fieldKeepsEveryCharacter(const QString& name) {
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        return (c.unicode() >= 0x20 && c.unicode() <= 0x7E) || (c.unicode() >= 0xC0 && c.unicode() <= 0xFF);
    });
}

} // namespace

// Each record sits under a known category with that category's mount text, names its maker apart
// from the model, focuses by hand, carries numbers the adapter can take (whole millimetres or a range,
// and a stop within the adapter's list) and a name the adapter stores whole.
TEST(ShippedLensCatalog, everyRecordIsUsableAndReachesTheAdapterWholeAndTheCatalogCoversEveryCategory) {
    const QHash<QString, QStringList> mountTexts{{"Leica M", {"Leica M"}},
                                                 {"Zeiss ZM", {"Leica M"}},
                                                 {"Voigtlander VM", {"Leica M"}},
                                                 {"Other M", {"Leica M"}},
                                                 {"Leica R", {"Leica R"}},
                                                 {"Alpa 35", {"Alpa"}},
                                                 {"ARRI S/B", {"Arri Standard", "Arri Bayonet"}},
                                                 {"Canon FD", {"Canon FD"}},
                                                 {"Contax/Yashica", {"Contax/Yashica"}},
                                                 {"EXA", {"Exakta"}},
                                                 {"Konica AR", {"Konica AR"}},
                                                 {"Leica L39", {"Leica L39"}},
                                                 {"Other L39", {"Leica L39"}},
                                                 {"M42", {"M42"}},
                                                 {"Minolta MD/MC", {"Minolta SR"}},
                                                 {"Nikon F(Pre-AI/AI/AI-S)", {"Nikon F"}},
                                                 {"Olympus OM", {"Olympus OM"}},
                                                 {"Pentax PK", {"Pentax K"}},
                                                 {"Zenit M39", {"M39 (Zenit)"}}};
    // Marks of autofocus lines: such a lens cannot be focused through a manual adapter.
    const QRegularExpression autofocus(QStringLiteral("\\b(FA|AF|AF-S|AF-D|EF|USM)\\b"));
    const QRegularExpression wholeOrRange(QStringLiteral("^[1-9][0-9]*(-[1-9][0-9]*)?$"));
    // The few lenses whose focal length truly has a fraction; they are rounded when filled in.
    const QStringList trueFractions{"5.7", "7.5", "9.8"};
    const QRegularExpression plainNumber(QStringLiteral("^[0-9]+(\\.[0-9]+)?$"));
    const QList<LensCatalogRecord> records = shippedRecords();
    ASSERT_GE(records.size(), 600);

    QSet<QString> categoriesSeen;
    for (const LensCatalogRecord& record : records) {
        SCOPED_TRACE(describe(record));
        EXPECT_TRUE(LensCatalog::categoryOrder().contains(record.category));
        EXPECT_TRUE(mountTexts.value(record.category).contains(record.mount)) << record.mount.toStdString();
        // The maker word must stand apart from the model, or the ranking by maker goes wrong.
        EXPECT_NE(record.brand(), record.officialName.trimmed());
        EXPECT_FALSE(autofocus.match(record.officialName).hasMatch());
        EXPECT_TRUE(wholeOrRange.match(record.focalLength).hasMatch() ||
                    trueFractions.contains(record.focalLength));
        if (const QStringList ends = record.focalLength.split('-'); ends.size() == 2) {
            EXPECT_LT(ends[0].toInt(), ends[1].toInt());
        }
        const double focalLength = lensCatalogNumber(record.focalLength).value_or(0);
        EXPECT_TRUE(focalLength >= 4 && focalLength <= 2000) << focalLength;
        ASSERT_TRUE(plainNumber.match(record.maxAperture).hasMatch());
        // The adapter's slowest stop is f/32; anything faster finds a listed stop.
        EXPECT_LE(record.maxAperture.toDouble(), 32.0);
        EXPECT_GE(record.maxAperture.toDouble(), 0.95);
        EXPECT_EQ(storedByTheAdapter(record.adapterName()), record.adapterName());
        EXPECT_TRUE(fieldKeepsEveryCharacter(record.adapterName()));
        // A short name stands in only for a name that does not fit.
        EXPECT_TRUE(record.shortName.isEmpty() || record.officialName.toUtf8().size() > 40);
        categoriesSeen << record.category;
    }
    for (const QString& category : LensCatalog::categoryOrder()) {
        EXPECT_TRUE(categoriesSeen.contains(category)) << "no lens listed under " << category.toStdString();
    }
}

TEST(ShippedLensCatalog, everyNameIsOneOfAKindInItsMount) {
    const QList<LensCatalogRecord> records = shippedRecords();
    QStringList mounts = LensCatalog::mountOptions();
    mounts << QStringList{"Zeiss ZM", "Voigtlander VM", "Other M"};
    for (const QString& mount : mounts) {
        QSet<QString> names;
        QSet<QString> adapterNames;
        for (const LensCatalogRecord& record : records) {
            if (!LensCatalog::categories(mount).contains(record.category)) {
                continue;
            }
            EXPECT_FALSE(names.contains(record.officialName))
                << "twice in " << mount.toStdString() << ": " << describe(record);
            EXPECT_FALSE(adapterNames.contains(record.adapterName()))
                << "same adapter name twice in " << mount.toStdString() << ": " << describe(record);
            names << record.officialName;
            adapterNames << record.adapterName();
        }
    }
}
