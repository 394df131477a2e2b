// Arbitrary bytes as the settings file (an INI that a person may have edited into anything): the
// language manager restores a language from it that exists, and what it writes back leads a second
// start to the same language.

#include "FuzzCheck.h"
#include "LocalizationManager.h"
#include "ResourceBundle.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

namespace {

QTemporaryDir* folder = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    folder = new QTemporaryDir;
    // No language files: the texts do not matter here, and a missing file is only a log line.
    ResourceBundle::setOverrideDirectory(folder->path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A new name for every input: QSettings caches files by name and notices changes by time stamp.
    static int run = 0;
    const QString path = folder->filePath(QStringLiteral("ORVO-%1.conf").arg(run++));
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(data), qsizetype(size));
    }
    Settings::setFilePathForTesting(path);
    const uint8_t first = LocalizationManager().getCurrentLanguage();
    check(first < LocalizationManager::languageCount);
    Settings::setFilePathForTesting(path); // written back, read again as a second start would
    check(LocalizationManager().getCurrentLanguage() == first);
    Settings::setFilePathForTesting(QString());
    QFile::remove(path);
    // Deliver the queued log lines now rather than piling them up.
    QCoreApplication::sendPostedEvents();
    return 0;
}
