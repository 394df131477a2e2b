// What a picked name does, and the edits of the name and focal-length fields. The suggestion list,
// the menus and the first aperture have files of their own.

#include "ORVOCatalogAssistant.h"

#include "LocalizationManager.h"
#include "ORVOEventTap.h"
#include "ORVOPalette.h"
#include "ORVOSuggestionPanel.h"
#include "ProfileValues.h"
#include "StyleSheet.h"
#include "TextKeys.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The name's byte count shows from this many bytes below the limit.
constexpr int kNameCounterMargin = 8;

} // namespace

ORVOCatalogAssistant::ORVOCatalogAssistant(const Controls& windowControls, Hooks windowHooks, QObject* parent)
    : QObject(parent), controls(windowControls), hooks(std::move(windowHooks)) {}

// ---- Installation and the hooks of the window's own passes

const std::array<QString, kAdapterProfileCount>& ORVOCatalogAssistant::mountDefaultsKeys() {
    static const std::array<QString, kAdapterProfileCount> keys{"LensA_Mount", "LensB_Mount", "LensC_Mount",
                                                                "LensD_Mount"};
    return keys;
}

void ORVOCatalogAssistant::install() {
    installLensModelClickMonitor();
    watchProfileFields();
    watchApertureSteps();
    installMenuButtons();
    restoreMountSelections();
}

// Reading and indexing the catalog is a large part of building the window, and nothing shows it
// until a list opens: it is read once the window has painted, or by whatever needs it first.
void ORVOCatalogAssistant::loadCatalog() {
    if (!lensCatalog) {
        lensCatalog = &LensCatalog::shared();
        recomputeCatalogMatches();
    }
}

LensCatalog& ORVOCatalogAssistant::catalog() {
    loadCatalog();
    return *lensCatalog;
}

void ORVOCatalogAssistant::watchProfileFields() {
    // Gaining the focus is no reason to open the list: the window coming back to the front, or
    // being shown again, hands the field its focus too. An edit or a click on the field opens it.
    // Focus that goes to the list itself is no end of editing: a window system that activates
    // every new window gives it straight back.
    auto* fieldEditing = new ORVOEventTap(this, [this](QObject* field, QEvent* event) {
        if (event->type() == QEvent::FocusOut &&
            !(suggestionPanel && QApplication::activeWindow() == suggestionPanel)) {
            lensModelEndedEditing(field);
        }
    });
    for (int p = 0; p < kAdapterProfileCount; ++p) {
        const ORVOProfileFields& profile = controls.profiles[p];
        profile.lensModel->installEventFilter(fieldEditing);
        connect(profile.lensModel, &QLineEdit::textEdited, this,
                [this, field = profile.lensModel] { lensModelTextChanged(field); });
        // Names from the adapter, a backup or the composition count too.
        connect(profile.lensModel, &QLineEdit::textChanged, this, [this, field = profile.lensModel] {
            if (isCurrentLensModelField(field)) {
                showNameNote();
            }
        });
        connect(profile.focalLength, &QLineEdit::textEdited, this,
                [this, field = profile.focalLength] { catalogFocalLengthChanged(field); });
        connect(profile.apertures[0], &QComboBox::currentIndexChanged, this,
                [this, box = profile.apertures[0]] { catalogMaximumApertureChanged(box); });
    }
}

void ORVOCatalogAssistant::installMenuButtons() {
    // The whole mount row is its menu button.
    controls.mountButton->setMinimumSize(0, 0);
    controls.mountButton->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    connect(controls.mountButton, &QPushButton::clicked, this,
            [this] { showMountMenu(controls.mountButton); });
    connect(controls.focalMenuButton, &QPushButton::clicked, this,
            [this] { showFocalLengthMenu(controls.focalMenuButton); });
    connect(controls.suggestionButton, &QPushButton::clicked, this,
            &ORVOCatalogAssistant::showLensSuggestions);

    // A combo box's whole slot opens the one menu of its items, the same wherever it is clicked.
    auto* fitToSlot = new ORVOEventTap(this, [this](QObject* watched, QEvent* event) {
        if (event->type() != QEvent::Resize) {
            return;
        }
        if (watched == controls.mountSlot) {
            controls.mountButton->setGeometry(controls.mountSlot->rect());
        }
        for (QPushButton* button : comboMenuButtons) {
            if (button->parent() == watched) {
                button->setGeometry(button->parentWidget()->rect());
            }
        }
    });
    controls.mountSlot->installEventFilter(fitToSlot);
    for (QWidget* slot : controls.comboSlots) {
        auto* button = new QPushButton(slot);
        button->setObjectName("comboMenuButton");
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::PointingHandCursor);
        StyleSheet::set(button, QStringLiteral("QPushButton { background: transparent; border: none; }"));
        button->setGeometry(slot->rect());
        connect(button, &QPushButton::clicked, this, [this, button] { openComboMenu(button); });
        comboMenuButtons << button;
        slot->installEventFilter(fitToSlot);
    }
}

bool ORVOCatalogAssistant::hasSelectedProfile() const {
    return selectedProfileIndex >= 0 && selectedProfileIndex < kAdapterProfileCount;
}

void ORVOCatalogAssistant::showProfile(int index) {
    selectedProfileIndex = index;
    lastMaximumAperture[index] = controls.profiles[index].apertures[0]->currentText();
    controls.mountValueLabel->setText(mountDisplayName(mountSelections[selectedProfileIndex]));
    hideSuggestions();
    showApertureNote();
    showNameNote();
    // The profile's boxes were just moved into their slots, over the menu buttons.
    for (QPushButton* button : comboMenuButtons) {
        button->raise();
    }
    refreshCatalogMatches();
}

void ORVOCatalogAssistant::refreshLocalizedText() {
    controls.mountValueLabel->setText(mountDisplayName(mountSelections[selectedProfileIndex]));
    showApertureNote();
    showNameNote();
    refreshCatalogMatches();
}

// ---- Editing the lens-model and focal-length fields

bool ORVOCatalogAssistant::isCurrentLensModelField(const QObject* object) const {
    return object && hasSelectedProfile() && object == controls.profiles[selectedProfileIndex].lensModel;
}

// Puts what the rule kept back into the field; false when the edit was kept whole.
bool ORVOCatalogAssistant::writeBack(QLineEdit* field, const ORVOFieldFilter::FilteredText& filtered) {
    if (filtered.text == field->text()) {
        return false;
    }
    field->setText(filtered.text);
    field->setCursorPosition(filtered.cursor);
    // Whoever heard the edit before us heard the rejected text; now they hear what the field holds.
    emit field->textEdited(filtered.text);
    return true;
}

void ORVOCatalogAssistant::lensModelTextChanged(QObject* field) {
    if (!isCurrentLensModelField(field)) {
        return;
    }
    auto* edit = static_cast<QLineEdit*>(field);
    const ORVOFieldFilter::FilteredText kept =
        ORVOFieldFilter::filteredLensName(edit->text(), edit->cursorPosition());
    if (writeBack(edit, kept)) {
        // The corrected edit came through here again; what it cut is said after that.
        setNameCut(kept.cut);
        return;
    }
    setNameCut(false);
    // A name of the user's own no longer belongs to the lens the aperture note spoke of.
    if (apertureNotes.remove(selectedProfileIndex) > 0) {
        showApertureNote();
    }
    recomputeCatalogMatches();
    presentSuggestions();
}

void ORVOCatalogAssistant::setNameCut(bool cut) {
    if (cut) {
        nameCutNotices.insert(selectedProfileIndex);
    } else {
        nameCutNotices.remove(selectedProfileIndex);
    }
    showNameNote();
}

// Under the name: its bytes once it nears the adapter's limit, and what the limit left out.
void ORVOCatalogAssistant::showNameNote() {
    if (!controls.nameNoteLabel || !hasSelectedProfile()) {
        return;
    }
    const int bytes = ORVOFieldFilter::byteCount(controls.profiles[selectedProfileIndex].lensModel->text());
    const bool cut = nameCutNotices.contains(selectedProfileIndex);
    if (!cut && bytes < ORVOFieldFilter::kLensNameByteLimit - kNameCounterMargin) {
        controls.nameNoteLabel->hide();
        return;
    }
    const QString limit = QString::number(ORVOFieldFilter::kLensNameByteLimit);
    const QString counter = LocalizationManager::text(TextKeys::kLabelNameBytes)
                                .replace("{0}", QString::number(bytes))
                                .replace("{1}", limit);
    controls.nameNoteLabel->setText(
        cut ? LocalizationManager::text(TextKeys::kLabelNameCut).replace("{0}", limit) +
                  QStringLiteral(" · ") + counter
            : counter);
    controls.nameNoteLabel->show();
}

void ORVOCatalogAssistant::lensModelEndedEditing(QObject* field) {
    if (isCurrentLensModelField(field)) {
        hideSuggestions();
    }
}

void ORVOCatalogAssistant::catalogFocalLengthChanged(QObject* field) {
    if (!hasSelectedProfile() || field != controls.profiles[selectedProfileIndex].focalLength) {
        return;
    }
    auto* edit = static_cast<QLineEdit*>(field);
    if (writeBack(edit, ORVOFieldFilter::filteredFocalLength(edit->text(), edit->cursorPosition()))) {
        return;
    }
    refreshCatalogMatches();
}

// ---- A picked name

void ORVOCatalogAssistant::applyCatalogSelection(const QString& name) {
    if (!hasSelectedProfile()) {
        return;
    }
    loadCatalog();
    // Kept apart: the controller's handler below may change the list.
    const auto found = std::find_if(catalogMatches.cbegin(), catalogMatches.cend(),
                                    [&name](const LensCatalogRecord& r) { return r.officialName == name; });
    const std::optional<LensCatalogRecord> record =
        found != catalogMatches.cend() ? std::optional(*found) : std::nullopt;
    // The adapter keeps 40 bytes of a name: a longer catalog name comes with a short one that fits.
    // A picked name keeps to the same characters and bytes as a typed one.
    const ORVOFieldFilter::FilteredText kept =
        ORVOFieldFilter::filteredLensName(record ? record->adapterName() : name, 0);
    const QString& applied = kept.text;
    setNameCut(kept.cut);
    const ORVOProfileFields& profile = controls.profiles[selectedProfileIndex];
    profile.lensModel->setText(applied);
    // The start of a name tells lenses apart, so a field too narrow for all of it shows the start.
    profile.lensModel->setCursorPosition(0);
    lastAppliedCatalogName[selectedProfileIndex] = applied;
    profile.lensModel->clearFocus();
    // The controller takes the name as it takes a name the user typed and confirmed.
    emit profile.lensModel->editingFinished();
    if (record) {
        setMaximumAperture(*record, profile.apertures[0]);
    }
    refreshCatalogMatches();
}
