// Serial ports on real pseudo-terminals: I/O, exclusivity, hang-up, the ports folder and a flood of
// bad packets. Each test process gets its own ports folder, so the port list sees only the ports
// its test makes.

#include "SerialPort.h"

#include "AdapterTestEnvironment.h"
#include "EventLoop.h"
#include "NotificationRecorder.h"
#include "SerialPortManager.h"
#include "SerialWriteQueue.h"
#include "TestSideAdapter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// The far end of a port: a pseudo-terminal linked into the ports folder, which the test reads and
// writes itself.
struct FarEnd : TestSideAdapter {
    explicit FarEnd(const QString& serial = QStringLiteral("test"))
        : TestSideAdapter(SerialPortManager::portsDirectory(), serial, /*reads=*/false) {}
};

struct Recorder : SerialPortDelegate {
    void note(const QString& event) {
        offMainThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
        events << event;
    }
    void serialPortWasOpened(const SerialPortPtr&) override { note("opened"); }
    void serialPortWasClosed(const SerialPortPtr& port) override {
        note(port->isOpen() ? "still open" : "closed");
    }
    void serialPortWasRemovedFromSystem(const SerialPortPtr&) override { note("removed"); }
    void serialPortDidReceiveData(const SerialPortPtr&, const QByteArray& bytes) override { data += bytes; }
    void serialPortDidReceivePacket(const SerialPortPtr&, const QByteArray& packet,
                                    const SerialPacketDescriptor& descriptor) override {
        (descriptor.passesIntegrityCheck(packet) ? packets : badPackets) << packet;
    }
    void serialPortDidDropPackets(const SerialPortPtr&, const SerialPacketDescriptor&,
                                  qsizetype count) override {
        droppedPackets += count;
    }
    void serialPortDidEncounterError(const SerialPortPtr&, const SerialPortError& e) override {
        errors << e.code;
    }

    QStringList events;
    QByteArray data;
    QList<QByteArray> packets;
    QList<QByteArray> badPackets;
    qsizetype droppedPackets = 0;
    QList<int> errors;
    bool offMainThread = false;
};

// The ports of the list that live in the ports folder; the machine may have real ones too.
qsizetype portsInFolder() {
    return std::ranges::count_if(
        SerialPortManager::sharedSerialPortManager().availablePorts(),
        [](const SerialPortPtr& p) { return p->path().startsWith(SerialPortManager::portsDirectory()); });
}

class SerialPortTest : public AdapterTest {
protected:
    SerialPortPtr openPort(const QString& path) {
        SerialPortPtr port = SerialPort::serialPortWithPath(path);
        port->setDelegate(&recorder);
        opened.push_back(port);
        port->setBaudRate(1500000);
        port->open();
        EXPECT_TRUE(runUntil([&] { return recorder.events.contains("opened"); }));
        return port;
    }
    bool closed() {
        return runUntil([&] { return recorder.events.contains("closed"); });
    }
    // A port outlives the case that opened it: what it still reports must not reach this recorder.
    void TearDown() override {
        EXPECT_FALSE(recorder.offMainThread);
        for (const SerialPortPtr& port : opened) {
            if (port->delegate() == &recorder) {
                port->setDelegate(nullptr);
            }
        }
        AdapterTest::TearDown();
    }

    Recorder recorder;
    std::vector<SerialPortPtr> opened;
};

} // namespace

TEST_F(SerialPortTest, sendsAndReceivesOnlyWhileOpenAndKeepsTheDeviceToItself) {
    FarEnd far;
    const SerialPortPtr port = SerialPort::serialPortWithPath(far.linkPath());
    EXPECT_EQ(SerialPort::serialPortWithPath(far.linkPath()), port);
    EXPECT_FALSE(port->sendData("early"));
    openPort(far.linkPath());
    port->open(); // already open: nothing happens
    port->setParity(5);
    EXPECT_EQ(port->parity(), SerialPort::Parity::None);

    Recorder other;
    const SerialPortPtr second = SerialPort::serialPortWithPath(far.devicePath());
    second->setDelegate(&other);
    second->open();
    EXPECT_FALSE(second->isOpen());
    EXPECT_EQ(other.errors, QList<int>{EBUSY});
    EXPECT_TRUE(recorder.errors.isEmpty());

    EXPECT_TRUE(port->sendData({}));
    EXPECT_TRUE(port->sendData("hello"));
    // Writes leave from the port's thread: collect what arrives until all of it is there.
    QByteArray arrived;
    EXPECT_TRUE(runUntil([&] {
        char buffer[16];
        const ssize_t n = ::read(far.descriptor(), buffer, sizeof buffer);
        arrived += QByteArray(buffer, std::max<ssize_t>(n, 0));
        return arrived == "hello";
    }));
    EXPECT_EQ(::write(far.descriptor(), "world", 5), 5);
    EXPECT_TRUE(runUntil([&] { return recorder.data == "world"; }));

    // Open until the descriptor is really closed.
    EXPECT_TRUE(port->close());
    EXPECT_TRUE(port->isOpen());
    ASSERT_TRUE(closed());
    EXPECT_FALSE(port->isOpen());
    EXPECT_FALSE(port->sendData("late"));
}

// A far end that goes hangs its port up: removed, then closed, and gone from the list.
TEST_F(SerialPortTest, linksInThePortsFolderArriveAndLeave) {
    NotificationRecorder notifications(
        {SerialPortWasConnectedNotification, SerialPortWasDisconnectedNotification});
    EXPECT_EQ(portsInFolder(), 0); // the manager watches the folder from here on
    {
        FarEnd first("1");
        FarEnd second("2");
        ASSERT_TRUE(runUntil([&] { return portsInFolder() == 2; }));
        openPort(second.linkPath());
    }
    ASSERT_TRUE(runUntil([&] { return portsInFolder() == 0; }));
    qsizetype connected = 0;
    qsizetype disconnected = 0;
    for (const Notification& n : notifications.received) {
        connected += n.userInfo.value(ConnectedSerialPortsKey).value<SerialPortList>().size();
        disconnected += n.userInfo.value(DisconnectedSerialPortsKey).value<SerialPortList>().size();
    }
    EXPECT_EQ(connected, 2);
    EXPECT_EQ(disconnected, 2);
    ASSERT_TRUE(closed());
    EXPECT_EQ(recorder.events.indexOf("removed"), 1);
    EXPECT_GT(recorder.events.indexOf("closed"), 1);
}

// Why an open failed, told apart once for the window and the command-line tool alike.
TEST_F(SerialPortTest, aFailedOpenSaysWhetherThePortIsBusyGoneOrNoTerminal) {
    const auto causeOfOpening = [this](const SerialPortPtr& port) {
        recorder.errors.clear();
        port->setDelegate(&recorder);
        opened.push_back(port);
        port->open();
        EXPECT_FALSE(port->isOpen());
        return recorder.errors.isEmpty() ? SerialPortError::Cause::Other
                                         : SerialPortError::causeOf(recorder.errors.first());
    };

    QDir().mkpath(SerialPortManager::portsDirectory());
    const QString nullLink = QDir(SerialPortManager::portsDirectory()).filePath("usbmodemORVOnull");
    QFile::remove(nullLink);
    ASSERT_TRUE(QFile::link("/dev/null", nullLink)); // a character device, but no terminal
    EXPECT_EQ(causeOfOpening(SerialPort::serialPortWithPath(nullLink)), SerialPortError::Cause::NotATerminal);
    QFile::remove(nullLink);

    FarEnd held("held");
    const int holder = ::open(QFile::encodeName(held.devicePath()).constData(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(causeOfOpening(SerialPort::serialPortWithPath(held.linkPath())), SerialPortError::Cause::Busy);
    ::close(holder);

    FarEnd gone("gone");
    const SerialPortPtr port = SerialPort::serialPortWithPath(gone.linkPath());
    QFile::remove(gone.linkPath()); // unplugged between listing and opening
    EXPECT_EQ(causeOfOpening(port), SerialPortError::Cause::Missing);
}

// Bad packets pour in while the main thread is busy: what waits for it stays bounded (the bad ones
// beyond a limit are only counted) and the good packet behind them still arrives.
TEST_F(SerialPortTest, aFloodOfBadPacketsIsBoundedAndKeepsTheGoodPacket) {
    FarEnd far;
    const SerialPortPtr port = openPort(far.linkPath());
    port->startListeningForPacketsMatchingDescriptor(SerialPacketDescriptor::withFixedLengthPacket(
        "P", 4, "!", {}, [](QByteArrayView packet) { return packet[1] == packet[2]; }));
    const QByteArray line = QByteArray("Pab!").repeated(5000) + "P11!";
    for (qsizetype written = 0; written < line.size();) {
        const ssize_t n =
            ::write(far.descriptor(), line.constData() + written, size_t(line.size() - written));
        written += std::max<ssize_t>(n, 0);
    }
    QThread::msleep(300); // the port's thread reads it all meanwhile
    ASSERT_TRUE(runUntil([&] { return !recorder.packets.isEmpty(); }));
    EXPECT_EQ(recorder.packets, QList<QByteArray>{"P11!"});
    EXPECT_LE(recorder.badPackets.size(), 256);
    EXPECT_EQ(recorder.badPackets.size() + recorder.droppedPackets, 5000);
    port->close();
    EXPECT_TRUE(closed());
}

// A pipe of one page takes exactly 4096 bytes of a larger block: the block must stay queued with
// the rest, and be reported written only once the rest went too. A terminal's take depends on its
// buffering and the machine's load, so only a pipe makes this certain.
TEST(SerialWriteQueueOnAPipe, aBlockTakenOnlyInPartStaysQueuedUntilTheRestIsTaken) {
    int pipeEnds[2];
    ASSERT_EQ(::pipe2(pipeEnds, O_NONBLOCK), 0);
    ASSERT_EQ(::fcntl(pipeEnds[1], F_SETPIPE_SZ, 4096), 4096);
    SerialWriteQueue queue;
    const QByteArray block(6000, char(0x55));
    queue.push(block, 1);
    std::vector<SerialWriteOutcome> finished;
    EXPECT_EQ(queue.writeTo(pipeEnds[1], finished), 0);
    EXPECT_TRUE(finished.empty());
    EXPECT_FALSE(queue.isEmpty());
    char sink[8192];
    EXPECT_EQ(::read(pipeEnds[0], sink, sizeof sink), 4096);
    queue.writeTo(pipeEnds[1], finished);
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_TRUE(finished.front().written());
    EXPECT_EQ(::read(pipeEnds[0], sink, sizeof sink), 6000 - 4096);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}
