// The editable controls: item lists and start values, captions in the current language, the
// composed lens name while the user edits, and the window state written to the settings store.

#include "LocalizationManager.h"
#include "Mnemonic.h"
#include "ORVOAccessNotice.h"
#include "ORVOPresentation.h"
#include "Settings.h"
#include "TextKeys.h"
#include "ProfileValues.h"
#include "ViewController.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextStream>

namespace {

void printLine(const QString& line) {
    QTextStream out(stdout);
    out << line << Qt::endl;
}

} // namespace

void ViewController::Init_UI() {
    Init_Language();
    Language->setEnabled(true);
    setSaveEnabled(false);
    Init_DefaultLensSeqComboBox();
    Init_FocalLength_TextFields();
    Init_ApertureComboBoxes();
    Init_LensName_TextFields();
    updatePlaceholderTexts();
}

void ViewController::Init_Language() {
    Language->clear();
    for (const auto& language : LocalizationManager::availableLanguages()) {
        Language->addItem(language.displayName);
    }
    Language->setCurrentIndex(-1);
    Language->setPlaceholderText(text(TextKeys::kPlaceholderSelectLanguage));
}

void ViewController::Init_DefaultLensSeqComboBox() {
    Default_LensSeq->clear();
    for (int p = 0; p < kProfileCount; ++p) {
        Default_LensSeq->addItem(ProfileValues::profileLetter(p));
    }
    Default_LensSeq->setCurrentIndex(0);
}

void ViewController::Init_FocalLength_TextFields() {
    for (QLineEdit* field : LensFocalLengths) {
        field->setText(QStringLiteral("50"));
    }
}

void ViewController::Init_ApertureComboBoxes() {
    for (auto& profile : LensApexes) {
        for (QComboBox* box : profile) {
            box->clear();
            box->addItems(ProfileValues::apertureTexts());
            box->setCurrentIndex(0);
            // Shown while the adapter's value for the box has not been read.
            box->setPlaceholderText(QStringLiteral("—"));
        }
    }
}

void ViewController::Init_LensName_TextFields() {
    for (int p = 0; p < kProfileCount; ++p) {
        LensModels[p]->setText(composedName(p));
    }
}

void ViewController::updateButtonTitles() {
    using namespace TextKeys;
    button_Exit->setText(Mnemonic::apply(text(kButtonExit), text(kMnemonicExit)));
    button_Help->setText(text(kButtonHelp));
    button_SaveToAdapter->setText(Mnemonic::apply(text(kButtonSaveToAdapter), text(kMnemonicSave)));
    button_ReadAgain->setText(Mnemonic::apply(text(kButtonReadAgain), text(kMnemonicReadAgain)));
    button_Revert->setText(Mnemonic::apply(text(kButtonRevert), text(kMnemonicRevert)));
    button_Restore->setText(Mnemonic::apply(text(kButtonRestore), text(kMnemonicRestore)));
    restoreAction->setText(text(kButtonRestore));
    accessNotice->refreshLocalizedText();
    DeviceModel_Title->setText(text(kLabelDeviceModel));
    DeviceSN->setText(text(kLabelDeviceSN));
    FW_Version_Title->setText(text(kLabelFirmwareVersion));
    StartUpLens_Title->setText(text(kLabelDefaultLens));
    updatePlaceholderTexts();
}

void ViewController::updatePlaceholderTexts() {
    Language->setPlaceholderText(text(TextKeys::kPlaceholderSelectLanguage));
    for (QLineEdit* field : LensFocalLengths) {
        field->setPlaceholderText(text(TextKeys::kPlaceholderEnterFocalLength));
    }
}

// ---- Actions

void ViewController::On_Language_Selected() {
    const int index = Language->currentIndex();
    if (index >= 0 && index < static_cast<int>(LocalizationManager::availableLanguages().size())) {
        localizationManager.setLanguage(static_cast<uint8_t>(index));
    }
    window()->setWindowTitle(text(TextKeys::kAppWindowTitle));
    updateButtonTitles();
    if (presentation) {
        presentation->refreshLocalizedText();
    }
}

QString ViewController::composedName(int profile) const {
    return ProfileValues::composedLensName(LensFocalLengths[profile]->text(),
                                           LensApexes[profile][0]->currentText());
}

void ViewController::On_FocalLength_Changed(int profile) {
    composeName(profile);
}

void ViewController::On_Aperture_Changed(QComboBox* sender) {
    printLine(QStringLiteral("🎯 On_Aperture_Changed 被调用，sender: ") + sender->objectName());
    printLine(QStringLiteral("🎯 方法确实被调用了！"));
    for (int p = 0; p < kProfileCount; ++p) {
        const bool matches = LensApexes[p][0] == sender;
        const QString profileName = QStringLiteral("Lens") + ProfileValues::profileLetter(p);
        printLine(QStringLiteral("检查 ") + profileName + QStringLiteral(" ComboBox: ") +
                  LensApexes[p][0]->objectName() + QStringLiteral(", 是否匹配: ") +
                  (matches ? "true" : "false"));
        if (matches) {
            printLine(QStringLiteral("找到匹配的ComboBox! 是 ") + profileName);
            composeName(p);
            printLine(QStringLiteral("更新") + profileName + QStringLiteral(" Model: ") +
                      LensModels[p]->text());
            return;
        }
    }
}

void ViewController::On_Default_LensSeq_Changed() {
    const int index = Default_LensSeq->currentIndex();
    const QString shown = index >= 0 ? Default_LensSeq->currentText() : QStringLiteral("未知");
    printLine(QStringLiteral("Default_LensSeq选择改变: 显示值=") + shown + QStringLiteral(", 索引值=") +
              QString::number(index));
}

// ---- Persisted state: written, never read back

void ViewController::saveUIState() {
    QSettings& settings = Settings::shared();
    settings.setValue("Default_LensSeq_Index", Default_LensSeq->currentIndex());
    for (int p = 0; p < kProfileCount; ++p) {
        settings.setValue(QStringLiteral("Lens%1_Model").arg(ProfileValues::profileLetter(p)), LensModels[p]->text());
    }
    for (int p = 0; p < kProfileCount; ++p) {
        settings.setValue(QStringLiteral("Lens%1_FocalLength").arg(ProfileValues::profileLetter(p)),
                          LensFocalLengths[p]->text());
    }
    for (int p = 0; p < kProfileCount; ++p) {
        for (int k = 0; k < kAperturesPerProfile; ++k) {
            settings.setValue(QStringLiteral("Lens%1_Aperture%2").arg(ProfileValues::profileLetter(p)).arg(k + 1),
                              LensApexes[p][k]->currentIndex());
        }
    }
    settings.sync();
}
