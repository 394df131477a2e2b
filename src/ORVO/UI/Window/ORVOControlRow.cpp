#include "ORVOControlRow.h"

#include "ORVOStyleKit.h"
#include "Version.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Exit and Save over a divider, the version under it: 40 + 4 + 1 + 4 + 18 + 4 = 71 high.
constexpr int kFooterHeight = 71;

} // namespace

QString ORVOControlRow::appVersionText(const QString& shortVersion, const QString& build) {
    const QString version = shortVersion.isEmpty() ? QStringLiteral("1.0") : shortVersion;
    const QString number = build.isEmpty() ? QStringLiteral("1") : build;
    return version == number ? "v" + version : QStringLiteral("v%1 (%2)").arg(version, number);
}

ORVOControlRow::ORVOControlRow(ORVOStyleKit& kit, QPushButton* exitButton, QPushButton* readAgainButton,
                               QPushButton* saveButton, QWidget* parent)
    : QWidget(parent), exit(exitButton), readAgain(readAgainButton), save(saveButton) {
    setFixedHeight(kFooterHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->setSpacing(4);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(ORVOStyleKit::buttonSpacing);
    for (QPushButton* button : {exit, readAgain, save}) {
        button->setParent(this);
    }
    buttons->addWidget(exit);
    buttons->addStretch();
    buttons->addWidget(readAgain);
    buttons->addWidget(save);
    layout->addLayout(buttons);
    layout->addWidget(kit.makeSeparator(this));
    versionLabel = kit.secondaryLabel(appVersionText(ORVO_SHORT_VERSION, ORVO_BUILD_NUMBER));
    versionLabel->setAlignment(Qt::AlignCenter);
    versionLabel->setFixedHeight(18);
    layout->addWidget(versionLabel);
    exit->show();
    save->show();
}

void ORVOControlRow::applyTheme(const ORVOPalette& p) {
    ORVOStyleKit::styleSecondaryButton(readAgain, p);
    ORVOStyleKit::stylePrimaryButton(save, p);
    ORVOStyleKit::styleTextButton(exit, p);
}
