#include "ProfileValues.h"

#include "DataStructures.h"

#include <QRegularExpression>
#include <cmath>

namespace {

// The value of a decimal digit in any script, or -1.
int digitValue(QChar c) {
    return c.isDigit() ? c.digitValue() : -1;
}

} // namespace

bool ProfileValues::isDecimalSeparator(QChar c) {
    return c == u'.' || c == u',' || c == u'．' || c == u'，';
}

const QStringList& ProfileValues::apertureTexts() {
    static const QStringList texts = {"F1.0", "F1.2", "F1.4", "F1.6", "F1.8", "F2.0", "F2.2", "F2.5",
                                      "F2.8", "F3.2", "F3.5", "F4.0", "F4.5", "F5.0", "F5.6", "F6.3",
                                      "F7.1", "F8.0", "F11",  "F16",  "F22",  "F32"};
    return texts;
}

std::optional<uint8_t> ProfileValues::apertureIndex(const QString& text) {
    QString number = text.trimmed();
    if (number.startsWith(u"f/", Qt::CaseInsensitive)) {
        number = number.mid(2);
    } else if (number.startsWith(u'F', Qt::CaseInsensitive)) {
        number = number.mid(1);
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok) {
        return std::nullopt;
    }
    const QStringList& texts = apertureTexts();
    for (int i = 0; i < texts.size(); ++i) {
        if (std::abs(texts[i].mid(1).toDouble() - value) < 0.001) {
            return uint8_t(i);
        }
    }
    return std::nullopt;
}

std::optional<QString> ProfileValues::apertureText(uint8_t index) {
    const QStringList& texts = apertureTexts();
    return index < texts.size() ? std::optional(texts[index]) : std::nullopt;
}

std::optional<double> ProfileValues::focalLengthNumber(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || digitValue(trimmed.front()) < 0) {
        return std::nullopt;
    }
    QString number;
    bool separatorSeen = false;
    for (const QChar c : trimmed) {
        if (const int digit = digitValue(c); digit >= 0) {
            number += QChar(u'0' + digit);
        } else if (ProfileValues::isDecimalSeparator(c) && !separatorSeen) {
            number += u'.';
            separatorSeen = true;
        } else {
            break;
        }
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<uint16_t> ProfileValues::focalLengthToWrite(double millimetres) {
    const double rounded = std::floor(millimetres + 0.5);
    if (!std::isfinite(rounded) || rounded < 0 || rounded > kMaximumFocalLength) {
        return std::nullopt;
    }
    return uint16_t(rounded);
}

std::optional<uint16_t> ProfileValues::focalLengthToWrite(const QString& text) {
    const auto number = focalLengthNumber(text);
    return number ? focalLengthToWrite(*number) : std::nullopt;
}

QString ProfileValues::firmwareText(uint8_t major, uint8_t minor) {
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor >> 4).arg(minor & 0x0F);
}

QString ProfileValues::composedLensName(const QString& focalLength, const QString& firstAperture) {
    return focalLength + QStringLiteral("mm ") + firstAperture;
}

bool ProfileValues::isComposedLensName(const QString& name) {
    static const QRegularExpression composed(QStringLiteral("^\\S*mm (F[0-9.]+)?$"));
    return composed.match(name).hasMatch();
}

QString ProfileValues::profileLetter(int lensSeq) {
    return QString(QChar(u'A' + lensSeq));
}

std::optional<int> ProfileValues::profileIndex(const QString& letter) {
    const QString text = letter.trimmed().toUpper();
    if (text.size() != 1 || text[0] < u'A' || text[0] >= QChar(u'A' + kAdapterProfileCount)) {
        return std::nullopt;
    }
    return text[0].unicode() - u'A';
}
