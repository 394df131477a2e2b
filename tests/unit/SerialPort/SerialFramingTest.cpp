// Framing: the framer that cuts the stream from its oldest unused bytes.

#include "DataStructures.h"
#include "PacketFramer.h"
#include "SerialController.h"
#include "SerialPacketDescriptor.h"

#include <gtest/gtest.h>

namespace {

const QByteArray kEnd(1, char(0xAA));
const SerialPacketDescriptor kInfo =
    SerialPacketDescriptor::withPrefix(QByteArray::fromHex("550127"), kEnd, 39);
const SerialPacketDescriptor kSettings =
    SerialPacketDescriptor::withPrefix(QByteArray::fromHex("550213"), kEnd, 19);

QByteArray deviceInfoPacket() {
    L2PC01_TD info;
    fillZeroPaddedText(info.DeviceModel.data(), info.DeviceModel.size(), QStringLiteral("ORVO-EF"));
    info.calculateChecksum();
    return info.toData();
}

QByteArray settingsPacket(uint8_t defaultLens, uint8_t u8_2 = 0) {
    L2PC02_TD settings;
    settings.DefaultCustomLens = defaultLens;
    settings.U8_2 = u8_2;
    settings.calculateChecksum();
    return settings.toData();
}

// Feeds bytes to a framer listening for descriptors, in chunks of chunk bytes; returns what it delivered.
QList<std::pair<QByteArray, SerialPacketDescriptor>>
frame(const QList<SerialPacketDescriptor>& descriptors, const QByteArray& bytes, qsizetype chunk = 1 << 20) {
    PacketFramer framer;
    for (const SerialPacketDescriptor& descriptor : descriptors) {
        framer.startListening(descriptor);
    }
    QList<std::pair<QByteArray, SerialPacketDescriptor>> delivered;
    for (qsizetype i = 0; i < bytes.size(); i += chunk) {
        framer.feed(QByteArrayView(bytes).sliced(i, std::min(chunk, bytes.size() - i)),
                    [&](const QByteArray& packet, const SerialPacketDescriptor& d) {
                        delivered.append({packet, d});
                    });
    }
    return delivered;
}

} // namespace

TEST(PacketFramer, noiseAndOverlongRunsArePushedOutInAnyChunking) {
    // Noise, then a prefix whose packet never finishes, then 50 bytes without the end byte: the
    // stale prefix falls out of the 39-byte buffer, so the end byte that follows matches nothing.
    const QByteArray stale = QByteArray::fromHex("00AA1255550127") + QByteArray(50, 'x') + kEnd;
    for (const qsizetype chunk : {1, 2, 3, 5, 13, 38, 39, 40, 1 << 20}) {
        const auto delivered =
            frame({kInfo}, stale + QByteArray::fromHex("13AA77") + deviceInfoPacket(), chunk);
        ASSERT_EQ(delivered.size(), 1) << "chunk size " << chunk;
        EXPECT_EQ(delivered.front().first, deviceInfoPacket());
    }
}

TEST(PacketFramer, endByteInsidePacketCutsItShortUnlessTheLengthIsFixed) {
    const QByteArray packet = settingsPacket(0, 0xAA);
    EXPECT_EQ(frame({kSettings}, packet).front().first, packet.left(5));
    const auto fixed = SerialPacketDescriptor::withFixedLengthPacket(QByteArray::fromHex("550213"), 19, kEnd);
    const auto whole = frame({fixed}, QByteArray::fromHex("AA5502") + packet);
    ASSERT_EQ(whole.size(), 1);
    EXPECT_EQ(whole.front().first, packet);
}

TEST(PacketFramer, twoDescriptorsSeeEveryByteAndDeliverOnlyTheirOwn) {
    EXPECT_EQ(frame({kInfo, kSettings, kInfo}, settingsPacket(2) + deviceInfoPacket() + settingsPacket(3)),
              (QList<std::pair<QByteArray, SerialPacketDescriptor>>{{settingsPacket(2), kSettings},
                                                                    {deviceInfoPacket(), kInfo},
                                                                    {settingsPacket(3), kSettings}}));
}

// The adapter's own descriptors check the checksum: a window that only looks like a packet must not
// take the bytes of the real packet that starts inside it.
TEST(PacketFramer, aFalseStartIsReportedAndTheRealPacketInsideItIsStillFound) {
    L2PC03_TD profile;
    profile.lensSeq = 2;
    fillZeroPaddedText(profile.LensNameString.data(), profile.LensNameString.size(),
                       QString(35, u'x') + QStringLiteral("ª"));
    profile.calculateChecksum();
    const QByteArray packet = profile.toData();
    ASSERT_EQ(uint8_t(packet[48]), 0xAA);

    for (const qsizetype fragment : {3, 5, 20}) {
        const auto delivered =
            frame({SerialController::makeL2PC03Descriptor()}, packet.first(fragment) + packet + packet, 7);
        QList<QByteArray> valid;
        for (const auto& [bytes, descriptor] : delivered) {
            if (descriptor.passesIntegrityCheck(bytes)) {
                valid << bytes;
            }
        }
        EXPECT_EQ(valid, (QList{packet, packet})) << "fragment of " << fragment;
        EXPECT_LE(delivered.size(), 3) << "fragment of " << fragment;
    }
}

TEST(PacketFramer, noiseFullOfHeaderBytesNeverHidesAValidPacket) {
    const QByteArray packet = deviceInfoPacket();
    QByteArray stream;
    for (int i = 0; i < 200; ++i) {
        stream += QByteArray::fromHex("55 01 27 55 55 AA 55").repeated(i % 5) + packet;
    }
    int valid = 0;
    for (const auto& [bytes, descriptor] : frame({SerialController::makeL2PC01Descriptor()}, stream, 13)) {
        valid += bytes == packet;
    }
    EXPECT_EQ(valid, 200);
}

// A profile's name may hold any bytes, a whole settings packet among them: the profile's bytes are
// one packet and nothing else, in any chunking and with noise or a false start before it.
TEST(PacketFramer, aPacketInsideAnotherPacketIsNotDelivered) {
    L2PC03_TD profile;
    profile.lensSeq = 1;
    const QByteArray inner = settingsPacket(3);
    std::copy(inner.begin(), inner.end(), profile.LensNameString.end() - inner.size());
    profile.calculateChecksum();
    const QByteArray packet = profile.toData();
    const QList adapterDescriptors{SerialController::makeL2PC01Descriptor(),
                                   SerialController::makeL2PC02Descriptor(),
                                   SerialController::makeL2PC03Descriptor()};
    for (const QByteArray& before : {QByteArray(), QByteArray::fromHex("55AA0155"), packet.first(10)}) {
        for (const qsizetype chunk : {1, 7, 64}) {
            const auto delivered = frame(adapterDescriptors, before + packet, chunk);
            ASSERT_FALSE(delivered.isEmpty());
            EXPECT_EQ(delivered.last(), std::make_pair(packet, adapterDescriptors[2]))
                << "after " << before.toHex().constData() << ", chunks of " << chunk;
            for (const auto& [bytes, descriptor] : delivered.first(delivered.size() - 1)) {
                EXPECT_FALSE(descriptor.passesIntegrityCheck(bytes)) << bytes.toHex().constData();
            }
        }
    }
}
