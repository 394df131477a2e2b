#include "ORVOEventTap.h"

ORVOEventTap::ORVOEventTap(QObject* parent, Handler eventHandler) : QObject(parent), handler(std::move(eventHandler)) {}

bool ORVOEventTap::eventFilter(QObject* watched, QEvent* event) {
    handler(watched, event);
    return false;
}
