#pragma once

#include "DataStructures.h"
#include "ProfileValues.h"

#include <array>

class ORVOAccessNotice;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

// The main window's controls under their outlet names (each also carries its outlet name as its
// object name). The controller fills and reads them; the presentation's regions place and style them.
struct ORVOWindowControls {
    static constexpr int kProfileCount = kAdapterProfileCount;
    static constexpr int kAperturesPerProfile = ::kAperturesPerProfile;

    QComboBox* Language = nullptr;
    QPushButton* button_Help = nullptr;
    QComboBox* PortSelection = nullptr;
    QPushButton* button_SaveToAdapter = nullptr;
    QPushButton* button_Exit = nullptr;
    QPushButton* button_Fresh = nullptr;
    // Shown while the last read-out missed answers; reruns it.
    QPushButton* button_ReadAgain = nullptr;
    // Put the values last read from the adapter, or those of a backup, back into the fields.
    QPushButton* button_Revert = nullptr;
    QPushButton* button_Restore = nullptr;
    // The menu's way to the same chooser as button_Restore.
    QAction* restoreAction = nullptr;
    QLabel* DeviceModel_Title = nullptr;
    QLabel* DeviceSN = nullptr;
    QLabel* FW_Version_Title = nullptr;
    QLabel* StartUpLens_Title = nullptr;
    QLineEdit* DeviceModel_Text = nullptr;
    QLineEdit* DeviceSN_Text = nullptr;
    QLineEdit* FW_Version_Text = nullptr;
    QComboBox* Default_LensSeq = nullptr;
    QTextEdit* PrintView = nullptr;
    // Over the log: why the adapter cannot be used, with the commands that fix it.
    ORVOAccessNotice* accessNotice = nullptr;
    QComboBox* PortDevPath = nullptr;
    std::array<QLineEdit*, kProfileCount> LensFocalLengths{};
    std::array<std::array<QComboBox*, kAperturesPerProfile>, kProfileCount> LensApexes{};
    std::array<QLineEdit*, kProfileCount> LensModels{};
};
