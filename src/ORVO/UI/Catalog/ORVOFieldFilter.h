#pragma once

#include <QString>
#include <QStringView>

// What the lens-name and focal-length fields keep of an edit. A lens name keeps printable ASCII and
// the Latin-1 letters, at most 46 user-perceived characters; a focal length keeps up to four digits
// (any script's, written as ASCII) and one decimal separator.
class ORVOFieldFilter {
public:
    ORVOFieldFilter() = delete;

    static constexpr int kLensNameCharacterLimit = 46;
    static constexpr int kFocalLengthDigitLimit = 4;

    // What a field keeps of an edit, and where its insertion point goes.
    struct FilteredText {
        QString text;
        int cursor = 0;
    };

    // A user-perceived character may stand in a lens name when each of its code points is printable
    // ASCII or a Latin-1 letter (U+00C0 to U+00FF).
    static bool isAllowedLensNameCharacter(QStringView character);
    static FilteredText filteredLensName(const QString& text, int cursor);
    static FilteredText filteredFocalLength(const QString& text, int cursor);
    // User-perceived characters, not code units.
    static int characterCount(const QString& text);
};
