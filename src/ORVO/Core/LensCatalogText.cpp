#include "LensCatalogText.h"

#include <QStringList>
#include <QTextBoundaryFinder>
#include <charconv>
#include <cmath>

namespace {

// Calls visit with every user-perceived character of text, so a letter and its combining marks
// stay together and a mark never becomes a separator of its own.
template <typename Visit> void forEachCharacter(const QString& text, Visit visit) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary()) {
        visit(QStringView(text).sliced(start, end - start));
        start = end;
    }
}

char32_t firstCodePoint(QStringView character) {
    const QChar first = character.front();
    if (first.isHighSurrogate() && character.size() > 1 && character[1].isLowSurrogate()) {
        return QChar::surrogateToUcs4(first, character[1]);
    }
    return first.unicode();
}

bool isNumeric(QStringView character) {
    return QChar::isNumber(firstCodePoint(character));
}

bool isLetterOrNumeric(QStringView character) {
    const char32_t codePoint = firstCodePoint(character);
    return QChar::isLetter(codePoint) || QChar::isNumber(codePoint);
}

// Decimal conversion of the whole token, independent of the process locale: only ASCII digits
// and one full stop convert. A value beyond the range of a double counts as no value: it could
// never be a focal length or an aperture.
std::optional<double> convertToken(const QString& token) {
    for (const QChar c : token) {
        if ((c < u'0' || c > u'9') && c != u'.') {
            return std::nullopt;
        }
    }
    const QByteArray ascii = token.toLatin1();
    double value = 0;
    const char* end = ascii.constData() + ascii.size();
    const auto [stop, error] = std::from_chars(ascii.constData(), end, value, std::chars_format::fixed);
    if (error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<double> lensCatalogNumber(const QString& text) {
    QString current;
    QStringList tokens;
    QStringList separators;
    forEachCharacter(text, [&](QStringView character) {
        if (isNumeric(character) || character == u".") {
            current += character;
        } else if (!current.isEmpty()) {
            tokens << current;
            current.clear();
            separators << character.toString();
        } else if (!tokens.isEmpty() && separators.size() < tokens.size()) {
            separators << character.toString();
        }
    });
    if (!current.isEmpty()) {
        tokens << current;
    }
    if (tokens.isEmpty()) {
        return std::nullopt;
    }
    // '1:1.4' and '1/2.8' name the aperture after the ratio sign.
    const bool ratio = tokens.size() >= 2 && tokens.front() == u"1" && !separators.isEmpty() &&
                       (separators.front() == u":" || separators.front() == u"/");
    return convertToken(ratio ? tokens[1] : tokens.front());
}

QString lensCatalogNormalized(const QString& text) {
    const QString lower = text.toLower();
    QString normalized;
    normalized.reserve(lower.size());
    forEachCharacter(lower, [&](QStringView character) {
        if (isLetterOrNumeric(character)) {
            normalized += character;
        }
    });
    return normalized;
}
