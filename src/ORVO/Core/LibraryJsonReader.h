#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

// The strict reading of the lens library's JSON: every field is checked, a field the format does not
// know is refused, and the first bad field sets the error to its path and what is allowed there, such
// as "lenses[3].name: a text of 1 to 40 bytes as UTF-8, without control characters".
class LibraryJsonReader {
public:
    explicit LibraryJsonReader(QString* error) : error_(error) {}

    // Always false, so that a reader can return it.
    bool fail(const QString& path, const QString& allowed);

    // An object holding every required key and no key outside required and optional.
    bool object(const QJsonValue& value, const QString& path, const QStringList& required,
                const QStringList& optional, QJsonObject* out);
    // A text of minBytes to maxBytes as UTF-8 without control characters (line breaks allowed
    // where lineBreaks holds).
    bool text(const QJsonValue& value, const QString& path, int minBytes, int maxBytes, QString* out,
              bool lineBreaks = false);
    bool wholeNumber(const QJsonValue& value, const QString& path, int minimum, int maximum, int* out);
    // A UTC time in ISO 8601 with milliseconds, "2026-12-07T14:30:00.000Z".
    bool time(const QJsonValue& value, const QString& path, QDateTime* out);
    // A profile letter, "A" to "D".
    bool letter(const QJsonValue& value, const QString& path, int* out);

    static QString timeText(const QDateTime& time);

private:
    QString* error_;
};
