#include "MainQueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

namespace MainQueue {

void async(std::function<void()> work) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

void after(int delayMs, const QObject* owner, std::function<void()> work) {
    QTimer::singleShot(delayMs, owner, std::move(work));
}

} // namespace MainQueue
