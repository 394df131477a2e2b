#include "LensCatalog.h"

#include "ApertureLadder.h"
#include "LensCatalogText.h"
#include "ResourceBundle.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

namespace {

LensCatalogRecord lens(const QString& category, const QString& name, const QString& focal = "50",
                       const QString& aperture = "2") {
    return {category, category, name, focal, aperture, {}};
}

QStringList names(const QList<LensCatalogRecord>& records) {
    QStringList result;
    for (const LensCatalogRecord& record : records) {
        result << record.officialName;
    }
    return result;
}

} // namespace

TEST(LensCatalogText, readsTheFirstNumberAndNormalizesNamesOfAnyScript) {
    const std::pair<const char*, std::optional<double>> numbers[] = {
        {"50mm", 50},       {"24-70mm", 24},      {"f/2.8", 2.8}, {"1:1.4", 1.4}, {"1/2", 2},
        {"1-2", 1},         {"1 : 2.8", 1},       {"2:1.4", 2},   {"2,8", 2},     {"1.2.3", std::nullopt},
        {"", std::nullopt}, {"mm", std::nullopt},
    };
    for (const auto& [text, expected] : numbers) {
        EXPECT_EQ(lensCatalogNumber(text), expected) << text;
    }
    EXPECT_EQ(lensCatalogNormalized("Macro-Lens 58mm f/1.2"), "macrolens58mmf12");
    EXPECT_EQ(lensCatalogNormalized(QStringLiteral(u"Élan 35")), QStringLiteral(u"élan35"));
    EXPECT_EQ(lensCatalogNormalized(QStringLiteral(u"Гелиос-44-2 2/58")), QStringLiteral(u"гелиос442258"));
    // Full lower-casing may lengthen the text.
    EXPECT_EQ(lensCatalogNormalized(QStringLiteral(u"\u0130")), QStringLiteral(u"i\u0307"));
}

TEST(LensCatalogRecord, matchesByWholeQueryOrByEveryPieceOfTheNameOnly) {
    const LensCatalogRecord summilux = lens("Leica M", "Leica Summilux-M 50mm f/1.4 ASPH.");
    EXPECT_TRUE(summilux.matches(" -/,.!"));
    EXPECT_TRUE(summilux.matches("SUMMILUX-m"));
    EXPECT_TRUE(summilux.matches("50 1.4")); // '5014' is not in the name, but '50' and '14' are
    EXPECT_TRUE(summilux.matches("asph,summi"));
    EXPECT_FALSE(summilux.matches("50 2"));
    EXPECT_FALSE(lens("Leica M", "Zeiss Biogon T* 2/35 ZM").matches("Leica"));
}

TEST(LensCatalog, leicaMStandsForItsFamilyAndOtherMountsForThemselves) {
    const LensCatalog catalog({lens("Zeiss ZM", "z"), lens("Leica R", "r"), lens("Other M", "o"),
                               lens("Leica M", "l"), lens("Voigtlander VM", "v")});
    EXPECT_EQ(names(catalog.records("Leica M")), (QStringList{"z", "o", "l", "v"}));
    EXPECT_EQ(names(catalog.records("Zeiss ZM")), QStringList{"z"});
    EXPECT_EQ(names(catalog.records("")).size(), 5);
    EXPECT_TRUE(catalog.records("leica m").isEmpty());
}

TEST(LensCatalog, aQueryNarrowsTheFocalLengthCandidatesButNeverEmptiesThem) {
    const LensCatalog catalog({lens("Leica M", "Leica Summicron-M 50mm f/2"),
                               lens("Leica M", "Leica Summilux-M 50mm f/1.4", "50mm"),
                               lens("Leica M", "Leica Summilux-M 35mm f/1.4", "35")});
    EXPECT_EQ(names(catalog.matchingRecords("Leica M", "50", std::nullopt, QString("lux 1.4"))),
              QStringList{"Leica Summilux-M 50mm f/1.4"});
    EXPECT_EQ(names(catalog.matchingRecords("Leica M", "50 mm", std::nullopt, QString("Noctilux"))),
              (QStringList{"Leica Summicron-M 50mm f/2", "Leica Summilux-M 50mm f/1.4"}));
    EXPECT_TRUE(catalog.matchingRecords("Leica M", "fifty").isEmpty());
}

TEST(LensCatalog, rankingPutsTheApertureFirstThenCategoryMakerAndName) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const LensCatalog catalog({
        lens("Zeiss ZM", "Zeiss C Sonnar T* 1.5/50 ZM", "50", "1.5"),
        lens("Other M", "TTArtisan 50mm f/1.4 ASPH", "50", "f/1.4"),
        lens("Leica R", "Leica Summilux-R 50mm f/1.4", "50", "1.4"),
        lens("Leica M", "Leica Summilux-M 50mm f/1.4 ASPH.", "50", "1.4"),
        lens("Other M", "light lens lab 50mm f/1.4", "50", "1.4"),
        lens("Leica M", "Leica Noctilux-M 50mm f/0.95 ASPH.", "50", "0.95"),
        lens("Voigtlander VM", "Voigtlander Nokton classic 50mm f/1.4", "50", "1:1.4"),
        lens("Leica M", "Leica Summicron-M 35mm f/2 ASPH.", "35", "2"),
        lens("Leica M", "Leica Elmar-M 50mm f/2.8", "50", "?"),
    });
    EXPECT_EQ(
        names(catalog.matchingRecords("Leica M", "50mm", QString("F1.4"))),
        (QStringList{"Leica Summilux-M 50mm f/1.4 ASPH.", "Voigtlander Nokton classic 50mm f/1.4",
                     "light lens lab 50mm f/1.4", "TTArtisan 50mm f/1.4 ASPH", "Leica Elmar-M 50mm f/2.8",
                     "Leica Noctilux-M 50mm f/0.95 ASPH.", "Zeiss C Sonnar T* 1.5/50 ZM"}));
    QLocale::setDefault(QLocale::system());
}

TEST(LensCatalog, suggestionsNameEachLensOnceWhereItRanksBestAndFindFractionalFocalLengths) {
    QList<LensCatalogRecord> records{
        lens("Leica L39", "Leica Elmar 50mm f/3.5", "50", "3.5"),
        lens("EXA", "Tessar 50mm f/2.8", "50", "2.8"),
        lens("Leica M", "Leica Elmar 50mm f/3.5", "50", "3.5"),
        lens("M42", "Tessar 50mm f/2.8", "50", "2.8"),
        lens("Canon FD", "Canon FD 7.5mm f/5.6 Fisheye", "7.5", "5.6"),
    };
    records[0].mount = "L39 mount text"; // tells the two Elmar records apart
    const LensCatalog catalog(records);
    const QList<LensCatalogRecord> all = catalog.suggestions("", "50");
    EXPECT_EQ(names(all), (QStringList{"Leica Elmar 50mm f/3.5", "Tessar 50mm f/2.8"}));
    EXPECT_EQ(all[0].category, "Leica M"); // the Leica M record ranks before the L39 one
    EXPECT_EQ(all[1].category, "EXA");
    // The full list keeps both; a mount of its own keeps its own record.
    EXPECT_EQ(catalog.matchingRecords("", "50").size(), 4);
    EXPECT_EQ(catalog.suggestions("Leica L39", "50").value(0).mount, "L39 mount text");
    EXPECT_EQ(names(catalog.suggestions("", "7.5")), QStringList{"Canon FD 7.5mm f/5.6 Fisheye"});
    EXPECT_TRUE(catalog.suggestions("", "7").isEmpty());
}

TEST(LensCatalog, aQueryTypedOnFindsWhatAFreshSearchFinds) {
    const LensCatalog catalog(
        {lens("Leica M", "Leica Summilux-M 50mm f/1.4"), lens("Leica M", "Leica Summicron-M 50mm f/2"),
         lens("Leica M", "Leica Noctilux-M 50mm f/1.0"), lens("Zeiss ZM", "Zeiss Planar 2/50 ZM")});
    // Narrowing, then a query that is no continuation, then one that found nothing and goes on,
    // alternating between two mounts.
    for (const char* typed : {"Sum", "Summ", "Summil", "Noct", "Noct 1", "xyz", "xyzw", "Leica 50 f"}) {
        SCOPED_TRACE(typed);
        for (const QString mount : {"Leica M", ""}) {
            const LensCatalog fresh(catalog.records());
            EXPECT_EQ(names(catalog.matchingRecords(mount, "50", std::nullopt, QString(typed))),
                      names(fresh.matchingRecords(mount, "50", std::nullopt, QString(typed))));
        }
    }
}

TEST(LensCatalog, focalLengthOptionsAreDistinctNumbersAscending) {
    const LensCatalog catalog({lens("Leica M", "a", "35"), lens("Leica M", "b", "135mm"),
                               lens("Zeiss ZM", "c", "35.0"), lens("Leica M", "d", "35mm"),
                               lens("Other M", "e", "28.5"), lens("Leica M", "f", "n/a"),
                               lens("Leica R", "g", "180")});
    EXPECT_EQ(catalog.focalLengthOptions("Leica M"), (QStringList{"28.5", "35", "135"}));
    // A mount without lenses falls back to the whole catalog.
    EXPECT_EQ(catalog.focalLengthOptions("EXA"), (QStringList{"28.5", "35", "135", "180"}));
}

TEST(LensCatalog, oneIncompleteElementEmptiesTheWholeCatalog) {
    QTemporaryDir folder;
    ResourceBundle::setOverrideDirectory(folder.path());
    const auto loadWith = [&](const QByteArray& second) {
        QFile file(folder.filePath("LensCatalog.json"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(R"([{"mount":"M","category":"Leica M","officialName":"Leica A","focalLength":"50",
                        "maxAperture":"2"},{"mount":"M","category":"Leica M","officialName":"B",
                        "focalLength":"35")" +
                   second + "}]");
        file.close();
        return LensCatalog().records().size();
    };
    EXPECT_EQ(loadWith(R"(,"maxAperture":"2.8")"), 2);
    EXPECT_EQ(loadWith(""), 0);
    EXPECT_EQ(loadWith(R"(,"maxAperture":"2","shortName":4)"), 0);
    ResourceBundle::setOverrideDirectory({});
}

TEST(ApertureLadder, offersUpToThreeStopsClearlyAfterTheValue) {
    EXPECT_EQ(ApertureLadder::nextThreeStops(1.3995), (QList<double>{2.0, 2.8, 4.0}));
    EXPECT_EQ(ApertureLadder::nextThreeStops(0.95), (QList<double>{1.0, 1.4, 2.0}));
    EXPECT_EQ(ApertureLadder::nextThreeStops(32), (QList<double>{45.0, 64.0}));
    EXPECT_TRUE(ApertureLadder::nextThreeStops(64).isEmpty());
}
