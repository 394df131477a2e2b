#pragma once

#include <QSettings>
#include <memory>

// The per-user settings store: an INI file at $XDG_CONFIG_HOME/Quillon/ORVO.conf.
// Tests redirect it to a file of their own.
class Settings {
public:
    static QSettings& shared();

    // Use the INI file at path from now on (an empty path returns to the user's file).
    static void setFilePathForTesting(const QString& path);

private:
    static std::unique_ptr<QSettings>& instance();
};
