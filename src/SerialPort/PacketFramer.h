#pragma once

#include "SerialPacketDescriptor.h"

#include <QByteArray>
#include <QByteArrayView>
#include <functional>
#include <vector>

// Cuts a byte stream into packets, from the oldest bytes not used yet: those bytes are held while some
// descriptor says they can still begin one of its packets, and the first descriptor (in the order
// listening started) whose packet they are gets them. So a byte belongs to at most one packet that
// passes its check, and the bytes of a packet still arriving are never searched for another one.
// Bytes that no descriptor can use are dropped one at a time from the front. A window that fails its
// descriptor's integrity check is delivered too (its receiver reports it), but only its first byte is
// dropped: the search resumes at the next byte, so a real packet that began inside it is still found.
// Not thread-safe; the port guards it.
class PacketFramer {
public:
    using PacketHandler =
        std::function<void(const QByteArray& packet, const SerialPacketDescriptor& descriptor)>;

    // A descriptor already listened for is left as it is.
    void startListening(const SerialPacketDescriptor& descriptor);
    void stopListening(const SerialPacketDescriptor& descriptor);
    std::vector<SerialPacketDescriptor> descriptors() const;

    void feedByte(char byte, const PacketHandler& onPacket);
    void feed(QByteArrayView bytes, const PacketHandler& onPacket);

    // Bytes received that are neither part of a delivered packet that passed its check nor dropped:
    // the start of a packet that may still be arriving. A packet being delivered is their first bytes.
    qsizetype heldByteCount() const { return held_.size() + unjudged_.size(); }

private:
    // Judges the held bytes after a byte was added; true when they must wait for more.
    bool frameHeldBytes(const PacketHandler& onPacket);

    // In the order listening started.
    std::vector<SerialPacketDescriptor> descriptors_;
    QByteArray held_;
    // After a rejected start: the bytes that followed it, to be judged again before any new byte.
    QByteArray unjudged_;
};
