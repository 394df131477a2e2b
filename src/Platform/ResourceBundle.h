#pragma once

#include <QString>

// Finds the data files that ship beside the program: language files, help pages, the lens catalog
// and images. Looks in the override folder (tests), the share folder beside the program, and the source
// tree's resources folder when the program runs from its build folder.
class ResourceBundle {
public:
    // Full path of name.extension, or an empty string when no folder holds it.
    static QString pathForResource(const QString& name, const QString& extension);

    // Tests point the bundle at a folder of their own; an empty path removes the override.
    static void setOverrideDirectory(const QString& directory);

    // The folders searched, in order.
    static QStringList searchDirectories();
};
