// Moving data between the adapter packets and the controls: received device information, default
// lens and profiles fill the window; the controls are copied back into the host packets and sent,
// as read requests after a connection and as writes when the user saves.

#include "DataStructureManager.h"
#include "MainQueue.h"
#include "ORVOPresentation.h"
#include "TextKeys.h"
#include "ViewController.h"

#include <QComboBox>
#include <QLineEdit>
#include <limits>

namespace {

constexpr int kChainStepMs = 200;

// The leading whole number of a field, as a typed "85mm" reads 85 and an empty field 0.
// Saturates far outside the 16-bit range so that the range check sees it.
qint64 integerValue(const QString& text) {
    const QString trimmed = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed[i] == '-' || trimmed[i] == '+')) {
        negative = trimmed[i] == '-';
        ++i;
    }
    qint64 value = 0;
    for (; i < trimmed.size() && trimmed[i] >= '0' && trimmed[i] <= '9'; ++i) {
        value = std::min<qint64>(value * 10 + (trimmed[i].unicode() - '0'), std::numeric_limits<int>::max());
    }
    return negative ? -value : value;
}

bool isFocalLengthInRange(qint64 value) {
    return value >= 0 && value <= 65535;
}

} // namespace

QString ViewController::firmwareText(uint8_t major, uint8_t minor) {
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor >> 4).arg(minor & 0x0F);
}

// ---- Inbound

void ViewController::handleReceivedL2PC01Packet() {
    if (!dataManager.l2pc01Packet) {
        appendToPrintView(QStringLiteral("\nL2PC01_TD数据包不可用"));
        return;
    }
    const L2PC01_TD& info = *dataManager.l2pc01Packet;
    DeviceModel_Text->setText(info.getDeviceModelString());
    DeviceSN_Text->setText(info.getDeviceSNString());
    FW_Version_Text->setText(firmwareText(info.VerNo_major, info.VerNo_minor));
}

void ViewController::handleReceivedL2PC02Packet() {
    if (!dataManager.l2pc02Packet) {
        appendToPrintView(QStringLiteral("\nL2PC02_TD数据包不可用"));
        return;
    }
    const int index = dataManager.l2pc02Packet->DefaultCustomLens;
    if (index < Default_LensSeq->count()) {
        Default_LensSeq->setCurrentIndex(index);
    }
}

void ViewController::handleReceivedL2PC03Packet(const QByteArray& data) {
    const auto packet = L2PC03_TD::fromData(data);
    if (!packet) {
        appendToPrintView(QStringLiteral("\nL2PC03_TD数据包解析失败"));
        return;
    }
    if (packet->lensSeq >= kProfileCount) {
        appendToPrintView(QStringLiteral("\nL2PC03_TD数据包镜头索引无效: ") +
                          QString::number(packet->lensSeq));
        return;
    }
    const int p = packet->lensSeq;
    LensFocalLengths[p]->setText(QString::number(packet->WideFlocalLength));
    // The catalog's aperture offer must not react to values the adapter sent.
    if (presentation) {
        presentation->isPopulatingDeviceAperture = true;
    }
    for (int k = 0; k < kAperturesPerProfile; ++k) {
        if (packet->ApretureValue[k] < LensApexes[p][k]->count()) {
            LensApexes[p][k]->setCurrentIndex(packet->ApretureValue[k]);
        }
    }
    if (presentation) {
        presentation->isPopulatingDeviceAperture = false;
    }
    LensModels[p]->setText(packet->getLensNameString());
}

// ---- Outbound

void ViewController::updatePC2L02PacketFromUI(uint8_t rw, uint8_t DefaultCustomLens) {
    if (!dataManager.pc2l02Packet) {
        return;
    }
    dataManager.updatePC2L02Packet(rw, DefaultCustomLens);
    dataManager.serialController->sendData(dataManager.pc2l02Packet->toData());
}

// A value the packet cannot carry (a focal length outside 16 bits, an aperture box without a
// selection) keeps the stored value; a save refuses such controls before it gets here.
void ViewController::updatePC2L03PacketFromUI() {
    const int count = std::min<int>(kProfileCount, static_cast<int>(dataManager.pc2l03Packets.size()));
    std::array<qint64, kProfileCount> focalLengths{};
    for (int p = 0; p < kProfileCount; ++p) {
        focalLengths[p] = integerValue(LensFocalLengths[p]->text());
    }
    for (int p = 0; p < count; ++p) {
        if (isFocalLengthInRange(focalLengths[p])) {
            dataManager.updatePC2L03PacketFocalLength(p, static_cast<uint16_t>(focalLengths[p]));
        }
    }
    for (int p = 0; p < count; ++p) {
        for (int k = 0; k < kAperturesPerProfile; ++k) {
            const int selected = LensApexes[p][k]->currentIndex();
            if (selected >= 0) {
                dataManager.updatePC2L03PacketAperture(p, k, static_cast<uint8_t>(selected));
            }
        }
    }
    std::array<QString, kProfileCount> names;
    for (int p = 0; p < kProfileCount; ++p) {
        names[p] = LensModels[p]->text();
    }
    for (int p = 0; p < count; ++p) {
        dataManager.updatePC2L03PacketLensName(p, names[p]);
    }
}

void ViewController::sendPC2L03Packet(int lensIndex) {
    if (lensIndex < 0 || lensIndex >= static_cast<int>(dataManager.pc2l03Packets.size())) {
        return;
    }
    PC2L03_TD copy = dataManager.pc2l03Packets[static_cast<size_t>(lensIndex)];
    copy.calculateChecksum();
    dataManager.serialController->sendData(copy.toData());
}

void ViewController::sendPC2L03PacketsWithDelay(int startIndex) {
    if (startIndex >= kProfileCount || startIndex >= static_cast<int>(dataManager.pc2l03Packets.size())) {
        return;
    }
    MainQueue::after(kChainStepMs, this, [this, startIndex] {
        dataManager.updatePC2L03PacketRW(startIndex, 1);
        sendPC2L03Packet(startIndex);
        sendPC2L03PacketsWithDelay(startIndex + 1);
    });
}

// ---- Save

std::optional<QString> ViewController::unsavableProfileReason() const {
    if (Default_LensSeq->currentIndex() < 0) {
        return QStringLiteral("no default lens is selected");
    }
    for (int p = 0; p < kProfileCount; ++p) {
        const QString profile = QStringLiteral("profile ") + profileLetter(p);
        const qint64 focal = integerValue(LensFocalLengths[p]->text());
        if (!isFocalLengthInRange(focal)) {
            return profile + QStringLiteral(": focal length %1 mm is outside 0 to 65535").arg(focal);
        }
        for (int k = 0; k < kAperturesPerProfile; ++k) {
            if (LensApexes[p][k]->currentIndex() < 0) {
                return profile + QStringLiteral(": aperture %1 has no value").arg(k + 1);
            }
        }
    }
    return std::nullopt;
}

// The write chain: device request at once, default lens at 0.2 s, profiles copied at 0.4 s and
// written at 0.6, 0.8, 1.0 and 1.2 s. A value the adapter cannot store refuses the whole save.
bool ViewController::On_Button_SaveToAdapter() {
    if (const auto reason = unsavableProfileReason()) {
        appendToPrintView(QStringLiteral("\n❌ Not saved: ") + *reason + '.');
        return false;
    }
    if (dataManager.pc2l01Packet) {
        dataManager.updatePC2L01Packet();
        dataManager.serialController->sendData(dataManager.pc2l01Packet->toData());
    }
    logMessage(nullptr, TextKeys::kMessageDeviceInfoSaved);
    MainQueue::after(kChainStepMs, this, [this] {
        updatePC2L02PacketFromUI(1, static_cast<uint8_t>(Default_LensSeq->currentIndex()));
        MainQueue::after(kChainStepMs, this, [this] {
            updatePC2L03PacketFromUI();
            sendPC2L03PacketsWithDelay(0);
        });
    });
    return true;
}
