#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// What the adapter's profile values mean to a person: the aperture list (a byte is an index into
// it), reading a typed focal length, and the firmware version as text. Shared by the window, the
// command-line tool and the simulator, so they all agree on every value.
class ProfileValues {
public:
    ProfileValues() = delete;

    static constexpr int kMaximumFocalLength = 65535;

    // "F1.0" to "F32", 22 stops; an aperture byte is the index of its stop.
    static const QStringList& apertureTexts();
    // The index of "F2.8" (also "f/2.8", "2.8"), or nothing.
    static std::optional<uint8_t> apertureIndex(const QString& text);
    // "F2.8" for the byte 8; nothing for a byte beyond the list.
    static std::optional<QString> apertureText(uint8_t index);

    // The number at the start of a focal-length entry: any script's decimal digits count as the
    // ASCII ones, and one '.' or ',' may separate a fraction ("85", "８５", "28.5mm"). Nothing when
    // the entry does not start with a digit.
    static std::optional<double> focalLengthNumber(const QString& text);
    // The focal length as written to the adapter: the nearest whole millimetre, halves up, or nothing
    // when the entry holds no number or it is beyond 0 to 65535.
    static std::optional<uint16_t> focalLengthToWrite(const QString& text);
    static std::optional<uint16_t> focalLengthToWrite(double millimetres);

    // "85mm F1.4": the lens name composed from a focal-length entry and the first aperture.
    static QString composedLensName(const QString& focalLength, const QString& firstAperture);
    // Whether a name has that composed form, whatever its numbers ("50mm F1.0", "8mm ").
    static bool isComposedLensName(const QString& name);

    // '.' and ',' in their ASCII and full-width forms.
    static bool isDecimalSeparator(QChar c);

    // "A" to "D" for the profiles at lensSeq 0 to 3.
    static QString profileLetter(int lensSeq);
    // The lensSeq of a profile letter (either case, spaces around it allowed), or nothing.
    static std::optional<int> profileIndex(const QString& letter);

    // "M.H.L": the major version, then the minor byte's high and low nibbles.
    static QString firmwareText(uint8_t major, uint8_t minor);
};
