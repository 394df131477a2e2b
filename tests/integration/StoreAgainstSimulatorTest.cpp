// The packet store and serial controller end to end: a simulated adapter on a real pseudo-terminal,
// linked into the per-user ports folder, found and opened by the store.

#include "SerialPortManager.h"
#include "Settings.h"
#include "SimulatedAdapter.h"
#include "StoreTest.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace NotificationNames;

// The store's own requests: the window's read requests without the read-out sequence around them.
class StoreAgainstSimulator : public StoreTest {};

} // namespace

TEST_F(StoreAgainstSimulator, readsTheWholeAdapterHandlingEachPacketOnce) {
    AdapterSimulator::Options protocol;
    protocol.model = "ORVO-EF";
    protocol.serialNumber = "ORVO7001";
    protocol.firmwareMajor = 2;
    protocol.firmwareMinor = 0x15;
    auto adapter = plugSimulatedAdapter("7001", protocol);
    ASSERT_TRUE(connectAndWait());
    EXPECT_TRUE(store->getConnectionStatus().isConnected());
    EXPECT_EQ(store->getConnectionStatus().portPath, adapter->linkPath());

    requestEverything(*store);
    ASSERT_TRUE(runUntil([&] { return receivedPackets() == 6; }));
    EXPECT_EQ(store->l2pc01Packet->getDeviceModelString(), "ORVO-EF");
    EXPECT_EQ(store->l2pc01Packet->getDeviceSNString(), "ORVO7001");
    EXPECT_EQ(store->l2pc01Packet->VerNo_major, 2);
    EXPECT_EQ(store->l2pc01Packet->VerNo_minor, 0x15);
    EXPECT_EQ(store->l2pc02Packet->toData(), adapter->protocol().settings().toData());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(store->l2pc03Packets[i].toData(), adapter->protocol().profile(i).toData())
            << "profile " << i;
    }

    // One notification each, no error lines.
    EXPECT_EQ(recorder.count(L2PC02PacketReceived), 1);
    EXPECT_EQ(recorder.count(UpdatePrintView), 0);
}

TEST_F(StoreAgainstSimulator, onALineWithFaultsOnlyValidPacketsAreStored) {
    AdapterSimulator::Options protocol;
    protocol.corruptEvery = 3;
    SimulatedAdapter::LineOptions line;
    line.chunkSize = 3;
    line.noiseBytes = 7;
    auto adapter = plugSimulatedAdapter("7003", protocol, line);
    ASSERT_TRUE(connectAndWait());
    const auto before = store->l2pc03Packets;

    requestEverything(*store);
    // Replies 3 and 6 (profiles 0 and 3) carry a bad checksum.
    ASSERT_TRUE(runUntil([&] { return receivedPackets() == 4 && recorder.count(UpdatePrintView) == 2; }));
    runFor(300);
    EXPECT_EQ(receivedPackets(), 4);
    EXPECT_EQ(recorder.objectsOf(UpdatePrintView),
              (QStringList{"❌ L2PC03_TD数据包校验和错误", "❌ L2PC03_TD数据包校验和错误"}));
    EXPECT_EQ(store->l2pc03Packets[0].toData(), before[0].toData());
    EXPECT_EQ(store->l2pc03Packets[1].toData(), adapter->protocol().profile(1).toData());
    EXPECT_EQ(store->l2pc03Packets[2].toData(), adapter->protocol().profile(2).toData());
    EXPECT_EQ(store->l2pc03Packets[3].toData(), before[3].toData());
}

TEST_F(StoreAgainstSimulator, unplugDuringTrafficIsAnnouncedOnceAndKeepsTheValues) {
    auto adapter = plugSimulatedAdapter("7004");
    ASSERT_TRUE(connectAndWait());
    requestEverything(*store);
    ASSERT_TRUE(runUntil([&] { return receivedPackets() == 6; }));
    const QByteArray profile = store->l2pc03Packets[1].toData();

    requestEverything(*store);
    adapter->unplug();
    ASSERT_TRUE(runUntil([&] { return recorder.count(PortDisconnected) == 1; }));
    runFor(500);
    EXPECT_EQ(recorder.count(PortDisconnected), 1);
    EXPECT_EQ(recorder.count(PortConnected), 1);
    EXPECT_EQ(store->l2pc03Packets[1].toData(), profile);
    EXPECT_FALSE(store->getConnectionStatus().isConnected());
    EXPECT_TRUE(runUntil([&] { return store->getConnectionStatus().orvoPortCount == 0; }));
}

TEST_F(StoreAgainstSimulator, autoConnectTakesTheFirstAdapterPortOrTheRememberedOne) {
    auto first = plugSimulatedAdapter("8001");
    auto second = plugSimulatedAdapter("8002");
    EXPECT_EQ(store->getORVOPorts().size(), 2);
    ASSERT_TRUE(connectAndWait());
    EXPECT_EQ(store->serialController->serialPort->path(), first->linkPath());
    EXPECT_EQ(Settings::shared().value("LastConnectedPortPath").toString(), first->linkPath());
}

TEST_F(StoreAgainstSimulator, withoutAnAdapterPortTheRememberedPathIsUsed) {
    // A port without the adapter marker, linked by hand to the simulator's terminal.
    QTemporaryDir elsewhere;
    SimulatedAdapter::LineOptions line;
    line.portsDirectory = elsewhere.path();
    SimulatedAdapter adapter({}, line);
    ASSERT_TRUE(adapter.start());
    const QString plain = QDir(SerialPortManager::portsDirectory()).filePath("bench-port");
    QDir().mkpath(SerialPortManager::portsDirectory());
    ASSERT_TRUE(QFile::link(QFile::symLinkTarget(adapter.linkPath()), plain));
    ASSERT_TRUE(waitForPort(plain));

    EXPECT_FALSE(store->autoConnect());
    Settings::shared().setValue("LastConnectedPortPath", plain);
    EXPECT_TRUE(store->autoConnect());
    ASSERT_TRUE(runUntil([&] { return recorder.count(PortConnected) == 1; }));
    EXPECT_EQ(recorder.objectsOf(PortConnected).first(),
              QStringLiteral("DataStructureManager: 成功连接到串口: ") + plain);
    EXPECT_EQ(Settings::shared().value("LastConnectedPortPath").toString(), plain);
    QFile::remove(plain);
}
