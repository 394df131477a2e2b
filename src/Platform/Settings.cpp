#include "Settings.h"

std::unique_ptr<QSettings>& Settings::instance() {
    static std::unique_ptr<QSettings> settings;
    return settings;
}

QSettings& Settings::shared() {
    auto& settings = instance();
    if (!settings) {
        settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Quillon", "ORVO");
    }
    return *settings;
}

void Settings::setFilePathForTesting(const QString& path) {
    auto& settings = instance();
    if (settings) {
        settings->sync();
    }
    if (path.isEmpty()) {
        settings.reset();
    } else {
        settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    }
}
