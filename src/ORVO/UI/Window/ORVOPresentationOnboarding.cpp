// Onboarding on the styled window: the first-run guide when the window first appears, the guided
// tour after it (once per interface language), and the tour again from the tour button.

#include "FirstFrame.h"
#include "LocalizationManager.h"
#include "MainQueue.h"
#include "ORVODeviceCard.h"
#include "ORVOFieldContainer.h"
#include "ORVOFirstRunGuide.h"
#include "ORVOHero.h"
#include "ORVOLogCard.h"
#include "ORVOPresentation.h"
#include "ORVOPresentationDelegate.h"
#include "ORVOProfileSelector.h"
#include "ORVOThemeToggle.h"
#include "ORVOWindowControls.h"
#include "Settings.h"
#include "TextKeys.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

bool environmentFlag(const char* name) {
    return qEnvironmentVariable(name) == QLatin1String("1");
}

void storeTourCompleted(const QString& key) {
    Settings::shared().setValue(key, true);
    Settings::shared().sync();
}

// Lays the tour over the whole root view; nothing when there is nothing to show or one is showing.
void presentTour(ORVOPresentation& presentation, std::function<void()> completion) {
    if (!presentation.rootView || (presentation.activeTour && !presentation.activeTour->isHidden())) {
        return;
    }
    const QList<ORVOTour::Step> steps = presentation.tourSteps();
    if (steps.isEmpty()) {
        return;
    }
    const ORVOPalette& palette =
        presentation.usesLightAppearance ? ORVOPalette::light() : ORVOPalette::dark();
    presentation.activeTour = new ORVOTour(steps, palette, std::move(completion), presentation.rootView);
    presentation.activeTour->build();
}

} // namespace

void ORVOPresentation::showOnboardingIfNeeded() {
    if (hasShownGuideInSession || !host.window()->isVisible()) {
        return;
    }
    hasShownGuideInSession = true;
    if (environmentFlag("ORVO_SKIP_GUIDE")) {
        startTourIfNeeded();
        if (environmentFlag("ORVO_SHOW_SAVE_DIALOG")) {
            // Only to look at: the answer is ignored and nothing is sent.
            MainQueue::after(1000, this, [this] {
                ORVODialogs::confirmSave(host.window(), defaultLensDisplayValue(), profileSummaryRows());
            });
        }
        return;
    }
    onboarding = new ORVOFirstRunGuide(&host, palette(), [this](bool) {
        if (onboarding) {
            onboarding->deleteLater();
            onboarding = nullptr;
        }
        // The language may have changed on the guide's first page.
        refreshLocalizedText();
        startTourIfNeeded();
    });
    connect(onboarding, &ORVOFirstRunGuide::languageConfirmed, this,
            [this](int index) { delegate.languageChosen(index); });
    // Opened only once the window is on the screen: a compositor learns whose child a window is as
    // it appears, and a window that is not there yet is no parent, so the guide would open beside
    // or below it.
    FirstFrame::after(&host, [guide = onboarding] {
        if (guide) {
            guide->beginSheet();
        }
    });
}

QString ORVOPresentation::tourCompletionKey() {
    const auto& languages = LocalizationManager::availableLanguages();
    const size_t current = LocalizationManager::shared().getCurrentLanguage();
    const QString code = current < languages.size() ? languages[current].code : QStringLiteral("zh-Hans");
    return QStringLiteral("ORVOTourCompleted_") + code;
}

void ORVOPresentation::startTourIfNeeded() {
    if (environmentFlag("ORVO_SKIP_TOUR") || Settings::shared().value(tourCompletionKey()).toBool()) {
        return;
    }
    // The language of the start is the one finished, even when it changes during the tour.
    const QString key = tourCompletionKey();
    presentTour(*this, [key] { storeTourCompleted(key); });
}

void ORVOPresentation::replayTour() {
    presentTour(*this, [] { storeTourCompleted(tourCompletionKey()); });
}

void ORVOPresentation::replayTourRequested() {
    replayTour();
}

QList<ORVOTour::Step> ORVOPresentation::tourSteps() const {
    // My Lenses has its step only where the library is wired to the window.
    QWidget* library =
        profileCard->addToLibraryButton->isVisibleTo(profileCard) ? profileCard->addToLibraryButton : nullptr;
    const QList<QWidget*> targets = {nullptr,
                                     hero->languageContainerView,
                                     hero->themeToggle,
                                     c.button_Help,
                                     hero->tourButton,
                                     hero->statusLabel,
                                     deviceCard,
                                     c.Default_LensSeq,
                                     logCard,
                                     profileSelector,
                                     profileCard->mountSlot,
                                     profileCard->focalSlot,
                                     profileCard->apertureRowView,
                                     profileCard->modelSlot,
                                     library,
                                     c.button_SaveToAdapter,
                                     c.button_Exit};
    const QStringList& stems = TextKeys::tourStepStems();
    QList<ORVOTour::Step> steps;
    for (int i = 0; i < stems.size() && i < targets.size(); ++i) {
        // The opening card has no target; every other step needs its control.
        if (i == 0 || targets[i]) {
            steps << ORVOTour::Step{targets[i], TextKeys::tourTitleName(stems[i]),
                                    TextKeys::tourBodyName(stems[i])};
        }
    }
    return steps;
}
