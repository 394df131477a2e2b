#pragma once

#include "ORVOPalette.h"

#include <QWidget>

class ORVOStyleKit;
class QLabel;
class QPushButton;

// The window's foot: Exit on the left, Read Again and Save on the right, the version under a divider.
class ORVOControlRow : public QWidget {
    Q_OBJECT

public:
    // "v1.0 (7)", or "v1.0" when the build number is the version.
    static QString appVersionText(const QString& shortVersion, const QString& build);

    ORVOControlRow(ORVOStyleKit& kit, QPushButton* exit, QPushButton* readAgain, QPushButton* save,
                   QWidget* parent = nullptr);

    // The buttons' styles follow the theme and fit their translated titles.
    void applyTheme(const ORVOPalette& palette);

    QLabel* versionLabel = nullptr;

private:
    QPushButton* exit;
    QPushButton* readAgain;
    QPushButton* save;
};
