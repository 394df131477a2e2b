// Framing: descriptors, bounded buffers and the framer that feeds them byte by byte.

#include "DataStructures.h"
#include "PacketFramer.h"
#include "SerialBuffer.h"
#include "SerialPacketDescriptor.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

const QByteArray kEnd(1, char(0xAA));

SerialPacketDescriptor l2pc01Descriptor() {
    return SerialPacketDescriptor::withPrefix(QByteArray::fromHex("550127"), kEnd, 39);
}
SerialPacketDescriptor l2pc02Descriptor() {
    return SerialPacketDescriptor::withPrefix(QByteArray::fromHex("550213"), kEnd, 19);
}

QByteArray deviceInfoPacket() {
    L2PC01_TD info;
    fillZeroPaddedText(info.DeviceModel.data(), info.DeviceModel.size(), QStringLiteral("ORVO-EF"));
    fillZeroPaddedText(info.DeviceSN.data(), info.DeviceSN.size(), QStringLiteral("SN1"));
    info.VerNo_major = 1;
    info.calculateChecksum();
    return info.toData();
}

QByteArray settingsPacket(uint8_t defaultLens) {
    L2PC02_TD settings;
    settings.DefaultCustomLens = defaultLens;
    settings.calculateChecksum();
    return settings.toData();
}

struct Collected {
    QList<QByteArray> packets;
    QList<SerialPacketDescriptor> descriptors;
    PacketFramer::PacketHandler handler() {
        return [this](const QByteArray& packet, const SerialPacketDescriptor& descriptor) {
            packets.append(packet);
            descriptors.append(descriptor);
        };
    }
};

// The plain search the fast paths must agree with: every window ending at the last byte, shortest first.
qsizetype naiveMatchLength(const SerialPacketDescriptor& descriptor, QByteArrayView buffer) {
    for (qsizetype length = 1; length <= buffer.size(); ++length) {
        if (descriptor.dataIsValidPacket(buffer.last(length))) {
            return length;
        }
    }
    return 0;
}

} // namespace

TEST(SerialBuffer, keepsOnlyTheNewestBytesUpToItsMaximum) {
    SerialBuffer buffer(4);
    buffer.appendData("abc");
    EXPECT_EQ(buffer.data(), "abc");
    buffer.appendData("defg");
    EXPECT_EQ(buffer.data(), "defg");
    for (char c = 'h'; c <= 'z'; ++c) {
        buffer.appendByte(c);
    }
    EXPECT_EQ(buffer.data(), "wxyz");
    buffer.clearBuffer();
    EXPECT_TRUE(buffer.data().isEmpty());
    SerialBuffer none(0);
    none.appendData("abc");
    EXPECT_TRUE(none.data().isEmpty());
}

TEST(SerialPacketDescriptor, prefixSuffixRuleAcceptsOnlyDataWithBothEnds) {
    const SerialPacketDescriptor d = SerialPacketDescriptor::withPrefixString("<", ">", 10);
    EXPECT_TRUE(d.dataIsValidPacket("<a>"));
    EXPECT_TRUE(d.dataIsValidPacket("<>"));
    EXPECT_FALSE(d.dataIsValidPacket("a>"));
    EXPECT_FALSE(d.dataIsValidPacket("<a"));
    EXPECT_FALSE(SerialPacketDescriptor::withPrefix({}, {}, 10).dataIsValidPacket("abc"));
    const SerialPacketDescriptor long_ = SerialPacketDescriptor::withPrefixString("<<<", ">", 10);
    EXPECT_FALSE(long_.dataIsValidPacket("<>"));
    const SerialPacketDescriptor suffixOnly = SerialPacketDescriptor::withPrefix({}, "\r\n", 10);
    EXPECT_EQ(suffixOnly.packetMatchingAtEndOfBuffer("ok\r\n"), QByteArray("\r\n"));
}

TEST(SerialPacketDescriptor, otherKindsFollowTheirRules) {
    const auto exact = SerialPacketDescriptor::withPacketData("PING");
    EXPECT_EQ(exact.maximumPacketLength(), 4);
    EXPECT_EQ(exact.packetMatchingAtEndOfBuffer("xxPING"), QByteArray("PING"));
    EXPECT_FALSE(exact.packetMatchingAtEndOfBuffer("PINGx"));

    const auto expression =
        SerialPacketDescriptor::withRegularExpression(QRegularExpression("^OK \\d+\n"), 20);
    EXPECT_EQ(expression.packetMatchingAtEndOfBuffer("noise OK 42\n"), QByteArray("OK 42\n"));
    EXPECT_FALSE(expression.dataIsValidPacket(QByteArray("OK 1\n\xff")));

    const auto anything = SerialPacketDescriptor::withMaximumPacketLength(8);
    EXPECT_EQ(anything.packetMatchingAtEndOfBuffer("abc"), QByteArray("c"));
    EXPECT_FALSE(anything.dataIsValidPacket(""));

    const auto evaluated = SerialPacketDescriptor::withMaximumPacketLength(
        8, {}, [](QByteArrayView data) { return data.size() == 3; });
    EXPECT_EQ(evaluated.packetMatchingAtEndOfBuffer("abcdef"), QByteArray("def"));
}

TEST(SerialPacketDescriptor, copiesAreEqualAndDistinctDescriptorsAreNot) {
    const auto a = l2pc01Descriptor();
    const auto copy = a;
    EXPECT_EQ(a, copy);
    EXPECT_EQ(qHash(a), qHash(copy));
    EXPECT_FALSE(a == l2pc01Descriptor());
}

TEST(PacketFramer, deviceInfoInAnyChunkingGivesExactlyOnePacket) {
    const QByteArray packet = deviceInfoPacket();
    for (int chunk = 1; chunk <= packet.size(); ++chunk) {
        PacketFramer framer;
        framer.startListening(l2pc01Descriptor());
        Collected out;
        for (qsizetype i = 0; i < packet.size(); i += chunk) {
            framer.feed(QByteArrayView(packet).sliced(i, std::min<qsizetype>(chunk, packet.size() - i)),
                        out.handler());
        }
        ASSERT_EQ(out.packets.size(), 1) << "chunk size " << chunk;
        EXPECT_EQ(out.packets.front(), packet);
    }
}

TEST(PacketFramer, endByteInsidePacketCutsItShortAndTheRestNeverMatches) {
    L2PC02_TD settings;
    settings.U8_2 = 0xAA;
    settings.calculateChecksum();
    const QByteArray packet = settings.toData();
    PacketFramer framer;
    framer.startListening(l2pc02Descriptor());
    Collected out;
    framer.feed(packet, out.handler());
    ASSERT_EQ(out.packets.size(), 1);
    EXPECT_EQ(out.packets.front(), packet.left(5));

    // A fixed-length descriptor takes the same packet whole.
    PacketFramer whole;
    whole.startListening(
        SerialPacketDescriptor::withFixedLengthPacket(QByteArray::fromHex("550213"), 19, kEnd));
    Collected wholeOut;
    whole.feed(QByteArray::fromHex("AA5502") + packet, wholeOut.handler());
    ASSERT_EQ(wholeOut.packets.size(), 1);
    EXPECT_EQ(wholeOut.packets.front(), packet);
}

TEST(PacketFramer, noiseAndOverlongRunsArePushedOut) {
    PacketFramer framer;
    framer.startListening(l2pc01Descriptor());
    Collected out;
    // Noise, then a prefix whose packet never finishes, then 50 bytes without the end byte: the
    // stale prefix falls out of the 39-byte buffer, so the end byte that follows matches nothing.
    framer.feed(QByteArray::fromHex("00AA1255") + QByteArray::fromHex("550127") + QByteArray(50, 'x') + kEnd,
                out.handler());
    EXPECT_TRUE(out.packets.isEmpty());
    framer.feed(QByteArray::fromHex("13AA77") + deviceInfoPacket(), out.handler());
    ASSERT_EQ(out.packets.size(), 1);
    EXPECT_EQ(out.packets.front(), deviceInfoPacket());
}

TEST(PacketFramer, twoDescriptorsSeeEveryByteAndDeliverOnlyTheirOwn) {
    const auto info = l2pc01Descriptor();
    const auto settings = l2pc02Descriptor();
    PacketFramer framer;
    framer.startListening(info);
    framer.startListening(settings);
    framer.startListening(info); // already listening: no second buffer
    EXPECT_EQ(framer.descriptors().size(), 2u);
    Collected out;
    framer.feed(settingsPacket(2) + deviceInfoPacket() + settingsPacket(3), out.handler());
    ASSERT_EQ(out.packets.size(), 3);
    EXPECT_EQ(out.descriptors[0], settings);
    EXPECT_EQ(out.descriptors[1], info);
    EXPECT_EQ(out.packets[2], settingsPacket(3));
    framer.stopListening(settings);
    framer.feed(settingsPacket(1), out.handler());
    EXPECT_EQ(out.packets.size(), 3);
}

TEST(SerialPacketDescriptor, fastMatchAgreesWithTheNaiveWindowSearch) {
    const QList<SerialPacketDescriptor> descriptors{
        l2pc01Descriptor(),
        SerialPacketDescriptor::withPrefix(QByteArray::fromHex("5555"), QByteArray::fromHex("AAAA"), 12),
        SerialPacketDescriptor::withPrefix(QByteArray::fromHex("55"), {}, 6),
        SerialPacketDescriptor::withPrefix({}, QByteArray::fromHex("AA"), 6),
        SerialPacketDescriptor::withPacketData(QByteArray::fromHex("55AA")),
        SerialPacketDescriptor::withFixedLengthPacket(QByteArray::fromHex("55"), 5, kEnd),
    };
    QRandomGenerator random(7);
    for (const SerialPacketDescriptor& descriptor : descriptors) {
        SerialBuffer buffer(descriptor.maximumPacketLength());
        for (int i = 0; i < 20000; ++i) {
            // A small alphabet makes prefixes and suffixes frequent.
            static const char alphabet[] = {char(0x55), char(0xAA), 0x01, 0x27};
            buffer.appendByte(alphabet[random.bounded(4)]);
            const qsizetype fast = descriptor.packetLengthAtEndOfBuffer(buffer.view());
            ASSERT_EQ(fast, naiveMatchLength(descriptor, buffer.view())) << buffer.data().toHex().constData();
            if (fast) {
                buffer.clearBuffer();
            }
        }
    }
}
