// Feeds arbitrary bytes to the three adapter packet decoders, their checksum check and text getters,
// and checks that whatever decodes re-encodes to the bytes it came from.

#include "DataStructures.h"

#include <cstdlib>

namespace {

template <typename Packet> void exercise(const QByteArray& bytes) {
    const auto packet = Packet::fromData(bytes);
    if (!packet) {
        if (bytes.size() >= Packet::wireSize) {
            std::abort();
        }
        return;
    }
    (void)packet->verifyChecksum();
    if (packet->toData() != bytes.left(Packet::wireSize)) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    exercise<L2PC01_TD>(bytes);
    exercise<L2PC02_TD>(bytes);
    exercise<L2PC03_TD>(bytes);
    if (const auto info = L2PC01_TD::fromData(bytes)) {
        (void)info->getDeviceModelString();
        (void)info->getDeviceSNString();
    }
    if (const auto profile = L2PC03_TD::fromData(bytes)) {
        const QString name = profile->getLensNameString();
        PC2L03_TD echo;
        echo.setLensNameString(name);
        L2PC03_TD back;
        back.LensNameString = echo.LensNameString;
        // Whatever name we read must survive our own encoder unchanged.
        if (back.getLensNameString() != name) {
            std::abort();
        }
    }
    return 0;
}
