#pragma once

#include "LensCatalog.h"
#include "ORVODialogs.h"
#include "ORVOPalette.h"
#include "ORVOTour.h"

#include <QDeadlineTimer>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class ORVOArrowKeySelector;
class ORVOFieldContainer;
class ORVOFirstRunGuide;
class ORVOPassthroughView;
class ORVOStyledLog;
class ORVOSuggestionPanel;
class ORVOThemeToggle;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class QWidget;
class QWindow;
class ViewController;

// The styled single window laid over the controller's controls. It keeps every control of the
// controller (so reading, editing and saving work on the same objects) and arranges the ones that
// matter into a hero, a profile selector, profile, device and log cards, a control row and a footer.
// It owns the theme, the connection status, the styled log and the confirmations of Exit and Save.
class ORVOPresentation : public QObject {
    Q_OBJECT

public:
    struct ProfileControls {
        QLineEdit* focalLength = nullptr;
        std::array<QComboBox*, 4> apertures{};
        QLineEdit* lensModel = nullptr;
    };

    // Sizes of the hero for a root view height; nothing when the hero keeps its size.
    struct HeroGeometry {
        double heroHeight;
        double ringSize;
        double productNameTop;
    };

    explicit ORVOPresentation(ViewController* controller);
    ~ORVOPresentation() override;

    // Geometry, as pure functions.
    static std::optional<HeroGeometry> heroGeometry(double rootHeight, double currentHeroHeight);
    static QSize initialContentSize(std::optional<QRect> visibleFrame);
    static QString appVersionText(const QString& shortVersion, const QString& build);
    static int tourButtonWidth(const QString& title);
    static int languageSelectorWidth(const QString& displayName);
    // Which dividers of the profile selector stay visible with a profile selected.
    static std::array<bool, 3> visibleDividers(int selectedProfileIndex);

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

    bool usesLightAppearance = false;
    int selectedProfileIndex = 0;
    bool isPopulatingDeviceAperture = false;
    bool suppressApertureFillPrompt = false;
    std::optional<QDeadlineTimer> savedNoticeUntil;
    QMap<int, QString> lastMaximumAperture;

    // Regions and controls other parts of the window point at (the tour, tests).
    QWidget* rootView = nullptr;
    QLabel* windowTitleLabel = nullptr;
    QLabel* statusLabel = nullptr;
    QFrame* statusDot = nullptr;
    QLabel* profileBadgeLabel = nullptr;
    QFrame* badgeView = nullptr;
    std::array<QPushButton*, 4> profileButtons{};
    std::array<QFrame*, 3> profileDividers{};
    std::array<ProfileControls, 4> profileControls{};
    QWidget* hero = nullptr;
    QLabel* ringView = nullptr;
    QLabel* productNameLabel = nullptr;
    QWidget* headerActionsView = nullptr;
    QWidget* languageContainerView = nullptr;
    QFrame* deviceCardView = nullptr;
    QFrame* logCardView = nullptr;
    QFrame* profileCardView = nullptr;
    QFrame* profileSelectorView = nullptr;
    QWidget* apertureRowView = nullptr;
    QWidget* body = nullptr;
    QWidget* footer = nullptr;
    QLabel* logPlaceholder = nullptr;
    QLabel* versionLabel = nullptr;
    QLabel* mountValueLabel = nullptr;
    QPushButton* mountButton = nullptr;
    QPushButton* focalMenuButton = nullptr;
    QPushButton* suggestionButton = nullptr;
    QPushButton* tourButton = nullptr;
    ORVOThemeToggle* themeToggle = nullptr;
    QComboBox* defaultLensComboBox = nullptr;
    ORVOFieldContainer* focalSlot = nullptr;
    ORVOFieldContainer* modelSlot = nullptr;
    ORVOFieldContainer* mountSlot = nullptr;
    std::array<ORVOFieldContainer*, 4> apertureSlots{};
    std::array<QLabel*, 4> apertureLabels{};
    double heroHeight = 204;

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
    void selectProfileAction();
    void confirmExitRequested();
    void confirmSaveRequested();
    void updateConnectionStatus();
    // The status shows the saved notice for six seconds.
    void showSavedNotice();
    void replayTourRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QFrame* makeCard();
    QFrame* makeSeparator(QWidget* parent, bool vertical = false);
    QLabel* localizedPrimaryLabel(const QString& name, const QFont& font);
    QLabel* secondaryLabel(const QString& text);
    ORVOFieldContainer* makeSlot(QWidget* content, int trailingInset);
    void replaceContent(ORVOFieldContainer* slot, QWidget* control, int trailingInset);
    QWidget* chevronOver(ORVOFieldContainer* slot, const QString& symbol);
    void buildTitleStrip(QWidget* parent);
    QWidget* buildHero();
    QFrame* buildProfileSelector();
    QFrame* buildProfileCard();
    QFrame* buildDeviceCard();
    QFrame* buildLogCard();
    QWidget* buildBody(QFrame* profileCard, QFrame* deviceCard, QFrame* logCard);
    QWidget* buildFooter();
    void installControlRow();
    void interceptFooterButtons();
    void configureInputControls();
    void layoutHero();
    void layoutBody();
    void applyProfileButtonAppearance();
    void styleSecondaryButton(QPushButton* button);
    void stylePrimaryButton(QPushButton* button);
    void styleTextButton(QPushButton* button);
    void syncLanguageSelection();
    const ORVOPalette& palette() const;
    void installKeyboardAccess();
    void applyAccessibleNames();
    void applyKeyboardOrder();
    void nameComboMenuButtons();

    QPointer<ViewController> controller;
    std::unique_ptr<ORVOStyledLog> styledLog;
    std::function<bool()> legacySaveAction;
    bool didSetInitialWindowSize = false;
    QTimer* statusTimer = nullptr;
    ORVOArrowKeySelector* profileKeys = nullptr;
    // Never shown: the plain layout's controls wait here, alive but outside the window and so
    // outside the accessibility tree.
    QWidget* retainedViews = nullptr;

    // Registries the theme pass walks.
    QList<QFrame*> cardViews;
    QList<ORVOFieldContainer*> fieldContainers;
    QList<QFrame*> separatorViews;
    QList<QLabel*> primaryLabels;
    QList<QLabel*> secondaryLabels;
    QList<QWidget*> inputControls;
    QList<ORVOPassthroughView*> comboCovers;
    QList<QLabel*> chevronViews;
    QList<QPair<QLineEdit*, QLabel*>> devicePlaceholders;
    QList<QPair<QLabel*, QString>> localizedFields;

    // Catalog-assisted profile editing: the mount and focal-length menus, the lens suggestion list,
    // the character rules of the name and focal-length fields and the aperture fill offer.
public:
    // Settings keys of the mount remembered per profile, A to D.
    static const std::array<QString, 4>& mountDefaultsKeys();
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
    std::array<QString, 4> mountSelections;
    QMap<int, QString> lastAppliedCatalogName;
    QList<QPushButton*> comboMenuButtons;
    // A picked lens whose maximum aperture the adapter does not list gets the nearest slower stop;
    // the line under the apertures says so until the first aperture is changed again.
    struct ApertureNote {
        double lensAperture = 0;
        QString stop;
    };
    QMap<int, ApertureNote> apertureNotes;
    QLabel* apertureNoteLabel = nullptr;

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
