#pragma once

#include "SerialBuffer.h"
#include "SerialPacketDescriptor.h"

#include <QByteArrayView>
#include <functional>
#include <utility>
#include <vector>

// Cuts a byte stream into packets: every byte goes into one bounded buffer per descriptor, and a
// descriptor that finds a packet ending at that byte delivers it and empties its buffer. A window
// that fails the descriptor's integrity check is delivered too (its receiver reports it), but its
// bytes stay, so the search goes on from the next possible start. Not thread-safe; the port guards it.
class PacketFramer {
public:
    using PacketHandler =
        std::function<void(const QByteArray& packet, const SerialPacketDescriptor& descriptor)>;

    // A descriptor already listened for is left as it is, buffer included.
    void startListening(const SerialPacketDescriptor& descriptor);
    void stopListening(const SerialPacketDescriptor& descriptor);
    std::vector<SerialPacketDescriptor> descriptors() const;

    void feedByte(char byte, const PacketHandler& onPacket);
    void feed(QByteArrayView bytes, const PacketHandler& onPacket);

private:
    // In the order listening started, so packets that end at the same byte arrive in that order.
    std::vector<std::pair<SerialPacketDescriptor, SerialBuffer>> descriptorsAndBuffers_;
};
