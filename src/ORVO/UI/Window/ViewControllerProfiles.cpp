// Moving data between the adapter packets and the controls: received device information, default
// lens and profiles fill the window; the controls are copied back into the host packets and sent,
// as read requests after a connection and as writes when the user saves.

#include "DataStructureManager.h"
#include "ORVOCatalogAssistant.h"
#include "ORVOPresentation.h"
#include "ProfileValues.h"
#include "TextKeys.h"
#include "ViewController.h"

#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <utility>

// The value a save writes for a profile's focal length: the nearest whole millimetre of what the
// field shows (an empty field is 0), or nothing when that is no number the adapter can store.
std::optional<uint16_t> ViewController::focalLengthToWrite(int profile) const {
    const QString entry = LensFocalLengths[profile]->text().trimmed();
    return entry.isEmpty() ? std::optional<uint16_t>(0) : ProfileValues::focalLengthToWrite(entry);
}

ViewController::FocalLengths ViewController::focalLengthsToWrite() const {
    FocalLengths focalLengths{};
    for (int p = 0; p < kProfileCount; ++p) {
        focalLengths[p] = focalLengthToWrite(p);
    }
    return focalLengths;
}

// ---- Inbound

void ViewController::handleReceivedL2PC01Packet() {
    if (!dataManager.l2pc01Packet) {
        logMessage(nullptr, TextKeys::kMessageDeviceInfoUnavailable);
        return;
    }
    const L2PC01_TD& info = *dataManager.l2pc01Packet;
    DeviceModel_Text->setText(info.getDeviceModelString());
    DeviceSN_Text->setText(info.getDeviceSNString());
    FW_Version_Text->setText(ProfileValues::firmwareText(info.VerNo_major, info.VerNo_minor));
}

void ViewController::handleReceivedL2PC02Packet() {
    if (!dataManager.l2pc02Packet) {
        logMessage(nullptr, TextKeys::kMessageSettingsUnavailable);
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
        logMessage(nullptr, TextKeys::kMessageProfileUnreadable);
        return;
    }
    if (packet->lensSeq >= kProfileCount) {
        logMessage(nullptr, TextKeys::kMessageProfileIndexInvalid, {LocalizedText::number(packet->lensSeq)});
        return;
    }
    const int p = packet->lensSeq;
    LensFocalLengths[p]->setText(QString::number(packet->WideFlocalLength));
    std::array<int, kAperturesPerProfile> apertures{};
    std::copy(packet->ApretureValue.begin(), packet->ApretureValue.end(), apertures.begin());
    placeApertures(p, apertures);
    LensModels[p]->setText(packet->getLensNameString());
    if (std::exchange(profileNotRead[p], false) && presentation) {
        presentation->refreshProfileReadState();
    }
}

// A connection's read-out starts with no profile read: until its answer comes, a profile's fields
// show a dash, not values the adapter may not hold.
void ViewController::markProfilesNotRead() {
    profileNotRead.fill(true);
    const QString dash = QStringLiteral("—");
    for (int p = 0; p < kProfileCount; ++p) {
        LensFocalLengths[p]->setText(dash);
        placeApertures(p, {-1, -1, -1, -1});
        LensModels[p]->setText(dash);
    }
    if (presentation) {
        presentation->refreshProfileReadState();
    }
}

bool ViewController::isProfileRead(int profile) const {
    return profile < 0 || profile >= kProfileCount || !profileNotRead[profile];
}

// Apertures placed for the adapter are no choice of the user's: the catalog's fill offer must not
// react to them. An index the box does not have leaves the box as it is.
void ViewController::placeApertures(int profile, const std::array<int, kAperturesPerProfile>& indices) {
    if (presentation) {
        presentation->catalog->isPopulatingDeviceAperture = true;
    }
    for (int k = 0; k < kAperturesPerProfile; ++k) {
        if (indices[k] < LensApexes[profile][k]->count()) {
            LensApexes[profile][k]->setCurrentIndex(indices[k]);
        }
    }
    if (presentation) {
        presentation->catalog->isPopulatingDeviceAperture = false;
    }
}

// ---- Outbound

// A value the packet cannot carry (a focal length outside 16 bits, an aperture box without a
// selection) keeps the stored value; a save refuses such controls before it gets here.
void ViewController::updatePC2L03PacketFromUI() {
    updatePC2L03PacketFromUI(focalLengthsToWrite());
}

void ViewController::updatePC2L03PacketFromUI(const FocalLengths& focalLengths) {
    const int count = std::min<int>(kProfileCount, static_cast<int>(dataManager.pc2l03Packets.size()));
    for (int p = 0; p < count; ++p) {
        if (focalLengths[p]) {
            dataManager.updatePC2L03PacketFocalLength(p, *focalLengths[p]);
        }
        for (int k = 0; k < kAperturesPerProfile; ++k) {
            const int selected = LensApexes[p][k]->currentIndex();
            if (selected >= 0) {
                dataManager.updatePC2L03PacketAperture(p, k, static_cast<uint8_t>(selected));
            }
        }
        dataManager.updatePC2L03PacketLensName(p, LensModels[p]->text());
    }
}
