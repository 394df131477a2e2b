#pragma once

#include "ORVOPalette.h"

#include <QList>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QWidget>
#include <functional>
#include <optional>

class QFrame;
class QLabel;
class QPushButton;

// The guided tour: an overlay over the whole window that dims everything but a rounded hole around
// one control, outlines the hole and explains the control on a small card with Skip, Back and Next.
// The overlay takes every click outside the card and, while it has the focus, the navigation keys.
class ORVOTour : public QWidget {
    Q_OBJECT

public:
    struct Step {
        QPointer<QWidget> target; // none: the card is centred and nothing is cut out
        QString titleKey;
        QString bodyKey;
    };

    static constexpr double dimAlpha = 0.62;
    static constexpr double highlightInset = 8;
    static constexpr double highlightRadius = 10;
    static constexpr int cardWidth = 360;
    static constexpr double cardMinimumHeight = 120;
    static constexpr double cardMargin = 16;
    static constexpr double cardGap = 18;

    // Where the card's top-left corner goes in an overlay of the given size, next to the highlight
    // (an empty highlight centres it). Nothing while the overlay has no real size yet.
    static std::optional<QPointF> cardOrigin(const QSizeF& overlay, const QRectF& highlight,
                                             double cardHeight);

    // The tour lives on parent and covers it edge to edge; build() starts it at the first step.
    ORVOTour(QList<Step> steps, const ORVOPalette& palette, std::function<void()> completion,
             QWidget* parent);
    ~ORVOTour() override;

    void build();

    void nextStep();
    void previousStep();
    void skip();
    void finish();

    int currentIndex() const { return index; }
    int stepCount() const { return static_cast<int>(steps.size()); }
    // The hole around the current step's target in the overlay's coordinates; empty without one.
    QRectF highlightRect() const;

    // The card and its parts, for the presentation's tests and screenshots.
    QFrame* card = nullptr;
    QLabel* titleField = nullptr;
    QLabel* bodyField = nullptr;
    QLabel* progressField = nullptr;
    QPushButton* skipButton = nullptr;
    QPushButton* prevButton = nullptr;
    QPushButton* nextButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void buildCard();
    void buildButtons();
    void showStep();
    void updateHighlight();
    void scheduleCardLayout();
    void positionCard(const QRectF& highlight);
    int fittingCardHeight() const;
    QString text(const QString& key, const QString& defaultValue) const;

    QList<Step> steps;
    ORVOPalette palette;
    std::function<void()> completion;
    int index = 0;
    bool cardLayoutScheduled = false;
    bool clickMonitorInstalled = false;
    bool finished = false;
};
