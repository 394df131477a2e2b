// Keyboard and screen-reader access to the styled window: a translated name for every control whose
// visible text does not say what it is, labels tied to their fields, the plain layout's controls
// out of the accessibility tree, and a Tab order that reads like the window.

#include "LocalizationManager.h"
#include "ORVOCatalogAssistant.h"
#include "ORVOAccessibleComboBox.h"
#include "ORVOArrowKeySelector.h"
#include "ORVOFieldContainer.h"
#include "ORVOPresentation.h"
#include "ORVOThemeToggle.h"
#include "TextKeys.h"
#include "ORVOWindowControls.h"
#include "ORVOHero.h"
#include "ORVOProfileSelector.h"
#include "ORVOStyleKit.h"

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
        .replace(QStringLiteral("{0}"), ProfileValues::profileLetter(profile))
        .replace(QStringLiteral("{1}"), QString::number(aperture));
}

} // namespace

void ORVOPresentation::installKeyboardAccess() {
    ORVOAccessibleComboBox::installFor(host.findChildren<QComboBox*>());
    QList<QPushButton*> segments(profileSelector->profileButtons.begin(), profileSelector->profileButtons.end());
    profileKeys = new ORVOArrowKeySelector(
        segments, [this](int index) { selectProfile(index); }, this);
    // The menus of the mount and focal length are actions of their own; the lens suggestions stay
    // with the mouse, a keyboard user types the name.
    profileCard->mountButton->setFocusPolicy(Qt::TabFocus);
    profileCard->focalMenuButton->setFocusPolicy(Qt::TabFocus);
    c.StartUpLens_Title->setBuddy(c.Default_LensSeq);
    for (auto [title, field] :
         {std::pair{c.DeviceModel_Title, c.DeviceModel_Text}, std::pair{c.DeviceSN, c.DeviceSN_Text},
          std::pair{c.FW_Version_Title, c.FW_Version_Text}}) {
        title->setBuddy(field);
    }
    kit->captionOf(TextKeys::kLabelNameLensMount)->setBuddy(profileCard->mountButton);
    applyAccessibleNames();
}

void ORVOPresentation::applyAccessibleNames() {
    for (int p = 0; p < kAdapterProfileCount; ++p) {
        const ORVOProfileCard::Fields profile = profileFields(p);
        profile.focalLength->setAccessibleName(named(TextKeys::kAccessibleFocalLength, p));
        profile.lensModel->setAccessibleName(named(TextKeys::kAccessibleLensModel, p));
        for (int k = 0; k < static_cast<int>(profile.apertures.size()); ++k) {
            profile.apertures[k]->setAccessibleName(named(TextKeys::kAccessibleAperture, p, k + 1));
        }
        profileSelector->profileButtons[p]->setAccessibleName(named(TextKeys::kAccessibleProfile, p));
    }
    profileSelector->setAccessibleName(LocalizationManager::text(TextKeys::kAccessibleProfileSelector));
    profileCard->mountButton->setAccessibleName(LocalizationManager::text(TextKeys::kAccessibleMountMenu));
    profileCard->focalMenuButton->setAccessibleName(LocalizationManager::text(TextKeys::kAccessibleFocalLengthMenu));
    profileCard->suggestionButton->setAccessibleName(LocalizationManager::text(TextKeys::kAccessibleLensSuggestions));
    hero->themeToggle->setAccessibleName(LocalizationManager::text(TextKeys::kAccessibleThemeToggle));
    hero->menuButton->setAccessibleName(LocalizationManager::text(TextKeys::kAccessibleMenu));
    hero->menuButton->setToolTip(hero->menuButton->accessibleName());
    c.Language->setAccessibleName(LocalizationManager::text(TextKeys::kAccessibleLanguage));
    c.PrintView->setAccessibleName(LocalizationManager::text(TextKeys::kAccessibleConnectionLog));
    c.PortSelection->setAccessibleName(LocalizationManager::text(TextKeys::kAccessiblePort));
    // Its caption sits outside the box's wrapper, out of reach of the label lookup.
    c.Default_LensSeq->setAccessibleName(LocalizationManager::text(TextKeys::kLabelDefaultLens));
    nameComboMenuButtons();
}

// The clear buttons over the pick-lists open them for the mouse; a screen reader meets them under the
// name of the list they open.
void ORVOPresentation::nameComboMenuButtons() {
    for (QPushButton* button : catalog->comboMenuButtons) {
        const auto* box =
            button->parentWidget()->findChild<QComboBox*>(QString(), Qt::FindDirectChildrenOnly);
        QAccessibleInterface* list =
            box ? QAccessible::queryAccessibleInterface(const_cast<QComboBox*>(box)) : nullptr;
        button->setAccessibleName(list ? list->text(QAccessible::Name) : QString());
    }
}

// Runs after every profile change: the selected profile's controls have just moved into the card.
void ORVOPresentation::applyKeyboardOrder() {
    if (!profileKeys) {
        return;
    }
    profileKeys->setSelectedIndex(selectedProfileIndex);
    const ORVOProfileCard::Fields profile = profileFields(selectedProfileIndex);
    kit->captionOf(TextKeys::kLabelNameFocalLengthPlain)->setBuddy(profile.focalLength);
    kit->captionOf(TextKeys::kLabelNameLensModel)->setBuddy(profile.lensModel);
    for (int k = 0; k < static_cast<int>(profileCard->apertureLabels.size()); ++k) {
        profileCard->apertureLabels[k]->setBuddy(profile.apertures[k]);
    }
    nameComboMenuButtons();
    // Header row left to right, the selector, the left column, the profile card, the footer.
    const QList<QWidget*> order{c.Language,
                                hero->themeToggle,
                                hero->tourButton,
                                c.button_Help,
                                profileSelector->profileButtons[selectedProfileIndex],
                                c.DeviceModel_Text,
                                c.DeviceSN_Text,
                                c.FW_Version_Text,
                                c.Default_LensSeq,
                                c.PrintView,
                                profileCard->mountButton,
                                profile.focalLength,
                                profileCard->focalMenuButton,
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
