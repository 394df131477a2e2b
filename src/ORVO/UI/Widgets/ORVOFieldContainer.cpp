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
    update();
}

void ORVOFieldContainer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(border, 1));
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
}
