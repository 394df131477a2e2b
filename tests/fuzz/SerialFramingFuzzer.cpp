// Framing over arbitrary bytes: the first bytes choose a descriptor (kind, prefix, suffix and
// maximum length), the rest is the line. Every packet the framer delivers must be a valid packet
// of its descriptor no longer than the maximum, and must be what the plain window search finds.

#include "PacketFramer.h"
#include "SerialBuffer.h"

#include <cstdlib>

namespace {

qsizetype naiveMatchLength(const SerialPacketDescriptor& descriptor, QByteArrayView buffer) {
    for (qsizetype length = 1; length <= buffer.size(); ++length) {
        if (descriptor.dataIsValidPacket(buffer.last(length))) {
            return length;
        }
    }
    return 0;
}

SerialPacketDescriptor descriptorFrom(QByteArrayView& input) {
    const auto take = [&](qsizetype n) {
        const QByteArray bytes = input.first(std::min(n, input.size())).toByteArray();
        input = input.sliced(bytes.size());
        return bytes;
    };
    const QByteArray header = take(3);
    const uint8_t kind = header.size() > 0 ? uint8_t(header[0]) % 4 : 0;
    const qsizetype prefixLength = header.size() > 1 ? uint8_t(header[1]) % 4 : 0;
    const qsizetype maximum = header.size() > 2 ? uint8_t(header[2]) % 64 : 0;
    const QByteArray prefix = take(prefixLength);
    const QByteArray suffix = take(kind == 3 ? 0 : 1);
    switch (kind) {
    case 0:
        return SerialPacketDescriptor::withPrefix(prefix, suffix, maximum);
    case 1:
        return SerialPacketDescriptor::withFixedLengthPacket(prefix, maximum, suffix);
    case 2:
        return SerialPacketDescriptor::withPacketData(prefix + suffix);
    default:
        return SerialPacketDescriptor::withPrefix(prefix, {}, maximum);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const SerialPacketDescriptor descriptor = descriptorFrom(input);

    PacketFramer framer;
    framer.startListening(descriptor);
    // A second buffer replays the same stream through the plain search.
    SerialBuffer reference(descriptor.maximumPacketLength());
    for (const char byte : input) {
        reference.appendByte(byte);
        const qsizetype expected = naiveMatchLength(descriptor, reference.view());
        const QByteArray expectedPacket = reference.view().last(expected).toByteArray();
        if (expected) {
            reference.clearBuffer();
        }
        int delivered = 0;
        framer.feedByte(byte, [&](const QByteArray& packet, const SerialPacketDescriptor& matched) {
            ++delivered;
            if (!(matched == descriptor) || packet != expectedPacket ||
                !descriptor.dataIsValidPacket(packet) || packet.size() > descriptor.maximumPacketLength()) {
                std::abort();
            }
        });
        if (delivered != (expected ? 1 : 0)) {
            std::abort();
        }
    }
    return 0;
}
