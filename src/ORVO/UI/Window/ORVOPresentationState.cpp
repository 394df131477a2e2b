// The styled window's moving parts: profile selection, the theme pass, the status pill, the log,
// the confirmations of Exit and Save, window sizing and the hero collapse, and re-translation.

#include "DataStructureManager.h"
#include "LocalizationManager.h"
#include "ORVOAccessNotice.h"
#include "ORVOFieldContainer.h"
#include "ORVOPassthroughView.h"
#include "ORVOPresentation.h"
#include "ORVOStyledLog.h"
#include "ORVOThemeToggle.h"
#include "SymbolIcon.h"
#include "TextKeys.h"
#include "Typography.h"
#include "ViewController.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <cmath>

namespace {

constexpr QSize kMinimumContentSize(1140, 713);
constexpr QSize kLargestInitialContentSize(1284, 809);
constexpr double kAroundBody = 201;
constexpr double kBodyMinimum = 422;

// Wide enough for the title in the button's font with its padding on both sides.
void fitToTitle(QPushButton* button, int padding) {
    button->setMinimumWidth(QFontMetrics(button->font()).horizontalAdvance(button->text()) + 2 * padding + 4);
}

} // namespace

// ---- Geometry

std::optional<ORVOPresentation::HeroGeometry> ORVOPresentation::heroGeometry(double rootHeight,
                                                                             double currentHeroHeight) {
    if (rootHeight - kAroundBody <= 0) {
        return std::nullopt;
    }
    const double hero = std::clamp(rootHeight - kAroundBody - kBodyMinimum, 150.0, 204.0);
    if (std::abs(hero - currentHeroHeight) <= 0.5) {
        return std::nullopt;
    }
    const double ring = std::clamp(hero - 15 - 10 - 35, 0.0, 144.0);
    return HeroGeometry{hero, ring, 15 + ring + 10};
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

QString ORVOPresentation::appVersionText(const QString& shortVersion, const QString& build) {
    const QString version = shortVersion.isEmpty() ? QStringLiteral("1.0") : shortVersion;
    const QString number = build.isEmpty() ? QStringLiteral("1") : build;
    return version == number ? "v" + version : QStringLiteral("v%1 (%2)").arg(version, number);
}

int ORVOPresentation::tourButtonWidth(const QString& title) {
    return std::max(QFontMetrics(Typography::button()).horizontalAdvance(title) + 32, 65);
}

int ORVOPresentation::languageSelectorWidth(const QString& displayName) {
    return std::max(QFontMetrics(Typography::fieldValue()).horizontalAdvance(displayName) + 58, 130);
}

std::array<bool, 3> ORVOPresentation::visibleDividers(int selected) {
    std::array<bool, 3> visible{};
    for (int i = 0; i < 3; ++i) {
        visible[i] = i != selected && i != selected - 1;
    }
    return visible;
}

void ORVOPresentation::adjustHeroForAvailableHeight() {
    if (!rootView) {
        return;
    }
    const auto geometry = heroGeometry(rootView->height(), heroHeight);
    if (!geometry) {
        return;
    }
    heroHeight = geometry->heroHeight;
    hero->setFixedHeight(static_cast<int>(std::lround(heroHeight)));
    layoutHero();
}

void ORVOPresentation::updateWindowAppearance() {
    if (!controller) {
        return;
    }
    QWidget* window = controller->window();
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

void ORVOPresentation::selectProfileAction() {
    if (auto* button = qobject_cast<QPushButton*>(sender())) {
        selectProfile(button->property("profileIndex").toInt());
    }
}

void ORVOPresentation::selectProfile(int index) {
    if (index < 0 || index >= static_cast<int>(profileControls.size())) {
        return;
    }
    selectedProfileIndex = index;
    profileBadgeLabel->setText(ViewController::profileLetter(index));
    ProfileControls& profile = profileControls[index];
    replaceContent(focalSlot, profile.focalLength, 34);
    for (int k = 0; k < 4; ++k) {
        replaceContent(apertureSlots[k], profile.apertures[k], 24);
    }
    replaceContent(modelSlot, profile.lensModel, 34);
    lastMaximumAperture[index] = profile.apertures[0]->currentText();
    showCatalogStateOfSelectedProfile();
    applyProfileButtonAppearance();
    applyKeyboardOrder();
}

void ORVOPresentation::applyProfileButtonAppearance() {
    const ORVOPalette& p = palette();
    for (int i = 0; i < 4; ++i) {
        const bool selected = i == selectedProfileIndex;
        profileButtons[i]->setStyleSheet(
            QStringLiteral("QPushButton { background: %1; color: %2; border: none; border-radius: 8px; }")
                .arg(selected ? ORVOPalette::css(p.selectedFill) : QStringLiteral("transparent"),
                     ORVOPalette::css(selected ? p.selectedText : p.text)));
    }
    const auto visible = visibleDividers(selectedProfileIndex);
    for (int i = 0; i < 3; ++i) {
        profileDividers[i]->setVisible(visible[i]);
    }
}

QString ORVOPresentation::defaultLensDisplayValue() const {
    if (!defaultLensComboBox || defaultLensComboBox->currentText().isEmpty()) {
        return QStringLiteral("—");
    }
    return controller->defaultLensChange();
}

QList<SummaryRow> ORVOPresentation::profileSummaryRows() const {
    QList<SummaryRow> rows;
    for (int p = 0; p < static_cast<int>(profileControls.size()); ++p) {
        const ProfileControls& profile = profileControls[p];
        QStringList apertures;
        for (QComboBox* box : profile.apertures) {
            apertures << box->currentText();
        }
        // The summary shows the focal length exactly as it will be written.
        const auto focal = controller->focalLengthToWrite(p);
        rows << SummaryRow{ViewController::profileLetter(p), profile.lensModel->text(),
                           focal ? QString::number(*focal) : QStringLiteral("—"), apertures.join(" / "),
                           controller->changesFromAdapter(p)};
    }
    return rows;
}

// ---- Exit and Save

void ORVOPresentation::confirmExitRequested() {
    if (!controller || !ORVODialogs::confirmExit(controller->window())) {
        return;
    }
    controller->exitAfterConfirmation();
}

void ORVOPresentation::confirmSaveRequested() {
    if (!controller ||
        !ORVODialogs::confirmSave(controller->window(), defaultLensDisplayValue(), profileSummaryRows())) {
        return;
    }
    // The saved notice waits for the write sequence to verify what it wrote.
    legacySaveAction();
}

void ORVOPresentation::showSavedNotice() {
    savedNoticeUntil = QDeadlineTimer(6000);
    refreshConnectionStatus();
}

// ---- Status and log

void ORVOPresentation::updateConnectionStatus() {
    refreshConnectionStatus();
}

void ORVOPresentation::refreshConnectionStatus() {
    if (!controller || !statusLabel) {
        return;
    }
    const ORVOPalette& p = palette();
    bool connected = false;
    if (qEnvironmentVariable("ORVO_FAKE_CONNECTED") == QLatin1String("1")) {
        controller->button_SaveToAdapter->setEnabled(true);
        connected = true;
    } else {
        const SerialPortPtr& port = controller->dataManager.serialController->serialPort;
        connected = port && port->isOpen();
    }
    const char* key = TextKeys::kStatusAdapterNotConnected;
    if (!connected) {
        savedNoticeUntil.reset();
    } else if (savedNoticeUntil && !savedNoticeUntil->hasExpired()) {
        key = TextKeys::kStatusAdapterSaved;
    } else {
        key = TextKeys::kStatusAdapterConnected;
        savedNoticeUntil.reset();
    }
    const QColor colour = connected ? p.positive : p.negative;
    // A running read-out or save says how far it has got; the one-second refresh keeps that.
    const QString activity = connected ? controller->activityStatus : QString();
    statusLabel->setText(activity.isEmpty() ? LocalizationManager::text(TextKeys::label(key)) : activity);
    statusLabel->setStyleSheet(
        QStringLiteral("color: %1; background: transparent;").arg(ORVOPalette::css(colour)));
    statusLabel->adjustSize();
    statusDot->setStyleSheet(
        QStringLiteral("background: %1; border-radius: 4px;").arg(ORVOPalette::css(colour)));
    for (const auto& [field, placeholder] : devicePlaceholders) {
        placeholder->setHidden(!field->text().trimmed().isEmpty());
    }
    logPlaceholder->setHidden(!rawLogText().trimmed().isEmpty());
    layoutHero();
}

void ORVOPresentation::appendLog(const QString& entry) {
    if (!styledLog) {
        return;
    }
    styledLog->append(entry);
    logPlaceholder->setHidden(styledLog->hasVisibleLines());
}

QString ORVOPresentation::rawLogText() const {
    return styledLog ? styledLog->rawLogText() : QString();
}

// ---- Theme

void ORVOPresentation::styleSecondaryButton(QPushButton* button) {
    const ORVOPalette& p = palette();
    button->setFont(Typography::button());
    button->setStyleSheet(
        QStringLiteral("QPushButton { background: transparent; border: 1px solid %1; "
                       "border-radius: 8px; color: %2; padding: 0 14px; }"
                       "QPushButton:pressed { background: %3; }"
                       "QPushButton:disabled { color: %4; border-color: %5; }")
            .arg(ORVOPalette::css(p.border), ORVOPalette::css(p.text), ORVOPalette::css(p.field),
                 ORVOPalette::css(p.muted), ORVOPalette::css(p.divider)));
    fitToTitle(button, 14);
}

void ORVOPresentation::stylePrimaryButton(QPushButton* button) {
    const ORVOPalette& p = palette();
    button->setFont(Typography::primaryButton());
    button->setMinimumHeight(40);
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; border: none; border-radius: 10px; "
                                         "color: %2; padding: 0 24px; }")
                              .arg(ORVOPalette::css(p.selectedFill), ORVOPalette::css(p.selectedText)));
    button->setMinimumWidth(
        std::max(180, QFontMetrics(button->font()).horizontalAdvance(button->text()) + 52));
}

void ORVOPresentation::styleTextButton(QPushButton* button) {
    const ORVOPalette& p = palette();
    button->setFont(Typography::button());
    button->setMinimumHeight(40);
    button->setStyleSheet(
        QStringLiteral("QPushButton { background: transparent; border: none; color: %1; padding: 0 12px; }")
            .arg(ORVOPalette::css(p.text)));
    fitToTitle(button, 12);
}

void ORVOPresentation::applyTheme() {
    if (!controller) {
        return;
    }
    const ORVOPalette& p = palette();
    rootView->setStyleSheet(
        QStringLiteral("QWidget#rootView { background: %1; }").arg(ORVOPalette::css(p.background)));
    for (QFrame* card : cardViews) {
        card->setStyleSheet(QStringLiteral("QFrame#orvoCard { background: %1; border: 1px solid %2; "
                                           "border-radius: 14px; }")
                                .arg(ORVOPalette::css(p.card), ORVOPalette::css(p.border)));
    }
    for (ORVOFieldContainer* container : fieldContainers) {
        container->apply(p);
    }
    for (QFrame* separator : separatorViews) {
        separator->setStyleSheet(
            QStringLiteral("background: %1; border: none;").arg(ORVOPalette::css(p.divider)));
    }
    const QString labelStyle =
        QStringLiteral("color: %1; background: transparent;").arg(ORVOPalette::css(p.text));
    for (QLabel* label : primaryLabels + secondaryLabels) {
        label->setStyleSheet(labelStyle);
    }
    badgeView->setStyleSheet(QStringLiteral("QFrame#badge { border: 2px solid %1; border-radius: 18px; }"
                                            "QLabel { color: %1; background: transparent; border: none; }")
                                 .arg(ORVOPalette::css(p.text)));
    const QString mutedStyle =
        QStringLiteral("color: %1; background: transparent;").arg(ORVOPalette::css(p.muted));
    logPlaceholder->setStyleSheet(mutedStyle);
    apertureNoteLabel->setStyleSheet(mutedStyle);
    profileSelectorView->setStyleSheet(
        QStringLiteral(
            "QFrame#profileSelector { background: %1; border: 1px solid %2; border-radius: 10px; }")
            .arg(ORVOPalette::css(p.field), ORVOPalette::css(p.border)));
    const QString inputStyle =
        QStringLiteral(
            "QLineEdit { background: transparent; border: none; color: %1; selection-background-color: "
            "%2; selection-color: %3; }"
            "QComboBox { background: transparent; border: none; color: %1; padding: 0; }"
            "QComboBox::drop-down { border: none; width: 0; }"
            "QComboBox::down-arrow { image: none; width: 0; height: 0; }"
            "QComboBox QAbstractItemView { background: %4; color: %1; border: 1px solid %5; outline: 0; "
            "selection-background-color: %2; selection-color: %3; }")
            .arg(ORVOPalette::css(p.text), ORVOPalette::css(p.selectedFill), ORVOPalette::css(p.selectedText),
                 ORVOPalette::css(p.card), ORVOPalette::css(p.border));
    for (QWidget* control : inputControls) {
        control->setStyleSheet(inputStyle);
    }
    for (QLabel* chevron : chevronViews) {
        chevron->setPixmap(
            SymbolIcon::pixmap(chevron->objectName(), p.text, chevron->size(), chevron->devicePixelRatioF()));
    }
    themeToggle->setLight(usesLightAppearance);
    themeToggle->applyState();
    themeToggle->apply(p);
    styleSecondaryButton(tourButton);
    styleSecondaryButton(controller->button_Help);
    styleSecondaryButton(controller->button_ReadAgain);
    styleSecondaryButton(controller->button_Revert);
    styleSecondaryButton(controller->button_Restore);
    stylePrimaryButton(controller->button_SaveToAdapter);
    styleTextButton(controller->button_Exit);
    for (QPushButton* button : {mountButton, focalMenuButton, suggestionButton}) {
        button->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border: none; }"));
    }
    controller->PrintView->setStyleSheet(
        QStringLiteral(
            "QTextEdit { background: transparent; border: none; }"
            "QScrollBar:vertical { width: 6px; background: transparent; margin: 0; }"
            "QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 24px; }"
            "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
            "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }")
            .arg(ORVOPalette::css(p.border)));
    styledLog->setPalette(p);
    controller->accessNotice->applyPalette(p);
    applyProfileButtonAppearance();
    refreshConnectionStatus();
    updateWindowAppearance();
}

// ---- Language

void ORVOPresentation::refreshLocalizedText() {
    if (!controller) {
        return;
    }
    for (const auto& [label, name] : localizedFields) {
        label->setText(LocalizationManager::text(TextKeys::label(name)));
    }
    windowTitleLabel->setText(LocalizationManager::text(TextKeys::kAppWindowTitle));
    for (int k = 0; k < 4; ++k) {
        apertureLabels[k]->setText(LocalizationManager::text(TextKeys::kLabelAperture) + ' ' +
                                   QString::number(k + 1));
    }
    refreshCatalogLocalizedText();
    styleSecondaryButton(controller->button_Help);
    styleTextButton(controller->button_Exit);
    stylePrimaryButton(controller->button_SaveToAdapter);
    styleSecondaryButton(controller->button_ReadAgain);
    styleSecondaryButton(controller->button_Revert);
    styleSecondaryButton(controller->button_Restore);
    syncLanguageSelection();
    tourButton->setText(LocalizationManager::text(TextKeys::kButtonTour));
    styleSecondaryButton(tourButton);
    tourButton->setFixedWidth(tourButtonWidth(tourButton->text()));
    const auto& languages = LocalizationManager::availableLanguages();
    const size_t current = LocalizationManager::shared().getCurrentLanguage();
    languageContainerView->setFixedWidth(languageSelectorWidth(languages[current].displayName));
    applyAccessibleNames();
    refreshConnectionStatus();
}
