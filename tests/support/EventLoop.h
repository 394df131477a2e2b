#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

// Runs the event loop until condition holds or timeoutMs passes; returns the condition's last value.
// The condition is checked every 5 ms, so the loop sleeps between checks instead of spinning.
inline bool runUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
    if (condition()) {
        return true;
    }
    QEventLoop loop;
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition() || elapsed.elapsed() > timeoutMs) {
            loop.quit();
        }
    });
    poll.start(5);
    loop.exec();
    return condition();
}

// Runs the event loop for ms milliseconds.
inline void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
