#include "ResourceBundle.h"

#include "Version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {
QString& overrideDirectory() {
    static QString directory;
    return directory;
}

bool isInBuildFolder(const QString& folder) {
    const QString build = QDir(QStringLiteral(ORVO_BUILD_DIR)).canonicalPath();
    const QString canonical = QDir(folder).canonicalPath();
    return !build.isEmpty() && (canonical == build || canonical.startsWith(build + '/'));
}
} // namespace

void ResourceBundle::setOverrideDirectory(const QString& directory) {
    overrideDirectory() = directory;
}

QStringList ResourceBundle::searchDirectories() {
    QStringList directories;
    if (!overrideDirectory().isEmpty()) {
        directories << overrideDirectory();
        return directories;
    }
    if (!QCoreApplication::instance()) {
        return {QStringLiteral(ORVO_SOURCE_RESOURCES)};
    }
    // <prefix>/bin/orvo finds <prefix>/share/orvo, wherever the prefix lies.
    const QString programFolder = QCoreApplication::applicationDirPath();
    directories << QDir(programFolder).absoluteFilePath("../share/orvo");
    // An installed copy never reads the source tree, even when it is still there: it would hide a
    // file missing from the installation.
    if (isInBuildFolder(programFolder)) {
        directories << QStringLiteral(ORVO_SOURCE_RESOURCES);
    }
    return directories;
}

QString ResourceBundle::pathForResource(const QString& name, const QString& extension) {
    if (name.isEmpty() || name.contains('/')) {
        return {};
    }
    const QString fileName = extension.isEmpty() ? name : name + '.' + extension;
    for (const QString& directory : searchDirectories()) {
        const QFileInfo info(QDir(directory), fileName);
        if (info.isFile()) {
            return info.absoluteFilePath();
        }
    }
    return {};
}
