#include "AdapterSimulator.h"

#include "AdapterState.h"
#include "ProfileValues.h"

#include <QFile>
#include <QSaveFile>

namespace {

// Host packets may carry the end byte inside (a focal length of 170 is AA 00), so they are framed as
// whole packets of their fixed length; the checksum is left to the decoder, so a bad one is logged.
template <typename Packet> SerialPacketDescriptor hostPacket() {
    return SerialPacketDescriptor::withFixedLengthPacket(packetPrefix<Packet>(), Packet::wireSize,
                                                         QByteArray(1, char(kPacketEnd)));
}

L2PC03_TD defaultProfile(uint8_t lensSeq) {
    static constexpr std::array<uint16_t, kAdapterProfileCount> focalLengths = {35, 50, 85, 135};
    static const QStringList apertures = {"F1.8", "F2.2", "F2.8", "F4.0"};
    L2PC03_TD profile;
    profile.lensSeq = lensSeq;
    profile.WideFlocalLength = focalLengths[lensSeq];
    profile.TeleFlocalLength = focalLengths[lensSeq];
    for (size_t i = 0; i < profile.ApretureValue.size(); ++i) {
        profile.ApretureValue[i] = ProfileValues::apertureIndex(apertures[qsizetype(i)]).value_or(0);
    }
    fillZeroPaddedText(profile.LensNameString.data(), profile.LensNameString.size(),
                       QStringLiteral("Lens ") + ProfileValues::profileLetter(lensSeq));
    profile.calculateChecksum();
    return profile;
}

} // namespace

AdapterSimulator::AdapterSimulator(Options options) : options_(std::move(options)) {
    framer_.startListening(hostPacket<PC2L01_TD>());
    framer_.startListening(hostPacket<PC2L02_TD>());
    framer_.startListening(hostPacket<PC2L03_TD>());
    setCarriedValues(settings_);
    settings_.calculateChecksum();
    for (size_t i = 0; i < profiles_.size(); ++i) {
        profiles_[i] = defaultProfile(static_cast<uint8_t>(i));
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
    const auto info = PC2L01_TD::fromData(packet);
    const auto settings = PC2L02_TD::fromData(packet);
    const auto profile = PC2L03_TD::fromData(packet);
    // The framer passes only host packets of the right prefix and size: a refused one has a bad checksum.
    if (!info && !settings && !profile) {
        writeLog(QStringLiteral("RX %1 (bad checksum, ignored)").arg(packetHexText(packet)));
        return;
    }
    writeLog(QStringLiteral("RX %1").arg(packetHexText(packet)));
    if (info) {
        reply(identity().toData(), replies);
    } else if (settings) {
        handleSettings(*settings, replies);
    } else {
        handleProfile(*profile, replies);
    }
}

L2PC01_TD AdapterSimulator::identity() const {
    L2PC01_TD info;
    fillZeroPaddedText(info.DeviceModel.data(), info.DeviceModel.size(), options_.model);
    fillZeroPaddedText(info.DeviceSN.data(), info.DeviceSN.size(), options_.serialNumber);
    info.VerNo_major = options_.firmwareMajor;
    info.VerNo_minor = options_.firmwareMinor;
    info.calculateChecksum();
    return info;
}

void AdapterSimulator::handleSettings(const PC2L02_TD& request, QList<QByteArray>& replies) {
    if (request.rw == 1) {
        settings_ = L2PC02_TD::fromHostPacket(request);
        if (options_.corruptStoredField == Options::StoredField::DefaultLens) {
            settings_.DefaultCustomLens = uint8_t((settings_.DefaultCustomLens + 1) % kAdapterProfileCount);
            settings_.calculateChecksum();
        }
        saveState();
    } else {
        reply(settings_.toData(), replies);
    }
}

void AdapterSimulator::handleProfile(const PC2L03_TD& request, QList<QByteArray>& replies) {
    if (request.lensSeq >= profiles_.size()) {
        return;
    }
    L2PC03_TD& profile = profiles_[request.lensSeq];
    if (request.rw == 1) {
        profile = L2PC03_TD::fromHostPacket(request);
        if (request.lensSeq == options_.corruptStoredProfile) {
            corruptStored(profile);
        }
        saveState();
    } else {
        reply(profile.toData(), replies);
    }
}

// The line that carries the reply logs it ("TX") once its bytes are written, not here.
void AdapterSimulator::reply(QByteArray packet, QList<QByteArray>& replies) {
    ++repliesSent_;
    if (repliesSent_ == options_.dropReply) {
        writeLog(QStringLiteral("TX %1 (lost, not sent)").arg(packetHexText(packet)));
        return;
    }
    if (options_.corruptEvery > 0 && repliesSent_ % options_.corruptEvery == 0) {
        packet[packet.size() - 2] = char(packet[packet.size() - 2] + 1);
    }
    replies.append(packet);
}

void AdapterSimulator::corruptStored(L2PC03_TD& profile) const {
    switch (options_.corruptStoredField) {
    case Options::StoredField::Aperture:
        profile.ApretureValue[0] = uint8_t(profile.ApretureValue[0] + 1);
        break;
    case Options::StoredField::FocalLength:
        profile.WideFlocalLength = uint16_t(profile.WideFlocalLength + 1);
        break;
    case Options::StoredField::Name:
        profile.LensNameString[0] = uint8_t(profile.LensNameString[0] ^ 0x01);
        break;
    case Options::StoredField::DefaultLens:
        break;
    }
    profile.calculateChecksum();
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
