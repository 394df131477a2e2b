// The packet store and serial controller end to end: a simulated adapter on a real pseudo-terminal,
// linked into the per-user ports folder, found and opened by the store.

#include "AdapterTestEnvironment.h"
#include "DataStructureManager.h"
#include "EventLoop.h"
#include "NotificationNames.h"
#include "NotificationRecorder.h"
#include "SerialPortManager.h"
#include "Settings.h"
#include "SimulatedAdapter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using namespace NotificationNames;

class StoreAgainstSimulator : public AdapterTest {
protected:
    void TearDown() override {
        store.reset();
        AdapterTest::TearDown();
    }

    static std::unique_ptr<SimulatedAdapter> startAdapter(const QString& serial,
                                                          AdapterSimulator::Options protocol = {},
                                                          SimulatedAdapter::LineOptions line = {}) {
        return plugSimulatedAdapter(serial, protocol, line);
    }

    bool connect() {
        EXPECT_TRUE(store->autoConnect());
        return runUntil([&] { return recorder.count(PortConnected) == 1; });
    }

    // The six read requests of a read-out, as the window sends them.
    void requestEverything() {
        store->serialController->sendData(store->pc2l01Packet->toData());
        store->updatePC2L02Packet(0, 0);
        store->serialController->sendData(store->pc2l02Packet->toData());
        for (int i = 0; i < 4; ++i) {
            store->updatePC2L03PacketRW(i, 0);
            store->serialController->sendData(store->pc2l03Packets[i].toData());
        }
    }

    void writeProfile(int index, uint16_t focal, ApertureBytes apertures, const QString& name) {
        store->updatePC2L03PacketFocalLength(index, focal);
        for (int k = 0; k < 4; ++k) {
            store->updatePC2L03PacketAperture(index, k, apertures[k]);
        }
        store->updatePC2L03PacketLensName(index, name);
        store->updatePC2L03PacketRW(index, 1);
        store->serialController->sendData(store->pc2l03Packets[index].toData());
    }

    int receivedPackets() const {
        return recorder.count(L2PC01PacketReceived) + recorder.count(L2PC02PacketReceived) +
               recorder.count(L2PC03PacketReceived);
    }

    std::unique_ptr<DataStructureManager> store = std::make_unique<DataStructureManager>();
    NotificationRecorder recorder{{PortConnected, PortDisconnected, PortOpenFailed, UpdatePrintView,
                                   L2PC01PacketReceived, L2PC02PacketReceived, L2PC03PacketReceived}};
};

} // namespace

TEST_F(StoreAgainstSimulator, readsTheWholeAdapterAndWritesProfilesBack) {
    AdapterSimulator::Options protocol;
    protocol.model = "ORVO-EF";
    protocol.serialNumber = "ORVO7001";
    protocol.firmwareMajor = 2;
    protocol.firmwareMinor = 0x15;
    auto adapter = startAdapter("7001", protocol);
    ASSERT_TRUE(connect());
    EXPECT_EQ(Settings::shared().value("LastConnectedPortPath").toString(), adapter->linkPath());
    EXPECT_TRUE(store->getConnectionStatus().isConnected());
    EXPECT_EQ(store->getConnectionStatus().portPath, adapter->linkPath());

    requestEverything();
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

    writeProfile(0, 21, {0, 2, 5, 8}, "Biogon 21");
    writeProfile(1, 35, {2, 5, 8, 11}, "Summilux 35");
    writeProfile(2, 50, {0, 5, 8, 11}, "Noctilux 50");
    writeProfile(3, 90, {5, 8, 11, 14}, "Elmarit 90");
    store->updatePC2L02Packet(1, 2);
    store->serialController->sendData(store->pc2l02Packet->toData());
    ASSERT_TRUE(runUntil([&] { return adapter->protocol().packetsReceived() == 11; }));
    EXPECT_EQ(adapter->protocol().settings().DefaultCustomLens, 2);
    EXPECT_EQ(adapter->protocol().profile(1).WideFlocalLength, 35);
    EXPECT_EQ(adapter->protocol().profile(2).getLensNameString(), "Noctilux 50");
    EXPECT_EQ(adapter->protocol().profile(3).ApretureValue, (ApertureBytes{5, 8, 11, 14}));
    // Each packet was handled once: one notification each, no error lines.
    EXPECT_EQ(recorder.count(L2PC02PacketReceived), 1);
    EXPECT_EQ(recorder.count(UpdatePrintView), 0);
}

TEST_F(StoreAgainstSimulator, profilesWithAnInnerEndByteArriveWhole) {
    auto adapter = startAdapter("7002");
    ASSERT_TRUE(connect());
    // Focal length 170 is AA 00 on the wire.
    writeProfile(2, 170, {2, 4, 6, 8}, "Vario 170");
    // A name chosen so that the adapter's reply carries the checksum 0xAA.
    QString name;
    for (char c = 'A'; c <= 'z'; ++c) {
        L2PC03_TD probe;
        probe.lensSeq = 3;
        probe.WideFlocalLength = probe.TeleFlocalLength = 40;
        probe.ApretureValue = {1, 1, 1, 1};
        fillZeroPaddedText(probe.LensNameString.data(), 40, QStringLiteral("Checksum ") + c);
        probe.calculateChecksum();
        if (probe.checksum == 0xAA) {
            name = QStringLiteral("Checksum ") + c;
        }
    }
    ASSERT_FALSE(name.isEmpty());
    writeProfile(3, 40, {1, 1, 1, 1}, name);
    ASSERT_TRUE(runUntil([&] { return adapter->protocol().packetsReceived() == 2; }));

    requestEverything();
    ASSERT_TRUE(runUntil([&] { return receivedPackets() == 6; }));
    EXPECT_EQ(store->l2pc03Packets[2].WideFlocalLength, 170);
    EXPECT_EQ(store->l2pc03Packets[2].getLensNameString(), "Vario 170");
    EXPECT_EQ(store->l2pc03Packets[3].checksum, 0xAA);
    EXPECT_EQ(store->l2pc03Packets[3].getLensNameString(), name);
    EXPECT_EQ(recorder.count(UpdatePrintView), 0);
}

TEST_F(StoreAgainstSimulator, onALineWithFaultsOnlyValidPacketsAreStored) {
    AdapterSimulator::Options protocol;
    protocol.corruptEvery = 3;
    SimulatedAdapter::LineOptions line;
    line.chunkSize = 3;
    line.noiseBytes = 7;
    auto adapter = startAdapter("7003", protocol, line);
    ASSERT_TRUE(connect());
    const auto before = store->l2pc03Packets;

    requestEverything();
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
    auto adapter = startAdapter("7004");
    ASSERT_TRUE(connect());
    requestEverything();
    ASSERT_TRUE(runUntil([&] { return receivedPackets() == 6; }));
    const QByteArray profile = store->l2pc03Packets[1].toData();

    requestEverything();
    adapter->unplug();
    ASSERT_TRUE(runUntil([&] { return recorder.count(PortDisconnected) == 1; }));
    runFor(500);
    EXPECT_EQ(recorder.count(PortDisconnected), 1);
    EXPECT_EQ(recorder.count(PortConnected), 1);
    EXPECT_EQ(store->l2pc03Packets[1].toData(), profile);
    EXPECT_FALSE(store->getConnectionStatus().isConnected());
    EXPECT_TRUE(runUntil([&] { return store->getConnectionStatus().orvoPortCount == 0; }));
}

TEST_F(StoreAgainstSimulator, aFailedOpenIsLoggedOnceAndAnnouncedEveryTime) {
    auto adapter = startAdapter("7005");
    // Another program holds the port.
    const int holder = ::open(QFile::encodeName(adapter->linkPath()).constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);

    EXPECT_TRUE(store->autoConnect());
    ASSERT_TRUE(runUntil([&] { return recorder.count(PortOpenFailed) == 1; }));
    EXPECT_TRUE(store->autoConnect());
    ASSERT_TRUE(runUntil([&] { return recorder.count(PortOpenFailed) == 2; }));
    // A busy port's line waits for the search for its holder.
    ASSERT_TRUE(runUntil([&] { return recorder.count(UpdatePrintView) > 0; }));
    runFor(100);
    const QStringList lines = recorder.objectsOf(UpdatePrintView);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("❌ ") + adapter->linkPath())) << lines[0].toStdString();
    EXPECT_EQ(recorder.objectsOf(PortOpenFailed).first(), adapter->linkPath());
    EXPECT_EQ(recorder.count(PortConnected), 0);

    // Once the port is free the next attempt connects.
    ::close(holder);
    EXPECT_TRUE(store->autoConnect());
    EXPECT_TRUE(runUntil([&] { return recorder.count(PortConnected) == 1; }));
}

TEST_F(StoreAgainstSimulator, autoConnectTakesTheFirstAdapterPortOrTheRememberedOne) {
    auto first = startAdapter("8001");
    auto second = startAdapter("8002");
    EXPECT_EQ(store->getORVOPorts().size(), 2);
    ASSERT_TRUE(connect());
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
