#include "ORVOStyledLog.h"

#include "IsolatedEnvironment.h"
#include "LocalizationManager.h"
#include "ORVOLogMarker.h"
#include "ORVOPalette.h"
#include "TextKeys.h"

#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace {

// Every fragment of the document with its format, line by line.
QList<QList<std::pair<QString, QTextCharFormat>>> fragmentsOf(const QTextDocument& document) {
    QList<QList<std::pair<QString, QTextCharFormat>>> lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        lines.emplaceBack();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            lines.back().append({it.fragment().text(), it.fragment().charFormat()});
        }
    }
    return lines;
}

QImage picture(QTextDocument& document) {
    document.setTextWidth(500);
    QImage image(document.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    document.drawContents(&painter);
    return image;
}

// A log that is rendered into a view of its own.
struct Log {
    QTextEdit view;
    ORVOStyledLog log{&view, ORVOPalette::dark()};
    QTextDocument& document() { return *view.document(); }
};

} // namespace

TEST(LogLineStyle, leadingEmojiPicksSymbolAndColour) {
    const ORVOPalette& palette = ORVOPalette::light();
    const QColor amber(228, 176, 60);
    const struct {
        const char16_t* line;
        QString symbol;
        QColor colour;
        const char16_t* text;
    } cases[] = {
        {u"✅ Connected", "checkmark.circle", palette.positive, u"Connected"},
        {u"⚠️  word", "exclamationmark.triangle", amber, u"word"},
        {u"  ❌ Failed  ", "xmark.circle", palette.negative, u"Failed"},
        {u"🔌 Port", "cable.connector", palette.text, u"Port"},
        {u"🔍 Looking", "checkmark.circle", palette.positive, u"Looking"},
        // No known prefix at the start: the default class and the whole line.
        {u"  plain words ", "checkmark.circle", palette.positive, u"plain words"},
        {u"done ✅", "checkmark.circle", palette.positive, u"done ✅"},
        {u"\u26A0 bare", "checkmark.circle", palette.positive, u"\u26A0 bare"}, // no emoji selector
        {u"ℹ️ info", "checkmark.circle", palette.positive, u"ℹ️ info"},
    };
    for (const auto& c : cases) {
        const ORVOStyledLog::LineStyle style =
            ORVOStyledLog::logLineStyle(QString::fromUtf16(c.line), palette);
        EXPECT_EQ(style.symbol, c.symbol) << style.text.toStdString();
        EXPECT_EQ(style.colour, c.colour) << style.text.toStdString();
        EXPECT_EQ(style.text, QString::fromUtf16(c.text));
    }
}

// However the text arrives, the view shows what one render of the whole text shows.
TEST(StyledLog, appendingInPiecesEqualsRenderingAtOnce) {
    // Entries start with a line feed, some end with one, one comes in pieces that split a line and
    // even the warning emoji itself.
    const QStringList pieces = {
        QStringLiteral(u"🔌 Port opened: /dev/ttyACM0"),
        QStringLiteral(u"\n✅ Device found"),
        QStringLiteral(u"\n\n   \n📝 Profile A written"),
        QStringLiteral(u"\n\u26A0"),
        QStringLiteral(u"\uFE0F  Aperture 2 is empty, "),
        QStringLiteral(u"filled from the lens data\n"),
        QStringLiteral(u"\n❌ Timeout waiting for the adapter"),
        QStringLiteral(u"\n🔍 Searching\n🔄 Reconnecting\nplain line without a symbol\n\t\n"),
    };
    Log incremental;
    incremental.log.append("\n  \n\t\n");
    EXPECT_FALSE(incremental.log.hasVisibleLines()) << "blank lines leave the view";
    incremental.log.append(pieces[0]);
    incremental.log.append(pieces[1]);
    // A mark on the finished first line survives the later appends only if they leave it alone.
    incremental.document().firstBlock().setUserState(7);
    for (const QString& piece : pieces.sliced(2)) {
        incremental.log.append(piece);
    }
    EXPECT_EQ(incremental.document().firstBlock().userState(), 7);
    Log whole;
    whole.log.append("\n  \n\t\n" + pieces.join(QString()));
    Log rerendered;
    rerendered.log.append(pieces.first());
    rerendered.log.setPalette(ORVOPalette::light());
    rerendered.log.append(pieces.sliced(1).join(QString()));
    rerendered.log.setPalette(ORVOPalette::dark());

    EXPECT_EQ(incremental.log.rawLogText(), "\n  \n\t\n" + pieces.join(QString())) << "but stay raw";
    EXPECT_EQ(whole.log.rawLogText(), incremental.log.rawLogText());
    EXPECT_EQ(whole.document().blockCount(), 8);
    for (Log* other : {&whole, &rerendered}) {
        EXPECT_TRUE(fragmentsOf(incremental.document()) == fragmentsOf(other->document()));
        EXPECT_EQ(picture(incremental.document()), picture(other->document()));
    }
    // The warning split across two appends ends up amber, not as a plain line.
    const auto warning = fragmentsOf(incremental.document())[3];
    EXPECT_EQ(warning[0].second.colorProperty(ORVOLogMarker::tintProperty), QColor(228, 176, 60));
    EXPECT_EQ(warning[1].first, "  Aperture 2 is empty, filled from the lens data");
}

// A log at its cap changes language: it keeps the newest lines, all in the new words and styled as
// one render of them would be, and goes on dropping the oldest.
TEST(StyledLog, aLanguageChangeRendersTheKeptEntriesAgainWithinTheCap) {
    useIsolatedEnvironment();
    LocalizationManager& languages = LocalizationManager::shared();
    languages.setLanguage(0); // 简体中文
    const auto entry = [](int n) {
        return LocalizedText::joined(
            {LocalizedText::literal(QStringLiteral("\n")),
             LocalizedText::marked(
                 "❌", LocalizedText::keyed(TextKeys::kMessagePortNotFound, {LocalizedText::number(n)}))});
    };
    Log log;
    const int count = int(ORVOStyledLog::kMaximumLines) + 10;
    for (int n = 0; n < count; ++n) {
        log.log.append(entry(n));
    }
    languages.setLanguage(2); // English
    log.log.retranslate();
    EXPECT_EQ(log.log.rawLogText().count(u'\n'), ORVOStyledLog::kMaximumLines - 1);
    log.log.append(entry(count));

    const QString raw = log.log.rawLogText();
    EXPECT_EQ(raw.count(u'\n'), ORVOStyledLog::kMaximumLines - 1);
    EXPECT_FALSE(raw.contains(QRegularExpression(QStringLiteral("[\u4e00-\u9fff]"))));
    EXPECT_TRUE(
        raw.endsWith(LocalizationManager::text(entry(count - 1)) + LocalizationManager::text(entry(count))));
    Log fresh;
    fresh.log.append(raw);
    EXPECT_TRUE(fragmentsOf(log.document()) == fragmentsOf(fresh.document()));
}
