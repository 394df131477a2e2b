#include "ORVOProfileCard.h"

#include "LocalizationManager.h"
#include "ORVOFieldContainer.h"
#include "ORVOStyleKit.h"
#include "StyleSheet.h"
#include "TextKeys.h"
#include "Typography.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kSlotHeight = 36;
constexpr int kChevronInset = 34;
constexpr int kApertureInset = 24;

} // namespace

ORVOProfileCard::ORVOProfileCard(ORVOStyleKit& styleKit, QPushButton* restoreButton,
                                 QPushButton* revertButton, QWidget* parent)
    : QFrame(parent), kit(styleKit), restore(restoreButton), revert(revertButton) {
    kit.addCard(this);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(28, 20, 28, 20);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(7);
    grid->addWidget(kit.localizedLabel(TextKeys::kLabelNameLensConfiguration, Typography::cardTitle()), 0, 0,
                    1, 2);
    int line = buildFieldRows(grid);
    buildBadge(grid, line);
    grid->addWidget(kit.makeSeparator(this), line++, 0, 1, 3);
    buildApertureRow();
    grid->addWidget(apertureRowView, line++, 0, 1, 3);
    buildActions(grid, line);
    line += 2;
    grid->setRowStretch(line, 1);
    grid->setColumnStretch(1, 1);
}

// Mount, focal length and lens name, each a caption and a slot with a menu button at its end.
int ORVOProfileCard::buildFieldRows(QGridLayout* grid) {
    mountValueLabel = new QLabel(LocalizationManager::text(TextKeys::kPlaceholderAllMounts));
    mountValueLabel->setFont(Typography::fieldValue());
    kit.addPrimary(mountValueLabel);
    mountSlot = kit.makeSlot(mountValueLabel, kChevronInset);
    mountButton = new QPushButton(mountSlot);
    mountButton->setObjectName("mountButton");
    focalSlot = kit.makeSlot(nullptr, kChevronInset);
    focalMenuButton = new QPushButton(focalSlot);
    focalMenuButton->setObjectName("focalMenuButton");
    modelSlot = kit.makeSlot(nullptr, kChevronInset);
    suggestionButton = new QPushButton(modelSlot);
    suggestionButton->setObjectName("suggestionButton");
    for (QPushButton* button : {mountButton, focalMenuButton, suggestionButton}) {
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::PointingHandCursor);
        button->setFixedSize(kChevronInset, kSlotHeight);
    }
    const std::pair<const char*, ORVOFieldContainer*> rows[] = {
        {TextKeys::kLabelNameLensMount, mountSlot},
        {TextKeys::kLabelNameFocalLengthPlain, focalSlot},
        {TextKeys::kLabelNameLensModel, modelSlot},
    };
    int line = 1;
    for (const auto& [name, slot] : rows) {
        kit.chevronOver(slot, QStringLiteral("chevron.down"));
        if (line > 1) {
            grid->addWidget(kit.makeSeparator(this), line++, 0, 1, 2);
        }
        QLabel* caption = kit.localizedLabel(name, Typography::fieldLabel());
        caption->setMinimumWidth(120);
        grid->addWidget(caption, line, 0);
        grid->addWidget(slot, line++, 1);
    }
    buildNameNotes(grid, line);
    return line;
}

// Under the lens name: its byte count and what the limit cut, and the notice of a replaced name.
void ORVOProfileCard::buildNameNotes(QGridLayout* grid, int& line) {
    nameNoteLabel = new QLabel(this);
    nameNoteLabel->setObjectName("nameNoteLabel");
    nameReplacedLabel = new QLabel(this);
    nameReplacedLabel->setObjectName("nameReplacedLabel");
    nameReplacedLabel->setTextFormat(Qt::RichText);
    nameReplacedLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(nameReplacedLabel, &QLabel::linkActivated, this, &ORVOProfileCard::undoNameRequested);
    for (QLabel* note : {nameNoteLabel, nameReplacedLabel}) {
        note->setFont(Typography::ofSize(12, QFont::Normal));
        note->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // Wraps rather than widening its column, which would squeeze the captions.
        note->setWordWrap(true);
        note->hide();
        kit.addMuted(note);
        grid->addWidget(note, line++, 1);
    }
}

void ORVOProfileCard::buildBadge(QGridLayout* grid, int rows) {
    badgeView = new QFrame(this);
    badgeView->setObjectName("badge");
    badgeView->setFixedSize(150, 170);
    auto* badgeLayout = new QVBoxLayout(badgeView);
    badgeLayout->setContentsMargins(0, 0, 0, 0);
    profileBadgeLabel = new QLabel(QStringLiteral("A"), badgeView);
    profileBadgeLabel->setFont(Typography::badge(139));
    profileBadgeLabel->setAlignment(Qt::AlignCenter);
    badgeLayout->addWidget(profileBadgeLabel);
    grid->addWidget(badgeView, 0, 2, rows, 1, Qt::AlignTop | Qt::AlignRight);
}

void ORVOProfileCard::buildApertureRow() {
    apertureRowView = new QWidget(this);
    auto* apertures = new QGridLayout(apertureRowView);
    apertures->setContentsMargins(0, 0, 0, 0);
    apertures->setHorizontalSpacing(14);
    apertures->setVerticalSpacing(8);
    for (int k = 0; k < kAperturesPerProfile; ++k) {
        apertureLabels[k] = kit.secondaryLabel({});
        apertures->addWidget(apertureLabels[k], 0, k);
        apertureSlots[k] = kit.makeSlot(nullptr, kApertureInset);
        kit.chevronOver(apertureSlots[k], QStringLiteral("chevron.down"));
        apertures->addWidget(apertureSlots[k], 1, k);
    }
    apertureNoteLabel = new QLabel(apertureRowView);
    apertureNoteLabel->setFont(Typography::ofSize(12, QFont::Normal));
    apertureNoteLabel->setWordWrap(true);
    apertureNoteLabel->hide();
    kit.addMuted(apertureNoteLabel);
    apertures->addWidget(apertureNoteLabel, 2, 0, 1, kAperturesPerProfile);
}

// Restore and Revert fill the fields only; nothing is written before Save.
// Restore… and Revert on the right; My Lenses' two buttons on a row of their own below them, as
// their titles are long in several languages.
void ORVOProfileCard::buildActions(QGridLayout* grid, int line) {
    const auto row = [grid, line](int offset) {
        auto* layout = new QHBoxLayout;
        layout->setContentsMargins(0, 4, 0, 0);
        layout->setSpacing(ORVOStyleKit::buttonSpacing);
        grid->addLayout(layout, line + offset, 0, 1, 3);
        return layout;
    };
    QHBoxLayout* actions = row(0);
    actions->addStretch();
    for (QPushButton* button : {restore, revert}) {
        button->setParent(this);
        actions->addWidget(button);
        button->show();
    }
    QHBoxLayout* library = row(1);
    addToLibraryButton = new QPushButton(this);
    addToLibraryButton->setObjectName("addToLibraryButton");
    fromLibraryButton = new QPushButton(this);
    fromLibraryButton->setObjectName("fromLibraryButton");
    for (QPushButton* button : {addToLibraryButton, fromLibraryButton}) {
        library->addWidget(button);
        button->hide();
    }
    library->addStretch();
}

void ORVOProfileCard::showProfile(int index, const Fields& fields) {
    profileBadgeLabel->setText(ProfileValues::profileLetter(index));
    kit.replaceContent(focalSlot, fields.focalLength, kChevronInset);
    for (int k = 0; k < kAperturesPerProfile; ++k) {
        kit.replaceContent(apertureSlots[k], fields.apertures[k], kApertureInset);
    }
    kit.replaceContent(modelSlot, fields.lensModel, kChevronInset);
}

void ORVOProfileCard::showChanges(const ProfileChanges& changes) {
    focalSlot->setMarked(changes.focalLength);
    for (int k = 0; k < kAperturesPerProfile; ++k) {
        apertureSlots[k]->setMarked(changes.apertures[size_t(k)]);
    }
    modelSlot->setMarked(changes.name);
}

void ORVOProfileCard::showNameReplaced(bool shown) {
    if (shown) {
        nameReplacedLabel->setText(
            QStringLiteral("%1 — <a href=\"undo\" style=\"color: %2;\">%3</a>")
                .arg(LocalizationManager::text(TextKeys::kLabelNameReplaced).toHtmlEscaped(),
                     ORVOPalette::css(linkColour),
                     LocalizationManager::text(TextKeys::kMenuUndo).toHtmlEscaped()));
    }
    nameReplacedLabel->setVisible(shown);
}

void ORVOProfileCard::applyTheme(const ORVOPalette& p) {
    linkColour = p.text;
    StyleSheet::set(badgeView, QStringLiteral("QFrame#badge { border: 2px solid %1; border-radius: 18px; }"
                                              "QLabel { color: %1; background: transparent; border: none; }")
                                   .arg(ORVOPalette::css(p.text)));
    for (QPushButton* button : {mountButton, focalMenuButton, suggestionButton}) {
        StyleSheet::set(button, QStringLiteral("QPushButton { background: transparent; border: none; }"));
    }
    for (QPushButton* button : {revert, restore, addToLibraryButton, fromLibraryButton}) {
        ORVOStyleKit::styleSecondaryButton(button, p);
    }
}

void ORVOProfileCard::refreshLocalizedText(const ORVOPalette& p) {
    for (int k = 0; k < kAperturesPerProfile; ++k) {
        apertureLabels[k]->setText(LocalizationManager::text(TextKeys::kLabelAperture) + ' ' +
                                   QString::number(k + 1));
    }
    addToLibraryButton->setText(LocalizationManager::text(TextKeys::kLibraryAdd));
    fromLibraryButton->setText(LocalizationManager::text(TextKeys::kLibraryFrom));
    for (QPushButton* button : {revert, restore, addToLibraryButton, fromLibraryButton}) {
        ORVOStyleKit::styleSecondaryButton(button, p);
    }
}
