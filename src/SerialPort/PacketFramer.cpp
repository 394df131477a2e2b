#include "PacketFramer.h"

#include <algorithm>

void PacketFramer::startListening(const SerialPacketDescriptor& descriptor) {
    if (std::ranges::find(descriptors_, descriptor) == descriptors_.end()) {
        descriptors_.push_back(descriptor);
    }
}

void PacketFramer::stopListening(const SerialPacketDescriptor& descriptor) {
    std::erase(descriptors_, descriptor);
}

std::vector<SerialPacketDescriptor> PacketFramer::descriptors() const {
    return descriptors_;
}

void PacketFramer::feedByte(char byte, const PacketHandler& onPacket) {
    held_.append(byte);
    if (frameHeldBytes(onPacket)) {
        return;
    }
    // No packet can begin at the oldest held byte: drop it and judge the others again, in order.
    unjudged_ = held_.sliced(1);
    held_.truncate(0);
    while (!unjudged_.isEmpty()) {
        held_.append(unjudged_.front());
        unjudged_.remove(0, 1);
        if (!frameHeldBytes(onPacket)) {
            unjudged_.prepend(held_.sliced(1));
            held_.truncate(0);
        }
    }
}

void PacketFramer::feed(QByteArrayView bytes, const PacketHandler& onPacket) {
    for (const char byte : bytes) {
        feedByte(byte, onPacket);
    }
}

bool PacketFramer::frameHeldBytes(const PacketHandler& onPacket) {
    bool mayGrow = false;
    for (const SerialPacketDescriptor& descriptor : descriptors_) {
        if (!descriptor.canStartPacket(held_)) {
            continue;
        }
        if (!descriptor.dataIsValidPacket(held_)) {
            mayGrow = true;
            continue;
        }
        // A copy of its own: the packet goes to another thread, and the held bytes stay with this one.
        const QByteArray packet(held_.constData(), held_.size());
        onPacket(packet, descriptor);
        if (descriptor.passesIntegrityCheck(packet)) {
            held_.truncate(0);
            return true;
        }
    }
    return mayGrow;
}
