#include "AdapterSnapshot.h"

#include "ProfileValues.h"

#include <QJsonArray>
#include <algorithm>
#include <cmath>

namespace {

// The letter's index, or -1.
int letterIndex(const QJsonValue& value) {
    return ProfileValues::profileIndex(value.toString()).value_or(-1);
}

QJsonObject profileJson(const L2PC03_TD& profile, int index) {
    QJsonArray apertures;
    for (const uint8_t value : profile.ApretureValue) {
        apertures.append(ProfileValues::apertureText(value).value_or(QStringLiteral("?%1").arg(value)));
    }
    return {{"letter", ProfileValues::profileLetter(index)},
            {"focalLength", profile.WideFlocalLength},
            {"apertures", apertures},
            {"name", profile.getLensNameString()}};
}

// Whether the adapter can hold a packet's values: a default lens from A to D, apertures of the list.
bool storable(const L2PC01_TD&) {
    return true;
}
bool storable(const L2PC02_TD& settings) {
    return settings.DefaultCustomLens < kAdapterProfileCount;
}
bool storable(const L2PC03_TD& profile) {
    return std::all_of(profile.ApretureValue.begin(), profile.ApretureValue.end(),
                       [](uint8_t value) { return ProfileValues::apertureText(value).has_value(); });
}

// Reads one packet from its hex form over fallback; false when the bytes are no such packet or hold
// a value the adapter cannot store.
template <typename Packet> bool readRaw(const QJsonValue& value, Packet& packet) {
    if (value.isUndefined()) {
        return true;
    }
    const auto decoded = Packet::fromData(QByteArray::fromHex(value.toString().toLatin1()));
    if (!decoded || !decoded->verifyChecksum() || !storable(*decoded)) {
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

    bool readRawPackets(const QJsonObject& raw, AdapterSnapshot& s) {
        if (!readRaw(raw.value("L2PC01"), s.info)) {
            return fail("raw.L2PC01", "the hex bytes of a device-information answer");
        }
        if (!readRaw(raw.value("L2PC02"), s.settings)) {
            return fail("raw.L2PC02", "the hex bytes of a settings answer with a default lens from A to D");
        }
        const QJsonArray profiles = raw.value("L2PC03").toArray();
        for (int i = 0; i < profiles.size() && i < kAdapterProfileCount; ++i) {
            if (!readRaw(profiles[i], s.profiles[i]) || s.profiles[i].lensSeq != i) {
                return fail(QStringLiteral("raw.L2PC03[%1]").arg(i),
                            "the hex bytes of that profile's answer, its apertures of the list");
            }
        }
        return true;
    }

    bool readProfile(const QJsonValue& value, int position, AdapterSnapshot& s) {
        const QString path = QStringLiteral("profiles[%1]").arg(position);
        if (!value.isObject()) {
            return fail(path, "an object with letter, focalLength, apertures and name");
        }
        const QJsonObject p = value.toObject();
        const int index = p.contains("letter") ? letterIndex(p.value("letter")) : position;
        if (index < 0 || position >= kAdapterProfileCount) {
            return fail(path + ".letter", "one of A, B, C, D");
        }
        L2PC03_TD& profile = s.profiles[index];
        if (p.contains("focalLength") && !readFocalLength(p.value("focalLength"), path, profile)) {
            return false;
        }
        if (p.contains("apertures") && !readApertures(p.value("apertures"), path, profile)) {
            return false;
        }
        if (p.contains("name") && !readName(p.value("name"), path, profile)) {
            return false;
        }
        profile.lensSeq = uint8_t(index);
        profile.calculateChecksum();
        return true;
    }

private:
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
    // its first zero, as the field does.
    bool readName(const QJsonValue& value, const QString& path, L2PC03_TD& profile) {
        if (!value.isString()) {
            return fail(path + ".name", "a text (up to 40 bytes as UTF-8)");
        }
        const QString text = value.toString();
        const QString name = text.left(text.indexOf(QChar(0)));
        if (name != profile.getLensNameString()) {
            fillZeroPaddedText(profile.LensNameString.data(), profile.LensNameString.size(), name);
        }
        return true;
    }

    bool readApertures(const QJsonValue& value, const QString& path, L2PC03_TD& profile) {
        const QJsonArray apertures = value.toArray();
        if (!value.isArray() || apertures.size() != kAperturesPerProfile) {
            return fail(path + ".apertures", "a list of four F texts such as \"F2.8\"");
        }
        for (int k = 0; k < apertures.size(); ++k) {
            const auto index = ProfileValues::apertureIndex(apertures[k].toString());
            if (!apertures[k].isString() || !index) {
                return fail(QStringLiteral("%1.apertures[%2]").arg(path).arg(k),
                            "one of " + ProfileValues::apertureTexts().join(", "));
            }
            profile.ApretureValue[size_t(k)] = *index;
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
        {"defaultLens", settings.DefaultCustomLens < kAdapterProfileCount
                            ? ProfileValues::profileLetter(settings.DefaultCustomLens)
                            : QString::number(settings.DefaultCustomLens)},
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
    if (!reader.readRawPackets(json.value("raw").toObject(), s)) {
        return std::nullopt;
    }
    if (json.contains("defaultLens")) {
        const int index = letterIndex(json.value("defaultLens"));
        if (index < 0) {
            reader.fail("defaultLens", "one of A, B, C, D");
            return std::nullopt;
        }
        s.settings.DefaultCustomLens = uint8_t(index);
        s.settings.calculateChecksum();
    }
    const QJsonValue profiles = json.value("profiles");
    if (!profiles.isUndefined() &&
        (!profiles.isArray() || profiles.toArray().size() > kAdapterProfileCount)) {
        reader.fail("profiles", "a list of up to four profiles");
        return std::nullopt;
    }
    const QJsonArray list = profiles.toArray();
    for (int i = 0; i < list.size(); ++i) {
        if (!reader.readProfile(list[i], i, s)) {
            return std::nullopt;
        }
    }
    return s;
}
