#include "ORVOFirstRunGuide.h"

#include "LocalizationManager.h"
#include "ORVOFieldContainer.h"
#include "ORVOImages.h"
#include "ORVOPalette.h"
#include "StyleSheet.h"
#include "SymbolIcon.h"
#include "TextKeys.h"
#include "Typography.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QWindow>

namespace {

constexpr int kSideMargin = 34;
constexpr int kRingSize = 150;
constexpr int kSelectorWidth = 280;
constexpr int kSelectorHeight = 36;
constexpr int kBadgeSize = 22;
constexpr int kWellHeight = 168;
// The open language list stays inside the guide, which is on the screen whole; the rest scrolls.
constexpr int kVisibleLanguages = 6;

} // namespace

ORVOFirstRunGuide::ORVOFirstRunGuide(QWidget* ownerWidget, const ORVOPalette& colours,
                                     std::function<void(bool)> onEnd)
    : QDialog(ownerWidget ? ownerWidget->window() : nullptr, Qt::Dialog | Qt::FramelessWindowHint),
      owner(ownerWidget), completion(std::move(onEnd)), palette(colours) {
    setObjectName("firstRunGuide");
    buildPanel();
}

void ORVOFirstRunGuide::buildPanel() {
    setFixedSize(panelSize);
    setAttribute(Qt::WA_StyledBackground);
    QPalette colours = QDialog::palette();
    for (auto [role, colour] :
         {std::pair{QPalette::Window, palette.background}, std::pair{QPalette::WindowText, palette.text},
          std::pair{QPalette::Base, palette.card}, std::pair{QPalette::Text, palette.text},
          std::pair{QPalette::Button, palette.field}, std::pair{QPalette::ButtonText, palette.text}}) {
        colours.setColor(role, colour);
    }
    setPalette(colours);
    // A hairline keeps the sheet apart from the window of the same colour below it.
    StyleSheet::set(this, QStringLiteral("QDialog#firstRunGuide { background: %1; border: 1px solid %2; }"
                                         "QLabel { background: transparent; }")
                              .arg(ORVOPalette::css(palette.background), ORVOPalette::css(palette.border)));

    pageContainer = new QStackedWidget(this);
    auto* content = new QVBoxLayout(this);
    content->setContentsMargins(0, 0, 0, 0);
    content->addWidget(pageContainer);
    languagePage = buildLanguagePage();
    connectPage = buildConnectPage();
    pageContainer->addWidget(languagePage);
    pageContainer->addWidget(connectPage);
    pageContainer->setCurrentWidget(languagePage);
    updateText();
}

QLabel* ORVOFirstRunGuide::makeLabel(const QFont& font, const QColor& colour, bool wraps) {
    auto* label = new QLabel;
    label->setFont(font);
    label->setWordWrap(wraps);
    StyleSheet::set(label, QStringLiteral("color: %1;").arg(ORVOPalette::css(colour)));
    return label;
}

QWidget* ORVOFirstRunGuide::buildLanguagePage() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(kSideMargin, 30, kSideMargin, 30);
    column->setSpacing(0);
    column->addStretch();

    auto* ring = new QLabel;
    ring->setFixedSize(kRingSize, kRingSize);
    ring->setPixmap(
        ORVOImages::image(QStringLiteral("AdapterRing"), QSizeF(kRingSize, kRingSize), devicePixelRatioF()));
    languageTitle = makeLabel(Typography::ofSize(24, QFont::DemiBold), palette.text);
    languageHint = makeLabel(Typography::ofSize(14), palette.muted, true);
    // Narrower than the page, so a long hint breaks into a short paragraph.
    languageHint->setContentsMargins(70, 0, 70, 0);
    languageHint->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    QWidget* well = buildLanguageWell();

    languageConfirm = new QPushButton;
    stylePrimaryButton(languageConfirm);
    connect(languageConfirm, &QPushButton::clicked, this, &ORVOFirstRunGuide::confirmLanguage);

    column->addWidget(ring, 0, Qt::AlignHCenter);
    column->addSpacing(18);
    column->addWidget(languageTitle, 0, Qt::AlignHCenter);
    column->addSpacing(10);
    column->addWidget(languageHint);
    column->addSpacing(26);
    column->addWidget(well, 0, Qt::AlignHCenter);
    column->addSpacing(34);
    column->addWidget(languageConfirm, 0, Qt::AlignHCenter);
    column->addStretch();
    return page;
}

// The language list in its rounded well, with a chevron at its end.
QWidget* ORVOFirstRunGuide::buildLanguageWell() {
    auto* well = new ORVOFieldContainer;
    well->apply(palette);
    well->setFixedSize(kSelectorWidth, kSelectorHeight);
    languageSelector = new QComboBox(well);
    languageSelector->setGeometry(0, 0, kSelectorWidth, kSelectorHeight);
    languageSelector->setFont(Typography::ofSize(15));
    languageSelector->setMaxVisibleItems(kVisibleLanguages);
    StyleSheet::set(
        languageSelector,
        QStringLiteral("QComboBox { background: transparent; border: none; color: %1; padding-left: 14px; "
                       "combobox-popup: 0; }"
                       "QComboBox::drop-down { border: none; width: 0; }"
                       "QComboBox::down-arrow { image: none; width: 0; height: 0; }"
                       "QComboBox QAbstractItemView { background: %2; color: %1; border: 1px solid %3; "
                       "outline: 0; selection-background-color: %4; selection-color: %5; }")
            .arg(ORVOPalette::css(palette.text), ORVOPalette::css(palette.card),
                 ORVOPalette::css(palette.border), ORVOPalette::css(palette.selectedFill),
                 ORVOPalette::css(palette.selectedText)));
    for (const LocalizationManager::Language& language : LocalizationManager::availableLanguages()) {
        languageSelector->addItem(language.displayName);
    }
    preselectDesktopLanguage();
    languageSelector->setCurrentIndex(LocalizationManager::shared().getCurrentLanguage());
    connect(languageSelector, &QComboBox::activated, this, &ORVOFirstRunGuide::languageChanged);
    auto* chevron = new QLabel(well);
    chevron->setAttribute(Qt::WA_TransparentForMouseEvents);
    chevron->setGeometry(kSelectorWidth - 28, (kSelectorHeight - 14) / 2, 14, 14);
    chevron->setPixmap(SymbolIcon::pixmap(QStringLiteral("chevron.down"), palette.text, chevron->size(),
                                          devicePixelRatioF()));
    return well;
}

QWidget* ORVOFirstRunGuide::buildConnectPage() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(kSideMargin, 28, kSideMargin, 22);
    column->setSpacing(0);
    connectTitle = makeLabel(Typography::ofSize(24, QFont::DemiBold), palette.text);
    connectIntro = makeLabel(Typography::ofSize(14), palette.muted, true);
    connectIntro->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    column->addWidget(connectTitle, 0, Qt::AlignHCenter);
    column->addSpacing(8);
    column->addWidget(connectIntro);
    column->addSpacing(18);

    auto* steps = new QHBoxLayout;
    steps->setSpacing(16);
    steps->addWidget(buildStepCard(1, QStringLiteral("GuideMagneticPort")), 1);
    steps->addWidget(buildStepCard(2, QStringLiteral("GuideAFMFButton")), 1);
    column->addLayout(steps);
    column->addSpacing(14);

    statusLabel = makeLabel(Typography::ofSize(13), palette.muted, true);
    statusLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    column->addWidget(statusLabel);
    column->addStretch();

    laterButton = new QPushButton;
    styleTextButton(laterButton);
    connect(laterButton, &QPushButton::clicked, this, &ORVOFirstRunGuide::closeLater);
    beginButton = new QPushButton;
    stylePrimaryButton(beginButton);
    connect(beginButton, &QPushButton::clicked, this, &ORVOFirstRunGuide::begin);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(laterButton);
    buttons->addStretch();
    buttons->addWidget(beginButton);
    column->addLayout(buttons);
    return page;
}

// One illustrated step: the artwork at its own size in a rounded well, then the numbered text.
QWidget* ORVOFirstRunGuide::buildStepCard(int number, const QString& imageName) {
    auto* card = new QFrame;
    card->setObjectName("stepCard");
    // Both cards share the row evenly, however long their texts.
    card->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    StyleSheet::set(card,
                    QStringLiteral("QFrame#stepCard { background: %1; border: 1px solid %2; "
                                   "border-radius: 14px; }"
                                   "QFrame#imageWell { background: %3; border: none; border-radius: 10px; }")
                        .arg(ORVOPalette::css(palette.card), ORVOPalette::css(palette.border),
                             ORVOPalette::css(palette.field)));
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(10, 10, 10, 12);
    column->setSpacing(10);

    auto* well = new QFrame;
    well->setObjectName("imageWell");
    well->setFixedHeight(kWellHeight);
    auto* image = new QLabel;
    image->setAlignment(Qt::AlignCenter);
    image->setPixmap(ORVOImages::image(imageName, {}, devicePixelRatioF()));
    auto* wellLayout = new QVBoxLayout(well);
    wellLayout->setContentsMargins(0, 0, 0, 0);
    wellLayout->addWidget(image);
    column->addWidget(well);

    auto* badge = new QLabel(QString::number(number));
    badge->setFixedSize(kBadgeSize, kBadgeSize);
    badge->setAlignment(Qt::AlignCenter);
    badge->setFont(Typography::ofSize(13, QFont::DemiBold));
    StyleSheet::set(badge,
                    QStringLiteral("background: %1; color: %2; border-radius: %3px;")
                        .arg(ORVOPalette::css(palette.selectedFill), ORVOPalette::css(palette.selectedText))
                        .arg(kBadgeSize / 2));
    QLabel* label = makeLabel(Typography::ofSize(14), palette.text, true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    stepLabels << label;
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addWidget(badge, 0, Qt::AlignTop);
    row->addWidget(label, 1);
    column->addLayout(row);
    column->addStretch();
    return card;
}

void ORVOFirstRunGuide::stylePrimaryButton(QPushButton* button) {
    button->setFont(Typography::ofSize(14, QFont::DemiBold));
    button->setFixedHeight(40);
    button->setCursor(Qt::PointingHandCursor);
    StyleSheet::set(button,
                    QStringLiteral("QPushButton { background: %1; border: none; border-radius: 10px; "
                                   "color: %2; padding: 0 24px; }")
                        .arg(ORVOPalette::css(palette.selectedFill), ORVOPalette::css(palette.selectedText)));
}

void ORVOFirstRunGuide::styleTextButton(QPushButton* button) {
    button->setFont(Typography::ofSize(14, QFont::Medium));
    button->setFixedHeight(40);
    button->setCursor(Qt::PointingHandCursor);
    StyleSheet::set(
        button,
        QStringLiteral("QPushButton { background: transparent; border: none; color: %1; padding: 0 12px; }")
            .arg(ORVOPalette::css(palette.text)));
}

void ORVOFirstRunGuide::updateText() {
    languageTitle->setText(LocalizationManager::text(TextKeys::kLanguagePromptTitle));
    languageHint->setText(LocalizationManager::text(TextKeys::kLanguagePromptHint));
    languageConfirm->setText(LocalizationManager::text(TextKeys::kLanguagePromptConfirm));
    connectTitle->setText(LocalizationManager::text(TextKeys::kGuideTitle));
    connectIntro->setText(LocalizationManager::text(TextKeys::kGuideIntro));
    for (int i = 0; i < stepLabels.size(); ++i) {
        stepLabels[i]->setText(LocalizationManager::text(TextKeys::guideStep(i + 1)));
    }
    statusLabel->setText(LocalizationManager::text(TextKeys::kGuideStatusHint));
    laterButton->setText(LocalizationManager::text(TextKeys::kGuideLater));
    beginButton->setText(LocalizationManager::text(TextKeys::kGuideBegin));
    for (QPushButton* button : {languageConfirm, beginButton}) {
        button->setMinimumWidth(
            std::max(180, QFontMetrics(button->font()).horizontalAdvance(button->text()) + 52));
    }
}

void ORVOFirstRunGuide::beginSheet() {
    if (QWidget* over = parentWidget()) {
        const QRect frame = over->window()->geometry();
        move(frame.center().x() - width() / 2, frame.top() + std::max(0, (frame.height() - height()) / 2));
    }
    open();
}

// Every way of ending the sheet comes through here; tearing the window down does not.
void ORVOFirstRunGuide::done(int result) {
    QDialog::done(result);
    if (completion) {
        completion(result == QDialog::Accepted);
    }
}

// ---- Actions

void ORVOFirstRunGuide::languageChanged(int index) {
    if (index < 0 || index >= static_cast<int>(LocalizationManager::languageCount)) {
        return;
    }
    // Stored only once the user confirms it.
    LocalizationManager::shared().previewLanguage(static_cast<uint8_t>(index));
    updateText();
}

void ORVOFirstRunGuide::preselectDesktopLanguage() {
    LocalizationManager& languages = LocalizationManager::shared();
    if (languages.hasStoredChoice()) {
        return;
    }
    if (const auto row = LocalizationManager::languageForLocale(QLocale::system().uiLanguages())) {
        languages.previewLanguage(*row);
    }
}

void ORVOFirstRunGuide::confirmLanguage() {
    if (!owner) {
        return;
    }
    const int index = languageSelector->currentIndex();
    if (index >= 0 && index < static_cast<int>(LocalizationManager::availableLanguages().size())) {
        LocalizationManager::shared().setLanguage(static_cast<uint8_t>(index));
    }
    emit languageConfirmed(index);
    updateText();
    pageContainer->setCurrentWidget(connectPage);
}

void ORVOFirstRunGuide::begin() {
    if (owner) {
        done(QDialog::Accepted);
    }
}

void ORVOFirstRunGuide::closeLater() {
    begin();
}

// ---- Moving by the background

void ORVOFirstRunGuide::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    // The window manager moves the window where it can; elsewhere the sheet follows the pointer.
    if (windowHandle() && windowHandle()->startSystemMove()) {
        return;
    }
    dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void ORVOFirstRunGuide::mouseMoveEvent(QMouseEvent* event) {
    if (dragOffset && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - *dragOffset);
    }
}

void ORVOFirstRunGuide::mouseReleaseEvent(QMouseEvent* event) {
    dragOffset.reset();
    QDialog::mouseReleaseEvent(event);
}
