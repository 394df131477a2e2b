#pragma once

#include "DataStructures.h"

#include <QString>
#include <QStringView>

// What the lens-name and focal-length fields keep of an edit. A lens name keeps printable ASCII and
// the Latin-1 letters, at most the 40 bytes of UTF-8 the adapter stores, never part of a character;
// a focal length keeps up to four digits (any script's, written as ASCII) and one decimal separator.
class ORVOFieldFilter {
public:
    ORVOFieldFilter() = delete;

    static constexpr int kLensNameByteLimit = static_cast<int>(LensNameBytes().size());
    static constexpr int kFocalLengthDigitLimit = 4;

    // What a field keeps of an edit, and where its insertion point goes.
    struct FilteredText {
        QString text;
        int cursor = 0;
        // The byte limit left out characters the rule allowed.
        bool cut = false;
    };

    // A user-perceived character may stand in a lens name when each of its code points is printable
    // ASCII or a Latin-1 letter (U+00C0 to U+00FF).
    static bool isAllowedLensNameCharacter(QStringView character);
    // An edit leaves the insertion point after what it inserted, so a name over the limit loses the
    // end of what comes before the insertion point: typing at the limit stops, a paste is cut short.
    static FilteredText filteredLensName(const QString& text, int cursor);
    static FilteredText filteredFocalLength(const QString& text, int cursor);
    static int byteCount(const QString& text);
};
