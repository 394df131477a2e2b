// Feeds arbitrary bytes to the three adapter packet decoders, their checksum check and text getters,
// and checks that whatever decodes re-encodes to the bytes it came from.

#include "DataStructures.h"

#include <cstdlib>

namespace {

template <typename Packet> std::optional<Packet> decodeAndReencode(const QByteArray& bytes) {
    const auto packet = Packet::fromData(bytes);
    if (packet ? packet->toData() != bytes.left(Packet::wireSize) : bytes.size() >= Packet::wireSize) {
        std::abort();
    }
    if (packet) {
        (void)packet->verifyChecksum();
    }
    return packet;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
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
        if (back.getLensNameString() != name) {
            std::abort();
        }
    }
    return 0;
}
