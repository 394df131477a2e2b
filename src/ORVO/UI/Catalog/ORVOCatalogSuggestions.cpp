// The suggestion list under the lens-name field: its candidates, opening and closing it by click,
// and the keys of the field that step through it, pick from it and close it.

#include "LensCatalogText.h"
#include "LocalizationManager.h"
#include "MainQueue.h"
#include "ORVOCatalogAssistant.h"
#include "ORVOSuggestionPanel.h"
#include "ProfileValues.h"
#include "TextKeys.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWindow>

namespace {

// The trailing strip of the lens-model row that belongs to the suggestion button.
constexpr int kSuggestionButtonStrip = 34;

} // namespace

void ORVOCatalogAssistant::refreshCatalogMatches() {
    recomputeCatalogMatches();
    if (suggestionPanel && suggestionPanel->isVisible()) {
        presentSuggestions();
    }
}

void ORVOCatalogAssistant::recomputeCatalogMatches() {
    if (!hasSelectedProfile() || !lensCatalog) {
        return;
    }
    const ORVOProfileFields& profile = controls.profiles[selectedProfileIndex];
    if (lensCatalog->records().isEmpty()) {
        catalogMatches.clear();
        catalogEmptyHint = LocalizationManager::text(TextKeys::kPlaceholderCatalogUnavailable);
        return;
    }
    const QString focalLength = profile.focalLength->text();
    if (!lensCatalogNumber(focalLength)) {
        catalogMatches.clear();
        catalogEmptyHint = LocalizationManager::text(TextKeys::kPlaceholderEnterFocalLength);
        return;
    }
    const QComboBox* firstBox = profile.apertures[0];
    const QString aperture = apertureDisplayValue(firstBox);
    // A name just picked from the catalog, or the name composed from focal length and aperture,
    // says nothing about the lens wanted: the list keeps every lens of the mount and focal length.
    std::optional<QString> query = profile.lensModel->text().trimmed();
    const auto sameText = [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) == 0;
    };
    if (query->isEmpty() || sameText(*query, lastAppliedCatalogName.value(selectedProfileIndex)) ||
        sameText(*query, ProfileValues::composedLensName(focalLength, aperture))) {
        query.reset();
    }
    // Item 0 is where every box starts, so it says nothing about the lens either.
    const std::optional<QString> maximumAperture =
        firstBox->currentIndex() >= 1 ? std::optional(aperture) : std::nullopt;
    catalogMatches =
        lensCatalog->suggestions(mountSelections[selectedProfileIndex], focalLength, maximumAperture, query);
    catalogEmptyHint = LocalizationManager::text(TextKeys::kPlaceholderCatalogNoMatch);
}

void ORVOCatalogAssistant::presentSuggestions() {
    loadCatalog();
    if (!controls.modelSlot) {
        return;
    }
    if (!suggestionPanel) {
        suggestionPanel = new ORVOSuggestionPanel(hooks.palette(), controls.window->window());
        suggestionPanel->setCeiling(controls.suggestionCeiling);
    }
    if (suggestionPanel->currentPalette() != hooks.palette()) {
        suggestionPanel->apply(hooks.palette());
    }
    QStringList names;
    names.reserve(catalogMatches.size());
    for (const LensCatalogRecord& record : catalogMatches) {
        names << record.officialName;
    }
    suggestionPanel->present(controls.modelSlot, names, catalogEmptyHint,
                             [weak = QPointer(this)](const QString& name) {
                                 if (weak) {
                                     weak->applyCatalogSelection(name);
                                 }
                             });
}

void ORVOCatalogAssistant::hideSuggestions() {
    if (suggestionPanel) {
        suggestionPanel->dismiss();
    }
}

// Later, so that the click that opens the list is not also the click that closes it.
void ORVOCatalogAssistant::queueSuggestions() {
    MainQueue::after(0, this, [this] {
        recomputeCatalogMatches();
        presentSuggestions();
    });
}

void ORVOCatalogAssistant::showLensSuggestions() {
    if (!controls.modelSlot) {
        return;
    }
    if (suggestionPanel && suggestionPanel->isVisible()) {
        hideSuggestions();
        return;
    }
    if (hasSelectedProfile()) {
        queueSuggestions();
    }
}

void ORVOCatalogAssistant::installLensModelClickMonitor() {
    if (lensModelClickMonitor) {
        return;
    }
    lensModelClickMonitor = true;
    qApp->installEventFilter(this);
    for (const ORVOProfileFields& profile : controls.profiles) {
        profile.lensModel->installEventFilter(this);
    }
}

bool ORVOCatalogAssistant::eventFilter(QObject* watched, QEvent* event) {
    // Window-level presses only: each click reaches its window once, while the widgets under it may
    // pass it on to their parents several times.
    if (watched->isWindowType()) {
        if (event->type() == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            const QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            swallowRelease = lensModelClicked(static_cast<QWindow*>(watched), at);
            return swallowRelease;
        }
        if (event->type() == QEvent::MouseButtonRelease && swallowRelease) {
            swallowRelease = false;
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::KeyPress && isCurrentLensModelField(watched)) {
        return suggestionKey(*static_cast<QKeyEvent*>(event));
    }
    return false;
}

bool ORVOCatalogAssistant::lensModelClicked(const QWindow* window, const QPoint& globalPosition) {
    if (suggestionPanel && window == suggestionPanel->windowHandle()) {
        return false;
    }
    if (!controls.modelSlot || !controls.modelSlot->isVisible()) {
        return false;
    }
    const bool shown = suggestionPanel && suggestionPanel->isVisible();
    if (window == controls.modelSlot->window()->windowHandle()) {
        const QPoint position = controls.modelSlot->mapFromGlobal(globalPosition);
        if (controls.modelSlot->rect().contains(position)) {
            if (position.x() >= controls.modelSlot->width() - kSuggestionButtonStrip) {
                return false; // the suggestion button toggles the list itself
            }
            if (shown) {
                hideSuggestions();
            } else {
                queueSuggestions();
            }
            return false;
        }
    }
    // A click beside an open list only closes it: what lies under the pointer may be what the list
    // covered a moment ago, and acting on it is not what the user aimed at.
    if (shown) {
        hideSuggestions();
    }
    return shown;
}

bool ORVOCatalogAssistant::suggestionKey(const QKeyEvent& key) {
    const bool shown = suggestionPanel && suggestionPanel->isVisible();
    switch (key.key()) {
    case Qt::Key_Down:
        if (!shown) {
            queueSuggestions();
        } else {
            suggestionPanel->moveCurrentRow(1);
        }
        return true;
    case Qt::Key_Up:
        if (shown) {
            suggestionPanel->moveCurrentRow(-1);
        }
        return shown;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return shown && suggestionPanel->pickCurrentRow();
    case Qt::Key_Escape:
        if (shown) {
            hideSuggestions();
        }
        return shown;
    default:
        return false;
    }
}
