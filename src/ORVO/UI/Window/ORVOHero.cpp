#include "ORVOHero.h"

#include "LocalizationManager.h"
#include "ORVOFieldContainer.h"
#include "ORVOImages.h"
#include "ORVOStyleKit.h"
#include "ORVOThemeToggle.h"
#include "StyleSheet.h"
#include "SymbolIcon.h"
#include "TextKeys.h"
#include "Typography.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace {

constexpr int kRingTop = 15;
constexpr int kControlHeight = 32;
constexpr int kMenuIconSize = 18;

} // namespace

int ORVOHero::tourButtonWidth(const QString& title) {
    return std::max(QFontMetrics(Typography::button()).horizontalAdvance(title) + 32, 65);
}

int ORVOHero::languageSelectorWidth(const QString& displayName) {
    return std::max(QFontMetrics(Typography::fieldValue()).horizontalAdvance(displayName) + 58, 130);
}

ORVOHero::ORVOHero(ORVOStyleKit& kit, QComboBox* language, QPushButton* helpButton, QWidget* parent)
    : QWidget(parent), help(helpButton) {
    setFixedHeight(static_cast<int>(height));
    ringView = new QLabel(this);
    ringView->setAlignment(Qt::AlignCenter);
    productNameLabel = new QLabel(QStringLiteral("Quillon ORVO"), this);
    productNameLabel->setFont(Typography::productName());
    productNameLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    kit.addPrimary(productNameLabel);
    statusDot = new QFrame(this);
    statusDot->setFixedSize(9, 9);
    statusLabel =
        new QLabel(LocalizationManager::text(TextKeys::label(TextKeys::kStatusAdapterNotConnected)), this);
    statusLabel->setFont(Typography::status());
    buildHeaderActions(kit, language);
}

void ORVOHero::buildHeaderActions(ORVOStyleKit& kit, QComboBox* language) {
    headerActionsView = new QWidget(this);
    auto* row = new QHBoxLayout(headerActionsView);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(ORVOStyleKit::buttonSpacing);
    help->setParent(headerActionsView);
    tourButton = new QPushButton(LocalizationManager::text(TextKeys::kButtonTour), headerActionsView);
    tourButton->setObjectName("tourButton");
    connect(tourButton, &QPushButton::clicked, this, &ORVOHero::tourRequested);
    menuButton = new QPushButton(headerActionsView);
    menuButton->setObjectName("menuButton");
    menuButton->setFixedWidth(kControlHeight + 6);
    connect(menuButton, &QPushButton::clicked, this, &ORVOHero::menuRequested);
    themeToggle = new ORVOThemeToggle(headerActionsView);
    themeToggle->onToggle = [this] { emit themeToggled(); };
    languageContainerView = new ORVOFieldContainer(headerActionsView);
    kit.addFieldContainer(languageContainerView);
    auto* box = new QHBoxLayout(languageContainerView);
    box->setContentsMargins(12, 0, 4, 0);
    language->setParent(languageContainerView);
    language->setEditable(false);
    // The container's width follows the chosen language alone; measuring every native name would load
    // the fonts of scripts the window does not show until the list opens.
    language->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->addWidget(language);
    box->addSpacing(20);
    languageContainerView->setFixedHeight(kControlHeight);
    kit.chevronOver(languageContainerView, QStringLiteral("chevron.down"));
    for (QPushButton* button : {help, tourButton, menuButton}) {
        button->setFixedHeight(kControlHeight);
        button->setCursor(Qt::PointingHandCursor);
    }
    row->addWidget(languageContainerView);
    row->addWidget(themeToggle);
    row->addWidget(tourButton);
    row->addWidget(help);
    row->addWidget(menuButton);
    help->show();
    language->show();
}

void ORVOHero::setHeroHeight(double value) {
    height = value;
    setFixedHeight(static_cast<int>(std::lround(height)));
    layoutContents();
}

void ORVOHero::setStatus(const QString& text, const QColor& colour) {
    statusLabel->setText(text);
    StyleSheet::set(statusLabel,
                    QStringLiteral("color: %1; background: transparent;").arg(ORVOPalette::css(colour)));
    statusLabel->adjustSize();
    StyleSheet::set(statusDot,
                    QStringLiteral("background: %1; border-radius: 4px;").arg(ORVOPalette::css(colour)));
    layoutContents();
}

void ORVOHero::applyTheme(const ORVOPalette& palette, bool light) {
    themeToggle->setLight(light);
    themeToggle->applyState();
    themeToggle->apply(palette);
    ORVOStyleKit::styleSecondaryButton(tourButton, palette);
    ORVOStyleKit::styleSecondaryButton(help, palette);
    ORVOStyleKit::styleSecondaryButton(menuButton, palette);
    menuButton->setMinimumWidth(0);
    menuButton->setIconSize(QSize(kMenuIconSize, kMenuIconSize));
    menuButton->setIcon(SymbolIcon::pixmap(QStringLiteral("line.3.horizontal"), palette.text,
                                           menuButton->iconSize(), menuButton->devicePixelRatioF()));
}

void ORVOHero::refreshLocalizedText(const ORVOPalette& palette) {
    tourButton->setText(LocalizationManager::text(TextKeys::kButtonTour));
    ORVOStyleKit::styleSecondaryButton(tourButton, palette);
    tourButton->setFixedWidth(tourButtonWidth(tourButton->text()));
    ORVOStyleKit::styleSecondaryButton(help, palette);
    const auto& languages = LocalizationManager::availableLanguages();
    const size_t current = LocalizationManager::shared().getCurrentLanguage();
    if (current < languages.size()) {
        languageContainerView->setFixedWidth(languageSelectorWidth(languages[current].displayName));
    }
}

void ORVOHero::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutContents();
}

const QPixmap& ORVOHero::ringPixmap(int size, qreal scale) {
    if (size != ringSize || scale != ringScale) {
        ring = ORVOImages::image(QStringLiteral("AdapterRing"), QSizeF(size, size), scale);
        ringSize = size;
        ringScale = scale;
    }
    return ring;
}

void ORVOHero::layoutContents() {
    const int width = this->width();
    const int size = static_cast<int>(std::clamp(height - 15 - 10 - 35, 0.0, 144.0));
    ringView->setGeometry((width - size) / 2, kRingTop, size, size);
    ringView->setPixmap(ringPixmap(size, ringView->devicePixelRatioF()));
    productNameLabel->setGeometry(0, kRingTop + size + 10, width, 30);
    const QSize pill = statusLabel->sizeHint();
    statusDot->move(0, kRingTop + (kControlHeight - 9) / 2);
    statusLabel->setGeometry(17, kRingTop + (kControlHeight - pill.height()) / 2, pill.width() + 8,
                             pill.height());
    const QSize actions = headerActionsView->sizeHint();
    headerActionsView->setGeometry(width - actions.width(), kRingTop, actions.width(), kControlHeight);
}
