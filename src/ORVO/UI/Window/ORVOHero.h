#pragma once

#include "ORVOPalette.h"

#include <QPixmap>
#include <QWidget>

class ORVOFieldContainer;
class ORVOStyleKit;
class ORVOThemeToggle;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

// The top of the window: the adapter ring and the product name in the middle, the connection status
// on the left, and language, theme, tour, help and the menu button on the right.
class ORVOHero : public QWidget {
    Q_OBJECT

public:
    static constexpr double kFullHeight = 204;

    // Wide enough for its title; the language box wide enough for the language's own name.
    static int tourButtonWidth(const QString& title);
    static int languageSelectorWidth(const QString& displayName);

    ORVOHero(ORVOStyleKit& kit, QComboBox* language, QPushButton* help, QWidget* parent = nullptr);

    double heroHeight() const { return height; }
    void setHeroHeight(double value);
    void setStatus(const QString& text, const QColor& colour);
    void applyTheme(const ORVOPalette& palette, bool light);
    void refreshLocalizedText(const ORVOPalette& palette);

    QLabel* ringView = nullptr;
    QLabel* productNameLabel = nullptr;
    QFrame* statusDot = nullptr;
    QLabel* statusLabel = nullptr;
    QWidget* headerActionsView = nullptr;
    ORVOFieldContainer* languageContainerView = nullptr;
    ORVOThemeToggle* themeToggle = nullptr;
    QPushButton* tourButton = nullptr;
    // Opens the application's menu (Restore…, Help, About, Quit).
    QPushButton* menuButton = nullptr;

signals:
    void themeToggled();
    void tourRequested();
    void menuRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildHeaderActions(ORVOStyleKit& kit, QComboBox* language);
    void layoutContents();
    // The ring's artwork is drawn once per size and screen scale, not at every layout.
    const QPixmap& ringPixmap(int size, qreal scale);

    QPushButton* help;
    double height = kFullHeight;
    QPixmap ring;
    int ringSize = -1;
    qreal ringScale = 0;
};
