#include "SerialWriteQueue.h"

#include <cerrno>
#include <unistd.h>

quint64 SerialWriteQueue::push(const QByteArray& data, quint64 connection) {
    const quint64 id = nextId_++;
    writes_.push_back({id, connection, data, 0, Clock::now() + kWriteTimeLimit});
    return id;
}

int SerialWriteQueue::writeTo(int fd, std::vector<SerialWriteOutcome>& finished) {
    while (!writes_.empty()) {
        Write& front = writes_.front();
        const qsizetype remaining = front.data.size() - front.offset;
        if (remaining == 0) {
            finishFront(0, finished);
            continue;
        }
        const ssize_t n = ::write(fd, front.data.constData() + front.offset, size_t(remaining));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN) {
                return 0;
            }
            const int error = errno;
            finishFront(error, finished);
            return error;
        }
        front.offset += n;
    }
    return 0;
}

void SerialWriteQueue::expire(Clock::time_point now, std::vector<SerialWriteOutcome>& finished) {
    while (!writes_.empty() && writes_.front().deadline <= now) {
        finishFront(ETIMEDOUT, finished);
    }
}

void SerialWriteQueue::failAll(int errorCode, std::vector<SerialWriteOutcome>& finished) {
    while (!writes_.empty()) {
        finishFront(errorCode, finished);
    }
}

void SerialWriteQueue::finishFront(int errorCode, std::vector<SerialWriteOutcome>& finished) {
    const Write& front = writes_.front();
    finished.push_back({front.id, front.connection, errorCode});
    writes_.pop_front();
}
