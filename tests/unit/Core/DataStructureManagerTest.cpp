#include "DataStructureManager.h"

#include "AdapterLine.h"
#include "EventLoop.h"
#include "NotificationNames.h"
#include "NotificationRecorder.h"
#include "SerialPortManager.h"

#include <QTemporaryDir>
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

class DataStructureManagerTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
    DataStructureManager store;
    NotificationRecorder recorder{{NotificationNames::UpdatePrintView,
                                   NotificationNames::L2PC01PacketReceived,
                                   NotificationNames::L2PC03PacketReceived}};
};

} // namespace

TEST_F(DataStructureManagerTest, startsWithTheDefaultAdapterAndFourNamedProfiles) {
    ASSERT_TRUE(store.l2pc01Packet);
    EXPECT_EQ(store.l2pc01Packet->getDeviceModelString(), "QUILLON XT-40");
    EXPECT_EQ(store.l2pc01Packet->getDeviceSNString(), "SN123456789");
    EXPECT_EQ(store.l2pc01Packet->VerNo_major, 1);
    EXPECT_EQ(store.l2pc01Packet->VerNo_minor, 0);
    EXPECT_TRUE(store.l2pc01Packet->verifyChecksum());
    EXPECT_EQ(store.pc2l01Packet->toData(), QByteArray::fromHex("55 01 05 5B AA"));
    EXPECT_EQ(store.pc2l02Packet->toData().size(), 20);
    EXPECT_EQ(store.pc2l02Packet->checksum, 0x59);
    ASSERT_EQ(store.pc2l03Packets.size(), 4u);
    ASSERT_EQ(store.l2pc03Packets.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        const QString name = QStringLiteral("Lens %1").arg(i + 1);
        EXPECT_EQ(store.l2pc03Packets[i].getLensNameString(), name);
        EXPECT_TRUE(store.l2pc03Packets[i].verifyChecksum());
        EXPECT_EQ(store.pc2l03Packets[i].length, 55);
        EXPECT_EQ(store.pc2l03Packets[i].checksum, packetChecksum(store.pc2l03Packets[i].toData()));
    }
    EXPECT_EQ(store.pc2l03Packets[0].checksum, 0xE9);
}

TEST_F(DataStructureManagerTest, profileUpdatesKeepLengthAndChecksumConsistent) {
    store.updatePC2L03PacketFocalLength(0, 85);
    EXPECT_EQ(store.pc2l03Packets[0].WideFlocalLength, 85);
    EXPECT_EQ(store.pc2l03Packets[0].TeleFlocalLength, 85);
    EXPECT_EQ(store.pc2l03Packets[0].checksum, packetChecksum(store.pc2l03Packets[0].toData()));

    store.updatePC2L03PacketLensName(1, QString(50, 'z'));
    EXPECT_EQ(store.pc2l03Packets[1].length, 55);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(store.pc2l03Packets[1].LensNameString.data()), 40),
              QByteArray(40, 'z'));
    EXPECT_EQ(store.pc2l03Packets[1].checksum, packetChecksum(store.pc2l03Packets[1].toData()));

    store.updatePC2L03PacketAperture(2, 3, 21);
    store.updatePC2L03PacketRW(2, 1);
    EXPECT_EQ(store.pc2l03Packets[2].ApretureValue, (ApertureBytes{2, 4, 5, 21}));
    EXPECT_EQ(store.pc2l03Packets[2].rw, 1);
    EXPECT_EQ(store.pc2l03Packets[2].checksum, packetChecksum(store.pc2l03Packets[2].toData()));

    const auto before = store.pc2l03Packets;
    store.updatePC2L03PacketAperture(0, 4, 9);
    store.updatePC2L03PacketAperture(-1, 0, 9);
    store.updatePC2L03PacketFocalLength(4, 9);
    store.updatePC2L03PacketRW(-1, 1);
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(store.pc2l03Packets[i].toData(), before[i].toData());
    }

    store.updatePC2L02Packet(1, 2);
    EXPECT_EQ(store.pc2l02Packet->rw, 1);
    EXPECT_EQ(store.pc2l02Packet->DefaultCustomLens, 2);
    EXPECT_EQ(store.pc2l02Packet->checksum, packetChecksum(store.pc2l02Packet->toData()));
}

TEST_F(DataStructureManagerTest, aProfileBeyondTheFourLengthensTheListWithPlaceholders) {
    store.handleL2PC03Packet(profileBytes(6, 35, "Far"));
    ASSERT_EQ(store.l2pc03Packets.size(), 7u);
    for (size_t i : {4u, 5u}) {
        EXPECT_EQ(store.l2pc03Packets[i].WideFlocalLength, 0);
        EXPECT_EQ(store.l2pc03Packets[i].getLensNameString(), QString());
        EXPECT_EQ(store.l2pc03Packets[i].length, 54);
    }
    EXPECT_EQ(store.l2pc03Packets[6].getLensNameString(), "Far");
    ASSERT_TRUE(runUntil([&] { return recorder.count(NotificationNames::L2PC03PacketReceived) == 1; }));
    EXPECT_EQ(recorder.received.last().object.toByteArray(), profileBytes(6, 35, "Far"));
}

TEST_F(DataStructureManagerTest, badPacketsAreReportedOnceAndStoreNothing) {
    L2PC01_TD info;
    info.VerNo_major = 9;
    info.calculateChecksum();
    ++info.checksum;
    store.handleL2PC01Packet(info.toData());
    store.handleL2PC01Packet(info.toData().left(38));
    store.handleL2PC03Packet(profileBytes(1, 24, "Bad", true));
    runFor(50);
    EXPECT_EQ(
        recorder.objectsOf(NotificationNames::UpdatePrintView),
        (QStringList{"❌ L2PC01_TD数据包校验和错误", "❌ 无效的L2PC01_TD数据包格式", "❌ L2PC03_TD数据包校验和错误"}));
    EXPECT_EQ(store.l2pc01Packet->VerNo_major, 1);
    EXPECT_EQ(store.l2pc03Packets[1].getLensNameString(), "Lens 2");
    EXPECT_EQ(recorder.count(NotificationNames::L2PC01PacketReceived), 0);
}

TEST_F(DataStructureManagerTest, aStreamOfBadPacketsIsLoggedOnceASecondWithItsCount) {
    for (int i = 0; i < 50; ++i) {
        store.handleL2PC03Packet(profileBytes(1, 24, "Bad", true));
    }
    store.handleL2PC02Packet(QByteArray(3, 'x'));
    runFor(50);
    const QString bad = QStringLiteral("❌ L2PC03_TD数据包校验和错误");
    EXPECT_EQ(recorder.objectsOf(NotificationNames::UpdatePrintView),
              (QStringList{bad, QStringLiteral("❌ 无效的L2PC02_TD数据包格式")}));
    store.handleL2PC03Packet(profileBytes(1, 24, "Bad", true));
    ASSERT_TRUE(runUntil([&] { return recorder.count(NotificationNames::UpdatePrintView) == 3; }));
    EXPECT_EQ(recorder.objectsOf(NotificationNames::UpdatePrintView).last(), bad + QStringLiteral(" (×50)"));
}

TEST_F(DataStructureManagerTest, observersSeeTheStoreAlreadyUpdated) {
    int focalSeen = -1;
    int owner = 0;
    NotificationCenter::defaultCenter().addObserver(
        &owner, NotificationNames::L2PC03PacketReceived,
        [&](const Notification&) { focalSeen = store.l2pc03Packets[2].WideFlocalLength; });
    store.handleL2PC03Packet(profileBytes(2, 170, "Late"));
    EXPECT_EQ(focalSeen, -1); // posted later, not from inside the handler
    ASSERT_TRUE(runUntil([&] { return focalSeen != -1; }));
    EXPECT_EQ(focalSeen, 170);
    NotificationCenter::defaultCenter().removeObserver(&owner);
}

TEST_F(DataStructureManagerTest, statusCountsThePortsPresentWhenNothingIsOpen) {
    const ConnectionStatus status = store.getConnectionStatus();
    EXPECT_FALSE(status.isConnected());
    EXPECT_EQ(status.orvoPortCount, 0);
    EXPECT_EQ(status.totalPortCount, SerialPortManager::sharedSerialPortManager().availablePorts().size());
    EXPECT_FALSE(store.autoConnect());

    store.connectToPort("/dev/nowhere", kAdapterBaudRate);
    ASSERT_TRUE(runUntil([&] { return recorder.count(NotificationNames::UpdatePrintView) == 1; }));
    EXPECT_EQ(recorder.objectsOf(NotificationNames::UpdatePrintView).first(),
              "DataManager: 未找到串口 /dev/nowhere");
}
