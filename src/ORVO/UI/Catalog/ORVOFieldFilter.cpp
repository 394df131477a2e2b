#include "ORVOFieldFilter.h"

#include "ProfileValues.h"

#include <QList>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace {

// Keeps, in order, the user-perceived characters the rule accepts. The insertion point stays after
// the same kept characters it followed, wherever the removed ones were.
ORVOFieldFilter::FilteredText keepCharacters(const QString& value, int cursor, bool (*accepts)(QStringView)) {
    ORVOFieldFilter::FilteredText kept;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, value);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        const QStringView character = QStringView(value).mid(start, end - start);
        if (accepts(character)) {
            kept.text += character;
            if (end <= cursor) {
                kept.cursor = static_cast<int>(kept.text.size());
            }
        }
        start = end;
    }
    return kept;
}

// The whole user-perceived characters from the start of the text that fit in the bytes given.
QString leadingCharactersWithin(const QString& value, int bytes) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, value);
    qsizetype start = 0;
    int used = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        used += ORVOFieldFilter::byteCount(value.mid(start, end - start));
        if (used > bytes) {
            break;
        }
        start = end;
    }
    return value.left(start);
}

} // namespace

int ORVOFieldFilter::byteCount(const QString& value) {
    return static_cast<int>(value.toUtf8().size());
}

bool ORVOFieldFilter::isAllowedLensNameCharacter(QStringView character) {
    const QList<uint> codePoints = character.toUcs4();
    return !codePoints.isEmpty() && std::all_of(codePoints.begin(), codePoints.end(), [](uint u) {
        return (u >= 0x20 && u <= 0x7E) || (u >= 0xC0 && u <= 0xFF);
    });
}

ORVOFieldFilter::FilteredText ORVOFieldFilter::filteredLensName(const QString& value, int cursor) {
    FilteredText kept = keepCharacters(value, cursor, &isAllowedLensNameCharacter);
    if (byteCount(kept.text) <= kLensNameByteLimit) {
        return kept;
    }
    kept.cut = true;
    const QString after = kept.text.mid(kept.cursor);
    if (byteCount(after) > kLensNameByteLimit) {
        // Only a name that was over the limit before the edit gets here: its start stays.
        kept.text = leadingCharactersWithin(kept.text, kLensNameByteLimit);
        kept.cursor = std::min(kept.cursor, static_cast<int>(kept.text.size()));
        return kept;
    }
    const QString before =
        leadingCharactersWithin(kept.text.left(kept.cursor), kLensNameByteLimit - byteCount(after));
    kept.text = before + after;
    kept.cursor = static_cast<int>(before.size());
    return kept;
}

// Digits of any script become ASCII digits as typed ("８５" is 85), and one decimal separator stays
// ("28.5"), so the field shows the number a save rounds and writes.
ORVOFieldFilter::FilteredText ORVOFieldFilter::filteredFocalLength(const QString& value, int cursor) {
    FilteredText kept;
    int digits = 0;
    bool separator = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c.isDigit() && digits < kFocalLengthDigitLimit) {
            kept.text += QChar(u'0' + c.digitValue());
            ++digits;
        } else if (ProfileValues::isDecimalSeparator(c) && !separator && digits > 0) {
            kept.text += u'.';
            separator = true;
        }
        if (i < cursor) {
            kept.cursor = static_cast<int>(kept.text.size());
        }
    }
    return kept;
}
