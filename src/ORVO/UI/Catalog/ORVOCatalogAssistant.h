#pragma once

#include "DataStructures.h"
#include "LensCatalog.h"
#include "ORVOFieldFilter.h"
#include "ORVOPalette.h"
#include "ORVOProfileFields.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <array>
#include <functional>
#include <optional>

class ORVOSuggestionPanel;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class QWidget;
class QWindow;

// The lens catalog's help with a profile: the mount remembered per profile and its menu, the focal
// lengths the catalog knows, the suggestion list under the lens-name field and what a picked name
// fills in (the maximum aperture, or the nearest slower stop with a line that says so), the offer to
// fill the other apertures, the character rules of the name and focal-length fields, and one menu
// over each combo box's whole slot.
class ORVOCatalogAssistant : public QObject {
    Q_OBJECT

public:
    // The pieces of the window it works on.
    struct Controls {
        std::array<ORVOProfileFields, kAdapterProfileCount> profiles{};
        // Menus and the suggestion list open over this window.
        QWidget* window = nullptr;
        QWidget* mountSlot = nullptr;
        QPushButton* mountButton = nullptr;
        QLabel* mountValueLabel = nullptr;
        QPushButton* focalMenuButton = nullptr;
        QPushButton* suggestionButton = nullptr;
        QWidget* modelSlot = nullptr;
        // The suggestion list never covers this widget or anything above it.
        QWidget* suggestionCeiling = nullptr;
        QLabel* apertureNoteLabel = nullptr;
        // Under the lens name: its byte count near the adapter's limit, and what the limit cut.
        QLabel* nameNoteLabel = nullptr;
        // Slots whose combo box opens, wherever the slot is clicked, as one menu.
        QList<QWidget*> comboSlots;
    };
    // What it asks of the window.
    struct Hooks {
        std::function<const ORVOPalette&()> palette;
        // Whether to fill the other apertures after a new maximum aperture.
        std::function<bool()> confirmApertureFill;
    };

    // Settings keys of the mount remembered per profile, A to D.
    static const std::array<QString, kAdapterProfileCount>& mountDefaultsKeys();
    static QString apertureDisplayValue(const QComboBox* box);

    ORVOCatalogAssistant(const Controls& controls, Hooks hooks, QObject* parent = nullptr);

    void install();
    // Reads the lens catalog if it is not read yet; the window calls it once it has painted.
    void loadCatalog();
    // The selected profile's fields have just moved into the card.
    void showProfile(int index);
    void refreshLocalizedText();

    void refreshCatalogMatches();
    void presentSuggestions();
    void showLensSuggestions();
    void applyCatalogSelection(const QString& name);
    void setMaximumAperture(const LensCatalogRecord& record, QComboBox* box);
    void promptApertureAutoFill(int profileIndex);
    void showMountMenu(QWidget* button);
    void mountPicked(const QString& mount);
    void saveMountSelections();
    void restoreMountSelections();
    QString mountDisplayName(const QString& mount) const;
    void showFocalLengthMenu(QWidget* button);
    void focalLengthPicked(const QString& option);
    static QString focalLengthMenuText(const QString& option);
    void openComboMenu(QWidget* button);
    void comboMenuPicked(QComboBox* box, int index);
    bool isCurrentLensModelField(const QObject* object) const;
    void lensModelTextChanged(QObject* field);
    void lensModelEndedEditing(QObject* field);
    void catalogFocalLengthChanged(QObject* field);
    void catalogMaximumApertureChanged(QObject* box);
    // Makes the offer a stepped first aperture is waiting for, if any.
    void settleApertureChoice();
    // The lens-model field's keys for the suggestion list: Down and Up step through it, Return picks
    // the marked row, Escape closes it. True when the key was the list's.
    bool suggestionKey(const QKeyEvent& key);

    int selectedProfileIndex = 0;
    // Values placed from the adapter are no new choice: no fill offer follows them.
    bool isPopulatingDeviceAperture = false;
    bool suppressApertureFillPrompt = false;
    // A first aperture stepped by keyboard or wheel waits here for its offer until it settles.
    struct PendingApertureFill {
        int profile = 0;
        // The first aperture before the first step.
        QString before;
    };
    std::optional<PendingApertureFill> pendingApertureFill;
    bool isSteppingAperture = false;
    QMap<int, QString> lastMaximumAperture;
    // Read after the window's first frame (loadCatalog), or sooner by the first thing that needs it.
    LensCatalog* lensCatalog = nullptr;
    QList<LensCatalogRecord> catalogMatches;
    QString catalogEmptyHint;
    QPointer<ORVOSuggestionPanel> suggestionPanel;
    std::array<QString, kAdapterProfileCount> mountSelections;
    QMap<int, QString> lastAppliedCatalogName;
    QList<QPushButton*> comboMenuButtons;
    // A picked lens whose maximum aperture the adapter does not list gets the nearest slower stop;
    // the line under the apertures says so until the first aperture is changed again.
    struct ApertureNote {
        double lensAperture = 0;
        QString stop;
    };
    QMap<int, ApertureNote> apertureNotes;
    // Profiles whose last name edit or pick lost its end to the adapter's byte limit.
    QSet<int> nameCutNotices;

protected:
    // Keys in the lens-model fields, and presses anywhere while the suggestion list is open.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    LensCatalog& catalog();
    bool hasSelectedProfile() const;
    void watchProfileFields();
    void installMenuButtons();
    void showApertureNote();
    void watchApertureSteps();
    void setNameCut(bool cut);
    void showNameNote();
    void recomputeCatalogMatches();
    void hideSuggestions();
    void queueSuggestions();
    void installLensModelClickMonitor();
    // True when the press only closed the suggestion list and must go no further.
    bool lensModelClicked(const QWindow* window, const QPoint& globalPosition);
    bool writeBack(QLineEdit* field, const ORVOFieldFilter::FilteredText& filtered);
    QMenu* makeMenu();

    Controls controls;
    Hooks hooks;
    bool lensModelClickMonitor = false;
    // The release of a press that closed the suggestion list goes nowhere either.
    bool swallowRelease = false;
    QTimer* apertureSettleTimer = nullptr;
};
