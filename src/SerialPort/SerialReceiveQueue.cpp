#include "SerialReceiveQueue.h"

#include <algorithm>

namespace {

// Raw-data notifications and failed windows kept; raw bytes kept.
constexpr qsizetype kMaximumReports = 256;
constexpr qsizetype kMaximumDataBytes = qsizetype(64) * 1024;
// Intact packets waiting before the port stops reading.
constexpr qsizetype kMaximumPackets = 1024;

} // namespace

SerialReceiveQueue::BatchPtr SerialReceiveQueue::addData(QByteArrayView bytes) {
    std::lock_guard lock(mutex_);
    if (reports_ >= kMaximumReports || dataBytes_ + bytes.size() > kMaximumDataBytes) {
        return nullptr;
    }
    dataBytes_ += bytes.size();
    // Chunks that follow one another are one notification.
    if (open_ && !open_->events.empty() && !open_->events.back().descriptor) {
        open_->events.back().bytes.append(bytes);
        return nullptr;
    }
    ++reports_;
    BatchPtr opened = openBatch();
    open_->events.push_back({bytes.toByteArray(), std::nullopt, false});
    return opened;
}

SerialReceiveQueue::BatchPtr SerialReceiveQueue::addPacket(const QByteArray& packet,
                                                           const SerialPacketDescriptor& descriptor,
                                                           bool intact) {
    std::lock_guard lock(mutex_);
    if (!intact && reports_ >= kMaximumReports) {
        return countDropped(descriptor);
    }
    if (intact) {
        ++packets_;
    } else {
        ++reports_;
    }
    BatchPtr opened = openBatch();
    open_->events.push_back({packet, descriptor, intact});
    return opened;
}

// Something else was handed to the main thread: later events go into a new batch, after it.
void SerialReceiveQueue::closeBatch() {
    std::lock_guard lock(mutex_);
    open_.reset();
}

bool SerialReceiveQueue::isFull() const {
    std::lock_guard lock(mutex_);
    return packets_ >= kMaximumPackets;
}

SerialReceiveQueue::Batch SerialReceiveQueue::take(const BatchPtr& batch) {
    std::lock_guard lock(mutex_);
    if (open_ == batch) {
        open_.reset();
    }
    Batch taken = std::move(*batch);
    *batch = {};
    for (const Event& event : taken.events) {
        if (event.intact) {
            --packets_;
        } else {
            --reports_;
        }
        if (!event.descriptor) {
            dataBytes_ -= event.bytes.size();
        }
    }
    return taken;
}

// With the lock held: the batch events go into, and that batch if it is new.
SerialReceiveQueue::BatchPtr SerialReceiveQueue::openBatch() {
    if (open_) {
        return nullptr;
    }
    open_ = std::make_shared<Batch>();
    return open_;
}

SerialReceiveQueue::BatchPtr SerialReceiveQueue::countDropped(const SerialPacketDescriptor& descriptor) {
    BatchPtr opened = openBatch();
    auto& dropped = open_->dropped;
    const auto it =
        std::ranges::find_if(dropped, [&](const auto& entry) { return entry.descriptor == descriptor; });
    if (it != dropped.end()) {
        ++it->count;
    } else {
        dropped.push_back({descriptor, 1});
    }
    return opened;
}
