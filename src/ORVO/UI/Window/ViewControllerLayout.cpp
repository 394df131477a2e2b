// The window's controls and how they are wired to the controller's actions. The styled window
// later rearranges these same controls; each carries its outlet name as its object name.

#include "ORVOAccessNotice.h"
#include "ViewController.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

template <typename Widget> Widget* named(QWidget* parent, const QString& name) {
    auto* widget = new Widget(parent);
    widget->setObjectName(name);
    return widget;
}

QLabel* caption(QWidget* parent, const QString& name, const QString& text = {}) {
    auto* label = named<QLabel>(parent, name);
    label->setText(text);
    return label;
}

QLineEdit* valueField(QWidget* parent, const QString& name) {
    auto* field = named<QLineEdit>(parent, name);
    field->setReadOnly(true);
    return field;
}

} // namespace

void ViewController::buildControls() {
    Language = named<QComboBox>(this, "Language");
    button_Help = named<QPushButton>(this, "button_Help");
    button_Fresh = named<QPushButton>(this, "button_Fresh");
    button_Fresh->setText(QStringLiteral("⟳"));
    PortSelection = named<QComboBox>(this, "PortSelection");
    PortDevPath = named<QComboBox>(this, "PortDevPath");
    PortDevPath->hide();

    DeviceModel_Title = caption(this, "DeviceModel_Title");
    DeviceSN = caption(this, "DeviceSN");
    FW_Version_Title = caption(this, "FW_Version_Title");
    StartUpLens_Title = caption(this, "StartUpLens_Title");
    DeviceModel_Text = valueField(this, "DeviceModel_Text");
    DeviceSN_Text = valueField(this, "DeviceSN_Text");
    FW_Version_Text = valueField(this, "FW_Version_Text");
    Default_LensSeq = named<QComboBox>(this, "Default_LensSeq");

    Lens_Title = caption(this, "Lens_Title", QStringLiteral("Lens"));
    LensFocalLength_Title = caption(this, "LensFocalLength_Title");
    LensModel_Title = caption(this, "LensModel_Title");
    for (int k = 0; k < kAperturesPerProfile; ++k) {
        ApertureTitles[k] = caption(this, QStringLiteral("Aperture%1_Title").arg(k + 1));
    }
    for (int p = 0; p < kProfileCount; ++p) {
        const QString letter = profileLetter(p);
        LensTitles[p] = caption(this, "Lens" + letter + "_Title", letter);
        LensFocalLengths[p] = named<QLineEdit>(this, "Lens" + letter + "_FocalLength");
        for (int k = 0; k < kAperturesPerProfile; ++k) {
            LensApexes[p][k] = named<QComboBox>(this, QStringLiteral("Lens%1_Apex%2").arg(letter).arg(k + 1));
        }
        LensModels[p] = named<QLineEdit>(this, "Lens" + letter + "_Model");
    }

    accessNotice = new ORVOAccessNotice(this);
    PrintView = named<QTextEdit>(this, "PrintView");
    PrintView->document()->setMaximumBlockCount(5000);
    button_SaveToAdapter = named<QPushButton>(this, "button_SaveToAdapter");
    button_Exit = named<QPushButton>(this, "button_Exit");
    button_ReadAgain = named<QPushButton>(this, "button_ReadAgain");
    button_ReadAgain->hide();
    button_Revert = named<QPushButton>(this, "button_Revert");
    button_Restore = named<QPushButton>(this, "button_Restore");
    restoreAction = new QAction(this);

    auto* header = new QHBoxLayout;
    header->addWidget(Language);
    header->addStretch();
    header->addWidget(PortSelection);
    header->addWidget(button_Fresh);
    header->addWidget(button_Help);

    auto* device = new QGridLayout;
    device->addWidget(DeviceModel_Title, 0, 0);
    device->addWidget(DeviceModel_Text, 0, 1);
    device->addWidget(DeviceSN, 0, 2);
    device->addWidget(DeviceSN_Text, 0, 3);
    device->addWidget(FW_Version_Title, 1, 0);
    device->addWidget(FW_Version_Text, 1, 1);
    device->addWidget(StartUpLens_Title, 1, 2);
    device->addWidget(Default_LensSeq, 1, 3);

    auto* profiles = new QGridLayout;
    profiles->addWidget(Lens_Title, 0, 0);
    profiles->addWidget(LensFocalLength_Title, 0, 1);
    for (int k = 0; k < kAperturesPerProfile; ++k) {
        profiles->addWidget(ApertureTitles[k], 0, 2 + k);
    }
    profiles->addWidget(LensModel_Title, 0, 6);
    for (int p = 0; p < kProfileCount; ++p) {
        profiles->addWidget(LensTitles[p], p + 1, 0);
        profiles->addWidget(LensFocalLengths[p], p + 1, 1);
        for (int k = 0; k < kAperturesPerProfile; ++k) {
            profiles->addWidget(LensApexes[p][k], p + 1, 2 + k);
        }
        profiles->addWidget(LensModels[p], p + 1, 6);
    }
    profiles->setColumnStretch(6, 1);

    auto* footer = new QHBoxLayout;
    footer->addStretch();
    footer->addWidget(button_Exit);
    footer->addWidget(button_Revert);
    footer->addWidget(button_Restore);
    footer->addWidget(button_ReadAgain);
    footer->addWidget(button_SaveToAdapter);

    auto* column = new QVBoxLayout(this);
    column->addLayout(header);
    column->addLayout(device);
    column->addLayout(profiles);
    column->addWidget(accessNotice);
    column->addWidget(PrintView, 1);
    column->addLayout(footer);
    resize(980, 640);
}

// User actions only: values placed from adapter packets never run these.
void ViewController::wireActions() {
    connect(Language, &QComboBox::activated, this, &ViewController::On_Language_Selected);
    connect(button_Help, &QPushButton::clicked, this, &ViewController::On_buttonHelp_Clicked);
    connect(button_Fresh, &QPushButton::clicked, this, &ViewController::On_ButtonFresh_Clicked);
    connect(PortSelection, &QComboBox::activated, this, &ViewController::On_PortSelection_Changed);
    connect(button_SaveToAdapter, &QPushButton::clicked, this, &ViewController::On_Button_SaveToAdapter);
    connect(button_Exit, &QPushButton::clicked, this, &ViewController::On_buttonExit_Clicked);
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
