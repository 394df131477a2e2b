#include "ORVOFieldFilter.h"

#include "ProfileValues.h"

#include <QList>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace {

// Keeps, in order, the user-perceived characters the rule accepts, at most limit of them. The
// insertion point stays after the same kept characters it followed, wherever the removed ones were.
ORVOFieldFilter::FilteredText keepCharacters(const QString& value, int cursor, int limit,
                                             bool (*accepts)(QStringView)) {
    ORVOFieldFilter::FilteredText kept;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, value);
    qsizetype start = 0;
    int count = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1 && count < limit; end = finder.toNextBoundary()) {
        const QStringView character = QStringView(value).mid(start, end - start);
        if (accepts(character)) {
            kept.text += character;
            ++count;
            if (end <= cursor) {
                kept.cursor = static_cast<int>(kept.text.size());
            }
        }
        start = end;
    }
    return kept;
}


} // namespace

int ORVOFieldFilter::characterCount(const QString& value) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, value);
    int count = 0;
    while (finder.toNextBoundary() != -1) {
        ++count;
    }
    return count;
}


bool ORVOFieldFilter::isAllowedLensNameCharacter(QStringView character) {
    const QList<uint> codePoints = character.toUcs4();
    return !codePoints.isEmpty() && std::all_of(codePoints.begin(), codePoints.end(), [](uint u) {
        return (u >= 0x20 && u <= 0x7E) || (u >= 0xC0 && u <= 0xFF);
    });
}

ORVOFieldFilter::FilteredText ORVOFieldFilter::filteredLensName(const QString& value, int cursor) {
    return keepCharacters(value, cursor, kLensNameCharacterLimit, &isAllowedLensNameCharacter);
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
