// Feeds arbitrary bytes to the language manager as a language file, then looks up every key the
// program uses and keys cut from the input. Whatever the bytes, a file that is not a JSON object
// must leave the texts loaded before it in place.

#include "FuzzCheck.h"
#include "LocalizationManager.h"
#include "ResourceBundle.h"
#include "Settings.h"
#include "TextKeys.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

namespace {

constexpr uint8_t kGoodLanguage = 4;   // de
constexpr uint8_t kFuzzedLanguage = 2; // en
QTemporaryDir* folder = nullptr;
LocalizationManager* manager = nullptr;

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile file(folder->filePath(name));
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    folder = new QTemporaryDir;
    Settings::setFilePathForTesting(folder->filePath("ORVO.conf"));
    ResourceBundle::setOverrideDirectory(folder->path());
    writeFile("de.json", R"({"fuzz": {"sentinel": "kept"}})");
    manager = new LocalizationManager;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    manager->setLanguage(kGoodLanguage);
    writeFile("en.json", bytes);
    manager->setLanguage(kFuzzedLanguage);
    // Deliver the queued log line of a failed load now rather than piling them up.
    QCoreApplication::sendPostedEvents();

    check(QJsonDocument::fromJson(bytes).isObject() || manager->localizedString("fuzz.sentinel") == "kept");
    for (const QString& key : TextKeys::all()) {
        (void)manager->localizedString(key, "default");
    }
    // Keys cut from the input: a lookup finds the same text whatever the default, and without a
    // text it gives the default or, when that is empty, the key.
    const QString marker = QStringLiteral("\x01none");
    for (const QString& key : QString::fromUtf8(bytes).split(' ')) {
        const QString withMarker = manager->localizedString(key, marker);
        const QString plain = manager->localizedString(key);
        check(plain == withMarker || (withMarker == marker && plain == key));
    }
    return 0;
}
