// The window's controls under their outlet names, and how the user's actions reach the controller.
// The presentation places them; each carries its outlet name as its object name.

#include "ORVOAccessNotice.h"
#include "ORVOChoiceInListOnly.h"
#include "ProfileValues.h"
#include "ViewController.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

namespace {

template <typename Widget> Widget* named(QWidget* parent, const QString& name) {
    auto* widget = new Widget(parent);
    widget->setObjectName(name);
    widget->hide();
    return widget;
}

} // namespace

void ViewController::buildControls() {
    Language = named<QComboBox>(this, "Language");
    button_Help = named<QPushButton>(this, "button_Help");
    // The manual port list keeps working but is not part of the styled window.
    button_Fresh = named<QPushButton>(this, "button_Fresh");
    button_Fresh->setText(QStringLiteral("⟳"));
    PortSelection = named<QComboBox>(this, "PortSelection");
    PortDevPath = named<QComboBox>(this, "PortDevPath");
    buildDeviceControls();
    buildProfileControls();
    accessNotice = new ORVOAccessNotice(this);
    PrintView = named<QTextEdit>(this, "PrintView");
    PrintView->document()->setMaximumBlockCount(5000);
    button_SaveToAdapter = named<QPushButton>(this, "button_SaveToAdapter");
    button_Exit = named<QPushButton>(this, "button_Exit");
    button_ReadAgain = named<QPushButton>(this, "button_ReadAgain");
    button_Revert = named<QPushButton>(this, "button_Revert");
    button_Restore = named<QPushButton>(this, "button_Restore");
    restoreAction = new QAction(this);
}

void ViewController::buildDeviceControls() {
    DeviceModel_Title = named<QLabel>(this, "DeviceModel_Title");
    DeviceSN = named<QLabel>(this, "DeviceSN");
    FW_Version_Title = named<QLabel>(this, "FW_Version_Title");
    StartUpLens_Title = named<QLabel>(this, "StartUpLens_Title");
    DeviceModel_Text = named<QLineEdit>(this, "DeviceModel_Text");
    DeviceSN_Text = named<QLineEdit>(this, "DeviceSN_Text");
    FW_Version_Text = named<QLineEdit>(this, "FW_Version_Text");
    Default_LensSeq = named<QComboBox>(this, "Default_LensSeq");
}

void ViewController::buildProfileControls() {
    for (int p = 0; p < kProfileCount; ++p) {
        const QString letter = ProfileValues::profileLetter(p);
        LensFocalLengths[p] = named<QLineEdit>(this, "Lens" + letter + "_FocalLength");
        for (int k = 0; k < kAperturesPerProfile; ++k) {
            LensApexes[p][k] = named<QComboBox>(this, QStringLiteral("Lens%1_Apex%2").arg(letter).arg(k + 1));
        }
        LensModels[p] = named<QLineEdit>(this, "Lens" + letter + "_Model");
    }
}

// User actions only: values placed from adapter packets never run these. Save and Exit are the
// presentation's: it asks first, then calls saveConfirmed or exitAfterConfirmation.
void ViewController::wireActions() {
    // The language changes the whole window: it follows a choice made in the open list only.
    new ORVOChoiceInListOnly(Language);
    connect(Language, &QComboBox::activated, this, &ViewController::On_Language_Selected);
    connect(button_Help, &QPushButton::clicked, this, &ViewController::On_buttonHelp_Clicked);
    connect(button_Fresh, &QPushButton::clicked, this, &ViewController::On_ButtonFresh_Clicked);
    connect(PortSelection, &QComboBox::activated, this, &ViewController::On_PortSelection_Changed);
    connect(button_ReadAgain, &QPushButton::clicked, this, &ViewController::On_ButtonReadAgain_Clicked);
    connect(button_Revert, &QPushButton::clicked, this, &ViewController::On_ButtonRevert_Clicked);
    connect(button_Restore, &QPushButton::clicked, this, &ViewController::On_ButtonRestore_Clicked);
    connect(restoreAction, &QAction::triggered, this, &ViewController::On_ButtonRestore_Clicked);
    connect(Default_LensSeq, &QComboBox::activated, this, &ViewController::On_Default_LensSeq_Changed);
    for (int p = 0; p < kProfileCount; ++p) {
        connect(LensFocalLengths[p], &QLineEdit::textEdited, this, [this, p] { On_FocalLength_Changed(p); });
        QComboBox* first = LensApexes[p][0];
        connect(first, &QComboBox::activated, this, [this, first] { On_Aperture_Changed(first); });
    }
}
