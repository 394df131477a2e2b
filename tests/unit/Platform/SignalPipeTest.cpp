// Process signals reach the main loop through the self-pipe, under a plain core application.

#include "SignalPipe.h"

#include "EventLoop.h"

#include <QCoreApplication>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

TEST(SignalPipe, raisedSignalsReachTheMainLoopOnceEachAndASecondInstallSharesThePipe) {
    SignalPipe* first = SignalPipe::install({SIGUSR2});
    ASSERT_NE(first, nullptr);
    SignalPipe* second = SignalPipe::install({SIGUSR2, SIGWINCH});
    EXPECT_EQ(second, first);

    QList<int> received;
    bool onMainThread = true;
    QObject receiver;
    QObject::connect(first, &SignalPipe::received, &receiver, [&](int signalNumber) {
        received << signalNumber;
        onMainThread = onMainThread && QThread::currentThread() == qApp->thread();
    });
    ASSERT_EQ(std::raise(SIGUSR2), 0);
    ASSERT_EQ(std::raise(SIGWINCH), 0);
    EXPECT_TRUE(received.isEmpty()); // nothing runs inside the handler
    ASSERT_TRUE(runUntil([&] { return received.size() >= 2; }, 2000));
    runFor(50);
    EXPECT_EQ(received, (QList<int>{SIGUSR2, SIGWINCH}));
    EXPECT_TRUE(onMainThread);
}
