#include "ORVOStyledLog.h"

#include "LocalizationManager.h"
#include "ORVOLogMarker.h"
#include "SymbolIcon.h"
#include "Typography.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <array>

namespace {

// In points, like the log font.
constexpr qreal kLineSpacing = 7;
constexpr qreal kHeadIndent = 24;
const QString kMarkerGap = QStringLiteral("  ");

enum class Tint { Positive, Negative, Text, Amber };

struct LineClass {
    QStringView prefix;
    const char* symbol;
    Tint tint;
};

// Tried in order; the first prefix that begins the trimmed line wins.
constexpr std::array<LineClass, 7> kLineClasses{{
    {u"\u2705", "checkmark.circle", Tint::Positive},
    {u"\u26A0\uFE0F", "exclamationmark.triangle", Tint::Amber},
    {u"\u274C", "xmark.circle", Tint::Negative},
    {u"\U0001F50C", "cable.connector", Tint::Text},
    {u"\U0001F4DD", "square.and.pencil", Tint::Text},
    {u"\U0001F50D", "checkmark.circle", Tint::Positive},
    {u"\U0001F504", "checkmark.circle", Tint::Positive},
}};

QColor colourOf(Tint tint, const ORVOPalette& palette) {
    switch (tint) {
    case Tint::Positive:
        return palette.positive;
    case Tint::Negative:
        return palette.negative;
    case Tint::Text:
        // Not the selected-text colour: that is the card's own shade in both themes and would
        // hide the port and state markers.
        return palette.text;
    case Tint::Amber:
        break;
    }
    // The warning amber reads on both palettes, so it is not part of them.
    return QColor::fromRgbF(228 / 255.0f, 176 / 255.0f, 60 / 255.0f, 1.0f);
}

} // namespace

ORVOStyledLog::ORVOStyledLog(QTextEdit* view, const ORVOPalette& palette) : view(view), colours(palette) {
    paragraph.setLineHeight(kLineSpacing, QTextBlockFormat::LineDistanceHeight);
    // Wrapped continuation lines start under the text, not under the symbol.
    const qreal headIndent = kHeadIndent;
    paragraph.setLeftMargin(headIndent);
    paragraph.setTextIndent(-headIndent);
    paragraph.setTopMargin(0);
    paragraph.setBottomMargin(0);
    textFormat.setFont(Typography::log());

    // The log only grows; an undo history of it would grow alongside for nothing.
    view->document()->setUndoRedoEnabled(false);
    ORVOLogMarker::install(view->document());
    renderAll();
}

ORVOStyledLog::LineStyle ORVOStyledLog::logLineStyle(const QString& line, const ORVOPalette& palette) {
    const QString trimmed = line.trimmed();
    for (const LineClass& lineClass : kLineClasses) {
        if (trimmed.startsWith(lineClass.prefix)) {
            return {QString::fromLatin1(lineClass.symbol), colourOf(lineClass.tint, palette),
                    trimmed.mid(lineClass.prefix.size()).trimmed()};
        }
    }
    return {QStringLiteral("checkmark.circle"), palette.positive, trimmed};
}

std::optional<QTextCharFormat> ORVOStyledLog::logMarkerAttachment(const QString& symbol, const QColor& tint) {
    if (!SymbolIcon::exists(symbol)) {
        return std::nullopt;
    }
    return ORVOLogMarker::format(symbol, tint, Typography::log());
}

void ORVOStyledLog::append(const LocalizedText& entry) {
    const QString text = LocalizationManager::text(entry);
    if (text.isEmpty()) {
        return;
    }
    entries.push_back({entry, text.size()});
    raw += text;
    lineBreaks += text.count(u'\n');
    QTextCursor cursor(view->document());
    cursor.beginEditBlock();
    if (openLineShown) {
        clearLastBlock(cursor);
    }
    renderFrom(cursor, openLineStart);
    cursor.endEditBlock();
    dropOldestLines();
    scrollToEnd();
}

// Cuts the text before the oldest kept line and the blocks its shown lines had.
void ORVOStyledLog::dropOldestLines() {
    const int droppedShown = trimRaw();
    if (droppedShown == 0) {
        return;
    }
    if (droppedShown >= shownLines) {
        renderAll();
        return;
    }
    QTextCursor cursor(view->document());
    cursor.setPosition(view->document()->findBlockByNumber(droppedShown).position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    shownLines -= droppedShown;
}

int ORVOStyledLog::trimRaw() {
    qsizetype excess = lineBreaks - (kMaximumLines - 1);
    if (excess <= 0) {
        return 0;
    }
    qsizetype cut = 0;
    int droppedShown = 0;
    for (; excess > 0; --excess) {
        const qsizetype end = raw.indexOf(u'\n', cut);
        droppedShown += QStringView(raw).mid(cut, end - cut).trimmed().isEmpty() ? 0 : 1;
        cut = end + 1;
        --lineBreaks;
    }
    raw.remove(0, cut);
    openLineStart -= cut;
    cutFromFirst += cut;
    while (!entries.empty() && cutFromFirst >= entries.front().length) {
        cutFromFirst -= entries.front().length;
        entries.pop_front();
    }
    return droppedShown;
}

// The cap counts lines, and other words may take other lines: the oldest are cut again after.
void ORVOStyledLog::retranslate() {
    raw.clear();
    for (Entry& entry : entries) {
        const QString text = LocalizationManager::text(entry.text);
        entry.length = text.size();
        raw += text;
    }
    cutFromFirst = 0;
    lineBreaks = raw.count(u'\n');
    trimRaw();
    renderAll();
}

void ORVOStyledLog::setPalette(const ORVOPalette& palette) {
    colours = palette;
    renderAll();
}

void ORVOStyledLog::renderAll() {
    QTextDocument* document = view->document();
    document->clear();
    shownLines = 0;
    lastBlockEmpty = true;
    openLineShown = false;
    textFormat.setForeground(colours.text);
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    renderFrom(cursor, 0);
    cursor.endEditBlock();
    scrollToEnd();
}

void ORVOStyledLog::renderFrom(QTextCursor& cursor, qsizetype from) {
    cursor.movePosition(QTextCursor::End);
    const QStringView text = QStringView(raw).mid(from);
    qsizetype start = 0;
    while (true) {
        const qsizetype end = text.indexOf(u'\n', start);
        const QStringView line = text.mid(start, end < 0 ? text.size() - start : end - start);
        const bool shown = !line.trimmed().isEmpty();
        if (shown) {
            renderLine(cursor, line);
        }
        if (end < 0) {
            openLineStart = from + start;
            openLineShown = shown;
            return;
        }
        start = end + 1;
    }
}

void ORVOStyledLog::renderLine(QTextCursor& cursor, QStringView line) {
    if (lastBlockEmpty) {
        cursor.setBlockFormat(paragraph);
        cursor.setBlockCharFormat(textFormat);
        lastBlockEmpty = false;
    } else {
        cursor.insertBlock(paragraph, textFormat);
    }
    ++shownLines;
    const LineStyle style = logLineStyle(line.toString(), colours);
    if (const auto marker = logMarkerAttachment(style.symbol, style.colour)) {
        cursor.insertText(QString(QChar::ObjectReplacementCharacter), *marker);
        cursor.insertText(kMarkerGap + style.text, textFormat);
    } else {
        cursor.insertText(style.text, textFormat);
    }
}

// Empties the block but keeps it: taking the line break before it would merge the finished line
// above into the block being redone.
void ORVOStyledLog::clearLastBlock(QTextCursor& cursor) {
    cursor.setPosition(view->document()->lastBlock().position());
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    --shownLines;
    lastBlockEmpty = true;
}

void ORVOStyledLog::scrollToEnd() {
    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(bar->maximum());
}
