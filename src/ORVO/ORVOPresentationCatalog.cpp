// The lens catalog in the profile card: the mount row and its per-profile memory, the focal-length
// menu, the suggestion list under the lens-model field and what a picked name does, the menus over
// the card's combo boxes, the character rules of the name and focal-length fields, and the offer to
// fill the other apertures after a new maximum aperture.

#include "ApertureLadder.h"
#include "LensCatalogText.h"
#include "LocalizationManager.h"
#include "MainQueue.h"
#include "ORVOFieldContainer.h"
#include "ORVOPalette.h"
#include "ORVOPresentation.h"
#include "ORVOSuggestionPanel.h"
#include "Settings.h"
#include "TextKeys.h"
#include "Typography.h"
#include "ViewController.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBoundaryFinder>
#include <QWindow>
#include <cmath>

namespace {

constexpr int kLensNameCharacterLimit = 46;
constexpr int kFocalLengthDigitLimit = 4;
// The trailing strip of the lens-model row that belongs to the suggestion button.
constexpr int kSuggestionButtonStrip = 34;
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

bool isNumericCharacter(QStringView character) {
    const QList<uint> codePoints = character.toUcs4();
    return std::all_of(codePoints.begin(), codePoints.end(),
                       [](uint u) { return QChar::isNumber(char32_t(u)); });
}

} // namespace

// ---- Installation and the hooks of the window's own passes

const std::array<QString, 4>& ORVOPresentation::mountDefaultsKeys() {
    static const std::array<QString, 4> keys{"LensA_Mount", "LensB_Mount", "LensC_Mount", "LensD_Mount"};
    return keys;
}

void ORVOPresentation::installCatalogAssistance() {
    installLensModelClickMonitor();
    auto* fieldEditing = new EventTap(this, [this](QObject* field, QEvent* event) {
        // Focus that goes to the list itself is no end of editing: a window system that activates
        // every new window gives it straight back.
        if (event->type() == QEvent::FocusIn) {
            lensModelBeganEditing(field);
        } else if (event->type() == QEvent::FocusOut &&
                   !(suggestionPanel && QApplication::activeWindow() == suggestionPanel)) {
            lensModelEndedEditing(field);
        }
    });
    for (const ProfileControls& profile : profileControls) {
        profile.lensModel->installEventFilter(fieldEditing);
        connect(profile.lensModel, &QLineEdit::textEdited, this,
                [this, field = profile.lensModel] { lensModelTextChanged(field); });
        connect(profile.focalLength, &QLineEdit::textEdited, this,
                [this, field = profile.focalLength] { catalogFocalLengthChanged(field); });
        connect(profile.apertures[0], &QComboBox::currentIndexChanged, this,
                [this, box = profile.apertures[0]] { catalogMaximumApertureChanged(box); });
    }

    // The whole mount row is its menu button.
    mountButton->setMinimumSize(0, 0);
    mountButton->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    connect(mountButton, &QPushButton::clicked, this, [this] { showMountMenu(mountButton); });
    connect(focalMenuButton, &QPushButton::clicked, this, [this] { showFocalLengthMenu(focalMenuButton); });
    connect(suggestionButton, &QPushButton::clicked, this, &ORVOPresentation::showLensSuggestions);

    // A combo box's whole slot opens the one menu of its items, the same wherever it is clicked.
    QList<QWidget*> comboSlots{defaultLensComboBox->parentWidget(), languageContainerView};
    for (ORVOFieldContainer* slot : apertureSlots) {
        comboSlots << slot;
    }
    auto* fitToSlot = new EventTap(this, [this](QObject* watched, QEvent* event) {
        if (event->type() != QEvent::Resize) {
            return;
        }
        if (watched == mountSlot) {
            mountButton->setGeometry(mountSlot->rect());
        }
        for (QPushButton* button : comboMenuButtons) {
            if (button->parent() == watched) {
                button->setGeometry(button->parentWidget()->rect());
            }
        }
    });
    mountSlot->installEventFilter(fitToSlot);
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
    return selectedProfileIndex >= 0 && selectedProfileIndex < static_cast<int>(profileControls.size());
}

void ORVOPresentation::showCatalogStateOfSelectedProfile() {
    mountValueLabel->setText(mountDisplayName(mountSelections[selectedProfileIndex]));
    hideSuggestions();
    // The profile's boxes were just moved into their slots, over the menu buttons.
    for (QPushButton* button : comboMenuButtons) {
        button->raise();
    }
    refreshCatalogMatches();
}

void ORVOPresentation::refreshCatalogLocalizedText() {
    mountValueLabel->setText(mountDisplayName(mountSelections[selectedProfileIndex]));
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
    const ProfileControls& profile = profileControls[selectedProfileIndex];
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
    catalogMatches = lensCatalog->matchingRecords(mountSelections[selectedProfileIndex], focalLength,
                                                  maximumAperture, query);
    catalogEmptyHint = LocalizationManager::text(TextKeys::kPlaceholderCatalogNoMatch);
}

void ORVOPresentation::presentSuggestions() {
    if (!modelSlot || !controller) {
        return;
    }
    if (!suggestionPanel) {
        suggestionPanel = new ORVOSuggestionPanel(palette(), controller->window());
    }
    if (suggestionPanel->currentPalette() != palette()) {
        suggestionPanel->apply(palette());
    }
    QStringList names;
    names.reserve(catalogMatches.size());
    for (const LensCatalogRecord& record : catalogMatches) {
        names << record.officialName;
    }
    suggestionPanel->present(modelSlot, names, catalogEmptyHint,
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
    if (!modelSlot) {
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
    if (!modelSlot || !modelSlot->isVisible()) {
        return;
    }
    const bool shown = suggestionPanel && suggestionPanel->isVisible();
    if (window == modelSlot->window()->windowHandle()) {
        const QPoint position = modelSlot->mapFromGlobal(globalPosition);
        if (modelSlot->rect().contains(position)) {
            if (position.x() >= modelSlot->width() - kSuggestionButtonStrip) {
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

ORVOPresentation::FilteredText ORVOPresentation::filteredFocalLength(const QString& value, int cursor) {
    return keepCharacters(value, cursor, kFocalLengthDigitLimit, &isNumericCharacter);
}

bool ORVOPresentation::isCurrentLensModelField(const QObject* object) const {
    return object && hasSelectedProfile() && object == profileControls[selectedProfileIndex].lensModel;
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

void ORVOPresentation::lensModelBeganEditing(QObject* field) {
    if (!isCurrentLensModelField(field)) {
        return;
    }
    recomputeCatalogMatches();
    presentSuggestions();
}

void ORVOPresentation::lensModelTextChanged(QObject* field) {
    if (!isCurrentLensModelField(field)) {
        return;
    }
    auto* edit = static_cast<QLineEdit*>(field);
    if (writeBack(edit, filteredLensName(edit->text(), edit->cursorPosition()))) {
        return; // the corrected edit came through here again
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
    if (!hasSelectedProfile() || field != profileControls[selectedProfileIndex].focalLength) {
        return;
    }
    auto* edit = static_cast<QLineEdit*>(field);
    if (writeBack(edit, filteredFocalLength(edit->text(), edit->cursorPosition()))) {
        return;
    }
    refreshCatalogMatches();
}

// ---- A picked name and the maximum aperture

QString ORVOPresentation::apertureDisplayValue(const QComboBox* box) {
    const int index = box->currentIndex();
    return index >= 0 ? box->itemText(index) : box->currentText();
}

void ORVOPresentation::applyCatalogSelection(const QString& name) {
    if (!hasSelectedProfile()) {
        return;
    }
    if (characterCount(name) > kLensNameCharacterLimit) {
        QMessageBox alert(QMessageBox::Warning, QString(),
                          LocalizationManager::text(TextKeys::kPlaceholderNameTooLong));
        alert.addButton(LocalizationManager::text(TextKeys::kButtonExit), QMessageBox::AcceptRole);
        alert.setWindowModality(Qt::ApplicationModal);
        alert.exec();
        return;
    }
    const ProfileControls& profile = profileControls[selectedProfileIndex];
    profile.lensModel->setText(name);
    lastAppliedCatalogName[selectedProfileIndex] = name;
    profile.lensModel->clearFocus();
    // The controller takes the name as it takes a name the user typed and confirmed.
    emit profile.lensModel->editingFinished();
    const auto record = std::find_if(catalogMatches.cbegin(), catalogMatches.cend(),
                                     [&name](const LensCatalogRecord& r) { return r.officialName == name; });
    if (record != catalogMatches.cend()) {
        setMaximumAperture(*record, profile.apertures[0]);
    }
    refreshCatalogMatches();
}

// A box changed this way tells its listeners as a user's choice does, so a new maximum aperture
// leads to the fill offer.
void ORVOPresentation::setMaximumAperture(const LensCatalogRecord& record, QComboBox* box) {
    const std::optional<double> value = lensCatalogNumber(record.maxAperture);
    if (!value) {
        return;
    }
    if (const int index = itemReading(box, *value); index >= 0) {
        box->setCurrentIndex(index);
    }
}

void ORVOPresentation::catalogMaximumApertureChanged(QObject* box) {
    if (!hasSelectedProfile()) {
        return;
    }
    const int profile = selectedProfileIndex;
    if (box != profileControls[profile].apertures[0]) {
        return;
    }
    refreshCatalogMatches();
    const QString value = apertureDisplayValue(profileControls[profile].apertures[0]);
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

void ORVOPresentation::promptApertureAutoFill(int profileIndex) {
    if (suppressApertureFillPrompt || profileIndex < 0 ||
        profileIndex >= static_cast<int>(profileControls.size())) {
        return;
    }
    const auto& boxes = profileControls[profileIndex].apertures;
    if (std::any_of(boxes.begin(), boxes.end(), [](const QComboBox* box) { return !box; })) {
        return;
    }
    const std::optional<double> maximum = lensCatalogNumber(apertureDisplayValue(boxes[0]));
    if (!maximum) {
        return;
    }
    const QList<double> stops = ApertureLadder::nextThreeStops(*maximum);
    if (stops.size() != 3 || !controller || !ORVODialogs::confirmApertureFill(controller->window())) {
        return;
    }
    suppressApertureFillPrompt = true;
    for (int i = 1; i <= 3; ++i) {
        QComboBox* box = boxes[i];
        if (const int index = itemReading(box, stops[i - 1]); index >= 0) {
            box->setCurrentIndex(index);
            emit box->activated(index);
        }
    }
    suppressApertureFillPrompt = false;
}

// ---- Menus

QMenu* ORVOPresentation::makeMenu() {
    auto* menu = new QMenu(controller);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setFont(Typography::fieldLabel());
    const ORVOPalette& p = palette();
    menu->setStyleSheet(
        QStringLiteral("QMenu { background: %1; border: 1px solid %2; padding: 4px 0; color: %3; }"
                       "QMenu::item { padding: 4px 22px 4px 28px; }"
                       "QMenu::item:selected { background: %4; color: %5; }"
                       "QMenu::indicator { width: 14px; height: 14px; left: 8px; }")
            .arg(ORVOPalette::css(p.card), ORVOPalette::css(p.border), ORVOPalette::css(p.text),
                 ORVOPalette::css(p.selectedFill), ORVOPalette::css(p.selectedText)));
    return menu;
}

void ORVOPresentation::showMountMenu(QWidget* button) {
    if (!hasSelectedProfile()) {
        return;
    }
    QMenu* menu = makeMenu();
    QStringList mounts{QString()};
    mounts << LensCatalog::mountOptions();
    for (const QString& mount : mounts) {
        QAction* item = menu->addAction(mountDisplayName(mount));
        item->setData(mount);
        item->setCheckable(true);
        item->setChecked(mount == mountSelections[selectedProfileIndex]);
        connect(item, &QAction::triggered, this, [this, mount] { mountPicked(mount); });
    }
    menu->setMinimumWidth(button->width());
    menu->popup(button->mapToGlobal(QPoint(0, button->height() + 4)));
}

void ORVOPresentation::mountPicked(const QString& mount) {
    if (!hasSelectedProfile() || mount == mountSelections[selectedProfileIndex]) {
        return;
    }
    mountSelections[selectedProfileIndex] = mount;
    saveMountSelections();
    mountValueLabel->setText(mountDisplayName(mount));
    hideSuggestions();
    refreshCatalogMatches();
}

QString ORVOPresentation::mountDisplayName(const QString& mount) const {
    return mount.isEmpty() ? LocalizationManager::text(TextKeys::kPlaceholderAllMounts) : mount;
}

void ORVOPresentation::saveMountSelections() {
    QSettings& settings = Settings::shared();
    for (size_t p = 0; p < mountSelections.size(); ++p) {
        settings.setValue(mountDefaultsKeys()[p], mountSelections[p]);
    }
}

// Only the mounts of the menu come back: anything else, a category name included, is all mounts.
void ORVOPresentation::restoreMountSelections() {
    QSettings& settings = Settings::shared();
    for (size_t p = 0; p < mountSelections.size(); ++p) {
        const QString stored = settings.value(mountDefaultsKeys()[p]).toString();
        mountSelections[p] = LensCatalog::mountOptions().contains(stored) ? stored : QString();
    }
    if (mountValueLabel && hasSelectedProfile()) {
        mountValueLabel->setText(mountDisplayName(mountSelections[selectedProfileIndex]));
    }
}

void ORVOPresentation::showFocalLengthMenu(QWidget* button) {
    if (!hasSelectedProfile()) {
        return;
    }
    const QStringList options = lensCatalog->focalLengthOptions(mountSelections[selectedProfileIndex]);
    if (options.isEmpty()) {
        return;
    }
    QMenu* menu = makeMenu();
    for (const QString& option : options) {
        QAction* item = menu->addAction(option);
        item->setData(option);
        connect(item, &QAction::triggered, this, [this, option] { focalLengthPicked(option); });
    }
    menu->popup(button->mapToGlobal(QPoint(button->width() - 4, button->height())));
}

// A programmatic change: neither the controller's handler nor the text-change handlers run.
void ORVOPresentation::focalLengthPicked(const QString& option) {
    if (!hasSelectedProfile()) {
        return;
    }
    profileControls[selectedProfileIndex].focalLength->setText(option);
    refreshCatalogMatches();
}

void ORVOPresentation::openComboMenu(QWidget* button) {
    QWidget* slot = button->parentWidget();
    auto* box = slot ? slot->findChild<QComboBox*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!box || !box->isEnabled() || box->count() == 0) {
        return;
    }
    QMenu* menu = makeMenu();
    for (int i = 0; i < box->count(); ++i) {
        QAction* item = menu->addAction(box->itemText(i));
        item->setData(i);
        item->setCheckable(true);
        item->setChecked(i == box->currentIndex());
        connect(item, &QAction::triggered, this, [this, box = QPointer(box), i] {
            if (box) {
                comboMenuPicked(box, i);
            }
        });
    }
    menu->setMinimumWidth(slot->width());
    menu->popup(button->mapToGlobal(QPoint(0, button->height() + 4)));
}

// As the user's own choice in the box: its listeners hear the choice after the selection moved.
void ORVOPresentation::comboMenuPicked(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
    emit box->textActivated(box->itemText(index));
}
