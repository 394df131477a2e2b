// Building the styled window: the regions, the slots the selected profile's controls move into,
// and where each of the controller's controls goes.

#include "ORVOPresentation.h"

#include "LocalizationManager.h"
#include "ORVOAccessNotice.h"
#include "ORVOFieldContainer.h"
#include "ORVOImages.h"
#include "ORVOPassthroughView.h"
#include "ORVOStyledLog.h"
#include "ORVOThemeToggle.h"
#include "SymbolIcon.h"
#include "TextKeys.h"
#include "Typography.h"
#include "Version.h"
#include "ViewController.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kTitleStripHeight = 47;
constexpr int kSideMargin = 33;
constexpr int kSelectorWidth = 630;
constexpr int kSelectorHeight = 45;
constexpr int kBodyMinimumHeight = 422;
constexpr int kFooterMinimumHeight = 71;
constexpr int kDeviceCardHeight = 202;
constexpr int kRingTop = 15;
constexpr int kSlotHeight = 36;

} // namespace

ORVOPresentation::ORVOPresentation(ViewController* owner) : QObject(owner), controller(owner) {}

ORVOPresentation::~ORVOPresentation() = default;

const ORVOPalette& ORVOPresentation::palette() const {
    return usesLightAppearance ? ORVOPalette::light() : ORVOPalette::dark();
}

void ORVOPresentation::install() {
    if (!controller) {
        return;
    }
    ViewController& c = *controller;
    defaultLensComboBox = c.Default_LensSeq;
    defaultLensComboBox->setEditable(false);
    // The port list keeps working but is not part of the styled window.
    c.PortSelection->hide();
    c.PortDevPath->hide();
    c.button_Fresh->hide();

    // The plain arrangement goes; the controls stay alive and are moved into the new regions.
    delete c.layout();
    retainedViews = new QWidget(&c, Qt::Window);
    for (QWidget* child : c.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        child->hide();
        if (child != retainedViews) {
            child->setParent(retainedViews);
        }
    }
    for (int p = 0; p < ViewController::kProfileCount; ++p) {
        profileControls[p] = {c.LensFocalLengths[p], c.LensApexes[p], c.LensModels[p]};
    }

    rootView = new QWidget(&c);
    rootView->setObjectName("rootView");
    rootView->setAttribute(Qt::WA_StyledBackground);
    auto* rootLayout = new QVBoxLayout(&c);
    rootLayout->setContentsMargins(0, 0, 0, 0);
    rootLayout->addWidget(rootView);

    auto* column = new QVBoxLayout(rootView);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    buildTitleStrip(rootView);

    auto* content = new QWidget(rootView);
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(kSideMargin, 0, kSideMargin, 0);
    stack->setSpacing(0);
    hero = buildHero();
    profileSelectorView = buildProfileSelector();
    QFrame* profileCard = buildProfileCard();
    QFrame* deviceCard = buildDeviceCard();
    QFrame* logCard = buildLogCard();
    body = buildBody(profileCard, deviceCard, logCard);
    footer = buildFooter();
    stack->addWidget(hero);
    stack->addWidget(profileSelectorView, 0, Qt::AlignHCenter);
    stack->addSpacing(21);
    stack->addWidget(body, 1);
    stack->addSpacing(17);
    stack->addWidget(footer);
    column->addWidget(content, 1);

    installControlRow();
    interceptFooterButtons();
    configureInputControls();
    installCatalogAssistance();
    installKeyboardAccess();
    selectProfile(0);
    applyTheme();
    refreshConnectionStatus();

    statusTimer = new QTimer(this);
    connect(statusTimer, &QTimer::timeout, this, &ORVOPresentation::updateConnectionStatus);
    statusTimer->start(1000);

    // No field has the focus at start.
    QTimer::singleShot(0, this, [this] {
        updateWindowAppearance();
        if (controller && controller->focusWidget()) {
            controller->focusWidget()->clearFocus();
        }
    });
}

// ---- Small builders

QFrame* ORVOPresentation::makeCard() {
    auto* card = new QFrame;
    card->setObjectName("orvoCard");
    cardViews << card;
    return card;
}

QFrame* ORVOPresentation::makeSeparator(QWidget* parent, bool vertical) {
    auto* line = new QFrame(parent);
    line->setObjectName("orvoSeparator");
    if (vertical) {
        line->setFixedWidth(1);
    } else {
        line->setFixedHeight(1);
    }
    separatorViews << line;
    return line;
}

QLabel* ORVOPresentation::localizedPrimaryLabel(const QString& name, const QFont& font) {
    auto* label = new QLabel(LocalizationManager::text(TextKeys::label(name)));
    label->setFont(font);
    primaryLabels << label;
    localizedFields << qMakePair(label, name);
    return label;
}

QLabel* ORVOPresentation::secondaryLabel(const QString& value) {
    auto* label = new QLabel(value);
    label->setFont(Typography::fieldLabel());
    secondaryLabels << label;
    return label;
}

ORVOFieldContainer* ORVOPresentation::makeSlot(QWidget* content, int trailingInset) {
    auto* slot = new ORVOFieldContainer;
    slot->setFixedHeight(kSlotHeight);
    auto* layout = new QHBoxLayout(slot);
    layout->setSpacing(0);
    fieldContainers << slot;
    if (content) {
        replaceContent(slot, content, trailingInset);
    }
    return slot;
}

// Moves a control into a slot, 12 from its leading edge and trailingInset from its trailing edge.
// The control it held before goes back to the retained views, hidden but alive.
void ORVOPresentation::replaceContent(ORVOFieldContainer* slot, QWidget* control, int trailingInset) {
    auto* layout = static_cast<QHBoxLayout*>(slot->layout());
    layout->setContentsMargins(12, 0, trailingInset, 0);
    if (QLayoutItem* previous = layout->count() > 0 ? layout->itemAt(0) : nullptr;
        previous && previous->widget()) {
        QWidget* old = previous->widget();
        layout->removeWidget(old);
        old->hide();
        old->setParent(retainedViews);
    }
    control->setParent(slot);
    layout->insertWidget(0, control, 1, Qt::AlignVCenter);
    control->show();
}

// A chevron at the trailing end of a slot. It lets clicks through to what lies beneath.
QWidget* ORVOPresentation::chevronOver(ORVOFieldContainer* slot, const QString& symbol) {
    auto* chevron = new QLabel(slot);
    chevron->setObjectName(symbol);
    chevron->setAttribute(Qt::WA_TransparentForMouseEvents);
    chevron->setFixedSize(14, 14);
    chevronViews << chevron;
    return chevron;
}

// ---- Regions

void ORVOPresentation::buildTitleStrip(QWidget* parent) {
    auto* strip = new QWidget(parent);
    strip->setFixedHeight(kTitleStripHeight);
    auto* layout = new QVBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    windowTitleLabel = new QLabel(LocalizationManager::text(TextKeys::kAppWindowTitle), strip);
    windowTitleLabel->setFont(Typography::windowTitle());
    windowTitleLabel->setAlignment(Qt::AlignCenter);
    primaryLabels << windowTitleLabel;
    // Kept clear of the window buttons on either side.
    auto* titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(130, 0, 130, 0);
    titleRow->addWidget(windowTitleLabel);
    layout->addLayout(titleRow, 1);
    layout->addWidget(makeSeparator(strip));
    static_cast<QVBoxLayout*>(parent->layout())->addWidget(strip);
}

QWidget* ORVOPresentation::buildHero() {
    auto* view = new QWidget;
    view->setFixedHeight(static_cast<int>(heroHeight));
    ringView = new QLabel(view);
    ringView->setAlignment(Qt::AlignCenter);
    productNameLabel = new QLabel(QStringLiteral("Quillon ORVO"), view);
    productNameLabel->setFont(Typography::productName());
    productNameLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    primaryLabels << productNameLabel;
    view->installEventFilter(this);
    return view;
}

QFrame* ORVOPresentation::buildProfileSelector() {
    auto* selector = new QFrame;
    selector->setObjectName("profileSelector");
    selector->setFixedSize(kSelectorWidth, kSelectorHeight);
    auto* row = new QHBoxLayout(selector);
    row->setContentsMargins(3, 3, 3, 3);
    row->setSpacing(0);
    static const char* const titles[] = {"A (F2.2)", "B (F2.5)", "C (F2.8)", "D (F3.2)"};
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            auto* divider = makeSeparator(selector, true);
            divider->setFixedHeight(kSelectorHeight - 16);
            profileDividers[i - 1] = divider;
            row->addSpacing(1);
            row->addWidget(divider, 0, Qt::AlignVCenter);
            row->addSpacing(1);
        }
        auto* button = new QPushButton(titles[i], selector);
        button->setProperty("profileIndex", i);
        button->setFont(Typography::segment());
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::PointingHandCursor);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        connect(button, &QPushButton::clicked, this, &ORVOPresentation::selectProfileAction);
        profileButtons[i] = button;
        row->addWidget(button, 1);
    }
    return selector;
}

QWidget* ORVOPresentation::buildBody(QFrame* profileCard, QFrame* deviceCard, QFrame* logCard) {
    // The body yields below its 422 before the footer does: at the smallest window the hero is already
    // at its floor.
    auto* view = new QWidget;
    view->setMinimumHeight(kBodyMinimumHeight - 80);
    for (QFrame* card : {profileCard, deviceCard, logCard}) {
        card->setParent(view);
    }
    view->installEventFilter(this);
    return view;
}

// Exit and Save over a divider, the version under it: 40 + 4 + 1 + 4 + 18 + 4 = 71 high.
QWidget* ORVOPresentation::buildFooter() {
    auto* view = new QWidget;
    view->setFixedHeight(kFooterMinimumHeight);
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->setSpacing(4);
    auto* buttons = new QHBoxLayout;
    QPushButton* exit = controller->button_Exit;
    QPushButton* save = controller->button_SaveToAdapter;
    QPushButton* readAgain = controller->button_ReadAgain;
    exit->setParent(view);
    save->setParent(view);
    readAgain->setParent(view);
    buttons->addWidget(exit);
    buttons->addStretch();
    buttons->addWidget(readAgain);
    buttons->addWidget(save);
    layout->addLayout(buttons);
    layout->addWidget(makeSeparator(view));
    versionLabel = secondaryLabel(appVersionText(ORVO_SHORT_VERSION, ORVO_BUILD_NUMBER));
    versionLabel->setAlignment(Qt::AlignCenter);
    versionLabel->setFixedHeight(18);
    layout->addWidget(versionLabel);
    exit->show();
    save->show();
    return view;
}

// The status pill on the left of the hero; help, tour, theme and language on the right.
void ORVOPresentation::installControlRow() {
    ViewController& c = *controller;
    statusDot = new QFrame(hero);
    statusDot->setFixedSize(9, 9);
    statusLabel =
        new QLabel(LocalizationManager::text(TextKeys::label(TextKeys::kStatusAdapterNotConnected)), hero);
    statusLabel->setFont(Typography::status());

    headerActionsView = new QWidget(hero);
    auto* row = new QHBoxLayout(headerActionsView);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    c.button_Help->setParent(headerActionsView);
    tourButton = new QPushButton(LocalizationManager::text(TextKeys::kButtonTour), headerActionsView);
    tourButton->setObjectName("tourButton");
    connect(tourButton, &QPushButton::clicked, this, &ORVOPresentation::replayTourRequested);
    themeToggle = new ORVOThemeToggle(headerActionsView);
    themeToggle->onToggle = [this] {
        usesLightAppearance = !usesLightAppearance;
        applyTheme();
    };
    languageContainerView = new ORVOFieldContainer(headerActionsView);
    fieldContainers << static_cast<ORVOFieldContainer*>(languageContainerView);
    auto* language = new QHBoxLayout(languageContainerView);
    language->setContentsMargins(12, 0, 4, 0);
    c.Language->setParent(languageContainerView);
    c.Language->setEditable(false);
    language->addWidget(c.Language);
    language->addSpacing(20);
    languageContainerView->setFixedHeight(32);
    chevronOver(static_cast<ORVOFieldContainer*>(languageContainerView), QStringLiteral("chevron.down"));
    languageContainerView->installEventFilter(this);
    for (QPushButton* button : {c.button_Help, tourButton}) {
        button->setFixedHeight(32);
        button->setCursor(Qt::PointingHandCursor);
    }
    row->addWidget(languageContainerView);
    row->addWidget(themeToggle);
    row->addWidget(tourButton);
    row->addWidget(c.button_Help);
    c.button_Help->show();
    c.Language->show();
    refreshLocalizedText();
}

// Exit and Save ask first; the controller's own actions run only after a confirmation.
void ORVOPresentation::interceptFooterButtons() {
    ViewController* c = controller;
    QObject::disconnect(c->button_Exit, &QPushButton::clicked, c, &ViewController::On_buttonExit_Clicked);
    QObject::disconnect(c->button_SaveToAdapter, &QPushButton::clicked, c,
                        &ViewController::On_Button_SaveToAdapter);
    legacySaveAction = [c] { return c->On_Button_SaveToAdapter(); };
    connect(c->button_Exit, &QPushButton::clicked, this, &ORVOPresentation::confirmExitRequested);
    connect(c->button_SaveToAdapter, &QPushButton::clicked, this, &ORVOPresentation::confirmSaveRequested);
}

void ORVOPresentation::configureInputControls() {
    ViewController& c = *controller;
    for (QLineEdit* value : {c.DeviceModel_Text, c.DeviceSN_Text, c.FW_Version_Text}) {
        value->setReadOnly(true);
        value->setFrame(false);
        inputControls << value;
    }
    for (ProfileControls& profile : profileControls) {
        for (QLineEdit* field : {profile.focalLength, profile.lensModel}) {
            field->setFrame(false);
            field->setFont(Typography::fieldValue());
            field->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            inputControls << field;
        }
        for (QComboBox* box : profile.apertures) {
            box->setFont(Typography::fieldValue());
            box->setMaxVisibleItems(14);
            box->setFocusPolicy(Qt::TabFocus);
            inputControls << box;
        }
    }
    for (QComboBox* box : {c.Language, defaultLensComboBox}) {
        box->setFont(Typography::fieldValue());
        inputControls << box;
    }
    syncLanguageSelection();
}

void ORVOPresentation::syncLanguageSelection() {
    const int index = LocalizationManager::shared().getCurrentLanguage();
    if (controller && index < controller->Language->count()) {
        controller->Language->setCurrentIndex(index);
    }
}

// ---- Layout of the hand-placed regions

bool ORVOPresentation::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == hero) {
            layoutHero();
        } else if (watched == body) {
            layoutBody();
        } else if (auto* slot = qobject_cast<ORVOFieldContainer*>(watched)) {
            // Chevrons and menu buttons sit at the trailing end of their slot.
            QLayoutItem* first = slot->layout() ? slot->layout()->itemAt(0) : nullptr;
            QWidget* content = first ? first->widget() : nullptr;
            for (QWidget* child : slot->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                if (chevronViews.contains(qobject_cast<QLabel*>(child))) {
                    child->move(slot->width() - 24, (slot->height() - child->height()) / 2);
                    child->raise();
                } else if (auto* button = qobject_cast<QPushButton*>(child); button && button != content) {
                    button->move(slot->width() - button->width(), 0);
                }
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void ORVOPresentation::layoutHero() {
    const int width = hero->width();
    const double ring = std::clamp(heroHeight - 15 - 10 - 35, 0.0, 144.0);
    const int ringSize = static_cast<int>(ring);
    ringView->setGeometry((width - ringSize) / 2, kRingTop, ringSize, ringSize);
    const qreal dpr = ringView->devicePixelRatioF();
    ringView->setPixmap(ORVOImages::image(QStringLiteral("AdapterRing"), QSizeF(ring, ring), dpr));
    productNameLabel->setGeometry(0, kRingTop + ringSize + 10, width, 30);
    const QSize pill = statusLabel->sizeHint();
    statusDot->move(0, kRingTop + (32 - 9) / 2);
    statusLabel->setGeometry(17, kRingTop + (32 - pill.height()) / 2, pill.width() + 8, pill.height());
    const QSize actions = headerActionsView->sizeHint();
    headerActionsView->setGeometry(width - actions.width(), kRingTop, actions.width(), 32);
}

// The left column takes 499/1218 of the body: the device card on top, the log card below it; the
// profile card fills the rest, 37 to the right.
void ORVOPresentation::layoutBody() {
    const int width = body->width();
    const int height = body->height();
    const int left = static_cast<int>(std::lround(width * 499.0 / 1218.0));
    deviceCardView->setGeometry(0, 0, left, kDeviceCardHeight);
    logCardView->setGeometry(0, kDeviceCardHeight + 14, left, height - kDeviceCardHeight - 14);
    profileCardView->setGeometry(left + 37, 0, width - left - 37, height);
}
