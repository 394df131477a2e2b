#include "AdapterSnapshot.h"

#include "ProfileValues.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {

// The letter's index, or -1.
int letterIndex(const QJsonValue& value) {
    return ProfileValues::profileIndex(value.toString()).value_or(-1);
}

// How the JSON form shows an aperture byte: "F2.8", or "?23" for one beyond the list.
QString apertureJsonText(uint8_t value) {
    return ProfileValues::apertureText(value).value_or(QStringLiteral("?%1").arg(value));
}

// How the JSON form shows the default lens: its letter, or its number beyond D.
QString defaultLensJsonText(uint8_t value) {
    return value < kAdapterProfileCount ? ProfileValues::profileLetter(value) : QString::number(value);
}

bool hasControlCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

QJsonObject profileJson(const L2PC03_TD& profile, int index) {
    QJsonArray apertures;
    for (const uint8_t value : profile.ApretureValue) {
        apertures.append(apertureJsonText(value));
    }
    return {{"letter", ProfileValues::profileLetter(index)},
            {"focalLength", profile.WideFlocalLength},
            {"apertures", apertures},
            {"name", profile.getLensNameString()}};
}

// Reads one answer from its hex form over packet: exactly one whole packet of its kind whose checksum
// adds up. False for anything else; a missing value leaves packet as it is.
template <typename Packet> bool readRaw(const QJsonValue& value, Packet& packet) {
    if (value.isUndefined()) {
        return true;
    }
    static const QRegularExpression hexText(QStringLiteral("^[0-9A-Fa-f ]*$"));
    if (!value.isString() || !hexText.match(value.toString()).hasMatch()) {
        return false;
    }
    const QByteArray bytes = QByteArray::fromHex(value.toString().toLatin1());
    const auto decoded = Packet::fromData(bytes);
    if (bytes.size() != Packet::wireSize || !bytes.startsWith(packetPrefix<Packet>()) ||
        uint8_t(bytes.back()) != kPacketEnd || !decoded || !decoded->verifyChecksum()) {
        return false;
    }
    packet = *decoded;
    return true;
}

class Reader {
public:
    explicit Reader(QString* error) : error_(error) {}

    bool fail(const QString& path, const QString& allowed) {
        if (error_) {
            *error_ = path + QStringLiteral(": ") + allowed;
        }
        return false;
    }

    bool readRawPackets(const QJsonValue& value, AdapterSnapshot& s) {
        if (!value.isUndefined() && !value.isObject()) {
            return fail("raw", "an object with the answers' hex bytes");
        }
        const QJsonObject raw = value.toObject();
        if (!readRaw(raw.value("L2PC01"), s.info)) {
            return fail("raw.L2PC01", "the hex bytes of a device-information answer");
        }
        if (!readRaw(raw.value("L2PC02"), s.settings)) {
            return fail("raw.L2PC02", "the hex bytes of a settings answer");
        }
        const QJsonValue profiles = raw.value("L2PC03");
        if (!profiles.isUndefined() &&
            (!profiles.isArray() || profiles.toArray().size() > kAdapterProfileCount)) {
            return fail("raw.L2PC03", "a list of up to four profile answers, A first");
        }
        const QJsonArray list = profiles.toArray();
        for (int i = 0; i < list.size(); ++i) {
            if (!readRaw(list[i], s.profiles[i]) || s.profiles[i].lensSeq != i) {
                return fail(QStringLiteral("raw.L2PC03[%1]").arg(i),
                            "the hex bytes of that profile's answer");
            }
        }
        return true;
    }

    // A letter, or the value the answers hold written as the JSON form writes it.
    bool readDefaultLens(const QJsonValue& value, L2PC02_TD& settings) {
        const int index = letterIndex(value);
        if (index < 0 && value.toString() != defaultLensJsonText(settings.DefaultCustomLens)) {
            return fail("defaultLens", "one of A, B, C, D");
        }
        if (index >= 0) {
            settings.DefaultCustomLens = uint8_t(index);
            settings.calculateChecksum();
        }
        return true;
    }

    bool readProfiles(const QJsonValue& value, AdapterSnapshot& s) {
        if (!value.isUndefined() && (!value.isArray() || value.toArray().size() > kAdapterProfileCount)) {
            return fail("profiles", "a list of up to four profiles");
        }
        const QJsonArray list = value.toArray();
        std::array<bool, kAdapterProfileCount> seen{};
        for (int i = 0; i < list.size(); ++i) {
            if (!readProfile(list[i], i, s, seen)) {
                return false;
            }
        }
        return true;
    }

private:
    bool readProfile(const QJsonValue& value, int position, AdapterSnapshot& s,
                     std::array<bool, kAdapterProfileCount>& seen) {
        const QString path = QStringLiteral("profiles[%1]").arg(position);
        if (!value.isObject()) {
            return fail(path, "an object with letter, focalLength, apertures and name");
        }
        const QJsonObject p = value.toObject();
        const int index = p.contains("letter") ? letterIndex(p.value("letter")) : position;
        if (index < 0) {
            return fail(path + ".letter", "one of A, B, C, D");
        }
        if (seen[size_t(index)]) {
            return fail(path + ".letter", "a letter no other profile of the list has");
        }
        seen[size_t(index)] = true;
        L2PC03_TD& profile = s.profiles[size_t(index)];
        if ((p.contains("focalLength") && !readFocalLength(p.value("focalLength"), path, profile)) ||
            (p.contains("apertures") && !readApertures(p.value("apertures"), path, profile)) ||
            (p.contains("name") && !readName(p.value("name"), path, profile))) {
            return false;
        }
        profile.lensSeq = uint8_t(index);
        profile.calculateChecksum();
        return true;
    }

    bool readFocalLength(const QJsonValue& value, const QString& path, L2PC03_TD& profile) {
        const double number = value.toDouble(-1);
        if (!value.isDouble() || number != std::floor(number) || number < 0 ||
            number > ProfileValues::kMaximumFocalLength) {
            return fail(path + ".focalLength", "a whole number from 0 to 65535");
        }
        // The window writes one focal length to both ends of the range; so does a restore by hand.
        if (profile.WideFlocalLength != uint16_t(number)) {
            profile.TeleFlocalLength = uint16_t(number);
        }
        profile.WideFlocalLength = uint16_t(number);
        return true;
    }

    // A name that reads as the one the profile holds keeps its bytes, so that a backup restores a
    // name the adapter holds in bytes that are no UTF-8, or with bytes after its end. A name ends at
    // its first zero, as the field does; any other control character is refused.
    bool readName(const QJsonValue& value, const QString& path, L2PC03_TD& profile) {
        const QString text = value.toString();
        const QString name = text.left(text.indexOf(QChar(0)));
        if (!value.isString() || (name != profile.getLensNameString() && hasControlCharacter(name))) {
            return fail(path + ".name", "a text without control characters (up to 40 bytes as UTF-8)");
        }
        if (name != profile.getLensNameString()) {
            fillZeroPaddedText(profile.LensNameString.data(), profile.LensNameString.size(), name);
        }
        return true;
    }

    // An aperture of the list, or the value the answer holds written as the JSON form writes it.
    bool readApertures(const QJsonValue& value, const QString& path, L2PC03_TD& profile) {
        const QJsonArray apertures = value.toArray();
        if (!value.isArray() || apertures.size() != kAperturesPerProfile) {
            return fail(path + ".apertures", "a list of four F texts such as \"F2.8\"");
        }
        for (int k = 0; k < apertures.size(); ++k) {
            uint8_t& held = profile.ApretureValue[size_t(k)];
            const auto index = ProfileValues::apertureIndex(apertures[k].toString());
            if (!apertures[k].isString() || (!index && apertures[k].toString() != apertureJsonText(held))) {
                return fail(QStringLiteral("%1.apertures[%2]").arg(path).arg(k),
                            "one of " + ProfileValues::apertureTexts().join(", "));
            }
            held = index.value_or(held);
        }
        return true;
    }

    QString* error_;
};

} // namespace

QJsonObject AdapterSnapshot::toJson() const {
    QJsonArray profileList;
    QJsonArray rawProfiles;
    for (int i = 0; i < kAdapterProfileCount; ++i) {
        profileList.append(profileJson(profiles[i], i));
        rawProfiles.append(packetHexText(profiles[i].toData()));
    }
    return {
        {"format", kFormatName},
        {"version", kFormatVersion},
        {"adapter",
         QJsonObject{{"model", info.getDeviceModelString()},
                     {"serial", info.getDeviceSNString()},
                     {"firmware", ProfileValues::firmwareText(info.VerNo_major, info.VerNo_minor)}}},
        {"defaultLens", defaultLensJsonText(settings.DefaultCustomLens)},
        {"profiles", profileList},
        {"raw", QJsonObject{{"L2PC01", packetHexText(info.toData())},
                            {"L2PC02", packetHexText(settings.toData())},
                            {"L2PC03", rawProfiles}}},
    };
}

std::optional<AdapterSnapshot> AdapterSnapshot::fromJson(const QJsonObject& json, const AdapterSnapshot& base,
                                                         QString* error) {
    Reader reader(error);
    if (json.value("format").toString() != QLatin1String(kFormatName)) {
        reader.fail("format", QStringLiteral("\"%1\"").arg(kFormatName));
        return std::nullopt;
    }
    if (json.value("version").toInt(-1) != kFormatVersion) {
        reader.fail("version", QString::number(kFormatVersion));
        return std::nullopt;
    }
    AdapterSnapshot s = base;
    const bool read =
        reader.readRawPackets(json.value("raw"), s) &&
        (!json.contains("defaultLens") || reader.readDefaultLens(json.value("defaultLens"), s.settings)) &&
        reader.readProfiles(json.value("profiles"), s);
    return read ? std::optional(s) : std::nullopt;
}

QString AdapterSnapshot::UnstorableField::path() const {
    return profile < 0 ? QStringLiteral("defaultLens")
                       : QStringLiteral("profiles[%1].apertures[%2]").arg(profile).arg(aperture);
}

AdapterSnapshot AdapterSnapshot::storableOver(const AdapterSnapshot& adapter,
                                              QList<UnstorableField>* leftAlone) const {
    AdapterSnapshot s = *this;
    if (s.settings.DefaultCustomLens >= kAdapterProfileCount) {
        s.settings.DefaultCustomLens = adapter.settings.DefaultCustomLens;
        s.settings.calculateChecksum();
        leftAlone->append(UnstorableField{});
    }
    for (size_t i = 0; i < s.profiles.size(); ++i) {
        L2PC03_TD& profile = s.profiles[i];
        for (size_t k = 0; k < profile.ApretureValue.size(); ++k) {
            if (!ProfileValues::apertureText(profile.ApretureValue[k])) {
                profile.ApretureValue[k] = adapter.profiles[i].ApretureValue[k];
                leftAlone->append(UnstorableField{int(i), int(k)});
            }
        }
        profile.calculateChecksum();
    }
    return s;
}

bool AdapterSnapshot::holdsSameValues(const AdapterSnapshot& other) const {
    return info.toData() == other.info.toData() && settings.toData() == other.settings.toData() &&
           std::equal(profiles.begin(), profiles.end(), other.profiles.begin(),
                      [](const L2PC03_TD& a, const L2PC03_TD& b) { return a.toData() == b.toData(); });
}

QByteArray AdapterSnapshot::serialBytes() const {
    const auto* bytes = reinterpret_cast<const char*>(info.DeviceSN.data());
    return QByteArray(bytes, qsizetype(info.DeviceSN.size())).split('\0').first();
}
