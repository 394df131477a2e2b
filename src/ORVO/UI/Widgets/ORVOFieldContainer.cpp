#include "ORVOFieldContainer.h"

#include <QPainter>

ORVOFieldContainer::ORVOFieldContainer(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void ORVOFieldContainer::setCornerRadius(qreal cornerRadius) {
    radius = cornerRadius;
    update();
}

void ORVOFieldContainer::apply(const ORVOPalette& palette) {
    background = palette.field;
    border = palette.fieldBorder;
    mark = palette.text;
    update();
}

void ORVOFieldContainer::setMarked(bool isMarked) {
    if (marked != isMarked) {
        marked = isMarked;
        update();
    }
}

void ORVOFieldContainer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(border, 1));
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
    if (marked) {
        constexpr qreal kDot = 3;
        const qreal inset = 2 + kDot;
        const qreal x = layoutDirection() == Qt::RightToLeft ? width() - inset : inset;
        painter.setPen(Qt::NoPen);
        painter.setBrush(mark);
        painter.drawEllipse(QPointF(x, height() / 2.0), kDot, kDot);
    }
}
