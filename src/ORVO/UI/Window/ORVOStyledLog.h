#pragma once

#include "LocalizedText.h"
#include "ORVOPalette.h"

#include <QColor>
#include <QString>
#include <QStringView>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <deque>
#include <optional>

class QTextCursor;
class QTextEdit;

// The connection log as the window shows it: each non-blank line of the plain log behind a coloured
// symbol chosen by the line's leading emoji. Keeps every entry as what it says (its message key and
// arguments) and the whole plain text in the current language (rawLogText), and renders into a text
// view it does not own. A change of language puts every kept entry into the new words.
//
// Appending renders only what the new text touches (the last, unfinished line and the new ones),
// so an append costs the same at line 10 and at line 10,000; the view always equals a render of the
// whole text. A palette change renders everything again.
class ORVOStyledLog {
public:
    // The oldest lines drop off beyond this many, so a day of retries costs no memory.
    static constexpr qsizetype kMaximumLines = 5000;

    struct LineStyle {
        QString symbol;
        QColor colour;
        QString text;
    };

    ORVOStyledLog(QTextEdit* view, const ORVOPalette& palette);
    ORVOStyledLog(const ORVOStyledLog&) = delete;
    ORVOStyledLog& operator=(const ORVOStyledLog&) = delete;

    // Classifies one line by its leading emoji; the text is what follows the emoji, trimmed.
    static LineStyle logLineStyle(const QString& line, const ORVOPalette& palette);

    // The marker character for a symbol, or nothing when no such symbol ships.
    static std::optional<QTextCharFormat> logMarkerAttachment(const QString& symbol, const QColor& tint);

    // Adds an entry (which carries its own line breaks) to the log and scrolls to the end.
    void append(const LocalizedText& entry);
    void append(const QString& text) { append(LocalizedText::literal(text)); }

    // Renders every kept entry again in the current language.
    void retranslate();

    // Renders the whole log again in the palette's colours.
    void setPalette(const ORVOPalette& palette);

    const QString& rawLogText() const { return raw; }
    bool hasVisibleLines() const { return shownLines > 0; }

private:
    void renderAll();
    // Renders the lines of raw from position from on, after what the view shows.
    void renderFrom(QTextCursor& cursor, qsizetype from);
    void renderLine(QTextCursor& cursor, QStringView line);
    void clearLastBlock(QTextCursor& cursor);
    void scrollToEnd();
    void dropOldestLines();
    // Cuts raw before its oldest kept line, and the entries wholly cut with it; returns how many of
    // the cut lines were shown.
    int trimRaw();

    QTextEdit* view;
    ORVOPalette colours;
    QTextBlockFormat paragraph;
    QTextCharFormat textFormat;
    struct Entry {
        LocalizedText text;
        qsizetype length = 0;
    };
    // raw is these entries' words, less the first cutFromFirst characters of the first.
    std::deque<Entry> entries;
    qsizetype cutFromFirst = 0;
    QString raw;
    qsizetype lineBreaks = 0;
    int shownLines = 0;
    // The document ends in an empty block that the next shown line fills.
    bool lastBlockEmpty = true;
    // The line after the last line break is still open: the next append may extend it.
    qsizetype openLineStart = 0;
    bool openLineShown = false;
};
