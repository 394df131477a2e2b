// Building the styled window from its regions, and what spans them: the selected profile, the
// theme, the status line, the log, window sizing and the hero collapse, and re-translation.

#include "ORVOPresentation.h"

#include "FirstFrame.h"
#include "LocalizationManager.h"
#include "ORVOCatalogAssistant.h"
#include "ORVOControlRow.h"
#include "ORVODeviceCard.h"
#include "ORVOFieldContainer.h"
#include "ORVOHeaderMenu.h"
#include "ORVOHero.h"
#include "ORVOLogCard.h"
#include "ORVOPresentationDelegate.h"
#include "ORVOProfileSelector.h"
#include "ORVOStyleKit.h"
#include "ORVOWindowControls.h"
#include "StyleSheet.h"
#include "TextKeys.h"
#include "Typography.h"

#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace {

constexpr int kTitleStripHeight = 47;
constexpr int kSideMargin = 33;
constexpr int kBodyMinimumHeight = 422;
constexpr int kDeviceCardHeight = 202;
constexpr QSize kMinimumContentSize(1140, 713);
constexpr QSize kLargestInitialContentSize(1284, 809);
constexpr double kAroundBody = 201;
constexpr int kNameReplacedNoticeMs = 6000;

} // namespace

ORVOPresentation::ORVOPresentation(QWidget& hostWidget, ORVOWindowControls& controls,
                                   ORVOPresentationDelegate& controller)
    : QObject(&hostWidget), host(hostWidget), c(controls), delegate(controller) {}

ORVOPresentation::~ORVOPresentation() = default;

const ORVOPalette& ORVOPresentation::palette() const {
    return usesLightAppearance ? ORVOPalette::light() : ORVOPalette::dark();
}

ORVOProfileCard::Fields ORVOPresentation::profileFields(int p) const {
    return {c.LensFocalLengths[p], c.LensApexes[p], c.LensModels[p]};
}

// ---- Geometry

std::optional<ORVOPresentation::HeroGeometry> ORVOPresentation::heroGeometry(double rootHeight,
                                                                             double currentHeroHeight) {
    if (rootHeight - kAroundBody <= 0) {
        return std::nullopt;
    }
    const double heroHeight = std::clamp(rootHeight - kAroundBody - kBodyMinimumHeight, 150.0, 204.0);
    if (std::abs(heroHeight - currentHeroHeight) <= 0.5) {
        return std::nullopt;
    }
    const double ring = std::clamp(heroHeight - 15 - 10 - 35, 0.0, 144.0);
    return HeroGeometry{heroHeight, ring, 15 + ring + 10};
}

QSize ORVOPresentation::initialContentSize(std::optional<QRect> visibleFrame) {
    if (!visibleFrame) {
        return kLargestInitialContentSize;
    }
    const auto axis = [](int extent, int minimum, int cap) {
        return std::min(static_cast<int>(std::lround(std::max<double>(extent - 60, minimum))), cap);
    };
    return {axis(visibleFrame->width(), kMinimumContentSize.width(), kLargestInitialContentSize.width()),
            axis(visibleFrame->height(), kMinimumContentSize.height(), kLargestInitialContentSize.height())};
}

// ---- Building

void ORVOPresentation::install() {
    // Every control starts outside the window; the regions take the ones they show.
    retainedViews = new QWidget(&host, Qt::Window);
    for (QWidget* child : host.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child != retainedViews) {
            child->setParent(retainedViews);
        }
    }
    kit = new ORVOStyleKit(retainedViews, this);
    rootView = new QWidget(&host);
    rootView->setObjectName("rootView");
    rootView->setAttribute(Qt::WA_StyledBackground);
    auto* rootLayout = new QVBoxLayout(&host);
    rootLayout->setContentsMargins(0, 0, 0, 0);
    rootLayout->addWidget(rootView);
    auto* column = new QVBoxLayout(rootView);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    buildTitleStrip(rootView);
    column->addWidget(buildContent(), 1);
    // Themed before the remaining set-up measures and shows controls: a style sheet given to a widget
    // that is already polished repolishes it and everything under it.
    applyTheme();
    configureInputControls();
    installCatalogAssistance();
    installKeyboardAccess();
    selectProfile(0);
    refreshLocalizedText();
    applyTheme();
    installStatusRefresh();
}

void ORVOPresentation::buildTitleStrip(QWidget* parent) {
    auto* strip = new QWidget(parent);
    strip->setFixedHeight(kTitleStripHeight);
    auto* layout = new QVBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    windowTitleLabel = new QLabel(LocalizationManager::text(TextKeys::kAppWindowTitle), strip);
    windowTitleLabel->setFont(Typography::windowTitle());
    windowTitleLabel->setAlignment(Qt::AlignCenter);
    kit->addPrimary(windowTitleLabel);
    // Kept clear of the window buttons on either side.
    auto* titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(130, 0, 130, 0);
    titleRow->addWidget(windowTitleLabel);
    layout->addLayout(titleRow, 1);
    layout->addWidget(kit->makeSeparator(strip));
    static_cast<QVBoxLayout*>(parent->layout())->addWidget(strip);
}

void ORVOPresentation::buildRegions() {
    hero = new ORVOHero(*kit, c.Language, c.button_Help);
    connect(hero, &ORVOHero::themeToggled, this, [this] {
        usesLightAppearance = !usesLightAppearance;
        applyTheme();
    });
    connect(hero, &ORVOHero::tourRequested, this, &ORVOPresentation::replayTourRequested);
    headerMenu = new ORVOHeaderMenu({c.restoreAction, [this] { c.button_Help->click(); },
                                     [this] { ORVODialogs::about(host.window()); },
                                     [this] { confirmExitRequested(); }},
                                    &host);
    connect(hero, &ORVOHero::menuRequested, this, [this] { headerMenu->popUpUnder(hero->menuButton); });
    profileSelector = new ORVOProfileSelector(*kit);
    connect(profileSelector, &ORVOProfileSelector::profileClicked, this, &ORVOPresentation::selectProfile);
    // The body yields below its 422 before the footer does: at the smallest window the hero is
    // already at its floor.
    body = new QWidget;
    body->setMinimumHeight(kBodyMinimumHeight - 80);
    body->installEventFilter(this);
    profileCard = new ORVOProfileCard(*kit, c.button_Restore, c.button_Revert, body);
    deviceCard = new ORVODeviceCard(*kit, c, body);
    logCard = new ORVOLogCard(*kit, c.PrintView, c.accessNotice, palette(), body);
    controlRow = new ORVOControlRow(*kit, c.button_Exit, c.button_ReadAgain, c.button_SaveToAdapter);
    // Exit and Save ask first; the controller acts only after a confirmation.
    connect(c.button_Exit, &QPushButton::clicked, this, &ORVOPresentation::confirmExitRequested);
    connect(c.button_SaveToAdapter, &QPushButton::clicked, this, &ORVOPresentation::confirmSaveRequested);
}

QWidget* ORVOPresentation::buildContent() {
    buildRegions();
    auto* content = new QWidget(rootView);
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(kSideMargin, 0, kSideMargin, 0);
    stack->setSpacing(0);
    stack->addWidget(hero);
    stack->addWidget(profileSelector, 0, Qt::AlignHCenter);
    stack->addSpacing(21);
    stack->addWidget(body, 1);
    stack->addSpacing(17);
    stack->addWidget(controlRow);
    return content;
}

void ORVOPresentation::installCatalogAssistance() {
    ORVOCatalogAssistant::Controls controls;
    for (int p = 0; p < kAdapterProfileCount; ++p) {
        controls.profiles[p] = profileFields(p);
    }
    controls.window = &host;
    controls.mountSlot = profileCard->mountSlot;
    controls.mountButton = profileCard->mountButton;
    controls.mountValueLabel = profileCard->mountValueLabel;
    controls.focalMenuButton = profileCard->focalMenuButton;
    controls.suggestionButton = profileCard->suggestionButton;
    controls.modelSlot = profileCard->modelSlot;
    controls.suggestionCeiling = profileSelector;
    controls.apertureNoteLabel = profileCard->apertureNoteLabel;
    controls.nameNoteLabel = profileCard->nameNoteLabel;
    controls.comboSlots = {deviceCard->defaultLensSlot, hero->languageContainerView};
    for (ORVOFieldContainer* slot : profileCard->apertureSlots) {
        controls.comboSlots << slot;
    }
    catalog = new ORVOCatalogAssistant(controls,
                                       {[this]() -> const ORVOPalette& { return palette(); },
                                        [this] { return ORVODialogs::confirmApertureFill(host.window()); }},
                                       this);
    catalog->install();
    FirstFrame::after(&host, [this] { catalog->loadCatalog(); });
}

void ORVOPresentation::installStatusRefresh() {
    statusTimer = new QTimer(this);
    connect(statusTimer, &QTimer::timeout, this, &ORVOPresentation::refreshConnectionStatus);
    statusTimer->start(1000);
    watchFieldEdits();
    // No field has the focus at start.
    QTimer::singleShot(0, this, [this] {
        updateWindowAppearance();
        if (host.focusWidget()) {
            host.focusWidget()->clearFocus();
        }
    });
}

void ORVOPresentation::watchFieldEdits() {
    editsRefresh = new QTimer(this);
    editsRefresh->setSingleShot(true);
    editsRefresh->setInterval(0);
    connect(editsRefresh, &QTimer::timeout, this, &ORVOPresentation::refreshConnectionStatus);
    const auto refreshSoon = [this] {
        marksStale = true;
        editsRefresh->start();
    };
    for (int p = 0; p < kAdapterProfileCount; ++p) {
        const ORVOProfileCard::Fields profile = profileFields(p);
        connect(profile.focalLength, &QLineEdit::textChanged, this, refreshSoon);
        connect(profile.lensModel, &QLineEdit::textChanged, this, refreshSoon);
        for (QComboBox* box : profile.apertures) {
            connect(box, &QComboBox::currentIndexChanged, this, refreshSoon);
        }
    }
    connect(c.Default_LensSeq, &QComboBox::currentIndexChanged, this, refreshSoon);
    nameReplacedTimer = new QTimer(this);
    nameReplacedTimer->setSingleShot(true);
    nameReplacedTimer->setInterval(kNameReplacedNoticeMs);
    connect(nameReplacedTimer, &QTimer::timeout, this, [this] { profileCard->showNameReplaced(false); });
    connect(profileCard, &ORVOProfileCard::undoNameRequested, this,
            [this] { delegate.undoNameReplacement(selectedProfileIndex); });
}

void ORVOPresentation::configureInputControls() {
    for (int p = 0; p < kAdapterProfileCount; ++p) {
        const ORVOProfileCard::Fields profile = profileFields(p);
        for (QLineEdit* field : {profile.focalLength, profile.lensModel}) {
            field->setFrame(false);
            field->setFont(Typography::fieldValue());
            field->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            kit->addInput(field);
        }
        for (QComboBox* box : profile.apertures) {
            box->setMaxVisibleItems(14);
            box->setFocusPolicy(Qt::TabFocus);
            kit->addInput(box);
        }
    }
    for (QComboBox* box : {c.Language, c.Default_LensSeq}) {
        box->setFont(Typography::fieldValue());
        kit->addInput(box);
    }
    syncLanguageSelection();
}

void ORVOPresentation::syncLanguageSelection() {
    const int index = LocalizationManager::shared().getCurrentLanguage();
    if (index < c.Language->count()) {
        c.Language->setCurrentIndex(index);
    }
}

// ---- Layout

bool ORVOPresentation::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == body) {
        layoutBody();
    }
    return QObject::eventFilter(watched, event);
}

// The left column takes 499/1218 of the body: the device card on top, the log card below it; the
// profile card fills the rest, 37 to the right.
void ORVOPresentation::layoutBody() {
    const int width = body->width();
    const int height = body->height();
    const int left = static_cast<int>(std::lround(width * 499.0 / 1218.0));
    deviceCard->setGeometry(0, 0, left, kDeviceCardHeight);
    logCard->setGeometry(0, kDeviceCardHeight + 14, left, height - kDeviceCardHeight - 14);
    profileCard->setGeometry(left + 37, 0, width - left - 37, height);
}

void ORVOPresentation::adjustHeroForAvailableHeight() {
    if (!rootView) {
        return;
    }
    if (const auto geometry = heroGeometry(rootView->height(), hero->heroHeight())) {
        hero->setHeroHeight(geometry->heroHeight);
    }
}

void ORVOPresentation::updateWindowAppearance() {
    QWidget* window = host.window();
    window->setWindowTitle(LocalizationManager::text(TextKeys::kAppWindowTitle));
    window->setMinimumSize(kMinimumContentSize);
    if (!didSetInitialWindowSize || window->width() < kMinimumContentSize.width() ||
        window->height() < kMinimumContentSize.height()) {
        QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
        const QSize size =
            initialContentSize(screen ? std::optional(screen->availableGeometry()) : std::nullopt);
        window->resize(size);
        if (screen) {
            window->move(screen->availableGeometry().center() - QPoint(size.width() / 2, size.height() / 2));
        }
        didSetInitialWindowSize = true;
    }
    QPalette windowPalette = window->palette();
    windowPalette.setColor(QPalette::Window, palette().background);
    windowPalette.setColor(QPalette::WindowText, palette().text);
    window->setPalette(windowPalette);
    adjustHeroForAvailableHeight();
}

// ---- Profiles

void ORVOPresentation::selectProfile(int index) {
    if (index < 0 || index >= kAdapterProfileCount) {
        return;
    }
    selectedProfileIndex = index;
    const ORVOProfileCard::Fields profile = profileFields(index);
    // Aperture boxes take their font as they are first placed: a font change makes a combo box
    // build its popup list, which the three profiles waiting outside the window do not need yet.
    for (QComboBox* box : profile.apertures) {
        box->setFont(Typography::fieldValue());
    }
    profileCard->showProfile(index, profile);
    catalog->showProfile(index);
    profileSelector->showSelected(selectedProfileIndex, palette());
    applyKeyboardOrder();
    if (nameReplacedTimer) {
        hideNameReplaced();
        refreshUnwrittenMarks();
    }
}

// The segments follow the controller's read-out; the controller calls this when it changes.
void ORVOPresentation::refreshProfileReadState() {
    std::array<bool, kAdapterProfileCount> notRead{};
    for (int p = 0; p < kAdapterProfileCount; ++p) {
        notRead[p] = !delegate.isProfileRead(p);
    }
    profileSelector->showNotRead(notRead, LocalizationManager::text(TextKeys::kLabelProfileNotRead));
}

// ---- Theme and language

void ORVOPresentation::applyTheme() {
    const ORVOPalette& p = palette();
    StyleSheet::set(
        rootView, QStringLiteral("QWidget#rootView { background: %1; }").arg(ORVOPalette::css(p.background)) +
                      ORVOStyleKit::styleSheet(p));
    kit->apply(p);
    hero->applyTheme(p, usesLightAppearance);
    headerMenu->applyTheme(p);
    profileSelector->applyTheme(p);
    profileSelector->showSelected(selectedProfileIndex, p);
    profileCard->applyTheme(p);
    logCard->applyTheme(p);
    controlRow->applyTheme(p);
    refreshConnectionStatus();
    updateWindowAppearance();
}

void ORVOPresentation::refreshLocalizedText() {
    const ORVOPalette& p = palette();
    kit->refreshLocalizedText();
    windowTitleLabel->setText(LocalizationManager::text(TextKeys::kAppWindowTitle));
    profileCard->refreshLocalizedText(p);
    catalog->refreshLocalizedText();
    controlRow->applyTheme(p);
    syncLanguageSelection();
    hero->refreshLocalizedText(p);
    headerMenu->refreshLocalizedText();
    logCard->retranslate();
    refreshProfileReadState();
    applyAccessibleNames();
    marksStale = true;
    refreshConnectionStatus();
}
