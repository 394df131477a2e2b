#include "ORVOThemeToggle.h"

#include "SymbolIcon.h"

#include <QMouseEvent>
#include <QPainter>

ORVOThemeToggle::ORVOThemeToggle(QWidget* parent) : QAbstractButton(parent) {
    setFixedSize(toggleWidth, toggleHeight);
    setCheckable(true);
    // Reachable with Tab, but a click leaves the focus where the user was typing.
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(QStringLiteral("Appearance"));
    connect(this, &QAbstractButton::clicked, this, &ORVOThemeToggle::requestToggle);
    // Assistive tools may flip the checked state directly (their toggle action): undo that and pass
    // the wish on like a press.
    connect(this, &QAbstractButton::toggled, this, [this](bool checked) {
        if (checked != light) {
            setChecked(light);
            requestToggle();
        }
    });
    applyState();
}

void ORVOThemeToggle::requestToggle() {
    if (onToggle) {
        onToggle();
    }
}

void ORVOThemeToggle::applyState() {
    // Dark: sun near the leading edge, knob on the trailing side; light mirrors it.
    const qreal iconMargin = inset + 1;
    if (light) {
        symbol = QStringLiteral("moon.fill");
        iconLeading = toggleWidth - iconSize - iconMargin;
        knobLeading = inset;
    } else {
        symbol = QStringLiteral("sun.max");
        iconLeading = iconMargin;
        knobLeading = toggleWidth - inset - knobSize;
    }
    setChecked(light);
    update();
}

void ORVOThemeToggle::apply(const ORVOPalette& palette) {
    colors = palette;
    update();
}

QRectF ORVOThemeToggle::iconFrame() const {
    return {iconLeading, (toggleHeight - iconSize) / 2, iconSize, iconSize};
}

QRectF ORVOThemeToggle::knobFrame() const {
    return {knobLeading, (toggleHeight - knobSize) / 2, knobSize, knobSize};
}

QColor ORVOThemeToggle::knobColor() const {
    return light ? colors.selectedFill : QColor(Qt::white);
}

QSize ORVOThemeToggle::sizeHint() const {
    return {toggleWidth, toggleHeight};
}

void ORVOThemeToggle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // The 1-wide border sits inside the 70 × 30 bounds, so its outer edge keeps the radius of 15.
    const QRectF pill = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(hasFocus() ? colors.text : colors.border, 1));
    painter.setBrush(colors.field);
    painter.drawRoundedRect(pill, toggleHeight / 2.0 - 0.5, toggleHeight / 2.0 - 0.5);

    const QRectF icon = iconFrame();
    painter.drawPixmap(icon.topLeft(),
                       SymbolIcon::pixmap(symbol, colors.text, icon.size().toSize(), devicePixelRatioF()));

    painter.setPen(Qt::NoPen);
    painter.setBrush(knobColor());
    painter.drawEllipse(knobFrame());
}

void ORVOThemeToggle::mousePressEvent(QMouseEvent* event) {
    // Acts on the press, as a switch does, not on the release like a push button.
    if (event->button() == Qt::LeftButton) {
        event->accept();
        click();
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

void ORVOThemeToggle::nextCheckState() {
    // The checked state mirrors isLight, which only the owner changes.
}
