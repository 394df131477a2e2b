#pragma once

#include "ORVOPalette.h"

#include <QAbstractButton>
#include <QRectF>
#include <functional>

// The pill-shaped switch between the dark and light palettes: a sun or moon symbol on one side, a
// round knob on the other. Pressing it only reports the wish through onToggle; the owner flips the
// theme, sets isLight and calls applyState() and apply() back.
//
// It is a checkable button to assistive tools (a check box named "Appearance", checked when light)
// and answers Space when it has keyboard focus.
class ORVOThemeToggle : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int toggleWidth = 70;
    static constexpr int toggleHeight = 30;
    static constexpr qreal knobSize = 19;
    static constexpr qreal iconSize = 20;
    static constexpr qreal inset = 10;

    explicit ORVOThemeToggle(QWidget* parent = nullptr);

    std::function<void()> onToggle;

    bool isLight() const { return light; }
    void setLight(bool isLight) { light = isLight; }

    // Shows isLight: the symbol and the icon and knob positions, without animation.
    void applyState();
    void apply(const ORVOPalette& palette);

    QString symbolName() const { return symbol; }
    QRectF iconFrame() const;
    QRectF knobFrame() const;
    QColor knobColor() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void nextCheckState() override;

private:
    void requestToggle();

    bool light = false;
    QString symbol;
    qreal iconLeading = 0;
    qreal knobLeading = 0;
    ORVOPalette colors = ORVOPalette::dark();
};
