#include "SimulatedAdapter.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <system_error>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kFloodTickMs = 5;

} // namespace

SimulatedAdapter::SimulatedAdapter(const AdapterSimulator::Options& protocol, const LineOptions& line,
                                   QObject* parent)
    : QObject(parent), protocol_(protocol), line_(line) {
    protocol_.log = [this](const QString& text) { emit logLine(text); };
    writer_ = new QTimer(this);
    writer_->setInterval(line_.chunkSize > 0 ? 1 : 0);
    connect(writer_, &QTimer::timeout, this, &SimulatedAdapter::writeNextChunk);
}

SimulatedAdapter::~SimulatedAdapter() {
    if (isPlugged()) {
        QFile::remove(linkPath_);
        ::close(master_);
        ::close(slave_);
    }
}

bool SimulatedAdapter::start() {
    char slaveName[128] = {};
    if (::openpty(&master_, &slave_, slaveName, nullptr, nullptr) != 0) {
        errorString_ = QStringLiteral("openpty: %1").arg(QString::fromLocal8Bit(std::generic_category().message(errno).c_str()));
        return false;
    }
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, O_NONBLOCK);
    // Raw until the host opens it, so nothing is echoed back at the adapter.
    termios attributes{};
    ::tcgetattr(slave_, &attributes);
    ::cfmakeraw(&attributes);
    ::tcsetattr(slave_, TCSANOW, &attributes);

    QDir().mkpath(line_.portsDirectory);
    linkPath_ = QDir(line_.portsDirectory).filePath(QStringLiteral("usbmodemORVO") + line_.serial);
    QFile::remove(linkPath_); // left over from a run that did not end cleanly
    if (::symlink(slaveName, QFile::encodeName(linkPath_).constData()) != 0) {
        errorString_ =
            QStringLiteral("link %1: %2").arg(linkPath_, QString::fromLocal8Bit(std::generic_category().message(errno).c_str()));
        ::close(master_);
        ::close(slave_);
        master_ = slave_ = -1;
        return false;
    }
    notifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SimulatedAdapter::readHost);
    if (line_.floodBytesPerSecond > 0) {
        startFlood();
    }
    return true;
}

void SimulatedAdapter::unplug() {
    if (!isPlugged()) {
        return;
    }
    emit logLine(QStringLiteral("# unplugged"));
    QFile::remove(linkPath_);
    delete notifier_;
    notifier_ = nullptr;
    writer_->stop();
    outgoing_.clear();
    // Closing both of our ends hangs up the host's side.
    ::close(master_);
    ::close(slave_);
    master_ = slave_ = -1;
    emit unplugged();
}

void SimulatedAdapter::readHost() {
    char buffer[1024];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) {
        return;
    }
    for (const QByteArray& reply : protocol_.receive(QByteArrayView(buffer, n))) {
        if (line_.latencyMs > 0) {
            QTimer::singleShot(line_.latencyMs, this, [this, reply] { queueReply(reply); });
        } else {
            queueReply(reply);
        }
    }
    if (line_.unplugAfter > 0 && protocol_.packetsReceived() >= line_.unplugAfter) {
        unplug();
    } else if (line_.stopReadingAfter > 0 && protocol_.packetsReceived() >= line_.stopReadingAfter) {
        notifier_->setEnabled(false);
    }
}

std::optional<termios> SimulatedAdapter::lineSettings() const {
    termios attributes{};
    if (!isPlugged() || ::tcgetattr(master_, &attributes) != 0) {
        return std::nullopt;
    }
    return attributes;
}

void SimulatedAdapter::queueReply(const QByteArray& reply) {
    if (!isPlugged()) {
        return;
    }
    ++repliesQueued_;
    const bool truncated = line_.truncateEvery > 0 && repliesQueued_ % line_.truncateEvery == 0;
    const QByteArray sent = truncated ? reply.first(reply.size() / 2) : reply;
    QByteArray bytes;
    for (int i = 0; i < line_.noiseBytes; ++i) {
        bytes.append(char(QRandomGenerator::global()->bounded(256)));
    }
    bytes.append(sent);
    const qsizetype step = line_.chunkSize > 0 ? line_.chunkSize : bytes.size();
    for (qsizetype i = 0; i < bytes.size(); i += step) {
        const bool last = i + step >= bytes.size();
        outgoing_.push_back({bytes.mid(i, step), last ? describeReply(sent, truncated) : QString()});
    }
    if (!writer_->isActive()) {
        writer_->start();
    }
}

QString SimulatedAdapter::describeReply(const QByteArray& sent, bool truncated) const {
    QString line = QStringLiteral("TX ") + packetHexText(sent);
    if (truncated) {
        line += QStringLiteral(" (truncated)");
    } else if (packetChecksum(sent) != uint8_t(sent[sent.size() - 2])) {
        line += QStringLiteral(" (checksum corrupted)");
    }
    return line;
}

void SimulatedAdapter::writeNextChunk() {
    if (outgoing_.empty() || !isPlugged()) {
        writer_->stop();
        return;
    }
    Chunk& chunk = outgoing_.front();
    const ssize_t written = ::write(master_, chunk.bytes.constData(), size_t(chunk.bytes.size()));
    if (written > 0) {
        chunk.bytes.remove(0, written);
    }
    if (chunk.bytes.isEmpty()) {
        const QString text = chunk.logWhenWritten;
        outgoing_.pop_front();
        if (!text.isEmpty()) {
            emit logLine(text);
        }
    }
}

void SimulatedAdapter::startFlood() {
    emit logLine(QStringLiteral("# flood of bad packets started"));
    floodClock_.start();
    flood_ = new QTimer(this);
    flood_->setInterval(kFloodTickMs);
    connect(flood_, &QTimer::timeout, this, &SimulatedAdapter::sendFlood);
    flood_->start();
}

// Keeps to the flood's rate in whole packets, and leaves the line to a reply on its way. Bytes the
// terminal does not take are lost, as on a real line, rather than sent late.
void SimulatedAdapter::sendFlood() {
    const qint64 elapsedMs = floodClock_.elapsed();
    if (!isPlugged() || (line_.floodSeconds > 0 && elapsedMs >= qint64(line_.floodSeconds) * 1000)) {
        flood_->stop();
        emit logLine(QStringLiteral("# flood of bad packets stopped after %1 packets").arg(floodPackets_));
        return;
    }
    const qint64 due = elapsedMs * line_.floodBytesPerSecond / 1000;
    QByteArray bytes;
    while (outgoing_.empty() && floodBytesDue_ + bytes.size() < due) {
        bytes += floodPacket();
        ++floodPackets_;
    }
    floodBytesDue_ = std::max(due, floodBytesDue_ + bytes.size());
    if (!bytes.isEmpty()) {
        (void)::write(master_, bytes.constData(), size_t(bytes.size()));
    }
}

// The adapter's settings and profiles in turn, each with its checksum spoiled.
QByteArray SimulatedAdapter::floodPacket() const {
    const int turn = int(floodPackets_ % (kAdapterProfileCount + 1));
    QByteArray packet = turn == 0 ? protocol_.settings().toData() : protocol_.profile(turn - 1).toData();
    packet[packet.size() - 2] = char(packet[packet.size() - 2] + 1);
    return packet;
}
