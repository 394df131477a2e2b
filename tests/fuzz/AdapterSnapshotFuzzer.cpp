// Arbitrary bytes as a backup given to `orvoctl write`, read over a known adapter as orvoctl does.
// A refused file leaves a message that starts with the field's path. An accepted one comes back
// unchanged from its own JSON form (so every backup stays listed), and what orvoctl would write of it
// holds only values the adapter can store (default lens A to D, aperture bytes of the list, valid
// checksums, every profile at its own place, a name cut at its end or at a whole character within the
// 40 bytes) and the focal lengths it asked for.

#include "ProfileValues.h"
#include "SampleAdapter.h"
#include "StorableSnapshot.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

void checkRefusal(const QString& error) {
    static const QRegularExpression path(
        QStringLiteral("^(format|version|defaultLens|raw|raw\\.L2PC0[12]|raw\\.L2PC03(\\[[0-3]\\])?|profiles"
                       "(\\[[0-3]\\](\\.letter|\\.focalLength|\\.name|\\.apertures(\\[[0-3]\\])?)?)?): \\S"));
    check(path.match(error).hasMatch());
}

// The profile a file's entry at position names: its letter's, or the position's without one.
int requestedIndex(const QJsonArray& profiles, int position) {
    const QJsonObject request = profiles[position].toObject();
    return request.contains("letter")
               ? ProfileValues::profileIndex(request.value("letter").toString()).value_or(-1)
               : position;
}

// What the file asked of one profile, where it is plainly given, is what the profile holds.
void checkRequested(const QJsonObject& request, const L2PC03_TD& profile) {
    const QJsonValue focal = request.value("focalLength");
    if (focal.isDouble()) {
        check(profile.WideFlocalLength == focal.toDouble());
    }
    if (request.value("name").isString()) {
        const QString text = request.value("name").toString();
        const QByteArray wanted = text.left(text.indexOf(QChar(0))).toUtf8();
        const QByteArray held = profile.getLensNameString().toUtf8();
        // Cut at its end (a zero) and no further than a whole character within the field needs.
        check(wanted.startsWith(held));
        check(held.size() > qMin(wanted.size(), qsizetype(profile.LensNameString.size())) - 4);
    }
}

void checkAccepted(const QJsonObject& json, const AdapterSnapshot& s) {
    checkStorable(s);
    // Each letter is given once.
    const QJsonArray profiles = json.value("profiles").toArray();
    for (int i = 0; i < profiles.size(); ++i) {
        const int index = requestedIndex(profiles, i);
        check(index >= 0);
        checkRequested(profiles[i].toObject(), s.profiles[size_t(index)]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!document.isObject()) {
        return 0;
    }
    static const AdapterSnapshot base = sampleSnapshot();
    QString error;
    const auto snapshot = AdapterSnapshot::fromJson(document.object(), base, &error);
    if (!snapshot) {
        checkRefusal(error);
        return 0;
    }
    const auto again = AdapterSnapshot::fromJson(snapshot->toJson(), base, &error);
    check(again && again->holdsSameValues(*snapshot));
    QList<AdapterSnapshot::UnstorableField> leftAlone;
    checkAccepted(document.object(), snapshot->storableOver(base, &leftAlone));
    return 0;
}
