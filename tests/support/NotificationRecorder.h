#pragma once

#include "NotificationCenter.h"

#include <QList>
#include <QStringList>

// Records every notification posted under the given names, in order, while it lives.
class NotificationRecorder {
public:
    explicit NotificationRecorder(const QStringList& names) {
        for (const QString& name : names) {
            NotificationCenter::defaultCenter().addObserver(this, name,
                                                            [this](const Notification& n) { received << n; });
        }
    }
    ~NotificationRecorder() { NotificationCenter::defaultCenter().removeObserver(this); }
    NotificationRecorder(const NotificationRecorder&) = delete;
    NotificationRecorder& operator=(const NotificationRecorder&) = delete;

    int count(const QString& name) const {
        int n = 0;
        for (const Notification& notification : received) {
            n += notification.name == name;
        }
        return n;
    }

    QStringList objectsOf(const QString& name) const {
        QStringList texts;
        for (const Notification& notification : received) {
            if (notification.name == name) {
                texts << notification.object.toString();
            }
        }
        return texts;
    }

    QList<Notification> received;
};
