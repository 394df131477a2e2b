#pragma once

#include <QMetaType>
#include <QString>
#include <functional>
#include <vector>

// A text for the user kept as what it says rather than in which words: a message key with its
// arguments, a literal (an adapter's name, a path, a number), or pieces joined by a separator. It is
// put into words only when shown, so a log kept this way speaks whichever language is current.
// Arguments stay arguments: a path holding "{1}" is never read as a placeholder.
class LocalizedText {
public:
    using Lookup = std::function<QString(const QString& key)>;

    LocalizedText() = default;
    static LocalizedText literal(QString text);
    static LocalizedText number(qint64 value);
    // "{0}", "{1}", … in the key's text stand for the arguments.
    static LocalizedText keyed(const QString& key, std::vector<LocalizedText> arguments = {});
    // The same, in the fixed words fallback while no language file has the key (the line that says
    // the language file could not be loaded).
    static LocalizedText keyedOr(const QString& key, QString fallback);
    static LocalizedText joined(std::vector<LocalizedText> parts, QString separator = {});
    // A log line: its marker (an emoji that sets the line's style), a blank, the text.
    static LocalizedText marked(const char* marker, LocalizedText text);

    // In the words lookup gives each key (LocalizationManager::text gives the current language's).
    QString render(const Lookup& lookup) const;

    bool operator==(const LocalizedText& other) const = default;
    friend size_t qHash(const LocalizedText& text, size_t seed);

private:
    enum class Kind { Literal, Keyed, Joined };

    Kind kind = Kind::Literal;
    // The literal, the key or the separator.
    QString text;
    QString fallback;
    std::vector<LocalizedText> parts;
};

size_t qHash(const LocalizedText& text, size_t seed = 0);

Q_DECLARE_METATYPE(LocalizedText)
