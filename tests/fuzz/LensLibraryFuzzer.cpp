// Arbitrary bytes as a lens library or a shared .orvolens file, read as the library and `orvoctl
// import` read them. A refused file leaves a message that starts with the place of the fault (a
// field's path, "byte N" or "file"). An accepted one comes back unchanged from its own JSON form,
// keeps its promises (unique names, names the adapter can store, kits that name lenses of the file),
// imports whole into an empty library, and each of its kits loads as profiles the adapter can store.

#include "LensLibraryData.h"
#include "SampleAdapter.h"
#include "StorableSnapshot.h"

#include <QRegularExpression>
#include <QSet>

namespace {

void checkRefusal(const QString& error) {
    static const QRegularExpression place(QStringLiteral(
        "^(file|byte \\d+|format|version|lenses|kits|(lenses|kits)\\[\\d+\\](\\.\\w+(\\[\\d\\])?)?): \\S"));
    // A field the format does not know is named by its key, which may be any text, even one no regular
    // expression can take (a lone surrogate).
    check(error.contains(QLatin1String(": nothing: not a field of this format")) ||
          place.match(error).hasMatch());
}

template <typename Entry> void checkUniqueNames(const QList<Entry>& entries, int maxBytes) {
    QSet<QString> names;
    for (const Entry& entry : entries) {
        check(!names.contains(entry.name) && !entry.name.isEmpty() && entry.name.toUtf8().size() <= maxBytes);
        names.insert(entry.name);
    }
}

void checkKitLoads(const LensLibraryData& data, const LensKit& kit) {
    static const AdapterSnapshot base = sampleSnapshot();
    const auto target = data.kitTarget(kit.name, base, nullptr);
    check(target.has_value() && target->settings.DefaultCustomLens == kit.defaultLens);
    checkStorable(*target);
    for (size_t i = 0; i < target->profiles.size(); ++i) {
        check(kit.lenses[i].isEmpty() || target->profiles[i].getLensNameString() == kit.lenses[i]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const auto library = LensLibraryData::fromJson(bytes, &error);
    if (!library) {
        checkRefusal(error);
        return 0;
    }
    const auto again = LensLibraryData::fromJson(library->toJson(), &error);
    check(again && again->lenses == library->lenses && again->kits == library->kits);
    checkUniqueNames(library->lenses, LibraryLens::kMaximumNameBytes);
    checkUniqueNames(library->kits, LensKit::kMaximumNameBytes);
    LensLibraryData imported;
    check(imported.merge(*library, LensLibraryData::NameConflict::Refuse, &error));
    check(imported.lenses == library->lenses && imported.kits == library->kits);
    for (const LensKit& kit : library->kits) {
        checkKitLoads(*library, kit);
    }
    return 0;
}
