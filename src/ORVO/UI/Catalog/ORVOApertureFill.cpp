// The first aperture of the profile card and the catalog: a picked lens's maximum aperture, the
// nearest stop for a lens whose aperture the adapter does not list and the line that says so, and
// the offer to fill the other apertures once a new maximum aperture is settled.

#include "ApertureLadder.h"
#include "LensCatalogText.h"
#include "LocalizationManager.h"
#include "MainQueue.h"
#include "ORVOCatalogAssistant.h"
#include "ORVOEventTap.h"
#include "TextKeys.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <cmath>

namespace {

constexpr double kNumberTolerance = 0.001;
// A first aperture stepped through by keyboard or wheel is settled after this long without a step.
constexpr int kApertureSettleMs = 1000;

bool isStepKey(int key) {
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown ||
           key == Qt::Key_Home || key == Qt::Key_End;
}

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
    // Each step of the keyboard or the wheel is no choice yet: the offer waits until it settles.
    if (isSteppingAperture) {
        if (!pendingApertureFill || pendingApertureFill->profile != profile) {
            pendingApertureFill = PendingApertureFill{profile, previous.value_or(QString())};
        }
        apertureSettleTimer->start();
        return;
    }
    pendingApertureFill.reset();
    apertureSettleTimer->stop();
    // After the notification that brought us here has reached everyone.
    MainQueue::after(0, this, [this, profile] { promptApertureAutoFill(profile); });
}

// A step is a key or wheel event the box turns into a new selection; the mark lasts until the
// event has been handled. Return, the focus leaving the box or a pause settle the choice.
void ORVOCatalogAssistant::watchApertureSteps() {
    apertureSettleTimer = new QTimer(this);
    apertureSettleTimer->setSingleShot(true);
    apertureSettleTimer->setInterval(kApertureSettleMs);
    connect(apertureSettleTimer, &QTimer::timeout, this, &ORVOCatalogAssistant::settleApertureChoice);
    auto* steps = new ORVOEventTap(this, [this](QObject*, QEvent* event) {
        const QEvent::Type type = event->type();
        const int key = type == QEvent::KeyPress ? static_cast<QKeyEvent*>(event)->key() : 0;
        if (type == QEvent::Wheel || isStepKey(key)) {
            isSteppingAperture = true;
            MainQueue::after(0, this, [this] { isSteppingAperture = false; });
        } else if (type == QEvent::FocusOut || key == Qt::Key_Return || key == Qt::Key_Enter) {
            MainQueue::after(0, this, [this] { settleApertureChoice(); });
        }
    });
    for (const ORVOProfileFields& profile : controls.profiles) {
        profile.apertures[0]->installEventFilter(steps);
    }
}

void ORVOCatalogAssistant::settleApertureChoice() {
    apertureSettleTimer->stop();
    const std::optional<PendingApertureFill> pending = std::exchange(pendingApertureFill, std::nullopt);
    // Steps that came back to where they began chose nothing new.
    if (pending &&
        apertureDisplayValue(controls.profiles[pending->profile].apertures[0]) != pending->before) {
        promptApertureAutoFill(pending->profile);
    }
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
