#include "MainThreadMailbox.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

MainThreadMailbox& MainThreadMailbox::shared() {
    // Lives as long as the process: ports may post until the very end.
    static auto* mailbox = new MainThreadMailbox;
    return *mailbox;
}

MainThreadMailbox::MainThreadMailbox() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        moveToThread(app->thread());
    }
    notifier_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &MainThreadMailbox::drain);
}

void MainThreadMailbox::post(std::function<void()> work) {
    bool wasEmpty = false;
    {
        std::lock_guard lock(mutex_);
        wasEmpty = queue_.empty();
        queue_.push_back(std::move(work));
    }
    if (wasEmpty) {
        const uint64_t one = 1;
        (void)::write(wakeFd_, &one, sizeof one);
    }
}

void MainThreadMailbox::drain() {
    uint64_t count = 0;
    (void)::read(wakeFd_, &count, sizeof count);
    // One item at a time from the shared queue: a callback that runs a nested event loop drains the
    // rest there, and the order stays that of posting.
    for (;;) {
        std::function<void()> item;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) {
                return;
            }
            item = std::move(queue_.front());
            queue_.pop_front();
        }
        item();
    }
}
