#include "PacketFramer.h"

#include <algorithm>

void PacketFramer::startListening(const SerialPacketDescriptor& descriptor) {
    const bool present = std::ranges::any_of(descriptorsAndBuffers_,
                                             [&](const auto& entry) { return entry.first == descriptor; });
    if (!present) {
        descriptorsAndBuffers_.emplace_back(descriptor, SerialBuffer(descriptor.maximumPacketLength()));
    }
}

void PacketFramer::stopListening(const SerialPacketDescriptor& descriptor) {
    std::erase_if(descriptorsAndBuffers_, [&](const auto& entry) { return entry.first == descriptor; });
}

std::vector<SerialPacketDescriptor> PacketFramer::descriptors() const {
    std::vector<SerialPacketDescriptor> result;
    result.reserve(descriptorsAndBuffers_.size());
    for (const auto& entry : descriptorsAndBuffers_) {
        result.push_back(entry.first);
    }
    return result;
}

void PacketFramer::feedByte(char byte, const PacketHandler& onPacket) {
    for (auto& [descriptor, buffer] : descriptorsAndBuffers_) {
        buffer.appendByte(byte);
        const QByteArrayView contents = buffer.view();
        if (const qsizetype length = descriptor.packetLengthAtEndOfBuffer(contents)) {
            const QByteArray packet = contents.last(length).toByteArray();
            // A window that fails its check may hold the start of a real packet after its first
            // byte: keep the bytes and let the window slide on, instead of losing that packet.
            if (descriptor.passesIntegrityCheck(packet)) {
                buffer.clearBuffer();
            }
            onPacket(packet, descriptor);
        }
    }
}

void PacketFramer::feed(QByteArrayView bytes, const PacketHandler& onPacket) {
    for (const char byte : bytes) {
        feedByte(byte, onPacket);
    }
}
