#pragma once

#include "DataStructures.h"
#include "ORVODialogs.h"
#include "ORVOPalette.h"
#include "ORVOProfileCard.h"
#include "ORVOTour.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <array>
#include <optional>

class LocalizedText;
class ORVOArrowKeySelector;
class ORVOCatalogAssistant;
class ORVODeviceCard;
class ORVOControlRow;
class ORVOFirstRunGuide;
class ORVOHeaderMenu;
class ORVOHero;
class ORVOLogCard;
class ORVOPresentationDelegate;
class ORVOProfileSelector;
class ORVOStyleKit;
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
    void appendLog(const LocalizedText& entry);
    QString rawLogText() const;
    void selectProfile(int index);
    // Marks the segments of the profiles the adapter has not answered for.
    void refreshProfileReadState();
    void applyTheme();
    void refreshConnectionStatus();
    // Marks what differs from the adapter; true when anything does.
    bool refreshUnwrittenMarks();
    // "Name replaced — Undo" beside the lens name, for a few seconds.
    void showNameReplaced(int profile);
    void hideNameReplaced();
    void adjustHeroForAvailableHeight();
    QString defaultLensDisplayValue() const;
    QList<SummaryRow> profileSummaryRows() const;
    // A profile's focal length, apertures and lens name.
    ORVOProfileCard::Fields profileFields(int profile) const;

    bool usesLightAppearance = false;
    int selectedProfileIndex = 0;
    std::optional<QDeadlineTimer> savedNoticeUntil;

    // The regions (the tour and tests point at them).
    QWidget* rootView = nullptr;
    QLabel* windowTitleLabel = nullptr;
    ORVOHero* hero = nullptr;
    ORVOProfileSelector* profileSelector = nullptr;
    ORVOProfileCard* profileCard = nullptr;
    ORVODeviceCard* deviceCard = nullptr;
    ORVOLogCard* logCard = nullptr;
    ORVOControlRow* controlRow = nullptr;
    // Behind the header's menu button: Restore…, Help, About, Quit.
    ORVOHeaderMenu* headerMenu = nullptr;
    QWidget* body = nullptr;
    // The catalog's help with the profile card's fields.
    ORVOCatalogAssistant* catalog = nullptr;

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
    void installCatalogAssistance();
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
    bool confirmSave();
    // Marks and the status follow every edit of the fields.
    void watchFieldEdits();

    QWidget& host;
    ORVOWindowControls& c;
    ORVOPresentationDelegate& delegate;
    ORVOStyleKit* kit = nullptr;
    bool didSetInitialWindowSize = false;
    QTimer* statusTimer = nullptr;
    QTimer* nameReplacedTimer = nullptr;
    // Coalesces the edits of one event into one refresh of the marks and the status.
    QTimer* editsRefresh = nullptr;
    // The unwritten-changes marks are worked out again only when a field, the adapter's values or
    // the language may have changed, not on every tick of the status refresh.
    bool marksStale = true;
    bool unwrittenChanges = false;
    ORVOArrowKeySelector* profileKeys = nullptr;
    // Never shown: the fields of the profiles not selected wait here, alive but outside the window
    // and so outside the accessibility tree.
    QWidget* retainedViews = nullptr;
};
