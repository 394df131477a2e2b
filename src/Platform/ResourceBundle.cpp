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
    if (QCoreApplication::instance()) {
        // <prefix>/bin/orvo finds <prefix>/share/orvo, wherever the prefix lies.
        directories << QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("../share/orvo");
    }
    directories << QStringLiteral(ORVO_INSTALL_DATADIR) << QStringLiteral(ORVO_SOURCE_RESOURCES);
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
