#include "TimedExchange.h"

#include "AdapterLine.h"
#include "DataStructureManager.h"

#include <QTimer>

TimedExchange::TimedExchange(DataStructureManager& store, QObject* parent) : QObject(parent), store_(store) {}

void TimedExchange::beginRun(quint64 connection, int parts) {
    ++run_;
    connection_ = connection;
    running_ = true;
    retriesLeft_.assign(size_t(parts), kRetriesPerPart);
}

void TimedExchange::dropPendingSteps() {
    ++run_;
}

void TimedExchange::endRun() {
    ++run_;
    running_ = false;
}

bool TimedExchange::isOnItsConnection() const {
    return connection_ != 0 && store_.currentConnectionNumber() == connection_;
}

void TimedExchange::after(int ms, std::function<void()> step) {
    QTimer::singleShot(ms, this, [this, run = run_, step = std::move(step)] {
        if (run == run_ && running_ && stepAllowed()) {
            step();
        }
    });
}

bool TimedExchange::askAgain(const QList<int>& missing, const std::function<void(int part)>& request,
                             std::function<void()> check) {
    int asked = 0;
    for (const int part : missing) {
        if (retriesLeft_.at(size_t(part)) == 0) {
            continue;
        }
        --retriesLeft_[size_t(part)];
        after(kChainStepMs * asked++, [request, part] { request(part); });
    }
    if (asked == 0) {
        return false;
    }
    after(kChainStepMs * (asked - 1) + kAnswerWaitMs, std::move(check));
    return true;
}
