#include "ORVOPassthroughView.h"

#include <QPainter>

ORVOPassthroughView::ORVOPassthroughView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void ORVOPassthroughView::setBackgroundColor(const QColor& color) {
    background = color;
    update();
}

void ORVOPassthroughView::paintEvent(QPaintEvent*) {
    if (background.alpha() == 0) {
        return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), background);
}
