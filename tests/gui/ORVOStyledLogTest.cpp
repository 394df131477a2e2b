#include "ORVOStyledLog.h"

#include "ORVOLogMarker.h"
#include "ORVOPalette.h"

#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace {

const QColor kAmber(228, 176, 60);

struct Fragment {
    QString text;
    QTextCharFormat format;
    bool operator==(const Fragment&) const = default;
};

struct Line {
    QTextBlockFormat format;
    QList<Fragment> fragments;
    bool operator==(const Line&) const = default;
};

QList<Line> linesOf(const QTextDocument& document) {
    QList<Line> lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        Line line{block.blockFormat(), {}};
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            line.fragments.append({it.fragment().text(), it.fragment().charFormat()});
        }
        lines.append(line);
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

// A connection log as the controller writes it: entries start with a line feed, some end with one,
// one comes in two pieces that split a line and even the warning emoji itself.
const QStringList kPieces = {
    QStringLiteral(u"🔌 Port opened: /dev/ttyACM0"),
    QStringLiteral(u"\n✅ Device found"),
    QStringLiteral(u"\n\n   \n📝 Profile A written"),
    QStringLiteral(u"\n\u26A0"),
    QStringLiteral(u"\uFE0F  Aperture 2 is empty, "),
    QStringLiteral(u"filled from the lens data\n"),
    QStringLiteral(u"\n❌ Timeout waiting for the adapter"),
    QStringLiteral(u"\n🔍 Searching\n🔄 Reconnecting\nplain line without a symbol\n\t\n"),
};

} // namespace

TEST(LogLineStyle, leadingEmojiPicksSymbolAndColour) {
    for (const ORVOPalette* palette : {&ORVOPalette::dark(), &ORVOPalette::light()}) {
        const struct {
            QString line;
            QString symbol;
            QColor colour;
            QString text;
        } cases[] = {
            {QStringLiteral(u"✅ Connected"), "checkmark.circle", palette->positive, "Connected"},
            {QStringLiteral(u"⚠️  word"), "exclamationmark.triangle", kAmber, "word"},
            {QStringLiteral(u"  ❌ Failed  "), "xmark.circle", palette->negative, "Failed"},
            {QStringLiteral(u"🔌 Port"), "cable.connector", palette->text, "Port"},
            {QStringLiteral(u"📝 Written"), "square.and.pencil", palette->text, "Written"},
            {QStringLiteral(u"🔍 Looking"), "checkmark.circle", palette->positive, "Looking"},
            {QStringLiteral(u"🔄 Again"), "checkmark.circle", palette->positive, "Again"},
            // No prefix, or a prefix elsewhere in the line: the default class and the whole line.
            {QStringLiteral(u"  plain words "), "checkmark.circle", palette->positive, "plain words"},
            {QStringLiteral(u"done ✅"), "checkmark.circle", palette->positive, QStringLiteral(u"done ✅")},
            // The warning sign only counts with its emoji selector.
            {QStringLiteral(u"\u26A0 bare"), "checkmark.circle", palette->positive,
             QStringLiteral(u"\u26A0 bare")},
            {QStringLiteral(u"ℹ️ info"), "checkmark.circle", palette->positive,
             QStringLiteral(u"ℹ️ info")},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.line.toStdString());
            const ORVOStyledLog::LineStyle style = ORVOStyledLog::logLineStyle(c.line, *palette);
            EXPECT_EQ(style.symbol, c.symbol);
            EXPECT_EQ(style.colour, c.colour);
            EXPECT_EQ(style.colour.alpha(), 255);
            EXPECT_EQ(style.text, c.text);
        }
    }
}

TEST(LogMarker, existsOnlyForShippedSymbols) {
    const auto marker = ORVOStyledLog::logMarkerAttachment("xmark.circle", Qt::red);
    ASSERT_TRUE(marker.has_value());
    EXPECT_EQ(marker->objectType(), ORVOLogMarker::objectType);
    EXPECT_EQ(marker->colorProperty(ORVOLogMarker::tintProperty), QColor(Qt::red));
    EXPECT_FALSE(ORVOStyledLog::logMarkerAttachment("no.such.symbol", Qt::red).has_value());
}

TEST(StyledLog, blankLinesLeaveTheViewButStayRaw) {
    Log log;
    EXPECT_FALSE(log.log.hasVisibleLines());
    log.log.append("\n  \n\t\n");
    EXPECT_FALSE(log.log.hasVisibleLines());
    EXPECT_TRUE(log.document().toPlainText().isEmpty());

    const QString text = QStringLiteral(u"\n✅ one\n\n   \n⚠️ two\n\n");
    log.log.append(text);
    EXPECT_TRUE(log.log.hasVisibleLines());
    EXPECT_EQ(log.log.rawLogText(), "\n  \n\t\n" + text);
    const QString marker(QChar::ObjectReplacementCharacter);
    EXPECT_EQ(log.document().toPlainText(), marker + "  one\n" + marker + "  two");
}

TEST(StyledLog, linesCarryMarkerTextColourAndFont) {
    Log log;
    log.log.append(QStringLiteral(u"⚠️ careful"));
    const QList<Line> lines = linesOf(log.document());
    ASSERT_EQ(lines.size(), 1);
    ASSERT_EQ(lines[0].fragments.size(), 2);
    const QTextCharFormat& marker = lines[0].fragments[0].format;
    EXPECT_EQ(marker.stringProperty(ORVOLogMarker::symbolProperty), "exclamationmark.triangle");
    EXPECT_EQ(marker.colorProperty(ORVOLogMarker::tintProperty), kAmber);
    EXPECT_EQ(lines[0].fragments[1].text, "  careful");
    EXPECT_EQ(lines[0].fragments[1].format.foreground().color(), ORVOPalette::dark().text);

    log.log.setPalette(ORVOPalette::light());
    const QList<Line> light = linesOf(log.document());
    EXPECT_EQ(light[0].fragments[1].format.foreground().color(), ORVOPalette::light().text);
    EXPECT_EQ(light[0].fragments[0].format.colorProperty(ORVOLogMarker::tintProperty), kAmber);
    EXPECT_EQ(log.log.rawLogText(), QStringLiteral(u"⚠️ careful"));
}

// However the text arrives, the view shows what one render of the whole text shows.
TEST(StyledLog, appendingInPiecesEqualsRenderingAtOnce) {
    Log pieces;
    pieces.log.append(kPieces[0]);
    pieces.log.append(kPieces[1]);
    // A mark on the finished first line survives the later appends only if they leave it alone.
    pieces.document().firstBlock().setUserState(7);
    for (const QString& piece : kPieces.sliced(2)) {
        pieces.log.append(piece);
    }
    EXPECT_EQ(pieces.document().firstBlock().userState(), 7);
    Log whole;
    whole.log.append(kPieces.join(QString()));
    Log rerendered;
    rerendered.log.append(kPieces.first());
    rerendered.log.setPalette(ORVOPalette::light());
    rerendered.log.append(kPieces.sliced(1).join(QString()));
    rerendered.log.setPalette(ORVOPalette::dark());

    EXPECT_EQ(pieces.log.rawLogText(), whole.log.rawLogText());
    EXPECT_EQ(whole.document().blockCount(), 8);
    for (Log* other : {&whole, &rerendered}) {
        EXPECT_EQ(pieces.document().toPlainText(), other->document().toPlainText());
        EXPECT_TRUE(linesOf(pieces.document()) == linesOf(other->document()));
        EXPECT_EQ(picture(pieces.document()), picture(other->document()));
    }
    // The warning split across two appends ends up amber, not as a plain line.
    const QList<Line> lines = linesOf(pieces.document());
    EXPECT_EQ(lines[3].fragments[0].format.stringProperty(ORVOLogMarker::symbolProperty),
              "exclamationmark.triangle");
    EXPECT_EQ(lines[3].fragments[1].text, "  Aperture 2 is empty, filled from the lens data");
}
