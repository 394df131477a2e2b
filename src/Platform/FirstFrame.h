#pragma once

#include <QObject>
#include <functional>

// The moment a window's first frame is on the screen: work that the window does not show can wait
// for it, so the window appears as soon as it can, and the start-up benchmark reads it.
class FirstFrame : public QObject {
public:
    // Runs work once on the main event loop, right after the window's first frame has been painted,
    // unless the window is gone by then. Call before the window is shown.
    static void after(QObject* window, std::function<void()> work);

    // With ORVO_REPORT_FIRST_FRAME=1 in the environment, writes "first-frame <nanoseconds on the
    // monotonic clock>" to standard error at that moment, so a script that noted the clock before
    // starting the program can tell how long the window took to appear. Otherwise does nothing.
    static void reportIfAsked(QObject* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FirstFrame(QObject* window, std::function<void()> work);

    std::function<void()> work_;
};
