// Connecting and reading out in every order of events, end to end: the store, its serial controller
// and the read-out sequence against adapters on real pseudo-terminals in the ports folder.

#include "AdapterTestEnvironment.h"
#include "DataStructureManager.h"
#include "NotificationNames.h"
#include "NotificationRecorder.h"
#include "ReadOutRequests.h"
#include "ReadOutSequence.h"
#include "SerialPortManager.h"
#include "Settings.h"
#include "SimulatedAdapter.h"
#include "TestSideAdapter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

namespace {

int failedWrites(const NotificationRecorder& outcomes) {
    return int(std::ranges::count_if(outcomes.received, [](const Notification& n) {
        return n.userInfo.value(NotificationNames::ErrorCodeKey).toInt() != 0;
    }));
}

using namespace NotificationNames;

// The packet store against adapters in the ports folder, with what it announces recorded. Each case
// ends with the store's connection closed.
class ConnectionStories : public AdapterTest {
protected:
    void TearDown() override {
        store->serialController->disconnect();
        runUntil([&] { return !store->getConnectionStatus().isConnected(); }, 1000);
        store.reset();
        AdapterTest::TearDown();
    }

    // Connects to the first adapter port (or the remembered one) and waits for the nth connection.
    bool connectAndWait(int connections = 1) {
        return store->autoConnect() && runUntil([&] { return recorder.count(PortConnected) == connections; });
    }

    int receivedPackets() const {
        return recorder.count(L2PC01PacketReceived) + recorder.count(L2PC02PacketReceived) +
               recorder.count(L2PC03PacketReceived);
    }

    // Reads everything once and lets stragglers arrive.
    bool readOutCompletes(ReadOutSequence& readOut) {
        QSignalSpy finished(&readOut, &ReadOutSequence::finished);
        readOut.start(store->currentConnectionNumber());
        const bool done = runUntil([&] { return !finished.isEmpty(); }, 8000);
        runFor(300);
        return done && finished.first().first().toBool();
    }

    std::unique_ptr<DataStructureManager> store = std::make_unique<DataStructureManager>();
    NotificationRecorder recorder{{PortConnected, PortDisconnected, PortOpenFailed, UpdatePrintView,
                                   L2PC01PacketReceived, L2PC02PacketReceived, L2PC03PacketReceived}};
};

// ---- One delivery per packet, however often the port was tried or replugged

// Another program holds the port: every attempt is announced, the log tells it once, and once the
// port is free the next attempt connects. A replug on the same path is a new connection each time, and
// a read-out then delivers each packet once.
TEST_F(ConnectionStories, failedOpensAreLoggedOnceAndAfterReplugsEachPacketIsDeliveredOnce) {
    auto adapter = plugSimulatedAdapter("8101");
    const int holder = ::open(QFile::encodeName(adapter->linkPath()).constData(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    for (int attempt = 1; attempt <= 3; ++attempt) {
        EXPECT_TRUE(store->autoConnect());
        ASSERT_TRUE(runUntil([&] { return recorder.count(PortOpenFailed) == attempt; }));
    }
    // A busy port's line waits for the search for its holder.
    ASSERT_TRUE(runUntil([&] { return recorder.count(UpdatePrintView) > 0; }));
    runFor(100);
    const QStringList lines = recorder.objectsOf(UpdatePrintView);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("❌ ") + adapter->linkPath())) << lines[0].toStdString();
    EXPECT_EQ(recorder.objectsOf(PortOpenFailed).first(), adapter->linkPath());
    EXPECT_EQ(recorder.count(PortConnected), 0);
    ::close(holder);

    std::set<quint64> connections;
    for (int round = 1; round <= 3; ++round) {
        ASSERT_TRUE(connectAndWait(round));
        connections.insert(store->currentConnectionNumber());
        if (round < 3) {
            adapter->unplug();
            ASSERT_TRUE(runUntil([&] { return recorder.count(PortDisconnected) == round; }));
            adapter = plugSimulatedAdapter("8101");
        }
    }
    EXPECT_EQ(connections.size(), 3u);
    ReadOutSequence readOut(*store);
    ASSERT_TRUE(readOutCompletes(readOut));
    EXPECT_EQ(recorder.count(L2PC01PacketReceived), 1);
    EXPECT_EQ(recorder.count(L2PC02PacketReceived), 1);
    EXPECT_EQ(recorder.count(L2PC03PacketReceived), 4);
}

// ---- A read-out that notices what is missing

// Profile B's answer is lost once and C's every time: B is asked for once more, C twice more and
// nothing else, and the read-out ends incomplete naming C alone. The port does all that on descriptor 0
// as on any other, and descriptor 0 comes back only once the port's own thread has closed it.
TEST_F(ConnectionStories, onDescriptorZeroALostAnswerIsAskedForAgainAndOneThatNeverComesIsMissing) {
    TestSideAdapter adapter(SerialPortManager::portsDirectory(), "8103");
    std::map<int, int> asked; // profile answers made, by profile
    adapter.setReplyFilter([&](const QByteArray& reply) {
        const auto profile = L2PC03_TD::fromData(reply);
        if (!profile) {
            return reply;
        }
        const int answers = ++asked[profile->lensSeq];
        return profile->lensSeq == 2 || (profile->lensSeq == 1 && answers == 1) ? QByteArray() : reply;
    });
    ASSERT_TRUE(waitForPort(adapter.linkPath()));
    const int savedStdin = ::dup(0);
    ::close(0);
    const bool connected = connectAndWait();
    const int fd = store->serialController->serialPort->fileDescriptor();
    ReadOutSequence readOut(*store);
    const bool complete = connected && readOutCompletes(readOut);
    const SerialPortPtr port = store->serialController->serialPort;
    store->serialController->disconnect();
    const bool closed = runUntil([&] { return !port->isOpen(); });
    ::dup2(savedStdin, 0);
    ::close(savedStdin);
    ASSERT_TRUE(connected);
    EXPECT_EQ(fd, 0);
    EXPECT_TRUE(closed);
    EXPECT_FALSE(complete);
    EXPECT_EQ(readOut.missingParts(), QList{ReadOutSequence::ProfileC});
    EXPECT_EQ(asked, (std::map<int, int>{{0, 1}, {1, 2}, {2, 3}, {3, 1}}));
    EXPECT_EQ(adapter.protocol().packetsReceived(), 9);
}

// ---- Noise and fragments on the line

// The read-out takes what the adapter says of itself, and every part whole, in spite of the line.
TEST_F(ConnectionStories, truncatedRepliesAndNoiseStillGiveACompleteReadOut) {
    AdapterSimulator::Options protocol;
    protocol.model = "ORVO-EF";
    protocol.serialNumber = "ORVO7001";
    protocol.firmwareMajor = 2;
    protocol.firmwareMinor = 0x15;
    SimulatedAdapter::LineOptions line;
    line.noiseBytes = 12;
    line.truncateEvery = 3;
    auto adapter = plugSimulatedAdapter("8107", protocol, line);
    ASSERT_TRUE(connectAndWait());
    EXPECT_EQ(store->getConnectionStatus().portPath, adapter->linkPath());
    ReadOutSequence readOut(*store);
    EXPECT_TRUE(readOutCompletes(readOut));
    // What a fresh adapter of the same options answers to the device request.
    EXPECT_EQ(store->l2pc01Packet->toData(),
              AdapterSimulator(protocol).receive(PC2L01_TD().toData()).value(0));
    EXPECT_EQ(store->l2pc02Packet->toData(), adapter->protocol().settings().toData());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(store->l2pc03Packets[i].toData(), adapter->protocol().profile(i).toData());
    }
}

// ---- The store's own requests, as the window sends them without the read-out around them

// Requests answered on a line with faults store only the valid packets; a second round cut short by an
// unplug is announced once and keeps the values.
TEST_F(ConnectionStories, onALineWithFaultsOnlyValidPacketsAreStoredAndAnUnplugKeepsThem) {
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

    requestEverything(*store);
    adapter->unplug();
    ASSERT_TRUE(runUntil([&] { return recorder.count(PortDisconnected) == 1; }));
    runFor(500);
    EXPECT_EQ(recorder.count(PortDisconnected), 1);
    EXPECT_EQ(recorder.count(PortConnected), 1);
    EXPECT_EQ(store->l2pc03Packets[1].toData(), adapter->protocol().profile(1).toData());
    EXPECT_FALSE(store->getConnectionStatus().isConnected());
    EXPECT_TRUE(runUntil([&] { return store->getConnectionStatus().orvoPortCount == 0; }));
}

TEST_F(ConnectionStories, autoConnectTakesTheFirstAdapterPortOrTheRememberedOne) {
    auto first = plugSimulatedAdapter("8001");
    auto second = plugSimulatedAdapter("8002");
    EXPECT_EQ(store->getORVOPorts().size(), 2);
    ASSERT_TRUE(connectAndWait());
    EXPECT_EQ(store->serialController->serialPort->path(), first->linkPath());
    EXPECT_EQ(Settings::shared().value("LastConnectedPortPath").toString(), first->linkPath());
}

TEST_F(ConnectionStories, withoutAnAdapterPortTheRememberedPathIsUsed) {
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

// ---- Writes

TEST_F(ConnectionStories, aPeerThatStopsReadingNeitherBlocksTheMainThreadNorReportsAWriteUntilItReads) {
    TestSideAdapter adapter(SerialPortManager::portsDirectory(), "8109", /*reads=*/false);
    ASSERT_TRUE(waitForPort(adapter.linkPath()));
    ASSERT_TRUE(connectAndWait());
    NotificationRecorder outcomes({PacketWriteFinished});

    // 256 KiB for a peer whose terminal takes a few: a write made on the main thread would block
    // there until the peer read, which it never does. Handing them over takes no time at all, however
    // loaded the machine, so a second is a bound no scheduler delay reaches.
    const QByteArray block(4096, char(0x55));
    int queued = 0;
    QElapsedTimer handover;
    handover.start();
    for (int i = 0; i < 64; ++i) {
        queued += store->sendToAdapter(block) != 0;
    }
    EXPECT_LT(handover.elapsed(), 1000);
    ASSERT_EQ(queued, 64);
    ASSERT_TRUE(runUntil([&] { return outcomes.count(PacketWriteFinished) == 64; }, 4000));
    const int failed = failedWrites(outcomes);
    EXPECT_GT(failed, 0) << "what the peer never took is reported as not written";
    EXPECT_LE(qsizetype(64 - failed) * block.size(), adapter.drain())
        << "a block the terminal took only in part is not written";

    // A terminal that is full for a moment only delays the writes.
    outcomes.received.clear();
    for (int i = 0; i < 16; ++i) {
        store->sendToAdapter(QByteArray(4096, '\0'));
    }
    runFor(200);
    adapter.startReading();
    ASSERT_TRUE(runUntil([&] { return outcomes.count(PacketWriteFinished) == 16; }, 4000));
    EXPECT_EQ(failedWrites(outcomes), 0);
}

} // namespace
