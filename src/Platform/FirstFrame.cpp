#include "FirstFrame.h"

#include <QEvent>
#include <chrono>
#include <cstdio>

FirstFrame::FirstFrame(QObject* window, std::function<void()> work) : QObject(window), work_(std::move(work)) {
    window->installEventFilter(this);
}

void FirstFrame::after(QObject* window, std::function<void()> work) {
    new FirstFrame(window, std::move(work));
}

void FirstFrame::reportIfAsked(QObject* window) {
    if (qEnvironmentVariable("ORVO_REPORT_FIRST_FRAME") != QLatin1String("1")) {
        return;
    }
    after(window, [] {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::fprintf(stderr, "first-frame %lld\n",
                     static_cast<long long>(std::chrono::nanoseconds(now).count()));
        (void)std::fflush(stderr); // a benchmark that cannot read the line fails by itself
    });
}

bool FirstFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        // The window's own paint event comes first in a repaint; the frame is complete, children and
        // all, once the event that painted it has returned.
        QMetaObject::invokeMethod(
            this,
            [this] {
                work_();
                deleteLater();
            },
            Qt::QueuedConnection);
    }
    return false;
}
