#include "AdapterState.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <limits>

namespace {

QString shown(const QJsonValue& value) {
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
}

// Reads fields one after another and keeps the first complaint; later reads after a complaint do
// no harm, since a refused file is thrown away whole.
class FieldReader {
public:
    template <typename Field>
    void read(const QJsonObject& object, const QString& where, const char* key, Field& field) {
        read(object.value(QLatin1String(key)), where + QLatin1String(key), field);
    }

    template <typename Field> void read(const QJsonValue& value, const QString& name, Field& field) {
        if (value.isUndefined()) {
            return;
        }
        constexpr double maximum = std::numeric_limits<Field>::max();
        const double number = value.toDouble(-1);
        // Checked before the cast: converting an out-of-range double to an integer is undefined.
        if (!value.isDouble() || number < 0 || number > maximum || number != std::floor(number)) {
            refuse(QStringLiteral("%1 is %2, not a whole number from 0 to %3")
                       .arg(name, shown(value))
                       .arg(maximum, 0, 'f', 0));
            return;
        }
        field = static_cast<Field>(number);
    }

    void readName(const QJsonObject& object, const QString& where, LensNameBytes& name) {
        const QJsonValue value = object.value(QLatin1String("LensNameString"));
        if (value.isUndefined()) {
            return;
        }
        const QByteArray hex = value.toString().toLatin1();
        const auto bytes = QByteArray::fromHex(hex);
        const bool validHex = value.isString() && hex.size() % 2 == 0 && bytes.toHex() == hex.toLower();
        if (!validHex || bytes.size() > qsizetype(name.size())) {
            refuse(QStringLiteral("%1LensNameString is %2, not hex of at most %3 bytes")
                       .arg(where, shown(value))
                       .arg(name.size()));
            return;
        }
        name.fill(0);
        std::copy(bytes.cbegin(), bytes.cend(), name.begin());
    }

    void refuse(const QString& message) {
        if (!error) {
            error = message;
        }
    }

    std::optional<QString> error;
};

void readProfile(FieldReader& reader, const QJsonValue& value, qsizetype index, L2PC03_TD& profile) {
    const QString where = QStringLiteral("profiles[%1].").arg(index);
    if (!value.isObject()) {
        reader.refuse(QStringLiteral("profiles[%1] is not an object").arg(index));
        return;
    }
    const QJsonObject object = value.toObject();
    reader.read(object, where, "WideFlocalLength", profile.WideFlocalLength);
    reader.read(object, where, "TeleFlocalLength", profile.TeleFlocalLength);
    const QJsonArray apertures = object.value(QLatin1String("ApretureValue")).toArray();
    if (apertures.size() > qsizetype(profile.ApretureValue.size())) {
        reader.refuse(where + QStringLiteral("ApretureValue has more than four values"));
    }
    for (qsizetype a = 0; a < apertures.size() && a < qsizetype(profile.ApretureValue.size()); ++a) {
        reader.read(apertures.at(a), where + QStringLiteral("ApretureValue[%1]").arg(a),
                    profile.ApretureValue[size_t(a)]);
    }
    reader.readName(object, where, profile.LensNameString);
}

} // namespace

std::optional<QString> AdapterState::readJson(const QByteArray& json) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (!document.isObject()) {
        return parseError.error != QJsonParseError::NoError ? QStringLiteral("not JSON: %1 at byte %2")
                                                                  .arg(parseError.errorString())
                                                                  .arg(parseError.offset)
                                                            : QStringLiteral("not a JSON object");
    }
    AdapterState read = *this;
    FieldReader reader;
    const QJsonObject settingsObject = document.object().value(QLatin1String("settings")).toObject();
    const QString where = QStringLiteral("settings.");
    reader.read(settingsObject, where, "DefaultCustomLens", read.settings.DefaultCustomLens);
    reader.read(settingsObject, where, "U8_2", read.settings.U8_2);
    reader.read(settingsObject, where, "U16_1", read.settings.U16_1);
    reader.read(settingsObject, where, "U16_2", read.settings.U16_2);
    reader.read(settingsObject, where, "U32_1", read.settings.U32_1);
    reader.read(settingsObject, where, "U32_2", read.settings.U32_2);
    const QJsonArray profileValues = document.object().value(QLatin1String("profiles")).toArray();
    if (profileValues.size() > qsizetype(profiles.size())) {
        reader.refuse(QStringLiteral("profiles has more than four entries"));
    }
    for (qsizetype i = 0; i < profileValues.size() && i < qsizetype(profiles.size()); ++i) {
        readProfile(reader, profileValues.at(i), i, read.profiles[size_t(i)]);
    }
    if (reader.error) {
        return reader.error;
    }
    read.settings.calculateChecksum();
    for (L2PC03_TD& profile : read.profiles) {
        profile.calculateChecksum();
    }
    *this = read;
    return std::nullopt;
}

QByteArray AdapterState::toJson() const {
    QJsonArray profileValues;
    for (const L2PC03_TD& profile : profiles) {
        QJsonArray apertures;
        for (const uint8_t a : profile.ApretureValue) {
            apertures.append(a);
        }
        const QByteArray name(reinterpret_cast<const char*>(profile.LensNameString.data()),
                              qsizetype(profile.LensNameString.size()));
        profileValues.append(QJsonObject{
            {QLatin1String("lensSeq"), profile.lensSeq},
            {QLatin1String("WideFlocalLength"), profile.WideFlocalLength},
            {QLatin1String("TeleFlocalLength"), profile.TeleFlocalLength},
            {QLatin1String("ApretureValue"), apertures},
            {QLatin1String("LensNameString"), QString::fromLatin1(name.toHex())},
            {QLatin1String("name"), profile.getLensNameString()},
        });
    }
    const QJsonObject settingsObject{
        {QLatin1String("DefaultCustomLens"), settings.DefaultCustomLens},
        {QLatin1String("U8_2"), settings.U8_2},
        {QLatin1String("U16_1"), settings.U16_1},
        {QLatin1String("U16_2"), settings.U16_2},
        {QLatin1String("U32_1"), double(settings.U32_1)},
        {QLatin1String("U32_2"), double(settings.U32_2)},
    };
    return QJsonDocument(QJsonObject{{QLatin1String("settings"), settingsObject},
                                     {QLatin1String("profiles"), profileValues}})
        .toJson();
}
