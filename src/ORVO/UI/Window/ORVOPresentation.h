#pragma once

#include "DataStructures.h"
#include "LensCatalog.h"
#include "ORVODialogs.h"
#include "ORVOPalette.h"
#include "ORVOProfileCard.h"
#include "ORVOTour.h"

#include <QDeadlineTimer>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <array>
#include <optional>

class ORVOArrowKeySelector;
class ORVODeviceCard;
class ORVOControlRow;
class ORVOFirstRunGuide;
class ORVOHero;
class ORVOLogCard;
class ORVOPresentationDelegate;
class ORVOProfileSelector;
class ORVOStyleKit;
class ORVOSuggestionPanel;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class QWidget;
class QWindow;
struct ORVOWindowControls;

// The styled single window over the controller's controls. It arranges them into regions (the hero,
// the profile selector, the profile, adapter and log cards, the control row) that own their own
// pieces, and keeps what spans regions: the selected profile, the theme, the status line, window
// sizing, the confirmations of Exit and Save, onboarding, keyboard access and the catalog's help.
// It asks the controller through a narrow delegate and never reaches into it.
class ORVOPresentation : public QObject {
    Q_OBJECT

public:
    // Sizes of the hero for a root view height; nothing when the hero keeps its size.
    struct HeroGeometry {
        double heroHeight;
        double ringSize;
        double productNameTop;
    };

    ORVOPresentation(QWidget& host, ORVOWindowControls& controls, ORVOPresentationDelegate& delegate);
    ~ORVOPresentation() override;

    // Geometry, as pure functions.
    static std::optional<HeroGeometry> heroGeometry(double rootHeight, double currentHeroHeight);
    static QSize initialContentSize(std::optional<QRect> visibleFrame);

    void install();
    void updateWindowAppearance();
    void refreshLocalizedText();
    void appendLog(const QString& text);
    QString rawLogText() const;
    void selectProfile(int index);
    void applyTheme();
    void refreshConnectionStatus();
    void adjustHeroForAvailableHeight();
    QString defaultLensDisplayValue() const;
    QList<SummaryRow> profileSummaryRows() const;
    // A profile's focal length, apertures and lens name.
    ORVOProfileCard::Fields profileFields(int profile) const;

    bool usesLightAppearance = false;
    int selectedProfileIndex = 0;
    bool isPopulatingDeviceAperture = false;
    bool suppressApertureFillPrompt = false;
    std::optional<QDeadlineTimer> savedNoticeUntil;
    QMap<int, QString> lastMaximumAperture;

    // The regions (the tour and tests point at them).
    QWidget* rootView = nullptr;
    QLabel* windowTitleLabel = nullptr;
    ORVOHero* hero = nullptr;
    ORVOProfileSelector* profileSelector = nullptr;
    ORVOProfileCard* profileCard = nullptr;
    ORVODeviceCard* deviceCard = nullptr;
    ORVOLogCard* logCard = nullptr;
    ORVOControlRow* controlRow = nullptr;
    QWidget* body = nullptr;

    // Onboarding: the first-run guide once per run, then the guided tour once per language.
    void showOnboardingIfNeeded();
    void startTourIfNeeded();
    void replayTour();
    QList<ORVOTour::Step> tourSteps() const;
    static QString tourCompletionKey();
    bool hasShownGuideInSession = false;
    QPointer<ORVOFirstRunGuide> onboarding;
    QPointer<ORVOTour> activeTour;

public slots:
    void confirmExitRequested();
    void confirmSaveRequested();
    void updateConnectionStatus();
    // The status shows the saved notice for six seconds.
    void showSavedNotice();
    void replayTourRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTitleStrip(QWidget* parent);
    void buildRegions();
    QWidget* buildContent();
    void installStatusRefresh();
    void configureInputControls();
    void layoutBody();
    void syncLanguageSelection();
    const ORVOPalette& palette() const;
    void installKeyboardAccess();
    void applyAccessibleNames();
    void applyKeyboardOrder();
    void nameComboMenuButtons();

    QWidget& host;
    ORVOWindowControls& c;
    ORVOPresentationDelegate& delegate;
    ORVOStyleKit* kit = nullptr;
    bool didSetInitialWindowSize = false;
    QTimer* statusTimer = nullptr;
    ORVOArrowKeySelector* profileKeys = nullptr;
    // Never shown: the fields of the profiles not selected wait here, alive but outside the window
    // and so outside the accessibility tree.
    QWidget* retainedViews = nullptr;

    // Catalog-assisted profile editing: the mount and focal-length menus, the lens suggestion list,
    // the character rules of the name and focal-length fields and the aperture fill offer.
public:
    // Settings keys of the mount remembered per profile, A to D.
    static const std::array<QString, kAdapterProfileCount>& mountDefaultsKeys();
    // A user-perceived character may stand in a lens name when each of its code points is printable
    // ASCII or a Latin-1 letter (U+00C0 to U+00FF).
    static bool isAllowedLensNameCharacter(QStringView character);
    // What a field keeps of an edit, and where its insertion point goes.
    struct FilteredText {
        QString text;
        int cursor = 0;
    };
    static FilteredText filteredLensName(const QString& text, int cursor);
    static FilteredText filteredFocalLength(const QString& text, int cursor);
    static QString apertureDisplayValue(const QComboBox* box);

    void refreshCatalogMatches();
    void presentSuggestions();
    void showLensSuggestions();
    void applyCatalogSelection(const QString& name);
    void setMaximumAperture(const LensCatalogRecord& record, QComboBox* box);
    void promptApertureAutoFill(int profileIndex);
    void showMountMenu(QWidget* button);
    void mountPicked(const QString& mount);
    void saveMountSelections();
    void restoreMountSelections();
    QString mountDisplayName(const QString& mount) const;
    void showFocalLengthMenu(QWidget* button);
    void focalLengthPicked(const QString& option);
    void openComboMenu(QWidget* button);
    void comboMenuPicked(QComboBox* box, int index);
    void installLensModelClickMonitor();
    bool isCurrentLensModelField(const QObject* object) const;
    void lensModelTextChanged(QObject* field);
    void lensModelEndedEditing(QObject* field);
    void catalogFocalLengthChanged(QObject* field);
    void catalogMaximumApertureChanged(QObject* box);

    LensCatalog* lensCatalog = &LensCatalog::shared();
    QList<LensCatalogRecord> catalogMatches;
    QString catalogEmptyHint;
    QPointer<ORVOSuggestionPanel> suggestionPanel;
    QObject* lensModelClickMonitor = nullptr;
    std::array<QString, kAdapterProfileCount> mountSelections;
    QMap<int, QString> lastAppliedCatalogName;
    QList<QPushButton*> comboMenuButtons;
    // A picked lens whose maximum aperture the adapter does not list gets the nearest slower stop;
    // the line under the apertures says so until the first aperture is changed again.
    struct ApertureNote {
        double lensAperture = 0;
        QString stop;
    };
    QMap<int, ApertureNote> apertureNotes;

private:
    bool hasSelectedProfile() const;
    void installCatalogAssistance();
    void showCatalogStateOfSelectedProfile();
    void refreshCatalogLocalizedText();
    void showApertureNote();
    void recomputeCatalogMatches();
    void hideSuggestions();
    void queueSuggestions();
    void lensModelClicked(const QWindow* window, const QPoint& globalPosition);
    bool writeBack(QLineEdit* field, const FilteredText& filtered);
    QMenu* makeMenu();
};
