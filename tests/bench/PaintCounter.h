#pragma once

#include <QEvent>
#include <QObject>

// Counts the paint events of the widget it filters, so a benchmark can wait for a repaint.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};
