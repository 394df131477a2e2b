// Keyboard and screen-reader access to the styled window: a translated name for every control whose
// visible text does not say what it is, labels tied to their fields, the plain layout's controls
// out of the accessibility tree, and a Tab order that reads like the window.

#include "LocalizationManager.h"
#include "ORVOAccessibleComboBox.h"
#include "ORVOArrowKeySelector.h"
#include "ORVOFieldContainer.h"
#include "ORVOPresentation.h"
#include "ORVOThemeToggle.h"
#include "TextKeys.h"
#include "ViewController.h"

#include <QAccessible>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

namespace {

QString named(const char* key, int profile, int aperture = 0) {
    return LocalizationManager::text(key)
        .replace(QStringLiteral("{0}"), ViewController::profileLetter(profile))
        .replace(QStringLiteral("{1}"), QString::number(aperture));
}

} // namespace

void ORVOPresentation::installKeyboardAccess() {
    ORVOAccessibleComboBox::installFor(controller->findChildren<QComboBox*>());
    QList<QPushButton*> segments(profileButtons.begin(), profileButtons.end());
    profileKeys = new ORVOArrowKeySelector(
        segments, [this](int index) { selectProfile(index); }, this);
    // The menus of the mount and focal length are actions of their own; the lens suggestions stay
    // with the mouse, a keyboard user types the name.
    mountButton->setFocusPolicy(Qt::TabFocus);
    focalMenuButton->setFocusPolicy(Qt::TabFocus);
    ViewController& c = *controller;
    c.StartUpLens_Title->setBuddy(defaultLensComboBox);
    for (auto [title, field] :
         {std::pair{c.DeviceModel_Title, c.DeviceModel_Text}, std::pair{c.DeviceSN, c.DeviceSN_Text},
          std::pair{c.FW_Version_Title, c.FW_Version_Text}}) {
        title->setBuddy(field);
    }
    for (const auto& [label, key] : localizedFields) {
        if (key == QLatin1String(TextKeys::kLabelNameLensMount)) {
            label->setBuddy(mountButton);
        }
    }
    applyAccessibleNames();
}

void ORVOPresentation::applyAccessibleNames() {
    if (!controller) {
        return;
    }
    for (int p = 0; p < static_cast<int>(profileControls.size()); ++p) {
        const ProfileControls& profile = profileControls[p];
        profile.focalLength->setAccessibleName(named(TextKeys::kAccessibleFocalLength, p));
        profile.lensModel->setAccessibleName(named(TextKeys::kAccessibleLensModel, p));
        for (int k = 0; k < static_cast<int>(profile.apertures.size()); ++k) {
            profile.apertures[k]->setAccessibleName(named(TextKeys::kAccessibleAperture, p, k + 1));
        }
        profileButtons[p]->setAccessibleName(named(TextKeys::kAccessibleProfile, p));
    }
    profileSelectorView->setAccessibleName(LocalizationManager::text(TextKeys::kAccessibleProfileSelector));
    mountButton->setAccessibleName(LocalizationManager::text(TextKeys::kAccessibleMountMenu));
    focalMenuButton->setAccessibleName(LocalizationManager::text(TextKeys::kAccessibleFocalLengthMenu));
    suggestionButton->setAccessibleName(LocalizationManager::text(TextKeys::kAccessibleLensSuggestions));
    themeToggle->setAccessibleName(LocalizationManager::text(TextKeys::kAccessibleThemeToggle));
    ViewController& c = *controller;
    c.Language->setAccessibleName(LocalizationManager::text(TextKeys::kAccessibleLanguage));
    c.PrintView->setAccessibleName(LocalizationManager::text(TextKeys::kAccessibleConnectionLog));
    c.PortSelection->setAccessibleName(LocalizationManager::text(TextKeys::kAccessiblePort));
    // Its caption sits outside the box's wrapper, out of reach of the label lookup.
    defaultLensComboBox->setAccessibleName(LocalizationManager::text(TextKeys::kLabelDefaultLens));
    nameComboMenuButtons();
}

// The clear buttons over the pick-lists open them for the mouse; a screen reader meets them under the
// name of the list they open.
void ORVOPresentation::nameComboMenuButtons() {
    for (QPushButton* button : comboMenuButtons) {
        const auto* box =
            button->parentWidget()->findChild<QComboBox*>(QString(), Qt::FindDirectChildrenOnly);
        QAccessibleInterface* list =
            box ? QAccessible::queryAccessibleInterface(const_cast<QComboBox*>(box)) : nullptr;
        button->setAccessibleName(list ? list->text(QAccessible::Name) : QString());
    }
}

// Runs after every profile change: the selected profile's controls have just moved into the card.
void ORVOPresentation::applyKeyboardOrder() {
    if (!controller || !profileKeys) {
        return;
    }
    profileKeys->setSelectedIndex(selectedProfileIndex);
    ViewController& c = *controller;
    const ProfileControls& profile = profileControls[selectedProfileIndex];
    for (const auto& [label, key] : localizedFields) {
        if (key == QLatin1String(TextKeys::kLabelNameFocalLengthPlain)) {
            label->setBuddy(profile.focalLength);
        } else if (key == QLatin1String(TextKeys::kLabelNameLensModel)) {
            label->setBuddy(profile.lensModel);
        }
    }
    for (int k = 0; k < static_cast<int>(apertureLabels.size()); ++k) {
        apertureLabels[k]->setBuddy(profile.apertures[k]);
    }
    nameComboMenuButtons();
    // Header row left to right, the selector, the left column, the profile card, the footer.
    const QList<QWidget*> order{c.Language,
                                themeToggle,
                                tourButton,
                                c.button_Help,
                                profileButtons[selectedProfileIndex],
                                c.DeviceModel_Text,
                                c.DeviceSN_Text,
                                c.FW_Version_Text,
                                defaultLensComboBox,
                                c.PrintView,
                                mountButton,
                                profile.focalLength,
                                focalMenuButton,
                                profile.lensModel,
                                profile.apertures[0],
                                profile.apertures[1],
                                profile.apertures[2],
                                profile.apertures[3],
                                c.button_Exit,
                                c.button_SaveToAdapter};
    for (int i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}
