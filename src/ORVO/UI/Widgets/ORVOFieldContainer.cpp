#include "ORVOFieldContainer.h"

#include <QApplication>
#include <QPainter>

ORVOFieldContainer::ORVOFieldContainer(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if ((old && isAncestorOf(old)) || (now && isAncestorOf(now))) {
            update();
        }
    });
}

bool ORVOFieldContainer::holdsFocus() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && isAncestorOf(focus);
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
    const qreal line = holdsFocus() ? 2 : 1;
    const qreal inset = line / 2;
    painter.setPen(QPen(holdsFocus() ? mark : border, line));
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), radius - inset,
                            radius - inset);
    if (marked) {
        constexpr qreal kDot = 3;
        const qreal inset = 2 + kDot;
        const qreal x = layoutDirection() == Qt::RightToLeft ? width() - inset : inset;
        painter.setPen(Qt::NoPen);
        painter.setBrush(mark);
        painter.drawEllipse(QPointF(x, height() / 2.0), kDot, kDot);
    }
}
