#pragma once

#include "DataStructures.h"
#include "PacketFramer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <functional>

// The adapter's side of the protocol, without any I/O: host bytes go in, whole reply packets come
// out. It answers the device-information request, and the settings and profile requests with rw 0;
// settings and profiles sent with rw 1 are stored, and kept in a JSON state file when one is given.
class AdapterSimulator {
public:
    struct Options {
        QString model = QStringLiteral("ORVO-EF");
        QString serialNumber = QStringLiteral("ORVO0001");
        uint8_t firmwareMajor = 1;
        uint8_t firmwareMinor = 0;
        QString stateFile;
        // Every Nth reply carries a wrong checksum (0: never).
        int corruptEvery = 0;
        // The profile (lensSeq) stored wrongly when written (-1: none), as a failing memory cell would:
        // its first aperture one stop off, its focal length 1 mm off, or its name's first byte changed;
        // or, with DefaultLens, the settings' default lens stored as the next profile.
        enum class StoredField { Aperture, FocalLength, Name, DefaultLens };
        int corruptStoredProfile = -1;
        StoredField corruptStoredField = StoredField::Aperture;
        // The reply with this number (counted from 1) is lost on the line and never sent (0: none).
        int dropReply = 0;
    };

    explicit AdapterSimulator(Options options);

    // Feeds bytes from the host and returns the replies they call for, in order.
    QList<QByteArray> receive(QByteArrayView bytes);

    // Why the state file was refused (empty when it was read or there was none). A refused file is
    // left alone, and the adapter starts from its defaults.
    QString stateError() const { return stateError_; }
    int packetsReceived() const { return packetsReceived_; }
    const L2PC02_TD& settings() const { return settings_; }
    const L2PC03_TD& profile(int lensSeq) const { return profiles_.at(lensSeq); }

    // One line per packet received ("RX ..."), bytes in hex.
    std::function<void(const QString& line)> log;

private:
    void handle(const QByteArray& packet, QList<QByteArray>& replies);
    L2PC01_TD identity() const;
    void handleSettings(const PC2L02_TD& request, QList<QByteArray>& replies);
    void handleProfile(const PC2L03_TD& request, QList<QByteArray>& replies);
    void reply(QByteArray packet, QList<QByteArray>& replies);
    void corruptStored(L2PC03_TD& profile) const;
    void writeLog(const QString& line) const;
    void loadState();
    void saveState() const;

    Options options_;
    PacketFramer framer_;
    L2PC02_TD settings_;
    std::array<L2PC03_TD, kAdapterProfileCount> profiles_;
    int packetsReceived_ = 0;
    int repliesSent_ = 0;
    QString stateError_;
};
