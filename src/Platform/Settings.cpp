#include "Settings.h"

#include <QDir>
#include <QStandardPaths>

std::unique_ptr<QSettings>& Settings::instance() {
    static std::unique_ptr<QSettings> settings;
    return settings;
}

QSettings& Settings::shared() {
    auto& settings = instance();
    if (!settings) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        settings =
            std::make_unique<QSettings>(QDir(folder).filePath("Quillon/ORVO.conf"), QSettings::IniFormat);
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
