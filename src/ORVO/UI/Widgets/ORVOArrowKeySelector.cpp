#include "ORVOArrowKeySelector.h"

#include <QKeyEvent>

ORVOArrowKeySelector::ORVOArrowKeySelector(const QList<QPushButton*>& buttons,
                                           std::function<void(int)> onSelect, QObject* parent)
    : QObject(parent), select(std::move(onSelect)) {
    for (QPushButton* button : buttons) {
        segments << button;
        button->installEventFilter(this);
    }
    setSelectedIndex(0);
}

void ORVOArrowKeySelector::setSelectedIndex(int index) {
    selectedIndex = index;
    for (int i = 0; i < segments.size(); ++i) {
        if (segments[i]) {
            segments[i]->setFocusPolicy(i == index ? Qt::TabFocus : Qt::NoFocus);
        }
    }
}

bool ORVOArrowKeySelector::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    int step = 0;
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        step = -1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        step = 1;
        break;
    default:
        return QObject::eventFilter(watched, event);
    }
    const int next = selectedIndex + step;
    if (next >= 0 && next < segments.size() && segments[next]) {
        select(next);
        setSelectedIndex(next);
        segments[next]->setFocus(Qt::TabFocusReason);
    }
    return true;
}
