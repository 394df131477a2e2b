#include "DataStructureManager.h"

#include "AdapterLine.h"
#include "AdapterTestEnvironment.h"
#include "EventLoop.h"
#include "NotificationNames.h"
#include "NotificationRecorder.h"
#include "SerialPortManager.h"

#include <gtest/gtest.h>

namespace {

QByteArray profileBytes(int lensSeq, uint16_t focal, const QString& name, bool breakChecksum = false) {
    L2PC03_TD p;
    p.lensSeq = static_cast<uint8_t>(lensSeq);
    p.WideFlocalLength = focal;
    p.TeleFlocalLength = focal;
    p.ApretureValue = {1, 2, 3, 4};
    fillZeroPaddedText(p.LensNameString.data(), p.LensNameString.size(), name);
    p.calculateChecksum();
    if (breakChecksum) {
        ++p.checksum;
    }
    return p.toData();
}

using namespace NotificationNames;

class DataStructureManagerTest : public AdapterTest {
protected:
    DataStructureManager store;
    NotificationRecorder recorder{{UpdatePrintView, L2PC01PacketReceived, L2PC03PacketReceived}};
};

} // namespace

// Every update leaves packets whose checksums add up; an index or slot out of range changes nothing.
TEST_F(DataStructureManagerTest, profileUpdatesKeepTheChecksumsAndIgnoreWhatIsOutOfRange) {
    store.updatePC2L03PacketFocalLength(0, 85);
    store.updatePC2L03PacketLensName(1, QString(50, 'z'));
    store.updatePC2L03PacketAperture(2, 3, 21);
    store.updatePC2L03PacketRW(2, 1);
    store.updatePC2L02Packet(1, 2);
    EXPECT_EQ(store.pc2l03Packets[0].TeleFlocalLength, 85) << "one focal length sets both ends";
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(store.pc2l03Packets[1].LensNameString.data()), 40),
              QByteArray(40, 'z'));
    EXPECT_EQ(store.pc2l03Packets[2].ApretureValue[3], 21);
    for (const PC2L03_TD& packet : store.pc2l03Packets) {
        EXPECT_EQ(packet.checksum, packetChecksum(packet.toData()));
    }
    EXPECT_EQ(store.pc2l02Packet->checksum, packetChecksum(store.pc2l02Packet->toData()));

    const auto before = store.pc2l03Packets;
    store.updatePC2L03PacketAperture(0, 4, 9);
    store.updatePC2L03PacketAperture(-1, 0, 9);
    store.updatePC2L03PacketFocalLength(4, 9);
    store.updatePC2L03PacketRW(-1, 1);
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(store.pc2l03Packets[i].toData(), before[i].toData());
    }
}

// Observers hear of a profile once the store holds it; one beyond the four lengthens the list with
// placeholders.
TEST_F(DataStructureManagerTest, aProfileBeyondTheFourIsStoredBehindPlaceholdersBeforeObserversHear) {
    int focalSeen = -1;
    int owner = 0;
    NotificationCenter::defaultCenter().addObserver(&owner, L2PC03PacketReceived, [&](const Notification&) {
        focalSeen = store.l2pc03Packets.at(6).WideFlocalLength;
    });
    store.handleL2PC03Packet(profileBytes(6, 35, "Far"));
    EXPECT_EQ(focalSeen, -1); // posted later, not from inside the handler
    ASSERT_EQ(store.l2pc03Packets.size(), 7u);
    for (size_t i : {4u, 5u}) {
        EXPECT_EQ(store.l2pc03Packets[i].WideFlocalLength, 0);
        EXPECT_EQ(store.l2pc03Packets[i].getLensNameString(), QString());
        EXPECT_EQ(store.l2pc03Packets[i].length, 54);
    }
    EXPECT_EQ(store.l2pc03Packets[6].getLensNameString(), "Far");
    ASSERT_TRUE(runUntil([&] { return recorder.count(L2PC03PacketReceived) == 1; }));
    EXPECT_EQ(focalSeen, 35);
    EXPECT_EQ(recorder.received.last().object.toByteArray(), profileBytes(6, 35, "Far"));
    NotificationCenter::defaultCenter().removeObserver(&owner);
}

// Each kind of bad packet is logged once and stores nothing; a stream of one kind is summed up with
// its count a second later.
TEST_F(DataStructureManagerTest, badPacketsAreLoggedOnceEachStoreNothingAndAStreamIsCounted) {
    L2PC01_TD info;
    info.VerNo_major = 9;
    info.calculateChecksum();
    ++info.checksum;
    store.handleL2PC01Packet(info.toData());
    store.handleL2PC01Packet(info.toData().left(38));
    for (int i = 0; i < 50; ++i) {
        store.handleL2PC03Packet(profileBytes(1, 24, "Bad", true));
    }
    store.handleL2PC02Packet(QByteArray(3, 'x'));
    runFor(50);
    const QString bad = QStringLiteral("❌ L2PC03_TD数据包校验和错误");
    EXPECT_EQ(recorder.objectsOf(UpdatePrintView),
              (QStringList{"❌ L2PC01_TD数据包校验和错误", "❌ 无效的L2PC01_TD数据包格式", bad,
                           "❌ 无效的L2PC02_TD数据包格式"}));
    EXPECT_EQ(store.l2pc01Packet->VerNo_major, 1);
    EXPECT_EQ(store.l2pc03Packets[1].getLensNameString(), "Lens 2");
    EXPECT_EQ(recorder.count(L2PC01PacketReceived), 0);
    store.handleL2PC03Packet(profileBytes(1, 24, "Bad", true));
    ASSERT_TRUE(runUntil([&] { return recorder.count(UpdatePrintView) == 5; }));
    EXPECT_EQ(recorder.objectsOf(UpdatePrintView).last(), bad + QStringLiteral(" (×50)"));
}

TEST_F(DataStructureManagerTest, statusCountsThePortsPresentWhenNothingIsOpen) {
    const ConnectionStatus status = store.getConnectionStatus();
    EXPECT_FALSE(status.isConnected());
    EXPECT_EQ(status.orvoPortCount, 0);
    EXPECT_EQ(status.totalPortCount, SerialPortManager::sharedSerialPortManager().availablePorts().size());
    EXPECT_FALSE(store.autoConnect());

    store.connectToPort("/dev/nowhere", kAdapterBaudRate);
    ASSERT_TRUE(runUntil([&] { return recorder.count(UpdatePrintView) == 1; }));
    EXPECT_EQ(recorder.objectsOf(UpdatePrintView).first(), "DataManager: 未找到串口 /dev/nowhere");
}
