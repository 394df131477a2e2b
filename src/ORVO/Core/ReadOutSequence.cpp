#include "ReadOutSequence.h"

#include "AdapterLine.h"
#include "DataStructureManager.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"

#include <algorithm>

ReadOutSequence::ReadOutSequence(DataStructureManager& store, QObject* parent)
    : TimedExchange(store, parent) {
    observePackets();
}

ReadOutSequence::~ReadOutSequence() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

// The store has checked each packet before it announces it, so an announced packet is a valid answer.
void ReadOutSequence::observePackets() {
    using namespace NotificationNames;
    auto& center = NotificationCenter::defaultCenter();
    center.addObserver(this, L2PC01PacketReceived, [this](const Notification&) { answer(DeviceInfo); });
    center.addObserver(this, L2PC02PacketReceived, [this](const Notification&) { answer(DefaultLens); });
    center.addObserver(this, L2PC03PacketReceived, [this](const Notification& n) {
        const auto profile = L2PC03_TD::fromData(n.object.toByteArray());
        if (profile && profile->lensSeq < kAdapterProfileCount) {
            answer(profilePart(profile->lensSeq));
        }
    });
}

void ReadOutSequence::start(quint64 connection) {
    beginRun(connection, kPartCount);
    requestsSent_ = false;
    answered_.fill(false);
    emit progressed(0, kPartCount);
    for (int part = 0; part < kPartCount; ++part) {
        after(kChainStepMs * (part + 1), [this, part] {
            if (part == ProfileA && beforeProfileRequests) {
                beforeProfileRequests();
            }
            request(Part(part));
            if (part == kPartCount - 1) {
                requestsSent_ = true;
                after(kAnswerWaitMs, [this] { checkAnswers(); });
            }
        });
    }
}

void ReadOutSequence::cancel() {
    endRun();
}

int ReadOutSequence::answeredCount() const {
    return int(std::count(answered_.begin(), answered_.end(), true));
}

QList<ReadOutSequence::Part> ReadOutSequence::missingParts() const {
    QList<Part> missing;
    for (int part = 0; part < kPartCount; ++part) {
        if (!answered_[part]) {
            missing.append(Part(part));
        }
    }
    return missing;
}

void ReadOutSequence::answer(Part part) {
    if (!isRunning() || answered_[part] || !stepAllowed()) {
        return;
    }
    answered_[part] = true;
    emit progressed(answeredCount(), kPartCount);
    if (requestsSent_ && isComplete()) {
        finish(true);
    }
}

// The same packets as the first round, all with rw 0.
void ReadOutSequence::request(Part part) {
    if (part == DeviceInfo) {
        store_.updatePC2L01Packet();
        store_.sendToAdapter(store_.pc2l01Packet->toData());
    } else if (part == DefaultLens) {
        store_.updatePC2L02Packet(0, 0);
        store_.sendToAdapter(store_.pc2l02Packet->toData());
    } else {
        const int lensSeq = part - ProfileA;
        store_.updatePC2L03PacketRW(lensSeq, 0);
        store_.sendToAdapter(store_.pc2l03Packets.at(size_t(lensSeq)).toData());
    }
}

// A run whose connection is no longer the store's current one ends quietly.
bool ReadOutSequence::stepAllowed() {
    if (isOnItsConnection()) {
        return true;
    }
    cancel();
    return false;
}

// Asks again, 0.2 s apart, for every missing part that has a retry left, then looks once more.
void ReadOutSequence::checkAnswers() {
    if (isComplete()) {
        finish(true);
        return;
    }
    QList<int> missing;
    for (const Part part : missingParts()) {
        missing.append(part);
    }
    const auto requestIfMissing = [this](int part) {
        if (!answered_[size_t(part)]) {
            request(Part(part));
        }
    };
    if (!askAgain(missing, requestIfMissing, [this] { checkAnswers(); })) {
        finish(false);
    }
}

void ReadOutSequence::finish(bool complete) {
    cancel();
    emit finished(complete);
}
