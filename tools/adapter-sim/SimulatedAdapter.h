#pragma once

#include "AdapterSimulator.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <deque>
#include <optional>
#include <termios.h>

class QSocketNotifier;
class QTimer;

// Plays the adapter on a pseudo-terminal linked into a ports folder as usbmodemORVO<serial>, with
// optional faults on the line. Runs on the thread's event loop, so tests can host it in-process.
class SimulatedAdapter : public QObject {
    Q_OBJECT

public:
    struct LineOptions {
        QString portsDirectory;
        QString serial = QStringLiteral("0001");
        int latencyMs = 0;
        // Replies go out in pieces of this many bytes, a millisecond apart (0: whole).
        int chunkSize = 0;
        // Random bytes, the header byte among them, sent before each reply.
        int noiseBytes = 0;
        // Every nth reply is cut off after its first half, as by a glitch on the line (0: never).
        int truncateEvery = 0;
        // Unplug after this many packets received (0: never).
        int unplugAfter = 0;
        // Stop reading the terminal after this many packets received, as a device that hangs (0: never).
        int stopReadingAfter = 0;
        // Packets with a wrong checksum, this many bytes a second between replies, as from a faulty
        // cable (0: none); for floodSeconds seconds from the start (0: until the end).
        int floodBytesPerSecond = 0;
        int floodSeconds = 0;
    };

    SimulatedAdapter(const AdapterSimulator::Options& protocol, const LineOptions& line,
                     QObject* parent = nullptr);
    ~SimulatedAdapter() override;

    // False, with errorString() set, if the terminal or the link could not be made.
    bool start();
    QString errorString() const { return errorString_; }
    QString linkPath() const { return linkPath_; }
    AdapterSimulator& protocol() { return protocol_; }

    // Like pulling the cable: the link goes and the terminal hangs up.
    void unplug();
    bool isPlugged() const { return master_ >= 0; }
    // The terminal's settings as the host left them: both ends of a pseudo-terminal share them.
    std::optional<termios> lineSettings() const;

signals:
    void unplugged();
    void logLine(const QString& line);

private:
    // Bytes for the line; a chunk that ends a reply logs it ("TX ...") once it is written whole.
    struct Chunk {
        QByteArray bytes;
        QString logWhenWritten;
    };

    void readHost();
    void queueReply(const QByteArray& reply);
    QString describeReply(const QByteArray& sent, bool truncated) const;
    void writeNextChunk();
    void startFlood();
    void sendFlood();
    QByteArray floodPacket() const;

    AdapterSimulator protocol_;
    LineOptions line_;
    QString linkPath_;
    QString errorString_;
    int master_ = -1;
    // Held open so the master side never sees a hang-up while no host has the port open.
    int slave_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* writer_ = nullptr;
    std::deque<Chunk> outgoing_;
    int repliesQueued_ = 0;
    QTimer* flood_ = nullptr;
    QElapsedTimer floodClock_;
    qint64 floodBytesDue_ = 0;
    qint64 floodPackets_ = 0;
};
