// Serial ports on real pseudo-terminals: line settings, I/O, framing, exclusivity, hang-up,
// the ports folder and the request queue. Each test process gets its own runtime folder, so the
// port list sees only the ports its test makes.

#include "SerialPort.h"

#include "EventLoop.h"
#include "NotificationCenter.h"
#include "SerialPortManager.h"
#include "SimulatedAdapter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

class PrivateRuntimeDir : public testing::Environment {
public:
    void SetUp() override { qputenv("XDG_RUNTIME_DIR", dir_.path().toLocal8Bit()); }

private:
    QTemporaryDir dir_;
};

[[maybe_unused]] testing::Environment* const runtimeDir =
    testing::AddGlobalTestEnvironment(new PrivateRuntimeDir);

// The far end of a port: a pseudo-terminal whose slave side the port opens through a link in the
// ports folder.
class FarEnd {
public:
    explicit FarEnd(const QString& name = QStringLiteral("usbmodemORVOtest")) {
        char slaveName[128] = {};
        EXPECT_EQ(::openpty(&master_, &slave_, slaveName, nullptr, nullptr), 0);
        termios attributes{};
        ::tcgetattr(slave_, &attributes);
        ::cfmakeraw(&attributes);
        attributes.c_lflag |= ECHO; // so that restoring the saved settings can be seen
        ::tcsetattr(slave_, TCSANOW, &attributes);
        ::fcntl(master_, F_SETFL, O_NONBLOCK);
        slavePath_ = QString::fromLocal8Bit(slaveName);
        QDir().mkpath(SerialPortManager::portsDirectory());
        linkPath_ = QDir(SerialPortManager::portsDirectory()).filePath(name);
        EXPECT_TRUE(QFile::link(slavePath_, linkPath_));
    }
    ~FarEnd() {
        QFile::remove(linkPath_);
        hangUp();
    }

    QString linkPath() const { return linkPath_; }
    QString slavePath() const { return slavePath_; }
    int slave() const { return slave_; }

    void write(const QByteArray& bytes) const {
        ASSERT_EQ(::write(master_, bytes.constData(), bytes.size()), bytes.size());
    }
    QByteArray read() const {
        char buffer[4096];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        return n > 0 ? QByteArray(buffer, n) : QByteArray();
    }
    void hangUp() {
        if (master_ >= 0) {
            ::close(master_);
            ::close(slave_);
            master_ = slave_ = -1;
        }
    }

private:
    int master_ = -1;
    int slave_ = -1;
    QString slavePath_;
    QString linkPath_;
};

struct Recorder : SerialPortDelegate {
    QStringList events;
    QByteArray data;
    QList<QByteArray> packets;
    QList<SerialPortError> errors;
    QList<QByteArray> responses;
    QStringList timedOut;
    bool offMainThread = false;

    void note(const QString& event) {
        offMainThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
        events << event;
    }
    void serialPortWasOpened(const SerialPortPtr&) override { note("opened"); }
    void serialPortWasClosed(const SerialPortPtr& port) override {
        note(port->isOpen() ? "closed-but-open" : "closed");
    }
    void serialPortWasRemovedFromSystem(const SerialPortPtr&) override { note("removed"); }
    void serialPortDidReceiveData(const SerialPortPtr&, const QByteArray& bytes) override {
        note("data");
        data += bytes;
    }
    void serialPortDidReceivePacket(const SerialPortPtr&, const QByteArray& packet,
                                    const SerialPacketDescriptor&) override {
        note("packet");
        packets << packet;
    }
    void serialPortDidEncounterError(const SerialPortPtr&, const SerialPortError& error) override {
        note("error");
        errors << error;
    }
    void serialPortDidReceiveResponse(const SerialPortPtr&, const QByteArray& response,
                                      const SerialRequest&) override {
        note("response");
        responses << response;
    }
    void serialPortRequestDidTimeout(const SerialPortPtr&, const SerialRequest& request) override {
        note("timeout");
        timedOut << request.UUIDString();
    }
};

// The ports of the list that live in the ports folder; the machine may have real ones too.
SerialPortList folderPorts() {
    SerialPortList ports = SerialPortManager::sharedSerialPortManager().availablePorts();
    ports.removeIf([](const SerialPortPtr& port) {
        return !port->path().startsWith(SerialPortManager::portsDirectory());
    });
    return ports;
}

class SerialPortTest : public testing::Test {
protected:
    SerialPortPtr openPort(const QString& path) {
        SerialPortPtr port = SerialPort::serialPortWithPath(path);
        EXPECT_TRUE(port);
        port->setDelegate(&recorder);
        port->setBaudRate(1500000);
        port->open();
        EXPECT_TRUE(port->isOpen());
        EXPECT_TRUE(runUntil([&] { return recorder.events.contains("opened"); }));
        return port;
    }
    void TearDown() override { EXPECT_FALSE(recorder.offMainThread); }

    Recorder recorder;
};

} // namespace

TEST_F(SerialPortTest, portsAreUniquePerPathAndUnknownPathsGiveNone) {
    FarEnd far;
    const SerialPortPtr a = SerialPort::serialPortWithPath(far.linkPath());
    ASSERT_TRUE(a);
    EXPECT_EQ(SerialPort::serialPortWithPath(far.linkPath()), a);
    EXPECT_EQ(a->name(), "usbmodemORVOtest");
    EXPECT_FALSE(SerialPort::serialPortWithPath("/nonexistent/port"));
    EXPECT_FALSE(SerialPort::serialPortWithPath(QDir::tempPath()));
    EXPECT_EQ(SerialPort::allSerialPorts().size(), 1u);
}

TEST_F(SerialPortTest, sendAndReceiveOnlyWhileOpen) {
    FarEnd far;
    const SerialPortPtr port = SerialPort::serialPortWithPath(far.linkPath());
    port->setDelegate(&recorder);
    EXPECT_FALSE(port->sendData("early"));
    port->open();
    EXPECT_TRUE(port->sendData({}));
    EXPECT_TRUE(port->sendData("hello"));
    EXPECT_TRUE(runUntil([&] { return far.read() == "hello"; }, 2000));
    far.write("world");
    EXPECT_TRUE(runUntil([&] { return recorder.data == "world"; }));
    EXPECT_EQ(recorder.events.front(), "opened");
}

TEST_F(SerialPortTest, closeReportsOpenUntilTheDescriptorIsClosedAndRestoresTheTerminal) {
    FarEnd far;
    const SerialPortPtr port = openPort(far.linkPath());
    termios during{};
    ::tcgetattr(far.slave(), &during);
    EXPECT_FALSE(during.c_lflag & ECHO);
    EXPECT_EQ(cfgetospeed(&during), speed_t(B1500000));

    EXPECT_TRUE(port->close());
    EXPECT_TRUE(port->isOpen());
    ASSERT_TRUE(runUntil([&] { return recorder.events.contains("closed"); }));
    EXPECT_FALSE(port->isOpen());
    EXPECT_FALSE(port->sendData("late"));
    termios after{};
    ::tcgetattr(far.slave(), &after);
    EXPECT_TRUE(after.c_lflag & ECHO);

    // And it opens again.
    port->open();
    EXPECT_TRUE(port->isOpen());
    EXPECT_TRUE(port->sendData("again"));
}

TEST_F(SerialPortTest, lineSettingsReachTheTerminalAndRefusalsAreReported) {
    FarEnd far;
    const SerialPortPtr port = openPort(far.linkPath());
    port->setParity(5);
    EXPECT_EQ(port->parity(), SerialPort::Parity::None);
    port->setNumberOfStopBits(2);
    port->setShouldEchoReceivedData(true);
    port->setUsesRTSCTSFlowControl(true); // reopens the port
    EXPECT_TRUE(port->isOpen());
    termios t{};
    ::tcgetattr(port->fileDescriptor(), &t);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_TRUE(t.c_lflag & ECHO);
    EXPECT_FALSE(t.c_lflag & ICANON);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 2);
    EXPECT_TRUE(recorder.errors.isEmpty());

    // A pseudo-terminal carries eight-bit characters only, so it refuses seven.
    port->setNumberOfDataBits(7);
    EXPECT_EQ(port->numberOfDataBits(), 7u);
    ASSERT_EQ(recorder.errors.size(), 1);
    EXPECT_EQ(recorder.errors.front().code, EINVAL);
    EXPECT_EQ(recorder.errors.front().filePath, far.linkPath());
    EXPECT_FALSE(recorder.errors.front().localizedDescription.isEmpty());
    port->setNumberOfDataBits(8);
    EXPECT_EQ(recorder.errors.size(), 1);

    // 250000 has no termios constant: refused unless non-standard rates are allowed.
    port->setBaudRate(250000);
    ASSERT_EQ(recorder.errors.size(), 2);
    EXPECT_EQ(recorder.errors.back().code, EINVAL);
    port->setAllowsNonStandardBaudRates(true);
    EXPECT_EQ(recorder.errors.size(), 2);
    // No modem lines on a pseudo-terminal is no error either.
    runFor(50);
    EXPECT_EQ(recorder.errors.size(), 2);
}

TEST_F(SerialPortTest, framesAdapterPacketsFromTheLine) {
    FarEnd far;
    const SerialPortPtr port = openPort(far.linkPath());
    const auto descriptor =
        SerialPacketDescriptor::withPrefix(QByteArray::fromHex("550213"), QByteArray(1, char(0xAA)), 19);
    port->startListeningForPacketsMatchingDescriptor(descriptor);
    ASSERT_EQ(port->packetDescriptors().size(), 1u);
    // The settings reply of an adapter whose default lens is B.
    const QByteArray packet = QByteArray::fromHex("550213010064"
                                                  "00c800e803"
                                                  "0000d00700"
                                                  "0059aa");
    far.write(QByteArray::fromHex("0012") + packet.left(7));
    runFor(20);
    far.write(packet.mid(7));
    ASSERT_TRUE(runUntil([&] { return recorder.packets.size() == 1; }));
    EXPECT_EQ(recorder.packets.front(), packet);
    port->stopListeningForPacketsMatchingDescriptor(descriptor);
    EXPECT_TRUE(port->packetDescriptors().empty());
}

TEST_F(SerialPortTest, secondOpenerOfAnOpenDeviceIsRefusedAndTheFirstKeepsWorking) {
    FarEnd far;
    const SerialPortPtr first = openPort(far.linkPath());
    first->open(); // already open: nothing happens
    EXPECT_TRUE(recorder.errors.isEmpty());

    Recorder other;
    const SerialPortPtr second = SerialPort::serialPortWithPath(far.slavePath());
    ASSERT_NE(second, first);
    second->setDelegate(&other);
    second->open();
    EXPECT_FALSE(second->isOpen());
    ASSERT_EQ(other.errors.size(), 1);
    EXPECT_EQ(other.errors.front().code, EBUSY);

    far.write("still here");
    EXPECT_TRUE(runUntil([&] { return recorder.data == "still here"; }));
}

TEST_F(SerialPortTest, hangUpIsRemovalThenCloseAndThePortLeavesTheList) {
    FarEnd far;
    ASSERT_EQ(folderPorts().size(), 1);
    const SerialPortPtr port = openPort(far.linkPath());
    EXPECT_EQ(folderPorts().front(), port);

    far.hangUp();
    ASSERT_TRUE(runUntil([&] { return recorder.events.contains("closed"); }));
    const qsizetype removed = recorder.events.indexOf("removed");
    ASSERT_GE(removed, 0);
    EXPECT_LT(removed, recorder.events.indexOf("closed"));
    EXPECT_FALSE(port->isOpen());
    EXPECT_TRUE(runUntil([&] { return folderPorts().isEmpty(); }));
    // No busy loop and no stream of errors after the hang-up.
    runFor(100);
    EXPECT_LE(recorder.events.count("removed"), 2);
}

TEST_F(SerialPortTest, linksInThePortsFolderArriveAndLeave) {
    SerialPortManager& manager = SerialPortManager::sharedSerialPortManager();
    EXPECT_TRUE(folderPorts().isEmpty());
    SerialPortList connected;
    SerialPortList disconnected;
    NotificationCenter::defaultCenter().addObserver(
        this, SerialPortWasConnectedNotification, [&](const Notification& n) {
            EXPECT_EQ(n.object.value<QObject*>(), &manager);
            connected += n.userInfo.value(ConnectedSerialPortsKey).value<SerialPortList>();
        });
    NotificationCenter::defaultCenter().addObserver(
        this, SerialPortWasDisconnectedNotification, [&](const Notification& n) {
            disconnected += n.userInfo.value(DisconnectedSerialPortsKey).value<SerialPortList>();
        });
    {
        FarEnd first("usbmodemORVO1");
        FarEnd second("usbmodemORVO2");
        ASSERT_TRUE(runUntil([&] { return folderPorts().size() == 2; }));
        EXPECT_EQ(connected.size(), 2);
        EXPECT_EQ(folderPorts().front()->path(), first.linkPath());
        EXPECT_EQ(manager.availablePorts().back()->path(), second.linkPath()); // arrivals go last
        openPort(second.linkPath());
    }
    ASSERT_TRUE(runUntil([&] { return folderPorts().isEmpty(); }));
    EXPECT_EQ(disconnected.size(), 2);
    EXPECT_TRUE(runUntil([&] { return recorder.events.contains("closed"); }));
    EXPECT_LT(recorder.events.indexOf("removed"), recorder.events.indexOf("closed"));
    NotificationCenter::defaultCenter().removeObserver(this);
}

TEST_F(SerialPortTest, requestsGetTheirResponseOrTimeOutInOrder) {
    SimulatedAdapter::LineOptions line;
    line.portsDirectory = SerialPortManager::portsDirectory();
    line.chunkSize = 3;
    line.noiseBytes = 4;
    SimulatedAdapter adapter({}, line);
    ASSERT_TRUE(adapter.start());
    const SerialPortPtr port = openPort(adapter.linkPath());

    const auto info =
        SerialPacketDescriptor::withPrefix(QByteArray::fromHex("550127"), QByteArray(1, char(0xAA)), 39);
    const auto never = SerialPacketDescriptor::withPacketData("never");
    const auto answered =
        SerialRequest::requestWithDataToSend(QByteArray::fromHex("5501055BAA"), {}, 2.0, info);
    const auto unanswered = SerialRequest::requestWithDataToSend("?", {}, 0.2, never);
    const auto last = SerialRequest::requestWithDataToSend(QByteArray::fromHex("5501055BAA"), {}, 2.0, info);
    const auto cancelled = SerialRequest::requestWithDataToSend("x", {}, 1.0, never);
    EXPECT_TRUE(port->sendRequest(answered));
    EXPECT_TRUE(port->sendRequest(unanswered));
    EXPECT_TRUE(port->sendRequest(last));
    EXPECT_TRUE(port->sendRequest(cancelled));
    EXPECT_EQ(port->pendingRequest(), answered);
    EXPECT_EQ(port->queuedRequests().size(), 3u);
    port->cancelQueuedRequest(cancelled);
    EXPECT_EQ(port->queuedRequests().size(), 2u);

    ASSERT_TRUE(runUntil([&] { return recorder.responses.size() == 2; }, 4000));
    EXPECT_EQ(recorder.timedOut, QStringList{unanswered.UUIDString()});
    EXPECT_EQ(recorder.responses.front().size(), 39);
    EXPECT_LT(recorder.events.indexOf("response"), recorder.events.indexOf("timeout"));
    EXPECT_FALSE(port->pendingRequest());
}

TEST_F(SerialPortTest, simulatorUnplugIsRemovalAndItsRepliesFrameThroughNoiseAndChunks) {
    SimulatedAdapter::LineOptions line;
    line.portsDirectory = SerialPortManager::portsDirectory();
    line.chunkSize = 5;
    line.noiseBytes = 3;
    line.latencyMs = 10;
    SimulatedAdapter adapter({}, line);
    ASSERT_TRUE(adapter.start());
    ASSERT_EQ(folderPorts().size(), 1);
    const SerialPortPtr port = openPort(adapter.linkPath());
    port->startListeningForPacketsMatchingDescriptor(
        SerialPacketDescriptor::withPrefix(QByteArray::fromHex("550127"), QByteArray(1, char(0xAA)), 39));
    for (int i = 0; i < 3; ++i) {
        port->sendData(QByteArray::fromHex("5501055BAA"));
    }
    ASSERT_TRUE(runUntil([&] { return recorder.packets.size() == 3; }));

    adapter.unplug();
    ASSERT_TRUE(runUntil([&] { return recorder.events.contains("closed") && folderPorts().isEmpty(); }));
    EXPECT_LT(recorder.events.indexOf("removed"), recorder.events.indexOf("closed"));
}
