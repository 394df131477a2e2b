// Framing over arbitrary bytes: the first byte says how many descriptors listen, the next bytes
// choose each one (kind, prefix, suffix and maximum length), the rest is the line. Every packet the
// framer delivers must be the line's bytes where its held bytes begin, a valid packet of a
// descriptor listened for and no longer than its maximum; and no delivered packet may overlap a
// packet delivered before it that passed its check.

#include "DataStructures.h"
#include "FuzzCheck.h"
#include "PacketFramer.h"

namespace {

QByteArray take(QByteArrayView& input, qsizetype n) {
    QByteArray bytes = input.first(std::min(n, input.size())).toByteArray();
    input = input.sliced(bytes.size());
    return bytes;
}

// The adapter's rule: the byte before the last is the sum of the ones before it.
bool checksumAddsUp(QByteArrayView packet) {
    return packet.size() >= 2 && packetChecksum(packet.toByteArray()) == uint8_t(packet[packet.size() - 2]);
}

SerialPacketDescriptor descriptorFrom(QByteArrayView& input) {
    const QByteArray header = take(input, 3).leftJustified(3, '\0');
    const uint8_t kind = uint8_t(header[0]) % 5;
    const qsizetype maximum = uint8_t(header[2]) % 64;
    const QByteArray prefix = take(input, uint8_t(header[1]) % 4);
    const QByteArray suffix = take(input, kind == 3 ? 0 : 1);
    if (kind == 1 || kind == 4) {
        return SerialPacketDescriptor::withFixedLengthPacket(prefix, maximum, suffix, {},
                                                             kind == 4 ? checksumAddsUp : nullptr);
    }
    if (kind == 2) {
        return SerialPacketDescriptor::withPacketData(prefix + suffix);
    }
    return SerialPacketDescriptor::withPrefix(prefix, suffix, maximum); // kind 3: no suffix
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype count = 1 + (input.isEmpty() ? 0 : uint8_t(take(input, 1)[0]) % 3);
    PacketFramer framer;
    std::vector<SerialPacketDescriptor> listened;
    for (qsizetype i = 0; i < count; ++i) {
        listened.push_back(descriptorFrom(input));
        framer.startListening(listened.back());
    }
    qsizetype fed = 0;
    qsizetype usedUpTo = 0; // the end of the last packet delivered that passed its check
    const auto delivered = [&](const QByteArray& packet, const SerialPacketDescriptor& descriptor) {
        const qsizetype start = fed - framer.heldByteCount();
        const bool listenedFor = std::ranges::find(listened, descriptor) != listened.end();
        check(listenedFor && start >= usedUpTo && start + packet.size() <= fed &&
              input.sliced(start, packet.size()) == packet && descriptor.dataIsValidPacket(packet) &&
              packet.size() <= descriptor.maximumPacketLength());
        if (descriptor.passesIntegrityCheck(packet)) {
            usedUpTo = start + packet.size();
        }
    };
    for (const char byte : input) {
        ++fed;
        framer.feedByte(byte, delivered);
    }
    return 0;
}
