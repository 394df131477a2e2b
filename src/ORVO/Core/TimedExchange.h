#pragma once

#include <QList>
#include <QObject>
#include <functional>
#include <vector>

class DataStructureManager;

// A timed exchange with the adapter over one connection (the read-out, a write and its read-back):
// its steps run later on the main thread, a step of an earlier run does nothing, and a part that
// did not answer is asked for again, at most twice. Main thread only.
class TimedExchange : public QObject {
    Q_OBJECT

public:
    static constexpr int kRetriesPerPart = 2;

    bool isRunning() const { return running_; }
    // The connection of the last run.
    quint64 connection() const { return connection_; }

protected:
    TimedExchange(DataStructureManager& store, QObject* parent);

    // Starts a run on connection with parts parts to be answered; steps of an earlier run are dropped.
    void beginRun(quint64 connection, int parts);
    // Drops the run's pending steps; it still counts as running.
    void dropPendingSteps();
    // Drops the pending steps and ends the run.
    void endRun();
    bool isOnItsConnection() const;
    // Runs step after ms, unless the run has been replaced or ended, or stepAllowed() refuses.
    void after(int ms, std::function<void()> step);
    virtual bool stepAllowed() { return true; }
    // Asks once more, a chain step apart, for each of missing that has a retry left, then calls check
    // when the last one has had time to answer. False when none had a retry left.
    bool askAgain(const QList<int>& missing, const std::function<void(int part)>& request,
                  std::function<void()> check);

    DataStructureManager& store_;

private:
    quint64 connection_ = 0;
    // Bumped by every start and end, so steps of an earlier run do nothing.
    quint64 run_ = 0;
    bool running_ = false;
    std::vector<int> retriesLeft_;
};
