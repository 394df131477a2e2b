#include "NotificationCenter.h"

#include "MainQueue.h"

#include <algorithm>

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(const void* owner, const QString& name, Handler handler) {
    observers_.push_back({owner, name, std::move(handler), nextId_++});
}

void NotificationCenter::removeObserver(const void* owner) {
    std::erase_if(observers_, [owner](const Observer& o) { return o.owner == owner; });
}

void NotificationCenter::removeObserver(const void* owner, const QString& name) {
    std::erase_if(observers_, [&](const Observer& o) { return o.owner == owner && o.name == name; });
}

void NotificationCenter::post(const QString& name, const QVariant& object, const QVariantMap& userInfo) {
    post(Notification{name, object, userInfo});
}

void NotificationCenter::post(const Notification& notification) {
    // Handlers may add or remove observers while we deliver, so walk a snapshot of ids and
    // skip those removed in the meantime.
    std::vector<quint64> ids;
    for (const Observer& o : observers_) {
        if (o.name == notification.name) {
            ids.push_back(o.id);
        }
    }
    for (quint64 id : ids) {
        auto it = std::find_if(observers_.begin(), observers_.end(),
                               [id](const Observer& o) { return o.id == id; });
        if (it == observers_.end()) {
            continue;
        }
        Handler handler = it->handler;
        handler(notification);
    }
}

void NotificationCenter::postAsync(const QString& name, const QVariant& object, const QVariantMap& userInfo) {
    Notification notification{name, object, userInfo};
    MainQueue::async([this, notification] { post(notification); });
}
