// Framing over arbitrary bytes: the first bytes choose a descriptor (kind, prefix, suffix and
// maximum length), the rest is the line. Every packet the framer delivers must be a valid packet
// of its descriptor no longer than the maximum, and must be what the plain window search finds.

#include "PacketFramer.h"
#include "SerialBuffer.h"

#include <cstdlib>

namespace {

QByteArray take(QByteArrayView& input, qsizetype n) {
    const QByteArray bytes = input.first(std::min(n, input.size())).toByteArray();
    input = input.sliced(bytes.size());
    return bytes;
}

SerialPacketDescriptor descriptorFrom(QByteArrayView& input) {
    const QByteArray header = take(input, 3).leftJustified(3, '\0');
    const uint8_t kind = uint8_t(header[0]) % 4;
    const qsizetype maximum = uint8_t(header[2]) % 64;
    const QByteArray prefix = take(input, uint8_t(header[1]) % 4);
    const QByteArray suffix = take(input, kind == 3 ? 0 : 1);
    if (kind == 1) {
        return SerialPacketDescriptor::withFixedLengthPacket(prefix, maximum, suffix);
    }
    if (kind == 2) {
        return SerialPacketDescriptor::withPacketData(prefix + suffix);
    }
    return SerialPacketDescriptor::withPrefix(prefix, suffix, maximum); // kind 3: no suffix
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const SerialPacketDescriptor descriptor = descriptorFrom(input);
    PacketFramer framer;
    framer.startListening(descriptor);
    // A second buffer replays the same stream through the plain search: the shortest valid window.
    SerialBuffer reference(descriptor.maximumPacketLength());
    for (const char byte : input) {
        reference.appendByte(byte);
        QByteArray expected;
        for (qsizetype length = 1; length <= reference.view().size() && expected.isEmpty(); ++length) {
            if (descriptor.dataIsValidPacket(reference.view().last(length))) {
                expected = reference.view().last(length).toByteArray();
                reference.clearBuffer();
            }
        }
        int delivered = 0;
        framer.feedByte(byte, [&](const QByteArray& packet, const SerialPacketDescriptor& matched) {
            ++delivered;
            if (!(matched == descriptor) || packet != expected ||
                packet.size() > descriptor.maximumPacketLength()) {
                std::abort();
            }
        });
        if (delivered != (expected.isEmpty() ? 0 : 1)) {
            std::abort();
        }
    }
    return 0;
}
