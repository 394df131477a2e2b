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

TEST(LensNameFilter, judgesWholeUserPerceivedCharacters) {
    for (const auto& [pasted, kept] : {
             std::pair{QStringLiteral(u"Lens 50 \u0192/0.95 \u2014 \u9280"),
                       QStringLiteral("Lens 50 /0.95  ")},
             {QStringLiteral(u"Objectif E\u0301toile"), QStringLiteral("Objectif toile")},
             {QStringLiteral(u"Summicron \u00C9dition"), QStringLiteral(u"Summicron \u00C9dition")},
         }) {
        EXPECT_EQ(ORVOFieldFilter::filteredLensName(pasted, 0).text, kept) << pasted.toStdString();
    }
    const auto kept = ORVOFieldFilter::filteredLensName(QStringLiteral(u"A\u2014B"), 3);
    EXPECT_EQ(kept.text, "AB");
    EXPECT_EQ(kept.cursor, 2);
    EXPECT_FALSE(kept.cut);
}

// An edit leaves the insertion point after what it inserted; what does not fit the adapter's 40 bytes
// is the end of that, in whole characters, and the rest of the name stays.
TEST(LensNameFilter, keepsFortyBytesByCuttingWhatTheEditInserted) {
    const QString full(40, 'n');
    const QString e = QStringLiteral(u"\u00E9"); // two bytes
    struct Case {
        const char* what;
        QString text;
        int cursor;
        QString kept;
        int keptCursor;
        bool cut;
    };
    for (const Case& c : {
             Case{"exactly full", full, 40, full, 40, false},
             {"typed at the end of a full name", full + 'x', 41, full, 40, true},
             {"typed at the start of a full name", 'x' + full, 1, full, 0, true},
             {"pasted into the middle", "ab" + QString(50, 'x') + "cd", 52, "ab" + QString(36, 'x') + "cd",
              38, true},
             {"a two-byte letter one byte short", QString(39, 'a') + e, 40, QString(39, 'a'), 39, true},
             {"two-byte letters pasted", QString(38, 'a') + e + e + "z", 41, QString(38, 'a') + e, 39, true},
             {"a name over the limit from elsewhere keeps its start", QString(50, 'y'), 0, QString(40, 'y'),
              0, true},
         }) {
        const auto kept = ORVOFieldFilter::filteredLensName(c.text, c.cursor);
        EXPECT_EQ(kept.text, c.kept) << c.what;
        EXPECT_EQ(kept.cursor, c.keptCursor) << c.what;
        EXPECT_EQ(kept.cut, c.cut) << c.what;
        EXPECT_LE(ORVOFieldFilter::byteCount(kept.text), ORVOFieldFilter::kLensNameByteLimit) << c.what;
    }
}
