#include "ORVOTour.h"

#include "LocalizationManager.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "ORVOPalette.h"
#include "StyleSheet.h"
#include "TextKeys.h"
#include "Typography.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace {

constexpr int kCardPadding = 20;
constexpr int kBodyWidth = 320;
constexpr int kButtonHeight = 30;

bool isClick(QEvent::Type type) {
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
           type == QEvent::MouseButtonDblClick;
}

} // namespace

std::optional<QPointF> ORVOTour::cardOrigin(const QSizeF& overlay, const QRectF& highlight,
                                            double cardHeight) {
    const double width = overlay.width();
    const double height = overlay.height();
    if (width <= 1 || height <= 1) {
        return std::nullopt;
    }
    const double centredTop = std::max((height - cardHeight) / 2, cardMargin);
    if (highlight.isEmpty()) {
        return QPointF(std::max((width - cardWidth) / 2, cardMargin), centredTop);
    }
    double top = highlight.bottom() + cardGap;
    if (top + cardHeight > height - cardMargin) {
        top = highlight.top() - cardGap - cardHeight;
    }
    if (top < cardMargin || top + cardHeight > height - cardMargin) {
        top = centredTop;
    }
    double leading = highlight.left();
    if (leading + cardWidth > width - cardMargin) {
        leading = width - cardMargin - cardWidth;
    }
    return QPointF(std::max(leading, cardMargin), top);
}

ORVOTour::ORVOTour(QList<Step> tourSteps, const ORVOPalette& colours, std::function<void()> onFinish,
                   QWidget* parent)
    : QWidget(parent), steps(std::move(tourSteps)), palette(colours), completion(std::move(onFinish)) {
    setObjectName("tour");
}

ORVOTour::~ORVOTour() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

void ORVOTour::build() {
    setFocusPolicy(Qt::StrongFocus);
    buildCard();
    if (parentWidget()) {
        setGeometry(parentWidget()->rect());
        parentWidget()->installEventFilter(this);
    }
    raise();
    show();
    showStep();
    NotificationCenter::defaultCenter().addObserver(this, NotificationNames::LanguageDidChange,
                                                    [this](const Notification&) { showStep(); });
    qApp->installEventFilter(this);
    clickMonitorInstalled = true;
    QTimer::singleShot(0, this, [this] {
        updateHighlight();
        window()->raise();
        window()->activateWindow();
        setFocus(Qt::OtherFocusReason);
    });
}

void ORVOTour::buildCard() {
    card = new QFrame(this);
    card->setObjectName("tourCard");
    card->setFixedWidth(cardWidth);
    card->move(static_cast<int>(cardMargin), static_cast<int>(cardMargin));
    StyleSheet::set(
        card, QStringLiteral("QFrame#tourCard { background: %1; border: 1px solid %2; border-radius: 12px; }"
                             "QLabel { background: transparent; border: none; }")
                  .arg(ORVOPalette::css(palette.card), ORVOPalette::css(palette.border)));

    titleField = new QLabel(card);
    titleField->setFont(Typography::ofSize(16, QFont::DemiBold));
    titleField->setWordWrap(true);
    bodyField = new QLabel(card);
    bodyField->setFont(Typography::ofSize(13, QFont::Normal));
    bodyField->setWordWrap(true);
    bodyField->setFixedWidth(kBodyWidth);
    progressField = new QLabel(card);
    progressField->setFont(Typography::ofSize(12, QFont::Normal));
    const QString textColour = QStringLiteral("color: %1;").arg(ORVOPalette::css(palette.text));
    StyleSheet::set(titleField, textColour);
    StyleSheet::set(bodyField, textColour);
    StyleSheet::set(progressField, QStringLiteral("color: %1;").arg(ORVOPalette::css(palette.muted)));
    buildButtons();

    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(kCardPadding, 18, kCardPadding, 16);
    column->setSpacing(8);
    column->addWidget(titleField);
    column->addWidget(bodyField);
    column->addSpacing(6);
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    row->addWidget(progressField);
    row->addStretch();
    row->addWidget(skipButton);
    row->addWidget(prevButton);
    row->addWidget(nextButton);
    column->addLayout(row);
}

// Skip and Back as text, Next filled.
void ORVOTour::buildButtons() {
    skipButton = new QPushButton(card);
    prevButton = new QPushButton(card);
    nextButton = new QPushButton(card);
    const QString textStyle =
        QStringLiteral("QPushButton { background: transparent; border: none; color: %1; padding: 0 8px; }")
            .arg(ORVOPalette::css(palette.text));
    StyleSheet::set(skipButton, textStyle);
    StyleSheet::set(prevButton, textStyle);
    StyleSheet::set(nextButton,
                    QStringLiteral("QPushButton { background: %1; border: none; border-radius: 8px; "
                                   "color: %2; padding: 0 16px; }")
                        .arg(ORVOPalette::css(palette.selectedFill), ORVOPalette::css(palette.selectedText)));
    for (QPushButton* button : {skipButton, prevButton, nextButton}) {
        button->setFont(Typography::ofSize(13, button == nextButton ? QFont::DemiBold : QFont::Medium));
        button->setFixedHeight(kButtonHeight);
        button->setCursor(Qt::PointingHandCursor);
        // The overlay keeps the focus, so Space and Return always mean "next".
        button->setFocusPolicy(Qt::NoFocus);
    }
    connect(skipButton, &QPushButton::clicked, this, &ORVOTour::skip);
    connect(prevButton, &QPushButton::clicked, this, &ORVOTour::previousStep);
    connect(nextButton, &QPushButton::clicked, this, &ORVOTour::nextStep);
}

QString ORVOTour::text(const QString& key, const QString& defaultValue) const {
    return LocalizationManager::shared().localizedString(key, defaultValue);
}

void ORVOTour::showStep() {
    if (index < 0 || index >= stepCount()) {
        return;
    }
    const Step& step = steps[index];
    titleField->setText(text(TextKeys::tour(step.titleKey), step.titleKey));
    bodyField->setText(text(TextKeys::tour(step.bodyKey), step.bodyKey));
    progressField->setText(QStringLiteral("%1 / %2").arg(index + 1).arg(stepCount()));
    const bool last = index == stepCount() - 1;
    prevButton->setHidden(index == 0);
    skipButton->setHidden(last);
    skipButton->setText(text(TextKeys::kTourSkip, QStringLiteral("skip")));
    prevButton->setText(text(TextKeys::kTourPrev, QStringLiteral("prev")));
    nextButton->setText(last ? text(TextKeys::kTourDone, QStringLiteral("done"))
                             : text(TextKeys::kTourNext, QStringLiteral("next")));
    card->resize(cardWidth, fittingCardHeight());
    updateHighlight();
    // Once more after the layout settles: targets may still move in this pass.
    QTimer::singleShot(0, this, [this] { updateHighlight(); });
}

QRectF ORVOTour::highlightRect() const {
    if (index < 0 || index >= stepCount()) {
        return {};
    }
    QWidget* target = steps[index].target;
    if (!target || target->window() != window() || !target->isVisible()) {
        return {};
    }
    const QPoint origin = mapFrom(window(), target->mapTo(window(), QPoint(0, 0)));
    return QRectF(origin, QSizeF(target->size()))
        .adjusted(-highlightInset, -highlightInset, highlightInset, highlightInset);
}

void ORVOTour::updateHighlight() {
    update();
    scheduleCardLayout();
}

void ORVOTour::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF hole = highlightRect();
    QPainterPath dim;
    dim.setFillRule(Qt::OddEvenFill);
    dim.addRect(rect());
    QPainterPath ring;
    if (!hole.isEmpty()) {
        ring.addRoundedRect(hole, highlightRadius, highlightRadius);
        dim.addPath(ring);
    }
    QColor shade(Qt::black);
    shade.setAlphaF(dimAlpha);
    painter.fillPath(dim, shade);
    if (!ring.isEmpty()) {
        painter.strokePath(ring, QPen(palette.positive, 2));
    }
}

void ORVOTour::scheduleCardLayout() {
    if (cardLayoutScheduled) {
        return;
    }
    cardLayoutScheduled = true;
    QTimer::singleShot(0, this, [this] {
        cardLayoutScheduled = false;
        positionCard(highlightRect());
    });
}

// The layout's plain size hint takes a wrapped label at one line; the height for the card's own
// width counts every line the title and body wrap into.
int ORVOTour::fittingCardHeight() const {
    return std::max(card->layout()->totalHeightForWidth(cardWidth), static_cast<int>(cardMinimumHeight));
}

void ORVOTour::positionCard(const QRectF& highlight) {
    const double cardHeight = std::max(fittingCardHeight(), card->height());
    const auto origin = cardOrigin(size(), highlight, cardHeight);
    if (!origin) {
        return;
    }
    if (std::abs(origin->x() - card->x()) > 0.5 || std::abs(origin->y() - card->y()) > 0.5) {
        card->move(origin->toPoint());
    }
}

void ORVOTour::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateHighlight();
}

bool ORVOTour::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
    } else if (isClick(event->type())) {
        // Nothing under the overlay reacts; the card and other windows work as usual.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == window()) {
            const QPoint position = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            return !QRect(card->mapToGlobal(QPoint(0, 0)), card->size()).contains(position);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ORVOTour::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void ORVOTour::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Right:
        nextStep();
        return;
    case Qt::Key_Escape:
        finish();
        return;
    case Qt::Key_Left:
        previousStep();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

// Tab would hand the focus to a control under the dimming, where the tour's keys no longer reach.
bool ORVOTour::focusNextPrevChild(bool) {
    return true;
}

void ORVOTour::nextStep() {
    if (index + 1 < stepCount()) {
        ++index;
        showStep();
    } else {
        finish();
    }
}

void ORVOTour::previousStep() {
    if (index > 0) {
        --index;
        showStep();
    }
}

void ORVOTour::skip() {
    finish();
}

void ORVOTour::finish() {
    if (finished) {
        return;
    }
    finished = true;
    if (clickMonitorInstalled) {
        qApp->removeEventFilter(this);
        clickMonitorInstalled = false;
    }
    NotificationCenter::defaultCenter().removeObserver(this);
    if (parentWidget()) {
        parentWidget()->removeEventFilter(this);
    }
    hide();
    deleteLater();
    if (completion) {
        completion();
    }
}
