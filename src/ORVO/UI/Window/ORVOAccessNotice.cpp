#include "ORVOAccessNotice.h"

#include "LocalizationManager.h"
#include "ORVOPalette.h"
#include "StyleSheet.h"
#include "TextKeys.h"
#include "Typography.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ORVOAccessNotice::ORVOAccessNotice(QWidget* parent)
    : QFrame(parent), title_(new QLabel(this)), text_(new QLabel(this)), commands_(new QLabel(this)),
      copyButton_(new QPushButton(this)), hideButton_(new QPushButton(this)) {
    setObjectName(QStringLiteral("accessNotice"));
    title_->setFont(Typography::fieldLabel());
    // The log gives way: the notice keeps the height its wrapped lines need.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    commands_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);
    commands_->setWordWrap(true);
    commands_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    commands_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(hideButton_);
    buttons->addWidget(copyButton_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(6);
    layout->addWidget(title_);
    layout->addWidget(text_);
    layout->addWidget(commands_);
    layout->addLayout(buttons);
    connect(copyButton_, &QPushButton::clicked, this, &ORVOAccessNotice::copyCommands);
    connect(hideButton_, &QPushButton::clicked, this, &QWidget::hide);
    refreshLocalizedText();
    hide();
}

void ORVOAccessNotice::showAdvice(const AdapterAccessAdvice& advice) {
    if (advice.commands(AdapterAccessAdvice::rulePrinter()).isEmpty()) {
        return;
    }
    advice_ = advice;
    refreshLocalizedText();
    show();
}

void ORVOAccessNotice::refreshLocalizedText() {
    title_->setText(advice_.noticeTitle());
    text_->setText(advice_.noticeText());
    commands_->setText(commandText());
    copyButton_->setText(LocalizationManager::text(TextKeys::kButtonCopy));
    hideButton_->setText(LocalizationManager::text(TextKeys::kButtonHideNotice));
    setAccessibleName(advice_.noticeTitle());
}

QString ORVOAccessNotice::commandText() const {
    return advice_.commands(AdapterAccessAdvice::rulePrinter()).join(QLatin1Char('\n'));
}

// Wrapped lines need more height as the card narrows; the log below gives it up.
void ORVOAccessNotice::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    setMinimumHeight(layout()->totalHeightForWidth(width()));
}

void ORVOAccessNotice::copyCommands() {
    QGuiApplication::clipboard()->setText(commandText());
}

void ORVOAccessNotice::applyPalette(const ORVOPalette& p) {
    StyleSheet::set(
        this,
        QStringLiteral("QFrame#accessNotice { background: %1; border: 1px solid %2; border-radius: 10px; }"
                       "QLabel { color: %3; background: transparent; border: none; }"
                       "QPushButton { color: %3; background: %4; border: 1px solid %2; "
                       "border-radius: 6px; padding: 3px 12px; }")
            .arg(ORVOPalette::css(p.field), ORVOPalette::css(p.negative), ORVOPalette::css(p.text),
                 ORVOPalette::css(p.card)));
    StyleSheet::set(commands_, QStringLiteral("color: %1; background: %2; border-radius: 6px; padding: 6px;")
                                   .arg(ORVOPalette::css(p.text), ORVOPalette::css(p.card)));
}
