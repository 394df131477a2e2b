// The lens catalog in the profile card: the suggestion list under the lens-model field and what a
// picked name does, and the character rules of the name and focal-length fields. The menus and the
// first aperture have files of their own.

#include "LensCatalogText.h"
#include "LocalizationManager.h"
#include "MainQueue.h"
#include "ORVOFieldContainer.h"
#include "ORVOPalette.h"
#include "ORVOPresentation.h"
#include "ORVOSuggestionPanel.h"
#include "ProfileValues.h"
#include "TextKeys.h"
#include "ORVOWindowControls.h"
#include "ORVOHero.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBoundaryFinder>
#include <QWindow>

namespace {

constexpr int kLensNameCharacterLimit = 46;
constexpr int kFocalLengthDigitLimit = 4;
// The trailing strip of the lens-model row that belongs to the suggestion button.
constexpr int kSuggestionButtonStrip = 34;
// Hands every event a watched object gets to a function, and passes it on unchanged.
class EventTap : public QObject {
public:
    using Handler = std::function<void(QObject*, QEvent*)>;
    EventTap(QObject* parent, Handler handler) : QObject(parent), handler(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        handler(watched, event);
        return false;
    }

private:
    Handler handler;
};

int characterCount(const QString& value) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, value);
    int count = 0;
    while (finder.toNextBoundary() != -1) {
        ++count;
    }
    return count;
}

// Keeps, in order, the user-perceived characters the rule accepts, at most limit of them. The
// insertion point stays after the same kept characters it followed, wherever the removed ones were.
ORVOPresentation::FilteredText keepCharacters(const QString& value, int cursor, int limit,
                                              bool (*accepts)(QStringView)) {
    ORVOPresentation::FilteredText kept;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, value);
    qsizetype start = 0;
    int count = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1 && count < limit; end = finder.toNextBoundary()) {
        const QStringView character = QStringView(value).mid(start, end - start);
        if (accepts(character)) {
            kept.text += character;
            ++count;
            if (end <= cursor) {
                kept.cursor = static_cast<int>(kept.text.size());
            }
        }
        start = end;
    }
    return kept;
}

} // namespace

// ---- Installation and the hooks of the window's own passes

const std::array<QString, kAdapterProfileCount>& ORVOPresentation::mountDefaultsKeys() {
    static const std::array<QString, kAdapterProfileCount> keys{"LensA_Mount", "LensB_Mount", "LensC_Mount",
                                                                "LensD_Mount"};
    return keys;
}

void ORVOPresentation::installCatalogAssistance() {
    installLensModelClickMonitor();
    // Gaining the focus is no reason to open the list: the window coming back to the front, or
    // being shown again, hands the field its focus too. An edit or a click on the field opens it.
    // Focus that goes to the list itself is no end of editing: a window system that activates
    // every new window gives it straight back.
    auto* fieldEditing = new EventTap(this, [this](QObject* field, QEvent* event) {
        if (event->type() == QEvent::FocusOut &&
            !(suggestionPanel && QApplication::activeWindow() == suggestionPanel)) {
            lensModelEndedEditing(field);
        }
    });
    for (int p = 0; p < kAdapterProfileCount; ++p) {
        const ORVOProfileCard::Fields profile = profileFields(p);
        profile.lensModel->installEventFilter(fieldEditing);
        connect(profile.lensModel, &QLineEdit::textEdited, this,
                [this, field = profile.lensModel] { lensModelTextChanged(field); });
        connect(profile.focalLength, &QLineEdit::textEdited, this,
                [this, field = profile.focalLength] { catalogFocalLengthChanged(field); });
        connect(profile.apertures[0], &QComboBox::currentIndexChanged, this,
                [this, box = profile.apertures[0]] { catalogMaximumApertureChanged(box); });
    }

    // The whole mount row is its menu button.
    profileCard->mountButton->setMinimumSize(0, 0);
    profileCard->mountButton->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    connect(profileCard->mountButton, &QPushButton::clicked, this, [this] { showMountMenu(profileCard->mountButton); });
    connect(profileCard->focalMenuButton, &QPushButton::clicked, this, [this] { showFocalLengthMenu(profileCard->focalMenuButton); });
    connect(profileCard->suggestionButton, &QPushButton::clicked, this, &ORVOPresentation::showLensSuggestions);

    // A combo box's whole slot opens the one menu of its items, the same wherever it is clicked.
    QList<QWidget*> comboSlots{c.Default_LensSeq->parentWidget(), hero->languageContainerView};
    for (ORVOFieldContainer* slot : profileCard->apertureSlots) {
        comboSlots << slot;
    }
    auto* fitToSlot = new EventTap(this, [this](QObject* watched, QEvent* event) {
        if (event->type() != QEvent::Resize) {
            return;
        }
        if (watched == profileCard->mountSlot) {
            profileCard->mountButton->setGeometry(profileCard->mountSlot->rect());
        }
        for (QPushButton* button : comboMenuButtons) {
            if (button->parent() == watched) {
                button->setGeometry(button->parentWidget()->rect());
            }
        }
    });
    profileCard->mountSlot->installEventFilter(fitToSlot);
    for (QWidget* slot : comboSlots) {
        auto* button = new QPushButton(slot);
        button->setObjectName("comboMenuButton");
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::PointingHandCursor);
        button->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border: none; }"));
        button->setGeometry(slot->rect());
        connect(button, &QPushButton::clicked, this, [this, button] { openComboMenu(button); });
        comboMenuButtons << button;
        slot->installEventFilter(fitToSlot);
    }
    restoreMountSelections();
}

bool ORVOPresentation::hasSelectedProfile() const {
    return selectedProfileIndex >= 0 && selectedProfileIndex < kAdapterProfileCount;
}

void ORVOPresentation::showCatalogStateOfSelectedProfile() {
    profileCard->mountValueLabel->setText(mountDisplayName(mountSelections[selectedProfileIndex]));
    hideSuggestions();
    showApertureNote();
    // The profile's boxes were just moved into their slots, over the menu buttons.
    for (QPushButton* button : comboMenuButtons) {
        button->raise();
    }
    refreshCatalogMatches();
}

void ORVOPresentation::refreshCatalogLocalizedText() {
    profileCard->mountValueLabel->setText(mountDisplayName(mountSelections[selectedProfileIndex]));
    showApertureNote();
    refreshCatalogMatches();
}

// ---- The candidates and the suggestion list

void ORVOPresentation::refreshCatalogMatches() {
    recomputeCatalogMatches();
    if (suggestionPanel && suggestionPanel->isVisible()) {
        presentSuggestions();
    }
}

void ORVOPresentation::recomputeCatalogMatches() {
    if (!hasSelectedProfile()) {
        return;
    }
    const ORVOProfileCard::Fields profile = profileFields(selectedProfileIndex);
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
        sameText(*query, focalLength + QStringLiteral("mm ") + aperture)) {
        query.reset();
    }
    // Item 0 is where every box starts, so it says nothing about the lens either.
    const std::optional<QString> maximumAperture =
        firstBox->currentIndex() >= 1 ? std::optional(aperture) : std::nullopt;
    catalogMatches =
        lensCatalog->suggestions(mountSelections[selectedProfileIndex], focalLength, maximumAperture, query);
    catalogEmptyHint = LocalizationManager::text(TextKeys::kPlaceholderCatalogNoMatch);
}

void ORVOPresentation::presentSuggestions() {
    if (!profileCard->modelSlot) {
        return;
    }
    if (!suggestionPanel) {
        suggestionPanel = new ORVOSuggestionPanel(palette(), host.window());
    }
    if (suggestionPanel->currentPalette() != palette()) {
        suggestionPanel->apply(palette());
    }
    QStringList names;
    names.reserve(catalogMatches.size());
    for (const LensCatalogRecord& record : catalogMatches) {
        names << record.officialName;
    }
    suggestionPanel->present(profileCard->modelSlot, names, catalogEmptyHint,
                             [weak = QPointer(this)](const QString& name) {
                                 if (weak) {
                                     weak->applyCatalogSelection(name);
                                 }
                             });
}

void ORVOPresentation::hideSuggestions() {
    if (suggestionPanel) {
        suggestionPanel->dismiss();
    }
}

// Later, so that the click that opens the list is not also the click that closes it.
void ORVOPresentation::queueSuggestions() {
    MainQueue::after(0, this, [this] {
        recomputeCatalogMatches();
        presentSuggestions();
    });
}

void ORVOPresentation::showLensSuggestions() {
    if (!profileCard->modelSlot) {
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

void ORVOPresentation::installLensModelClickMonitor() {
    if (lensModelClickMonitor) {
        return;
    }
    // Window-level presses only: each click reaches its window once, while the widgets under it
    // may pass it on to their parents several times.
    lensModelClickMonitor = new EventTap(this, [this](QObject* watched, QEvent* event) {
        if (event->type() != QEvent::MouseButtonPress || !watched->isWindowType()) {
            return;
        }
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton) {
            lensModelClicked(static_cast<QWindow*>(watched), press->globalPosition().toPoint());
        }
    });
    qApp->installEventFilter(lensModelClickMonitor);
}

void ORVOPresentation::lensModelClicked(const QWindow* window, const QPoint& globalPosition) {
    if (suggestionPanel && window == suggestionPanel->windowHandle()) {
        return;
    }
    if (!profileCard->modelSlot || !profileCard->modelSlot->isVisible()) {
        return;
    }
    const bool shown = suggestionPanel && suggestionPanel->isVisible();
    if (window == profileCard->modelSlot->window()->windowHandle()) {
        const QPoint position = profileCard->modelSlot->mapFromGlobal(globalPosition);
        if (profileCard->modelSlot->rect().contains(position)) {
            if (position.x() >= profileCard->modelSlot->width() - kSuggestionButtonStrip) {
                return; // the suggestion button toggles the list itself
            }
            if (shown) {
                hideSuggestions();
            } else {
                queueSuggestions();
            }
            return;
        }
    }
    if (shown) {
        hideSuggestions();
    }
}

// ---- Editing the lens-model and focal-length fields

bool ORVOPresentation::isAllowedLensNameCharacter(QStringView character) {
    const QList<uint> codePoints = character.toUcs4();
    return !codePoints.isEmpty() && std::all_of(codePoints.begin(), codePoints.end(), [](uint u) {
        return (u >= 0x20 && u <= 0x7E) || (u >= 0xC0 && u <= 0xFF);
    });
}

ORVOPresentation::FilteredText ORVOPresentation::filteredLensName(const QString& value, int cursor) {
    return keepCharacters(value, cursor, kLensNameCharacterLimit, &isAllowedLensNameCharacter);
}

// Digits of any script become ASCII digits as typed ("８５" is 85), and one decimal separator stays
// ("28.5"), so the field shows the number a save rounds and writes.
ORVOPresentation::FilteredText ORVOPresentation::filteredFocalLength(const QString& value, int cursor) {
    FilteredText kept;
    int digits = 0;
    bool separator = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c.isDigit() && digits < kFocalLengthDigitLimit) {
            kept.text += QChar(u'0' + c.digitValue());
            ++digits;
        } else if (ProfileValues::isDecimalSeparator(c) && !separator && digits > 0) {
            kept.text += u'.';
            separator = true;
        }
        if (i < cursor) {
            kept.cursor = static_cast<int>(kept.text.size());
        }
    }
    return kept;
}

bool ORVOPresentation::isCurrentLensModelField(const QObject* object) const {
    return object && hasSelectedProfile() && object == profileFields(selectedProfileIndex).lensModel;
}

// Puts what the rule kept back into the field; false when the edit was kept whole.
bool ORVOPresentation::writeBack(QLineEdit* field, const FilteredText& filtered) {
    if (filtered.text == field->text()) {
        return false;
    }
    field->setText(filtered.text);
    field->setCursorPosition(filtered.cursor);
    // Whoever heard the edit before us heard the rejected text; now they hear what the field holds.
    emit field->textEdited(filtered.text);
    return true;
}

void ORVOPresentation::lensModelTextChanged(QObject* field) {
    if (!isCurrentLensModelField(field)) {
        return;
    }
    auto* edit = static_cast<QLineEdit*>(field);
    if (writeBack(edit, filteredLensName(edit->text(), edit->cursorPosition()))) {
        return; // the corrected edit came through here again
    }
    // A name of the user's own no longer belongs to the lens the aperture note spoke of.
    if (apertureNotes.remove(selectedProfileIndex) > 0) {
        showApertureNote();
    }
    recomputeCatalogMatches();
    presentSuggestions();
}

void ORVOPresentation::lensModelEndedEditing(QObject* field) {
    if (isCurrentLensModelField(field)) {
        hideSuggestions();
    }
}

void ORVOPresentation::catalogFocalLengthChanged(QObject* field) {
    if (!hasSelectedProfile() || field != profileFields(selectedProfileIndex).focalLength) {
        return;
    }
    auto* edit = static_cast<QLineEdit*>(field);
    if (writeBack(edit, filteredFocalLength(edit->text(), edit->cursorPosition()))) {
        return;
    }
    refreshCatalogMatches();
}

// ---- A picked name

void ORVOPresentation::applyCatalogSelection(const QString& name) {
    if (!hasSelectedProfile()) {
        return;
    }
    // Kept apart: the controller's handler below may change the list.
    const auto found = std::find_if(catalogMatches.cbegin(), catalogMatches.cend(),
                                    [&name](const LensCatalogRecord& r) { return r.officialName == name; });
    const std::optional<LensCatalogRecord> record =
        found != catalogMatches.cend() ? std::optional(*found) : std::nullopt;
    // The adapter keeps 40 bytes of a name: a longer catalog name comes with a short one that fits.
    // A picked name keeps to the same characters as a typed one.
    const QString applied = filteredLensName(record ? record->adapterName() : name, 0).text;
    if (characterCount(applied) > kLensNameCharacterLimit) {
        QMessageBox alert(QMessageBox::Warning, QString(),
                          LocalizationManager::text(TextKeys::kPlaceholderNameTooLong));
        alert.addButton(LocalizationManager::text(TextKeys::kButtonExit), QMessageBox::AcceptRole);
        alert.setWindowModality(Qt::ApplicationModal);
        alert.exec();
        return;
    }
    const ORVOProfileCard::Fields profile = profileFields(selectedProfileIndex);
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
