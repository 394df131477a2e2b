// Saving end to end: backup first, each write checked, read back and compared, against the simulated
// adapter on a real pseudo-terminal. Only a verified save may ever be reported as one.

#include "AdapterLine.h"
#include "AdapterTestEnvironment.h"
#include "BackupStore.h"
#include "DataStructureManager.h"
#include "EventLoop.h"
#include "FullDisk.h"
#include "NotificationNames.h"
#include "NotificationRecorder.h"
#include "ReadOutSequence.h"
#include "SerialPortManager.h"
#include "Settings.h"
#include "SimulatedAdapter.h"
#include "WriteSequence.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using Result = WriteSequence::Result;
using Part = WriteSequence::Part;

class SaveStories : public AdapterTest {
protected:
    void SetUp() override {
        AdapterTest::SetUp();
        qputenv("XDG_STATE_HOME", state.path().toUtf8());
    }
    void TearDown() override {
        store.serialController->disconnect();
        runUntil([&] { return !store.getConnectionStatus().isConnected(); }, 1000);
        AdapterTest::TearDown();
    }

    // Plugs an adapter, connects and reads it out completely.
    void plugAndRead(const AdapterSimulator::Options& protocol = {},
                     const SimulatedAdapter::LineOptions& line = {}) {
        adapter = plugSimulatedAdapter(QString::number(++serial), protocol, line);
        // Its own port: a port of an earlier case may not have left the list yet.
        store.connectToPort(adapter->linkPath(), kAdapterBaudRate);
        ASSERT_TRUE(runUntil([&] { return store.currentConnectionNumber() != 0; }));
        QSignalSpy finished(&readOut, &ReadOutSequence::finished);
        readOut.start(store.currentConnectionNumber());
        ASSERT_TRUE(runUntil([&] { return !finished.isEmpty(); }, 5000));
        ASSERT_TRUE(readOut.isComplete());
    }

    // Profile B becomes a 35 mm F2.8 lens and D the default; everything else is written as it was read.
    WriteSequence::Outcome save() {
        AdapterSnapshot target = store.adapterSnapshot();
        target.settings.DefaultCustomLens = 1;
        L2PC03_TD& b = target.profiles[1];
        b.WideFlocalLength = b.TeleFlocalLength = 35;
        b.ApretureValue = {8, 11, 14, 17};
        fillZeroPaddedText(b.LensNameString.data(), b.LensNameString.size(), QStringLiteral("Summicron 35"));
        std::optional<WriteSequence::Outcome> outcome;
        const QMetaObject::Connection heard = QObject::connect(
            &writer, &WriteSequence::finished, [&](const WriteSequence::Outcome& o) { outcome = o; });
        writer.start(target);
        runUntil([&] { return outcome.has_value(); }, 10000);
        QObject::disconnect(heard);
        return outcome.value_or(WriteSequence::Outcome{});
    }

    inline static int serial = 7700;
    QTemporaryDir state;
    DataStructureManager store;
    ReadOutSequence readOut{store};
    WriteSequence writer{store, readOut};
    std::unique_ptr<SimulatedAdapter> adapter;
};

} // namespace

TEST_F(SaveStories, anUnplugAfterTwoWritesIsAnInterruptionNeverASuccess) {
    SimulatedAdapter::LineOptions line;
    line.unplugAfter = 6 + 2; // the read-out's six requests, then two of the save's packets
    plugAndRead({}, line);
    const WriteSequence::Outcome outcome = save();
    EXPECT_EQ(outcome.result, Result::Interrupted);
    EXPECT_TRUE(outcome.unwritten.contains(Part::ProfileB) && outcome.unwritten.contains(Part::ProfileD));
    EXPECT_FALSE(outcome.backupPath.isEmpty());
    EXPECT_TRUE(QFile::exists(outcome.backupPath));
}

TEST_F(SaveStories, anAdapterThatStoresAFieldWronglyFailsVerificationNamingItsValues) {
    using Stored = AdapterSimulator::Options::StoredField;
    using Field = WriteSequence::Mismatch::Field;
    const struct {
        Stored stored;
        Part part;
        Field field;
        QString sent, read;
    } cases[] = {{Stored::Aperture, Part::ProfileB, Field::Aperture, "F2.8", "F3.2"},
                 {Stored::FocalLength, Part::ProfileB, Field::FocalLength, "35", "36"},
                 {Stored::Name, Part::ProfileB, Field::Name, "Summicron 35", "Rummicron 35"},
                 {Stored::DefaultLens, Part::Settings, Field::DefaultLens, "B", "C"}};
    for (const auto& c : cases) {
        AdapterSimulator::Options protocol;
        protocol.corruptStoredProfile = 1;
        protocol.corruptStoredField = c.stored;
        plugAndRead(protocol);
        const WriteSequence::Outcome outcome = save();
        EXPECT_EQ(outcome.result, Result::NotVerified);
        ASSERT_EQ(outcome.mismatches.size(), 1);
        const WriteSequence::Mismatch& m = outcome.mismatches[0];
        EXPECT_EQ(std::tie(m.part, m.field, m.sent, m.read), std::tie(c.part, c.field, c.sent, c.read));
        EXPECT_TRUE(outcome.unanswered.isEmpty()) << "the part answered, with other values";
        store.serialController->disconnect();
        runUntil([&] { return !store.getConnectionStatus().isConnected(); }, 1000);
    }
}

// The line is set as the adapter needs it; the settings' read-back answer lost in the save (after six
// read-out answers and the save's device request) is asked for again.
TEST_F(SaveStories, theLineIsSetAsTheAdapterNeedsItAndALostReadBackAnswerIsAskedForAgain) {
    AdapterSimulator::Options protocol;
    protocol.dropReply = 6 + 1 + 1;
    plugAndRead(protocol);
    const auto line = adapter->lineSettings();
    ASSERT_TRUE(line);
    EXPECT_EQ(cfgetospeed(&*line), speed_t(B1500000));
    EXPECT_EQ(cfgetispeed(&*line), speed_t(B1500000));
    EXPECT_EQ(line->c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(line->c_cflag & (CSTOPB | PARENB | CRTSCTS), 0u) << "one stop bit, no parity, no flow control";
    EXPECT_EQ(save().result, Result::Verified);
    EXPECT_EQ(adapter->protocol().settings().DefaultCustomLens, 1);
}

// A first save keeps the old values, verifies and leaves the new ones on the adapter; the cable goes
// right after the second one's last write (however many read-back requests the first one needed).
TEST_F(SaveStories, aSaveVerifiesButAnUnplugAfterTheLastWriteIsWrittenNotVerifiedWithEveryPartNamed) {
    plugAndRead();
    const L2PC03_TD overwritten = adapter->protocol().profile(1);
    const WriteSequence::Outcome verified = save();
    ASSERT_EQ(verified.result, Result::Verified);
    EXPECT_TRUE(verified.mismatches.isEmpty());
    const QList<BackupStore::Entry> kept = BackupStore::list("ORVO0001");
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(kept[0].path, verified.backupPath);
    EXPECT_EQ(kept[0].snapshot.profiles[1].toData(), overwritten.toData())
        << "the backup holds what was overwritten";
    EXPECT_EQ(adapter->protocol().settings().DefaultCustomLens, 1);

    const int before = adapter->protocol().packetsReceived();
    QTimer cable;
    QObject::connect(&cable, &QTimer::timeout, [&] {
        if (adapter->isPlugged() &&
            adapter->protocol().packetsReceived() >= before + WriteSequence::kWriteCount) {
            adapter->unplug();
        }
    });
    cable.start(1);
    const WriteSequence::Outcome outcome = save();
    EXPECT_EQ(outcome.result, Result::NotVerified);
    EXPECT_TRUE(outcome.unwritten.isEmpty());
    EXPECT_TRUE(outcome.mismatches.isEmpty()) << "no part answered, so none holds other values";
    EXPECT_EQ(outcome.unanswered.size(), WriteSequence::kPartCount);
    EXPECT_EQ(adapter->protocol().profile(1).getLensNameString(), "Summicron 35");
}

// A file where the backup folder must go, and a full disk: the save stops before any byte is sent and
// leaves no backup behind.
TEST_F(SaveStories, aBackupThatCannotBeWrittenStopsTheSaveBeforeAnyByte) {
    plugAndRead();
    QFile blocker(state.filePath("orvo"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    FullDisk disk({"orvo/backups/ORVO0001"});
    for (const QString& home : {state.path(), disk.path()}) {
        SCOPED_TRACE(home.toStdString());
        qputenv("XDG_STATE_HOME", home.toUtf8());
        const int received = adapter->protocol().packetsReceived();
        const WriteSequence::Outcome outcome = save();
        EXPECT_EQ(outcome.result, Result::BackupFailed);
        EXPECT_FALSE(outcome.detail.isEmpty());
        runFor(300);
        EXPECT_EQ(adapter->protocol().packetsReceived(), received);
        if (!disk.mounted()) {
            GTEST_SKIP() << "a full disk needs a tmpfs, and mounting one needs root";
        }
    }
    EXPECT_TRUE(QDir(disk.path() + "/orvo/backups/ORVO0001").entryList(QDir::Files).isEmpty());
}

TEST_F(SaveStories, writesTheDeviceNeverTakesAreAnInterruptionNeverAVerifiedOrUnverifiedSave) {
    SimulatedAdapter::LineOptions line;
    line.stopReadingAfter = 6; // it answers the read-out, then hangs
    plugAndRead({}, line);
    // Fill the terminal so that nothing the save sends can get through.
    for (int i = 0; i < 32; ++i) {
        store.sendToAdapter(QByteArray(4096, '\0'));
    }
    const WriteSequence::Outcome outcome = save();
    EXPECT_EQ(outcome.result, Result::Interrupted);
    EXPECT_EQ(outcome.unwritten.size(), WriteSequence::kPartCount);
}

// A read-out whose connection went ends quietly and never completes on the next one. Neither a read-out of
// an earlier connection, nor an unfinished one, nor a gone adapter lets a save start: nothing is sent
// and no backup is made.
TEST_F(SaveStories, aReadOutOfAnEarlierConnectionOrUnfinishedOrAGoneAdapterLetsNoSaveStart) {
    plugAndRead();
    ReadOutSequence stale(store);
    QSignalSpy staleFinished(&stale, &ReadOutSequence::finished);
    stale.start(store.currentConnectionNumber());
    // The same adapter's port closed and opened again: a connection of its own.
    const SerialPortPtr port = store.serialController->serialPort;
    store.serialController->disconnect();
    ASSERT_TRUE(runUntil([&] { return !port->isOpen(); }));
    store.connectToPort(adapter->linkPath(), kAdapterBaudRate);
    ASSERT_TRUE(runUntil([&] { return store.currentConnectionNumber() != 0; }));
    const int received = adapter->protocol().packetsReceived();
    EXPECT_EQ(save().result, Result::ReadOutIncomplete);
    runFor(300);
    EXPECT_EQ(adapter->protocol().packetsReceived(), received);

    QSignalSpy fresh(&readOut, &ReadOutSequence::finished);
    readOut.start(store.currentConnectionNumber());
    EXPECT_EQ(save().result, Result::ReadOutIncomplete);
    ASSERT_TRUE(runUntil([&] { return !fresh.isEmpty(); }, 5000));
    runFor(600);
    EXPECT_TRUE(readOut.isComplete());
    EXPECT_FALSE(stale.isRunning());
    EXPECT_TRUE(staleFinished.isEmpty()) << "a read-out of a connection that went never reports one";

    adapter->unplug();
    ASSERT_TRUE(runUntil([&] { return store.currentConnectionNumber() == 0; }));
    EXPECT_EQ(save().result, Result::NoAdapter);
    EXPECT_TRUE(BackupStore::list("ORVO0001").isEmpty());
}
