#include "ORVODeviceCard.h"

#include "ORVOFieldContainer.h"
#include "ORVOStyleKit.h"
#include "ORVOWindowControls.h"
#include "TextKeys.h"
#include "Typography.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

ORVODeviceCard::ORVODeviceCard(ORVOStyleKit& kit, const ORVOWindowControls& c, QWidget* parent)
    : QFrame(parent) {
    kit.addCard(this);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(24, 18, 24, 16);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    grid->addWidget(kit.localizedLabel(TextKeys::kLabelNameAdapterInformation, Typography::cardTitle()), 0, 0,
                    1, 2);
    const std::pair<QLabel*, QLineEdit*> rows[] = {
        {c.DeviceModel_Title, c.DeviceModel_Text},
        {c.DeviceSN, c.DeviceSN_Text},
        {c.FW_Version_Title, c.FW_Version_Text},
    };
    int line = 1;
    for (const auto& [title, field] : rows) {
        auto* placeholder = new QLabel(QStringLiteral("—"), this);
        placeholder->setFont(Typography::deviceRow());
        placeholder->setAttribute(Qt::WA_TransparentForMouseEvents);
        kit.addSecondary(placeholder);
        placeholders << qMakePair(field, placeholder);
        grid->addWidget(placeholder, line, 1, Qt::AlignRight);
        field->setReadOnly(true);
        field->setFrame(false);
        field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        field->setMinimumWidth(60);
        kit.addInput(field);
        grid->addWidget(field, line++, 1);
    }
    c.Default_LensSeq->setEditable(false);
    defaultLensSlot = kit.makeSlot(c.Default_LensSeq, 24);
    defaultLensSlot->setFixedSize(96, 32);
    kit.chevronOver(defaultLensSlot, QStringLiteral("chevron.down"));
    grid->addWidget(defaultLensSlot, line, 1, Qt::AlignRight);
    line = 1;
    for (QLabel* title : {c.DeviceModel_Title, c.DeviceSN, c.FW_Version_Title, c.StartUpLens_Title}) {
        title->setParent(this);
        title->setFont(Typography::deviceRow());
        title->setMinimumWidth(title->sizeHint().width());
        kit.addSecondary(title);
        grid->addWidget(title, line++, 0);
        title->show();
    }
    for (QWidget* value : {static_cast<QWidget*>(c.DeviceModel_Text), static_cast<QWidget*>(c.DeviceSN_Text),
                           static_cast<QWidget*>(c.FW_Version_Text), static_cast<QWidget*>(c.Default_LensSeq)}) {
        value->setFont(Typography::deviceRow());
        value->show();
    }
    grid->setColumnStretch(1, 1);
}

void ORVODeviceCard::refreshPlaceholders() {
    for (const auto& [field, placeholder] : placeholders) {
        placeholder->setHidden(!field->text().trimmed().isEmpty());
    }
}
