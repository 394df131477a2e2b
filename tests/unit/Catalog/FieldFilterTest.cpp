// What the lens-name and focal-length fields keep of an edit, and where the insertion point goes.

#include "ORVOFieldFilter.h"

#include <gtest/gtest.h>

TEST(FocalLengthFilter, keepsFourDigitsOfAnyScriptAndOneSeparatorAfterADigit) {
    for (const auto& [typed, kept] : {std::pair{QStringLiteral("28.5"), QStringLiteral("28.5")},
                                      {QStringLiteral("12345"), QStringLiteral("1234")},
                                      {QStringLiteral("2.8.5"), QStringLiteral("2.85")},
                                      {QStringLiteral(",5"), QStringLiteral("5")},
                                      {QStringLiteral("35mm"), QStringLiteral("35")},
                                      {QStringLiteral(u"\uFF18\uFF15"), QStringLiteral("85")},
                                      {QStringLiteral(u"\u0668\u0665,5"), QStringLiteral("85.5")}}) {
        EXPECT_EQ(ORVOFieldFilter::filteredFocalLength(typed, 0).text, kept) << typed.toStdString();
    }
    // The insertion point stays after the kept characters it followed.
    const auto kept = ORVOFieldFilter::filteredFocalLength(QStringLiteral("5x0"), 2);
    EXPECT_EQ(kept.text, "50");
    EXPECT_EQ(kept.cursor, 1);
}

TEST(LensNameFilter, judgesWholeUserPerceivedCharactersAndKeepsAtMostFortySix) {
    for (const auto& [pasted, kept] : {
             std::pair{QStringLiteral(u"Lens 50 \u0192/0.95 \u2014 \u9280"), QStringLiteral("Lens 50 /0.95  ")},
             {QStringLiteral(u"Objectif E\u0301toile"), QStringLiteral("Objectif toile")},
             {QStringLiteral(u"Summicron \u00C9dition"), QStringLiteral(u"Summicron \u00C9dition")},
             {QString(60, 'x'), QString(46, 'x')},
         }) {
        EXPECT_EQ(ORVOFieldFilter::filteredLensName(pasted, 0).text, kept) << pasted.toStdString();
    }
    const auto kept = ORVOFieldFilter::filteredLensName(QStringLiteral(u"A\u2014B"), 3);
    EXPECT_EQ(kept.text, "AB");
    EXPECT_EQ(kept.cursor, 2);
    EXPECT_EQ(ORVOFieldFilter::characterCount(QStringLiteral(u"E\u0301t\u00E9")), 3);
}
