#pragma once

#include "ORVOPalette.h"
#include "ORVOProfileFields.h"
#include "ProfileChanges.h"
#include "ProfileValues.h"

#include <QFrame>
#include <array>

class ORVOFieldContainer;
class ORVOStyleKit;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// The selected profile's card: mount, focal length and lens name in slots with their menus, the
// profile's letter as a badge, the four apertures, and Restore and Revert. The fields themselves are
// the controller's; the card shows the selected profile's in its slots.
class ORVOProfileCard : public QFrame {
    Q_OBJECT

public:
    using Fields = ORVOProfileFields;

    ORVOProfileCard(ORVOStyleKit& kit, QPushButton* restore, QPushButton* revert, QWidget* parent = nullptr);

    void showProfile(int index, const Fields& fields);
    void applyTheme(const ORVOPalette& palette);
    void refreshLocalizedText(const ORVOPalette& palette);
    // Marks the slots whose values differ from the adapter's.
    void showChanges(const ProfileChanges& changes);
    void showNameReplaced(bool shown);

    QLabel* mountValueLabel = nullptr;
    ORVOFieldContainer* mountSlot = nullptr;
    QPushButton* mountButton = nullptr;
    ORVOFieldContainer* focalSlot = nullptr;
    QPushButton* focalMenuButton = nullptr;
    ORVOFieldContainer* modelSlot = nullptr;
    // Under the lens name: its bytes near the adapter's limit, and what the limit cut.
    QLabel* nameNoteLabel = nullptr;
    // Beside the lens name after a composed name replaced the user's: "Name replaced — Undo".
    QLabel* nameReplacedLabel = nullptr;
    QPushButton* suggestionButton = nullptr;
    QFrame* badgeView = nullptr;
    QLabel* profileBadgeLabel = nullptr;
    QWidget* apertureRowView = nullptr;
    std::array<QLabel*, kAperturesPerProfile> apertureLabels{};
    std::array<ORVOFieldContainer*, kAperturesPerProfile> apertureSlots{};
    // Says which stop a picked lens's maximum aperture was filled with.
    QLabel* apertureNoteLabel = nullptr;
    // My Lenses: the shown profile into the library, and a lens of the library into this profile.
    // Hidden until the library is wired to the window.
    QPushButton* addToLibraryButton = nullptr;
    QPushButton* fromLibraryButton = nullptr;

signals:
    // The notice's Undo.
    void undoNameRequested();

private:
    void buildNameNotes(QGridLayout* grid, int& line);
    int buildFieldRows(QGridLayout* grid);
    void buildBadge(QGridLayout* grid, int rows);
    void buildApertureRow();
    void buildActions(QGridLayout* grid, int line);

    ORVOStyleKit& kit;
    QColor linkColour;
    QPushButton* restore;
    QPushButton* revert;
};
