// The first aperture of the profile card and the catalog: a picked lens's maximum aperture, the
// nearest stop for a lens whose aperture the adapter does not list and the line that says so, and
// the offer to fill the other apertures after a new maximum aperture.

#include "ApertureLadder.h"
#include "LensCatalogText.h"
#include "LocalizationManager.h"
#include "MainQueue.h"
#include "ORVOCatalogAssistant.h"
#include "TextKeys.h"

#include <QComboBox>
#include <QLabel>
#include <cmath>

namespace {

constexpr double kNumberTolerance = 0.001;

bool sameNumber(const std::optional<double>& value, double wanted) {
    return value && std::abs(*value - wanted) < kNumberTolerance;
}

// The first item of a box whose text reads as the number, or -1.
int itemReading(const QComboBox* box, double value) {
    for (int i = 0; i < box->count(); ++i) {
        if (sameNumber(lensCatalogNumber(box->itemText(i)), value)) {
            return i;
        }
    }
    return -1;
}

// The item of the slowest-but-one kind: the fastest stop of the box that is not faster than the
// lens, so the adapter never reports more light than the lens lets through. -1 when none is.
int nearestItemNotFaster(const QComboBox* box, double value) {
    int nearest = -1;
    double nearestValue = 0;
    for (int i = 0; i < box->count(); ++i) {
        const std::optional<double> stop = lensCatalogNumber(box->itemText(i));
        if (stop && *stop > value - kNumberTolerance && (nearest < 0 || *stop < nearestValue)) {
            nearest = i;
            nearestValue = *stop;
        }
    }
    return nearest;
}

} // namespace

QString ORVOCatalogAssistant::apertureDisplayValue(const QComboBox* box) {
    const int index = box->currentIndex();
    return index >= 0 ? box->itemText(index) : box->currentText();
}

// A box changed this way tells its listeners as a user's choice does, so a new maximum aperture
// leads to the fill offer. A lens whose aperture the box does not list gets the nearest slower
// stop, and a line under the apertures says so.
void ORVOCatalogAssistant::setMaximumAperture(const LensCatalogRecord& record, QComboBox* box) {
    const std::optional<double> value = lensCatalogNumber(record.maxAperture);
    if (!value) {
        return;
    }
    int index = itemReading(box, *value);
    if (index >= 0) {
        apertureNotes.remove(selectedProfileIndex);
    } else if ((index = nearestItemNotFaster(box, *value)) >= 0) {
        apertureNotes[selectedProfileIndex] = {*value, box->itemText(index)};
    }
    showApertureNote();
    if (index >= 0) {
        box->setCurrentIndex(index);
    }
}

void ORVOCatalogAssistant::showApertureNote() {
    if (!controls.apertureNoteLabel || !hasSelectedProfile()) {
        return;
    }
    const auto note = apertureNotes.constFind(selectedProfileIndex);
    if (note == apertureNotes.cend()) {
        controls.apertureNoteLabel->hide();
        return;
    }
    controls.apertureNoteLabel->setText(LocalizationManager::text(TextKeys::kPlaceholderApertureNearestStop)
                                   .arg(QString::number(note->lensAperture), note->stop));
    controls.apertureNoteLabel->show();
}

void ORVOCatalogAssistant::catalogMaximumApertureChanged(QObject* box) {
    if (!hasSelectedProfile()) {
        return;
    }
    const int profile = selectedProfileIndex;
    if (box != controls.profiles[profile].apertures[0]) {
        return;
    }
    refreshCatalogMatches();
    const QString value = apertureDisplayValue(controls.profiles[profile].apertures[0]);
    // Another stop than the one the note explains: the note no longer holds.
    if (apertureNotes.contains(profile) && apertureNotes.value(profile).stop != value) {
        apertureNotes.remove(profile);
        showApertureNote();
    }
    const std::optional<QString> previous = lastMaximumAperture.contains(profile)
                                                ? std::optional(lastMaximumAperture.value(profile))
                                                : std::nullopt;
    lastMaximumAperture[profile] = value;
    if ((previous && *previous == value) || isPopulatingDeviceAperture) {
        return;
    }
    // After the notification that brought us here has reached everyone.
    MainQueue::after(0, this, [this, profile] { promptApertureAutoFill(profile); });
}

void ORVOCatalogAssistant::promptApertureAutoFill(int profileIndex) {
    if (suppressApertureFillPrompt || profileIndex < 0 ||
        profileIndex >= kAdapterProfileCount) {
        return;
    }
    const auto& boxes = controls.profiles[profileIndex].apertures;
    if (std::any_of(boxes.begin(), boxes.end(), [](const QComboBox* box) { return !box; })) {
        return;
    }
    const std::optional<double> maximum = lensCatalogNumber(apertureDisplayValue(boxes[0]));
    if (!maximum) {
        return;
    }
    const QList<double> stops = ApertureLadder::nextThreeStops(*maximum);
    if (stops.size() != 3 || !hooks.confirmApertureFill()) {
        return;
    }
    suppressApertureFillPrompt = true;
    for (int i = 1; i < kAperturesPerProfile; ++i) {
        QComboBox* box = boxes[i];
        if (const int index = itemReading(box, stops[i - 1]); index >= 0) {
            box->setCurrentIndex(index);
            emit box->activated(index);
        }
    }
    suppressApertureFillPrompt = false;
}
