// The menus of the profile card: the mount row and its per-profile memory, the focal lengths the
// catalog knows for the mount, and the one menu over each combo box of the card.

#include "LensCatalog.h"
#include "LocalizationManager.h"
#include "ORVOCatalogAssistant.h"
#include "ORVOPalette.h"
#include "ProfileValues.h"
#include "Settings.h"
#include "StyleSheet.h"
#include "TextKeys.h"
#include "Typography.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <cmath>

namespace {

// Below this much room under its field a menu may open above it instead.
constexpr int kShortestMenu = 160;

} // namespace

QMenu* ORVOCatalogAssistant::makeMenu() {
    auto* menu = new QMenu(controls.window->window());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setFont(Typography::fieldLabel());
    const ORVOPalette& p = hooks.palette();
    StyleSheet::set(
        // One column that scrolls when it is taller than the screen, never a second column.
        menu, QStringLiteral("QMenu { background: %1; border: 1px solid %2; padding: 4px 0; color: %3;"
                             " menu-scrollable: 1; }"
                             "QMenu::item { padding: 4px 22px 4px 28px; }"
                             "QMenu::item:selected { background: %4; color: %5; }"
                             "QMenu::indicator { width: 14px; height: 14px; left: 8px; }")
                  .arg(ORVOPalette::css(p.card), ORVOPalette::css(p.border), ORVOPalette::css(p.text),
                       ORVOPalette::css(p.selectedFill), ORVOPalette::css(p.selectedText)));
    return menu;
}

void ORVOCatalogAssistant::showMountMenu(QWidget* button) {
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

void ORVOCatalogAssistant::mountPicked(const QString& mount) {
    if (!hasSelectedProfile() || mount == mountSelections[selectedProfileIndex]) {
        return;
    }
    mountSelections[selectedProfileIndex] = mount;
    saveMountSelections();
    controls.mountValueLabel->setText(mountDisplayName(mount));
    hideSuggestions();
    refreshCatalogMatches();
}

QString ORVOCatalogAssistant::mountDisplayName(const QString& mount) const {
    return mount.isEmpty() ? LocalizationManager::text(TextKeys::kPlaceholderAllMounts) : mount;
}

void ORVOCatalogAssistant::saveMountSelections() {
    QSettings& settings = Settings::shared();
    for (size_t p = 0; p < mountSelections.size(); ++p) {
        settings.setValue(mountDefaultsKeys()[p], mountSelections[p]);
    }
}

// Only the mounts of the menu come back: anything else, a category name included, is all mounts.
void ORVOCatalogAssistant::restoreMountSelections() {
    QSettings& settings = Settings::shared();
    for (size_t p = 0; p < mountSelections.size(); ++p) {
        const QString stored = settings.value(mountDefaultsKeys()[p]).toString();
        mountSelections[p] = LensCatalog::mountOptions().contains(stored) ? stored : QString();
    }
    if (controls.mountValueLabel && hasSelectedProfile()) {
        controls.mountValueLabel->setText(mountDisplayName(mountSelections[selectedProfileIndex]));
    }
}

void ORVOCatalogAssistant::showFocalLengthMenu(QWidget* button) {
    if (!hasSelectedProfile()) {
        return;
    }
    const QStringList options = catalog().focalLengthOptions(mountSelections[selectedProfileIndex]);
    if (options.isEmpty()) {
        return;
    }
    QMenu* menu = makeMenu();
    for (const QString& option : options) {
        QAction* item = menu->addAction(focalLengthMenuText(option));
        item->setData(option);
        connect(item, &QAction::triggered, this, [this, option] { focalLengthPicked(option); });
    }
    // Attached below the field the choice goes into, as wide as field and button together.
    const QWidget* field = controls.profiles[selectedProfileIndex].focalLength;
    const QWidget* anchor = field ? field : button;
    const QPoint below = anchor->mapToGlobal(QPoint(0, anchor->height()));
    menu->setMinimumWidth(button->mapToGlobal(QPoint(button->width(), 0)).x() - below.x());
    // A long list scrolls within the room below the field rather than moving up over it (a menu
    // places itself by its whole length, so it is put back below the field once it is shown).
    const QScreen* screen = anchor->screen();
    const int room = screen ? screen->availableGeometry().bottom() - below.y() : 0;
    if (room >= kShortestMenu) {
        menu->setMaximumHeight(room);
    }
    menu->popup(below);
    if (room >= kShortestMenu) {
        menu->move(below);
    }
}

// "85 mm", or "7.5 → 8 mm" where the adapter keeps the nearest whole millimetre instead.
QString ORVOCatalogAssistant::focalLengthMenuText(const QString& option) {
    const auto number = ProfileValues::focalLengthNumber(option);
    const auto stored = ProfileValues::focalLengthToWrite(option);
    if (!number || !stored || std::abs(*number - *stored) < 0.001) {
        return option + QStringLiteral(" mm");
    }
    return QStringLiteral("%1 → %2 mm").arg(option).arg(*stored);
}

// A programmatic change: neither the controller's handler nor the text-change handlers run.
void ORVOCatalogAssistant::focalLengthPicked(const QString& option) {
    if (!hasSelectedProfile()) {
        return;
    }
    controls.profiles[selectedProfileIndex].focalLength->setText(option);
    refreshCatalogMatches();
}

void ORVOCatalogAssistant::openComboMenu(QWidget* button) {
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
void ORVOCatalogAssistant::comboMenuPicked(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
    emit box->textActivated(box->itemText(index));
}
