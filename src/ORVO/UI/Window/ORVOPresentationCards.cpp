// The three cards of the window's body: the profile card with its slots, the adapter card and the
// connection log.

#include "LocalizationManager.h"
#include "ORVOAccessNotice.h"
#include "ORVOFieldContainer.h"
#include "ORVOPresentation.h"
#include "ORVOStyledLog.h"
#include "TextKeys.h"
#include "Typography.h"
#include "ViewController.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

constexpr int kSlotHeight = 36;
constexpr int kChevronInset = 34;
constexpr int kApertureInset = 2;

} // namespace

QFrame* ORVOPresentation::buildProfileCard() {
    QFrame* card = makeCard();
    profileCardView = card;
    auto* grid = new QGridLayout(card);
    grid->setContentsMargins(28, 20, 28, 20);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(7);
    grid->addWidget(localizedPrimaryLabel(TextKeys::kLabelNameLensConfiguration, Typography::cardTitle()), 0,
                    0, 1, 2);

    mountValueLabel = new QLabel(LocalizationManager::text(TextKeys::kPlaceholderAllMounts));
    mountValueLabel->setFont(Typography::fieldValue());
    primaryLabels << mountValueLabel;
    mountSlot = makeSlot(mountValueLabel, kChevronInset);
    mountButton = new QPushButton(mountSlot);
    mountButton->setObjectName("mountButton");
    focalSlot = makeSlot(nullptr, kChevronInset);
    focalMenuButton = new QPushButton(focalSlot);
    focalMenuButton->setObjectName("focalMenuButton");
    modelSlot = makeSlot(nullptr, kChevronInset);
    suggestionButton = new QPushButton(modelSlot);
    suggestionButton->setObjectName("suggestionButton");
    for (QPushButton* button : {mountButton, focalMenuButton, suggestionButton}) {
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::PointingHandCursor);
        button->setFixedSize(kChevronInset, kSlotHeight);
    }
    for (ORVOFieldContainer* slot : {mountSlot, focalSlot, modelSlot}) {
        chevronOver(slot, QStringLiteral("chevron.down"));
        slot->installEventFilter(this);
    }

    const std::pair<const char*, ORVOFieldContainer*> rows[] = {
        {TextKeys::kLabelNameLensMount, mountSlot},
        {TextKeys::kLabelNameFocalLengthPlain, focalSlot},
        {TextKeys::kLabelNameLensModel, modelSlot},
    };
    int line = 1;
    for (const auto& [name, slot] : rows) {
        if (line > 1) {
            grid->addWidget(makeSeparator(card), line++, 0, 1, 2);
        }
        QLabel* caption = localizedPrimaryLabel(name, Typography::fieldLabel());
        caption->setMinimumWidth(120);
        grid->addWidget(caption, line, 0);
        grid->addWidget(slot, line++, 1);
    }

    badgeView = new QFrame(card);
    badgeView->setObjectName("badge");
    badgeView->setFixedSize(150, 170);
    auto* badgeLayout = new QVBoxLayout(badgeView);
    badgeLayout->setContentsMargins(0, 0, 0, 0);
    profileBadgeLabel = new QLabel(QStringLiteral("A"), badgeView);
    profileBadgeLabel->setFont(Typography::badge(139));
    profileBadgeLabel->setAlignment(Qt::AlignCenter);
    badgeLayout->addWidget(profileBadgeLabel);
    grid->addWidget(badgeView, 0, 2, line, 1, Qt::AlignTop | Qt::AlignRight);

    grid->addWidget(makeSeparator(card), line++, 0, 1, 3);
    apertureRowView = new QWidget(card);
    auto* apertures = new QGridLayout(apertureRowView);
    apertures->setContentsMargins(0, 0, 0, 0);
    apertures->setHorizontalSpacing(14);
    apertures->setVerticalSpacing(8);
    for (int k = 0; k < 4; ++k) {
        apertureLabels[k] = secondaryLabel({});
        apertures->addWidget(apertureLabels[k], 0, k);
        apertureSlots[k] = makeSlot(nullptr, kApertureInset + 22);
        chevronOver(apertureSlots[k], QStringLiteral("chevron.down"));
        apertureSlots[k]->installEventFilter(this);
        apertures->addWidget(apertureSlots[k], 1, k);
    }
    apertureNoteLabel = new QLabel(apertureRowView);
    apertureNoteLabel->setFont(Typography::ofSize(12, QFont::Normal));
    apertureNoteLabel->setWordWrap(true);
    apertureNoteLabel->hide();
    apertures->addWidget(apertureNoteLabel, 2, 0, 1, 4);
    grid->addWidget(apertureRowView, line++, 0, 1, 3);
    // Restore and Revert fill the fields only; nothing is written before Save.
    auto* actions = new QHBoxLayout;
    actions->setContentsMargins(0, 4, 0, 0);
    actions->addStretch();
    for (QPushButton* button : {controller->button_Restore, controller->button_Revert}) {
        button->setParent(card);
        actions->addWidget(button);
        button->show();
    }
    grid->addLayout(actions, line++, 0, 1, 3);
    grid->setRowStretch(line, 1);
    grid->setColumnStretch(1, 1);
    return card;
}

QFrame* ORVOPresentation::buildDeviceCard() {
    QFrame* card = makeCard();
    deviceCardView = card;
    ViewController& c = *controller;
    auto* grid = new QGridLayout(card);
    grid->setContentsMargins(24, 18, 24, 16);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    grid->addWidget(localizedPrimaryLabel(TextKeys::kLabelNameAdapterInformation, Typography::cardTitle()), 0,
                    0, 1, 2);
    const std::pair<QLabel*, QWidget*> rows[] = {
        {c.DeviceModel_Title, c.DeviceModel_Text},
        {c.DeviceSN, c.DeviceSN_Text},
        {c.FW_Version_Title, c.FW_Version_Text},
        {c.StartUpLens_Title, defaultLensComboBox},
    };
    int line = 1;
    for (const auto& [title, value] : rows) {
        title->setParent(card);
        title->setFont(Typography::deviceRow());
        title->setMinimumWidth(title->sizeHint().width());
        secondaryLabels << title;
        value->setParent(card);
        value->setFont(Typography::deviceRow());
        grid->addWidget(title, line, 0);
        if (auto* field = qobject_cast<QLineEdit*>(value)) {
            auto* placeholder = new QLabel(QStringLiteral("—"), card);
            placeholder->setFont(Typography::deviceRow());
            placeholder->setAttribute(Qt::WA_TransparentForMouseEvents);
            secondaryLabels << placeholder;
            devicePlaceholders << qMakePair(field, placeholder);
            grid->addWidget(placeholder, line, 1, Qt::AlignRight);
            field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            field->setMinimumWidth(60);
        }
        if (value == defaultLensComboBox) {
            ORVOFieldContainer* slot = makeSlot(value, 24);
            slot->setFixedSize(96, 32);
            chevronOver(slot, QStringLiteral("chevron.down"));
            slot->installEventFilter(this);
            grid->addWidget(slot, line, 1, Qt::AlignRight);
        } else {
            grid->addWidget(value, line, 1);
        }
        title->show();
        value->show();
        ++line;
    }
    grid->setColumnStretch(1, 1);
    return card;
}

QFrame* ORVOPresentation::buildLogCard() {
    QFrame* card = makeCard();
    logCardView = card;
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(24, 18, 12, 12);
    layout->setSpacing(8);
    layout->addWidget(localizedPrimaryLabel(TextKeys::kLabelNameConnectionLog, Typography::cardTitle()));
    QTextEdit* log = controller->PrintView;
    log->setParent(card);
    logPlaceholder = localizedPrimaryLabel(TextKeys::kLabelNameWaitingForAdapter, Typography::log());
    primaryLabels.removeOne(logPlaceholder);
    logPlaceholder->setParent(card);
    logPlaceholder->setAlignment(Qt::AlignCenter);
    layout->addWidget(logPlaceholder);
    controller->accessNotice->setParent(card);
    layout->addWidget(controller->accessNotice);
    layout->addWidget(log, 1);
    log->show();
    // Lines written before the styled log existed are kept.
    const QString earlier = log->toPlainText();
    log->clear();
    styledLog = std::make_unique<ORVOStyledLog>(log, palette());
    styledLog->append(earlier);
    return card;
}
