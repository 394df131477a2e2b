#include "AdapterSimulator.h"

#include "AdapterState.h"

#include <QFile>
#include <QSaveFile>

namespace {

constexpr int kHostInfoLength = 5;
constexpr int kHostSettingsLength = 20;
constexpr int kHostProfileLength = 55;

uint16_t u16At(const QByteArray& p, int offset) {
    return static_cast<uint16_t>(uint8_t(p[offset]) | (uint8_t(p[offset + 1]) << 8));
}

uint32_t u32At(const QByteArray& p, int offset) {
    return u16At(p, offset) | (static_cast<uint32_t>(u16At(p, offset + 2)) << 16);
}

L2PC03_TD defaultProfile(uint8_t lensSeq) {
    static constexpr uint16_t focalLengths[] = {35, 50, 85, 135};
    L2PC03_TD profile;
    profile.lensSeq = lensSeq;
    profile.WideFlocalLength = focalLengths[lensSeq];
    profile.TeleFlocalLength = focalLengths[lensSeq];
    profile.ApretureValue = {4, 6, 8, 11};
    fillZeroPaddedText(profile.LensNameString.data(), profile.LensNameString.size(),
                       QStringLiteral("Lens %1").arg(QChar(u'A' + lensSeq)));
    profile.calculateChecksum();
    return profile;
}

} // namespace

QString hexLine(QByteArrayView bytes) {
    return QString::fromLatin1(bytes.toByteArray().toHex(' ').toUpper());
}

AdapterSimulator::AdapterSimulator(Options options) : options_(std::move(options)) {
    // Host packets may carry the end byte inside (a focal length of 170 is AA 00), so they are
    // framed as whole packets of their fixed length.
    framer_.startListening(SerialPacketDescriptor::withFixedLengthPacket(
        QByteArray::fromHex("550105"), kHostInfoLength, QByteArray(1, char(kPacketEnd))));
    framer_.startListening(SerialPacketDescriptor::withFixedLengthPacket(
        QByteArray::fromHex("550214"), kHostSettingsLength, QByteArray(1, char(kPacketEnd))));
    framer_.startListening(SerialPacketDescriptor::withFixedLengthPacket(
        QByteArray::fromHex("550337"), kHostProfileLength, QByteArray(1, char(kPacketEnd))));
    settings_.U16_1 = 100;
    settings_.U16_2 = 200;
    settings_.U32_1 = 1000;
    settings_.U32_2 = 2000;
    for (uint8_t i = 0; i < profiles_.size(); ++i) {
        profiles_[i] = defaultProfile(i);
    }
    loadState();
}

QList<QByteArray> AdapterSimulator::receive(QByteArrayView bytes) {
    QList<QByteArray> replies;
    framer_.feed(bytes,
                 [&](const QByteArray& packet, const SerialPacketDescriptor&) { handle(packet, replies); });
    return replies;
}

void AdapterSimulator::handle(const QByteArray& packet, QList<QByteArray>& replies) {
    ++packetsReceived_;
    if (packetChecksum(packet) != uint8_t(packet[packet.size() - 2])) {
        writeLog(QStringLiteral("RX %1 (bad checksum, ignored)").arg(hexLine(packet)));
        return;
    }
    writeLog(QStringLiteral("RX %1").arg(hexLine(packet)));

    const uint8_t command = uint8_t(packet[1]);
    if (command == 0x01) {
        L2PC01_TD info;
        fillZeroPaddedText(info.DeviceModel.data(), info.DeviceModel.size(), options_.model);
        fillZeroPaddedText(info.DeviceSN.data(), info.DeviceSN.size(), options_.serialNumber);
        info.VerNo_major = options_.firmwareMajor;
        info.VerNo_minor = options_.firmwareMinor;
        info.calculateChecksum();
        replies.append(reply(info.toData()));
        return;
    }
    const bool write = packet[3] == 1;
    if (command == 0x02) {
        if (write) {
            settings_.DefaultCustomLens = uint8_t(packet[4]);
            settings_.U8_2 = uint8_t(packet[5]);
            settings_.U16_1 = u16At(packet, 6);
            settings_.U16_2 = u16At(packet, 8);
            settings_.U32_1 = u32At(packet, 10);
            settings_.U32_2 = u32At(packet, 14);
            settings_.calculateChecksum();
            saveState();
        } else {
            settings_.calculateChecksum();
            replies.append(reply(settings_.toData()));
        }
        return;
    }
    const uint8_t lensSeq = uint8_t(packet[4]);
    if (lensSeq >= profiles_.size()) {
        return;
    }
    L2PC03_TD& profile = profiles_[lensSeq];
    if (write) {
        profile.WideFlocalLength = u16At(packet, 5);
        profile.TeleFlocalLength = u16At(packet, 7);
        std::copy_n(packet.constData() + 9, profile.ApretureValue.size(), profile.ApretureValue.begin());
        std::copy_n(packet.constData() + 13, profile.LensNameString.size(), profile.LensNameString.begin());
        if (lensSeq == options_.corruptStoredProfile) {
            profile.ApretureValue[0] = uint8_t(profile.ApretureValue[0] + 1);
        }
        profile.calculateChecksum();
        saveState();
    } else {
        replies.append(reply(profile.toData()));
    }
}

// The line that carries the reply logs it ("TX") once its bytes are written, not here.
QByteArray AdapterSimulator::reply(QByteArray packet) {
    ++repliesSent_;
    if (options_.corruptEvery > 0 && repliesSent_ % options_.corruptEvery == 0) {
        packet[packet.size() - 2] = char(packet[packet.size() - 2] + 1);
    }
    return packet;
}

void AdapterSimulator::writeLog(const QString& line) const {
    if (log) {
        log(line);
    }
}

void AdapterSimulator::loadState() {
    QFile file(options_.stateFile);
    if (options_.stateFile.isEmpty() || !file.exists()) {
        return;
    }
    AdapterState state{settings_, profiles_};
    if (!file.open(QIODevice::ReadOnly)) {
        stateError_ = QStringLiteral("%1: %2").arg(options_.stateFile, file.errorString());
    } else if (const std::optional<QString> refused = state.readJson(file.readAll())) {
        stateError_ = QStringLiteral("%1: %2").arg(options_.stateFile, *refused);
    } else {
        settings_ = state.settings;
        profiles_ = state.profiles;
    }
}

void AdapterSimulator::saveState() const {
    if (options_.stateFile.isEmpty() || !stateError_.isEmpty()) {
        return;
    }
    QSaveFile file(options_.stateFile);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(AdapterState{settings_, profiles_}.toJson());
        file.commit();
    }
}
