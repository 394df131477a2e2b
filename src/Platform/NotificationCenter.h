#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <vector>

// One named event with an object and optional user information.
struct Notification {
    QString name;
    QVariant object;
    QVariantMap userInfo;
};

// The process's notification centre: observers register a handler for a name under an owner,
// posts run the handlers synchronously in registration order, and asynchronous posts are queued
// to the main thread. Only the main thread posts and observes; postAsync may be called from any thread.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    void addObserver(const void* owner, const QString& name, Handler handler);
    void removeObserver(const void* owner);
    void removeObserver(const void* owner, const QString& name);

    void post(const QString& name, const QVariant& object = {}, const QVariantMap& userInfo = {});
    void post(const Notification& notification);
    void postAsync(const QString& name, const QVariant& object = {}, const QVariantMap& userInfo = {});

private:
    struct Observer {
        const void* owner;
        QString name;
        Handler handler;
        quint64 id;
    };

    std::vector<Observer> observers_;
    quint64 nextId_ = 1;
};
