#include "Mnemonic.h"

namespace Mnemonic {

QString apply(const QString& caption, const QString& letter) {
    QString escaped = caption;
    escaped.replace('&', QStringLiteral("&&"));
    if (letter.size() != 1 || !letter.at(0).isLetterOrNumber()) {
        return escaped;
    }
    const qsizetype at = escaped.indexOf(letter, 0, Qt::CaseInsensitive);
    if (at >= 0) {
        return escaped.insert(at, '&');
    }
    return escaped + QStringLiteral("(&") + letter.toUpper() + ')';
}

} // namespace Mnemonic
