// Feeds arbitrary bytes to the six packet decoders and the adapter packets' text getters, and checks
// that whatever decodes re-encodes to the bytes it came from; a host packet decodes only whole, with
// its own prefix and a checksum that adds up.

#include "DataStructures.h"
#include "FuzzCheck.h"

namespace {

template <typename Packet> std::optional<Packet> decodeAndReencode(const QByteArray& bytes) {
    const auto packet = Packet::fromData(bytes);
    check(packet ? packet->toData() == bytes.left(Packet::wireSize) : bytes.size() < Packet::wireSize);
    return packet;
}

template <typename Packet> void decodeHostPacket(const QByteArray& bytes) {
    const auto packet = Packet::fromData(bytes);
    const QByteArray whole = bytes.left(Packet::wireSize);
    const bool valid = whole.size() == Packet::wireSize && whole.startsWith(packetPrefix<Packet>()) &&
                       packetChecksum(whole) == uint8_t(whole[whole.size() - 2]);
    check(packet.has_value() == valid && (!packet || packet->toData() == whole));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    decodeHostPacket<PC2L01_TD>(bytes);
    decodeHostPacket<PC2L02_TD>(bytes);
    decodeHostPacket<PC2L03_TD>(bytes);
    decodeAndReencode<L2PC02_TD>(bytes);
    if (const auto info = decodeAndReencode<L2PC01_TD>(bytes)) {
        (void)info->getDeviceModelString();
        (void)info->getDeviceSNString();
    }
    if (const auto profile = decodeAndReencode<L2PC03_TD>(bytes)) {
        // Whatever name we read must survive our own encoder unchanged.
        const QString name = profile->getLensNameString();
        PC2L03_TD echo;
        echo.setLensNameString(name);
        L2PC03_TD back;
        back.LensNameString = echo.LensNameString;
        check(back.getLensNameString() == name);
    }
    return 0;
}
