#pragma once

#include <QByteArray>
#include <chrono>
#include <deque>
#include <vector>

// The outcome of one write handed to a port: written whole, or failed with an errno value
// (ETIMEDOUT when the device took none of it in time, ENODEV when the port closed first).
struct SerialWriteOutcome {
    quint64 writeId = 0;
    // The connection the write was queued on; see SerialPort::connectionNumber().
    quint64 connection = 0;
    int errorCode = 0;

    bool written() const { return errorCode == 0; }
};

// Writes waiting for a port's I/O thread, oldest first. Each has a deadline: bytes a device does
// not take within it are given up, so a peer that stops reading costs a failed write, never a hang.
// Not thread-safe; the port guards it.
class SerialWriteQueue {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kWriteTimeLimit{1000};

    quint64 push(const QByteArray& data, quint64 connection);
    bool isEmpty() const { return writes_.empty(); }
    // When the oldest write gives up; meaningless while empty.
    Clock::time_point nextDeadline() const { return writes_.front().deadline; }

    // Writes as much as fd takes without blocking and appends the outcomes of finished writes.
    // Returns 0, or the errno of a write error (the write it hit is failed with it).
    int writeTo(int fd, std::vector<SerialWriteOutcome>& finished);
    // Fails the writes whose deadline has passed.
    void expire(Clock::time_point now, std::vector<SerialWriteOutcome>& finished);
    // Fails every write with errorCode.
    void failAll(int errorCode, std::vector<SerialWriteOutcome>& finished);

private:
    struct Write {
        quint64 id;
        quint64 connection;
        QByteArray data;
        qsizetype offset;
        Clock::time_point deadline;
    };

    void finishFront(int errorCode, std::vector<SerialWriteOutcome>& finished);

    std::deque<Write> writes_;
    quint64 nextId_ = 1;
};
