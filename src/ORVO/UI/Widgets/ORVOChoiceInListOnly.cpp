#include "ORVOChoiceInListOnly.h"

#include <QComboBox>
#include <QKeyEvent>

ORVOChoiceInListOnly::ORVOChoiceInListOnly(QComboBox* box) : QObject(box) {
    box->installEventFilter(this);
}

bool ORVOChoiceInListOnly::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QComboBox*>(watched);
    if (!box) {
        return false;
    }
    if (event->type() == QEvent::Wheel) {
        return true;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        box->showPopup();
        return true;
    default:
        return false;
    }
}
