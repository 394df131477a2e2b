#include "LibraryJsonReader.h"

#include "ProfileValues.h"

#include <algorithm>
#include <cmath>

bool LibraryJsonReader::fail(const QString& path, const QString& allowed) {
    if (error_ && error_->isEmpty()) {
        *error_ = path + QStringLiteral(": ") + allowed;
    }
    return false;
}

bool LibraryJsonReader::object(const QJsonValue& value, const QString& path, const QStringList& required,
                               const QStringList& optional, QJsonObject* out) {
    const auto keys = [&] { return (required + optional).join(QStringLiteral(", ")); };
    if (!value.isObject()) {
        return fail(path, QStringLiteral("an object with ") + keys());
    }
    *out = value.toObject();
    const QString prefix = path.isEmpty() ? QString() : path + u'.';
    for (const QString& key : required) {
        if (!out->contains(key)) {
            return fail(prefix + key, QStringLiteral("a value; it is missing"));
        }
    }
    for (auto it = out->begin(); it != out->end(); ++it) {
        if (!required.contains(it.key()) && !optional.contains(it.key())) {
            return fail(prefix + it.key(),
                        QStringLiteral("nothing: not a field of this format (it has ") + keys() + u')');
        }
    }
    return true;
}

bool LibraryJsonReader::text(const QJsonValue& value, const QString& path, int minBytes, int maxBytes,
                             QString* out, bool lineBreaks) {
    const QString text = value.toString();
    const qsizetype bytes = text.toUtf8().size();
    const bool controls = std::any_of(text.begin(), text.end(), [lineBreaks](QChar c) {
        return c.category() == QChar::Other_Control && !(lineBreaks && c == u'\n');
    });
    if (!value.isString() || bytes < minBytes || bytes > maxBytes || controls) {
        return fail(path, QStringLiteral("a text of %1 to %2 bytes as UTF-8, without control characters")
                              .arg(minBytes)
                              .arg(maxBytes));
    }
    *out = text;
    return true;
}

bool LibraryJsonReader::wholeNumber(const QJsonValue& value, const QString& path, int minimum, int maximum,
                                    int* out) {
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number != std::floor(number) || number < minimum || number > maximum) {
        return fail(path, QStringLiteral("a whole number from %1 to %2").arg(minimum).arg(maximum));
    }
    *out = int(number);
    return true;
}

bool LibraryJsonReader::time(const QJsonValue& value, const QString& path, QDateTime* out) {
    const QDateTime time = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    if (!value.isString() || !time.isValid()) {
        return fail(path, QStringLiteral("a time such as \"2026-12-07T14:30:00.000Z\""));
    }
    *out = time.toUTC();
    return true;
}

bool LibraryJsonReader::letter(const QJsonValue& value, const QString& path, int* out) {
    const auto index = ProfileValues::profileIndex(value.toString());
    if (!value.isString() || !index || value.toString() != ProfileValues::profileLetter(*index)) {
        return fail(path, QStringLiteral("one of A, B, C, D"));
    }
    *out = *index;
    return true;
}

QString LibraryJsonReader::timeText(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}
