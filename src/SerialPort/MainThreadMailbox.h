#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

class QSocketNotifier;

// Hands work from the ports' threads to the main thread, in order. The queue is a plain mutex-guarded
// list and the main thread is woken through an eventfd, so the handoff is visible to the thread
// sanitizer and a burst of callbacks costs one wake-up.
class MainThreadMailbox : public QObject {
    Q_OBJECT

public:
    // Create it on the main thread (the first port does) before any thread posts.
    static MainThreadMailbox& shared();

    // Safe from any thread.
    void post(std::function<void()> work);

private:
    MainThreadMailbox();
    void drain();

    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
    int wakeFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};
