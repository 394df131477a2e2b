#pragma once

#include "Settings.h"

#include <QTemporaryDir>

// Gives the test process a ports folder and a settings file of its own, the interface in English,
// and the first-run guide and tour held back. Call before anything reads them.
inline void useIsolatedEnvironment() {
    static QTemporaryDir runtime;
    static QTemporaryDir config;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    qputenv("ORVO_SKIP_GUIDE", "1");
    qputenv("ORVO_SKIP_TOUR", "1");
    Settings::setFilePathForTesting(config.filePath("ORVO.conf"));
    Settings::shared().setValue("AppLanguageCode", "en");
}
