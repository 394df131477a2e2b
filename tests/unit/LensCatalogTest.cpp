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
    return {category, category, name, focal, aperture};
}

QStringList names(const QList<LensCatalogRecord>& records) {
    QStringList result;
    for (const LensCatalogRecord& record : records) {
        result << record.officialName;
    }
    return result;
}

// Sets the default locale for one test and puts the previous one back.
class DefaultLocale {
public:
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(previous_); }

private:
    QLocale previous_;
};

} // namespace

TEST(LensCatalogNumber, readsFocalLengthsAperturesAndRatios) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"50mm", 50},        {"24-70mm", 24},      {"F2.8", 2.8},      {"f/2.8", 2.8},
        {"1:1.4", 1.4},      {"1/2", 2},           {"1-2", 1},         {"2:1.4", 2},
        {"50mm f/1.4", 50},  {"1 : 2.8", 1},       {"2,8", 2},         {".5", 0.5},
        {"35.", 35},         {"  135  ", 135},     {"", std::nullopt}, {"mm", std::nullopt},
        {".", std::nullopt}, {"f/", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        const std::optional<double> number = lensCatalogNumber(QString::fromUtf8(text));
        ASSERT_EQ(number.has_value(), expected.has_value());
        if (expected) {
            EXPECT_DOUBLE_EQ(*number, *expected);
        }
    }
}

TEST(LensCatalogNumber, aTokenThatDoesNotConvertWholeGivesNothingAndNoOtherTokenIsTried) {
    EXPECT_EQ(lensCatalogNumber("1.2.3"), std::nullopt);
    EXPECT_EQ(lensCatalogNumber("1.2.3 50mm"), std::nullopt);
    EXPECT_EQ(lensCatalogNumber("1:1.4.1"), std::nullopt);
    // Digits of other scripts and superscripts are numbers, just not convertible ones.
    EXPECT_EQ(lensCatalogNumber(QString::fromUtf8("٥٠mm")), std::nullopt);
    EXPECT_EQ(lensCatalogNumber(QString::fromUtf8("5²")), std::nullopt);
    EXPECT_EQ(lensCatalogNumber(QString(400, u'9')), std::nullopt);
}

TEST(LensCatalogNumber, walksWholeCharactersSoAMarkedColonIsNoRatioSign) {
    // ':' with a combining mark is one character that is not ':', so this is not a ratio.
    EXPECT_EQ(lensCatalogNumber(QString::fromUtf8("1:\u0301 2")), 1.0);
    // A keycap digit is one numeric character, and it does not convert.
    EXPECT_EQ(lensCatalogNumber(QString::fromUtf8("5\u20E3")), std::nullopt);
}

TEST(LensCatalogNormalized, keepsLowerCaseLettersAndDigitsOfAnyScript) {
    EXPECT_EQ(lensCatalogNormalized("Macro-Lens 58mm f/1.2"), "macrolens58mmf12");
    EXPECT_EQ(lensCatalogNormalized("Lens-M 1:1.4/50"), "lensm11450");
    EXPECT_EQ(lensCatalogNormalized(QString::fromUtf8("Élan 35")), QString::fromUtf8("élan35"));
    EXPECT_EQ(lensCatalogNormalized(QString::fromUtf8("Гелиос-44-2 2/58")),
              QString::fromUtf8("гелиос442258"));
    // A decomposed accent stays with its letter; full lower-casing may lengthen the text.
    EXPECT_EQ(lensCatalogNormalized(QString::fromUtf8("E\u0301lan")), QString::fromUtf8("e\u0301lan"));
    EXPECT_EQ(lensCatalogNormalized(QString::fromUtf8("\u0130")), QString::fromUtf8("i\u0307"));
    EXPECT_EQ(lensCatalogNormalized(" -/.,:*()"), "");
}

TEST(LensCatalogRecord, brandIsTheFirstSpaceSeparatedWord) {
    EXPECT_EQ(lens("Leica M", "Leica Summilux-M 50mm f/1.4").brand(), "Leica");
    EXPECT_EQ(lens("Leica M", "   Carl  Zeiss").brand(), "Carl");
    EXPECT_EQ(lens("Leica M", "7Artisans\t35mm").brand(), "7Artisans\t35mm");
    EXPECT_EQ(lens("Leica M", "   ").brand(), "   ");
    EXPECT_EQ(lens("Leica M", "").brand(), "");
}

TEST(LensCatalogRecord, matchesByWholeQueryOrByEveryPiece) {
    const LensCatalogRecord summilux = lens("Leica M", "Leica Summilux-M 50mm f/1.4 ASPH.");
    EXPECT_TRUE(summilux.matches(""));
    EXPECT_TRUE(summilux.matches(" -/,.!"));
    EXPECT_TRUE(summilux.matches("SUMMILUX-m"));
    EXPECT_TRUE(summilux.matches("50 1.4"));     // '5014' is not in the name, but '50' and '14' are
    EXPECT_TRUE(summilux.matches("asph,summi")); // pieces in any order
    EXPECT_FALSE(summilux.matches("50 2"));
    EXPECT_FALSE(summilux.matches("summilux-r"));
    // Only the name is matched, never the category or the mount.
    EXPECT_FALSE(lens("Leica M", "Zeiss Biogon T* 2/35 ZM").matches("Leica"));
}

TEST(LensCatalog, mountsAndCategoriesKeepTheirFixedOrder) {
    ASSERT_EQ(LensCatalog::mountOptions().size(), 16);
    ASSERT_EQ(LensCatalog::categoryOrder().size(), 19);
    EXPECT_EQ(LensCatalog::categoryOrder().mid(0, 5),
              (QStringList{"Leica M", "Zeiss ZM", "Voigtlander VM", "Other M", "Leica R"}));
    EXPECT_EQ(LensCatalog::categoryOrder().mid(4), LensCatalog::mountOptions().mid(1));
    EXPECT_EQ(LensCatalog::categories("Leica M"),
              (QStringList{"Leica M", "Zeiss ZM", "Voigtlander VM", "Other M"}));
    EXPECT_EQ(LensCatalog::categories("Zeiss ZM"), QStringList{"Zeiss ZM"});
}

TEST(LensCatalog, recordsOfAMountFollowTheGroupAndExactCategoryNames) {
    const LensCatalog catalog({lens("Zeiss ZM", "z"), lens("Leica R", "r"), lens("Other M", "o"),
                               lens("Leica M", "l"), lens("Custom", "c"), lens("Voigtlander VM", "v")});
    EXPECT_EQ(names(catalog.records("Leica M")), (QStringList{"z", "o", "l", "v"}));
    EXPECT_EQ(names(catalog.records("Zeiss ZM")), QStringList{"z"});
    EXPECT_EQ(names(catalog.records("")), (QStringList{"z", "r", "o", "l", "c", "v"}));
    EXPECT_EQ(names(catalog.records("Custom")), QStringList{"c"});
    EXPECT_TRUE(catalog.records("leica m").isEmpty());
    EXPECT_TRUE(catalog.records("Nowhere").isEmpty());
}

TEST(LensCatalog, candidatesNeedAReadableFocalLengthWithinTheTolerance) {
    const LensCatalog catalog({lens("Leica M", "a", "50"), lens("Leica M", "b", "50mm"),
                               lens("Leica M", "c", "50.0005"), lens("Leica M", "d", "50.002"),
                               lens("Leica M", "e", "fifty"), lens("Leica R", "f", "50")});
    EXPECT_EQ(names(catalog.matchingRecords("Leica M", "50 mm")), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(names(catalog.matchingRecords("", "50")), (QStringList{"a", "b", "c", "f"}));
    EXPECT_TRUE(catalog.matchingRecords("Leica M", "fifty", std::nullopt, QString("a")).isEmpty());
    EXPECT_TRUE(catalog.matchingRecords("Leica M", "").isEmpty());
}

TEST(LensCatalog, aQueryNarrowsTheCandidatesButNeverEmptiesThem) {
    const LensCatalog catalog({lens("Leica M", "Leica Summicron-M 50mm f/2"),
                               lens("Leica M", "Leica Summilux-M 50mm f/1.4"),
                               lens("Leica M", "Leica Summilux-M 35mm f/1.4", "35")});
    EXPECT_EQ(names(catalog.matchingRecords("Leica M", "50", std::nullopt, QString("lux 1.4"))),
              QStringList{"Leica Summilux-M 50mm f/1.4"});
    EXPECT_EQ(names(catalog.matchingRecords("Leica M", "50", std::nullopt, QString("Noctilux"))),
              (QStringList{"Leica Summicron-M 50mm f/2", "Leica Summilux-M 50mm f/1.4"}));
    EXPECT_EQ(catalog.matchingRecords("Leica M", "50", std::nullopt, QString("--")).size(), 2);
}

TEST(LensCatalog, rankingPutsTheApertureFirstThenCategoryMakerAndName) {
    const DefaultLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    const LensCatalog catalog({
        lens("Other M", "Zhongyi Mitakon Speedmaster 50mm f/0.95 III", "50", "0.95"),
        lens("Voigtlander VM", "Voigtlander Nokton 50mm f/1.5 Aspherical", "50", "1.5"),
        lens("Zeiss ZM", "Zeiss C Sonnar T* 1.5/50 ZM", "50", "1.5"),
        lens("Other M", "TTArtisan 50mm f/1.4 ASPH", "50", "f/1.4"),
        lens("Voigtlander VM", "Voigtlander Nokton 50mm f/1.2 Aspherical", "50", "1.2"),
        lens("Leica R", "Leica Summilux-R 50mm f/1.4", "50", "1.4"),
        lens("Leica M", "Leica Summilux-M 50mm f/1.4 ASPH.", "50", "1.4"),
        lens("Other M", "light lens lab 50mm f/1.4", "50", "1.4"),
        lens("Leica M", "Leica Noctilux-M 50mm f/0.95 ASPH.", "50", "0.95"),
        lens("Voigtlander VM", "Voigtlander Nokton classic 50mm f/1.4", "50", "1:1.4"),
        lens("Leica M", "Leica Summicron-M 35mm f/2 ASPH.", "35", "2"),
        lens("Other M", "7Artisans 50mm f/1.1", "50", "1.1"),
        lens("Leica M", "Leica Elmar-M 50mm f/2.8", "50", "?"),
    });
    EXPECT_EQ(
        names(catalog.matchingRecords("Leica M", "50mm", QString("F1.4"))),
        (QStringList{"Leica Summilux-M 50mm f/1.4 ASPH.", "Voigtlander Nokton classic 50mm f/1.4",
                     "light lens lab 50mm f/1.4", "TTArtisan 50mm f/1.4 ASPH", "Leica Elmar-M 50mm f/2.8",
                     "Leica Noctilux-M 50mm f/0.95 ASPH.", "Zeiss C Sonnar T* 1.5/50 ZM",
                     "Voigtlander Nokton 50mm f/1.2 Aspherical", "Voigtlander Nokton 50mm f/1.5 Aspherical",
                     "7Artisans 50mm f/1.1", "Zhongyi Mitakon Speedmaster 50mm f/0.95 III"}));
    // Without a readable aperture only category, maker and name count.
    EXPECT_EQ(names(catalog.matchingRecords("Leica M", "50", QString("auto"))).mid(0, 4),
              (QStringList{"Leica Elmar-M 50mm f/2.8", "Leica Noctilux-M 50mm f/0.95 ASPH.",
                           "Leica Summilux-M 50mm f/1.4 ASPH.", "Zeiss C Sonnar T* 1.5/50 ZM"}));
}

TEST(LensCatalog, unknownCategoriesRankLastAndNamesEqualButForCaseKeepFileOrder) {
    const DefaultLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    const LensCatalog catalog({lens("Zzz", "Beta b"), lens("Aaa", "alpha z"), lens("Zeiss ZM", "Zeiss x"),
                               lens("Aaa", "Alpha A"), lens("Zzz", "ALPHA Z")});
    EXPECT_EQ(names(catalog.matchingRecords("", "50")),
              (QStringList{"Zeiss x", "Alpha A", "alpha z", "ALPHA Z", "Beta b"}));
}

TEST(LensCatalog, makersAreOrderedUnderTheCurrentLocale) {
    const LensCatalog catalog({lens("Other M", "Zeta 50"), lens("Other M", "Örnen 50"),
                               lens("Other M", "light 50"), lens("Other M", "TTArtisan 50")});
    {
        const DefaultLocale german(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(names(catalog.matchingRecords("", "50")),
                  (QStringList{"light 50", "Örnen 50", "TTArtisan 50", "Zeta 50"}));
    }
    {
        // Swedish sorts Ö after Z; the same catalog must follow the change.
        const DefaultLocale swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
        EXPECT_EQ(names(catalog.matchingRecords("", "50")),
                  (QStringList{"light 50", "TTArtisan 50", "Zeta 50", "Örnen 50"}));
    }
    {
        const DefaultLocale c(QLocale::c());
        EXPECT_EQ(names(catalog.matchingRecords("", "50")).mid(0, 3),
                  (QStringList{"light 50", "TTArtisan 50", "Zeta 50"}));
    }
}

TEST(LensCatalog, focalLengthOptionsAreDistinctNumbersAscending) {
    const LensCatalog catalog({lens("Leica M", "a", "35"), lens("Leica M", "b", "135mm"),
                               lens("Zeiss ZM", "c", "35.0"), lens("Leica M", "d", "35mm"),
                               lens("Other M", "e", "28.5"), lens("Leica M", "f", "n/a"),
                               lens("Leica R", "g", "180"), lens("Leica R", "h", "1:2.8")});
    EXPECT_EQ(catalog.focalLengthOptions("Leica M"), (QStringList{"28.5", "35", "135"}));
    EXPECT_EQ(catalog.focalLengthOptions("Leica R"), (QStringList{"2.8", "180"}));
    // A mount without lenses falls back to the whole catalog.
    EXPECT_EQ(catalog.focalLengthOptions("EXA"), (QStringList{"2.8", "28.5", "35", "135", "180"}));
    EXPECT_TRUE(LensCatalog(QList<LensCatalogRecord>{}).focalLengthOptions("").isEmpty());
}

TEST(LensCatalog, loadsTheResourceOnlyWhenEveryElementIsComplete) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ResourceBundle::setOverrideDirectory(folder.path());
    const auto loadWith = [&](const QByteArray& json) {
        QFile file(folder.filePath("LensCatalog.json"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(json);
        file.close();
        return LensCatalog().records();
    };
    const QByteArray first = R"({"mount":"M","category":"Leica M","officialName":"Leica A","focalLength":"50",
                                 "maxAperture":"2","note":"extra keys are ignored"})";
    const QByteArray second =
        R"({"mount":"M","category":"Zeiss ZM","officialName":"Zeiss B","focalLength":"35",
                                  "maxAperture":"2.8"})";

    EXPECT_EQ(loadWith("[" + first + "," + second + "]"),
              (QList<LensCatalogRecord>{{"M", "Leica M", "Leica A", "50", "2"},
                                        {"M", "Zeiss ZM", "Zeiss B", "35", "2.8"}}));
    EXPECT_TRUE(loadWith("[" + first +
                         R"(,{"mount":"M","category":"Leica M","officialName":"x","focalLength":"50"}])")
                    .isEmpty());
    EXPECT_TRUE(
        loadWith("[" + first + R"(,{"mount":"M","category":"Leica M","officialName":"x","focalLength":50,
                                            "maxAperture":"2"}])")
            .isEmpty());
    EXPECT_TRUE(
        loadWith("[" + first + R"(,{"mount":null,"category":"Leica M","officialName":"x","focalLength":"50",
                                            "maxAperture":"2"}])")
            .isEmpty());
    EXPECT_TRUE(loadWith("[" + first + ",[]]").isEmpty());
    EXPECT_TRUE(loadWith(first).isEmpty());
    EXPECT_TRUE(loadWith("[" + first).isEmpty());

    QFile::remove(folder.filePath("LensCatalog.json"));
    EXPECT_TRUE(LensCatalog().records().isEmpty());
    ResourceBundle::setOverrideDirectory({});
}

TEST(ApertureLadder, offersUpToThreeStopsClearlyAfterTheValue) {
    EXPECT_EQ(ApertureLadder::nextThreeStops(1.4), (QList<double>{2.0, 2.8, 4.0}));
    EXPECT_EQ(ApertureLadder::nextThreeStops(1.3995), (QList<double>{2.0, 2.8, 4.0}));
    EXPECT_EQ(ApertureLadder::nextThreeStops(0.95), (QList<double>{1.0, 1.4, 2.0}));
    EXPECT_EQ(ApertureLadder::nextThreeStops(1.5), (QList<double>{2.0, 2.8, 4.0}));
    EXPECT_EQ(ApertureLadder::nextThreeStops(32), (QList<double>{45.0, 64.0}));
    EXPECT_TRUE(ApertureLadder::nextThreeStops(64).isEmpty());
    EXPECT_TRUE(ApertureLadder::nextThreeStops(100).isEmpty());
}
