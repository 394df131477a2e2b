#pragma once

#include <QObject>
#include <functional>

// The main thread's queue: work enqueued here runs on the main event loop after the current work.
namespace MainQueue {

// Enqueue a call on the main thread. Safe from any thread.
void async(std::function<void()> work);

// Run a call on the main thread after delayMs milliseconds, but only while owner lives:
// once the owner is destroyed the call does nothing.
void after(int delayMs, const QObject* owner, std::function<void()> work);

} // namespace MainQueue
