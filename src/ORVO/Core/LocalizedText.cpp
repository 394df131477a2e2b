#include "LocalizedText.h"

#include <QHashFunctions>
#include <QStringList>

LocalizedText LocalizedText::literal(QString text) {
    LocalizedText result;
    result.text = std::move(text);
    return result;
}

LocalizedText LocalizedText::number(qint64 value) {
    return literal(QString::number(value));
}

LocalizedText LocalizedText::keyed(const QString& key, std::vector<LocalizedText> arguments) {
    LocalizedText result;
    result.kind = Kind::Keyed;
    result.text = key;
    result.parts = std::move(arguments);
    return result;
}

LocalizedText LocalizedText::keyedOr(const QString& key, QString fallback) {
    LocalizedText result = keyed(key);
    result.fallback = std::move(fallback);
    return result;
}

LocalizedText LocalizedText::joined(std::vector<LocalizedText> parts, QString separator) {
    LocalizedText result;
    result.kind = Kind::Joined;
    result.text = std::move(separator);
    result.parts = std::move(parts);
    return result;
}

LocalizedText LocalizedText::marked(const char* marker, LocalizedText text) {
    return joined({literal(QString::fromUtf8(marker)), std::move(text)}, QStringLiteral(" "));
}

// One pass over the key's text: what an argument brings in is not searched again.
QString LocalizedText::render(const Lookup& lookup) const {
    if (kind == Kind::Literal) {
        return text;
    }
    if (kind == Kind::Joined) {
        QStringList rendered;
        for (const LocalizedText& part : parts) {
            rendered << part.render(lookup);
        }
        return rendered.join(text);
    }
    QString pattern = lookup(text);
    if (pattern == text && !fallback.isEmpty()) {
        pattern = fallback;
    }
    QString result;
    result.reserve(pattern.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const bool placeholder = pattern[i] == u'{' && i + 2 < pattern.size() && pattern[i + 1].isDigit() &&
                                 pattern[i + 2] == u'}';
        const size_t index = placeholder ? size_t(pattern[i + 1].digitValue()) : parts.size();
        if (index < parts.size()) {
            result += parts[index].render(lookup);
            i += 2;
        } else {
            result += pattern[i];
        }
    }
    return result;
}

size_t qHash(const LocalizedText& text, size_t seed) {
    seed = qHashMulti(seed, int(text.kind), text.text, text.fallback);
    for (const LocalizedText& part : text.parts) {
        seed = qHash(part, seed);
    }
    return seed;
}
