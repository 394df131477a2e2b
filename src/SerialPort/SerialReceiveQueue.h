#pragma once

#include "SerialPacketDescriptor.h"

#include <QByteArray>
#include <QByteArrayView>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// What a port's thread has received and the main thread has not taken yet, in batches: a batch is
// handed over once and then grows until the main thread takes it, so a burst costs one hand-over
// rather than one per chunk and per packet. Within a batch the events keep the order the bytes came
// in; something else handed over meanwhile closes the batch, so later events come after it.
//
// Bounded over all batches not yet taken: past a limit, raw-data notifications are dropped and
// windows that failed their integrity check are only counted, per descriptor. A packet that passes
// its check is always kept; once too many of them wait, isFull() asks the port to stop reading
// until the main thread has caught up, so the line holds the sender back. Thread-safe.
class SerialReceiveQueue {
public:
    struct Event {
        QByteArray bytes;
        // The packet's descriptor; none for raw data.
        std::optional<SerialPacketDescriptor> descriptor;
        // A packet that passed its descriptor's integrity check.
        bool intact = false;
    };
    struct DroppedPackets {
        SerialPacketDescriptor descriptor;
        qsizetype count = 0;
    };
    struct Batch {
        std::vector<Event> events;
        // Failed windows counted instead of kept, after the events.
        std::vector<DroppedPackets> dropped;
    };
    using BatchPtr = std::shared_ptr<Batch>;

    // Port thread. Each returns the batch it opened, for the caller to hand over, or null when the
    // event joined a batch already handed over or was dropped.
    BatchPtr addData(QByteArrayView bytes);
    BatchPtr addPacket(const QByteArray& packet, const SerialPacketDescriptor& descriptor, bool intact);
    void closeBatch();
    bool isFull() const;

    // Main thread: the batch's contents, which leave the queue.
    Batch take(const BatchPtr& batch);

private:
    BatchPtr openBatch();
    BatchPtr countDropped(const SerialPacketDescriptor& descriptor);

    mutable std::mutex mutex_;
    BatchPtr open_;
    // Over every batch not yet taken.
    qsizetype packets_ = 0;
    qsizetype reports_ = 0;
    qsizetype dataBytes_ = 0;
};
