#include "WriteSequence.h"

#include "AdapterLine.h"
#include "BackupStore.h"
#include "DataStructureManager.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "ProfileValues.h"
#include "ReadOutSequence.h"

#include <QTimer>
#include <algorithm>
#include <utility>

namespace {

using Mismatch = WriteSequence::Mismatch;
using Field = Mismatch::Field;

// When each write goes out, in chain steps from the start: the device request, the settings, then
// (a step left for the fields to be copied) the four profiles. Write step s carries part s - 1.
constexpr std::array<int, WriteSequence::kWriteCount> kWriteAtStep = {0, 1, 3, 4, 5, 6};

template <typename Packet> Packet asRequest(Packet packet, uint8_t rw) {
    packet.rw = rw;
    packet.calculateChecksum();
    return packet;
}

QString apertureText(uint8_t value) {
    return ProfileValues::apertureText(value).value_or(QStringLiteral("?%1").arg(value));
}

// The settings' values carried through, as the bytes after the default lens.
QString carriedValuesText(const L2PC02_TD& settings) {
    const QByteArray wire = settings.toData();
    return packetHexText(wire.mid(4, wire.size() - 6));
}

} // namespace

WriteSequence::WriteSequence(DataStructureManager& store, const ReadOutSequence& readOut, QObject* parent)
    : TimedExchange(store, parent), readOut_(readOut) {
    observe();
}

WriteSequence::~WriteSequence() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

void WriteSequence::observe() {
    using namespace NotificationNames;
    auto& center = NotificationCenter::defaultCenter();
    center.addObserver(this, PacketWriteFinished, [this](const Notification& n) { writeFinished(n); });
    center.addObserver(this, L2PC02PacketReceived, [this](const Notification& n) {
        answer(int(Part::Settings), n.object.toByteArray());
    });
    center.addObserver(this, L2PC03PacketReceived, [this](const Notification& n) {
        const auto profile = L2PC03_TD::fromData(n.object.toByteArray());
        if (profile && profile->lensSeq < kAdapterProfileCount) {
            answer(int(profilePart(profile->lensSeq)), n.object.toByteArray());
        }
    });
    center.addObserver(this, PortDisconnected, [this](const Notification&) { connectionLost(); });
}

WriteSequence::Result WriteSequence::precondition() const {
    const quint64 connection = store_.currentConnectionNumber();
    if (connection == 0) {
        return Result::NoAdapter;
    }
    if (!readOut_.isComplete() || readOut_.connection() != connection) {
        return Result::ReadOutIncomplete;
    }
    return Result::Verified;
}

AdapterSnapshot WriteSequence::adapterValues() const {
    return store_.adapterSnapshot();
}

void WriteSequence::start(const AdapterSnapshot& target) {
    if (isRunning()) {
        return;
    }
    outcome_ = Outcome{};
    if (const Result refusal = precondition(); refusal != Result::Verified) {
        outcome_.result = refusal;
        emit finished(outcome_);
        return;
    }
    if (!backUp()) {
        emit finished(outcome_);
        return;
    }
    settings_ = PC2L02_TD::fromAdapterPacket(target.settings, 1);
    for (int i = 0; i < kAdapterProfileCount; ++i) {
        PC2L03_TD profile = PC2L03_TD::fromAdapterPacket(target.profiles[size_t(i)], 1);
        profile.lensSeq = uint8_t(i);
        profiles_[size_t(i)] = asRequest(profile, 1);
    }
    beginRun(store_.currentConnectionNumber(), kPartCount);
    phase_ = Phase::Saving;
    written_.clear();
    writeIds_.fill(0);
    answered_.fill(false);
    emit progressed(phase_, 0, kWriteCount);
    for (int step = 0; step < kWriteCount; ++step) {
        after(kChainStepMs * kWriteAtStep[size_t(step)], [this, step] { sendWrite(step); });
    }
}

// Nothing is written without a copy of what it replaces.
bool WriteSequence::backUp() {
    QString error;
    const auto backup = BackupStore::write(adapterValues(), &error);
    if (!backup) {
        outcome_.result = Result::BackupFailed;
        outcome_.detail = error;
        return false;
    }
    outcome_.backupPath = *backup;
    return true;
}

void WriteSequence::sendWrite(int step) {
    QByteArray bytes;
    if (step == 0) {
        bytes = PC2L01_TD{}.toData();
    } else if (step == 1) {
        bytes = settings_.toData();
    } else {
        bytes = profiles_[size_t(step - 2)].toData();
    }
    writeIds_[size_t(step)] = isOnItsConnection() ? store_.sendToAdapter(bytes) : 0;
    if (writeIds_[size_t(step)] == 0) {
        interrupt();
    }
}

void WriteSequence::writeFinished(const Notification& n) {
    using namespace NotificationNames;
    if (!active() || phase_ != Phase::Saving) {
        return;
    }
    const quint64 id = n.userInfo.value(WriteIdKey).toULongLong();
    const auto step = std::find(writeIds_.begin(), writeIds_.end(), id);
    if (id == 0 || step == writeIds_.end()) {
        return;
    }
    // A write the device did not take whole counts as not written.
    if (n.userInfo.value(ErrorCodeKey).toInt() != 0) {
        interrupt();
        return;
    }
    written_.insert(int(step - writeIds_.begin()));
    emit progressed(phase_, int(written_.size()), kWriteCount);
    if (int(written_.size()) == kWriteCount) {
        after(kChainStepMs, [this] { startVerifying(); });
    }
}

void WriteSequence::connectionLost() {
    if (active()) {
        phase_ == Phase::Saving ? interrupt() : concludeVerification();
    }
}

// Every part written but the read-back never began: written, not verified.
void WriteSequence::interrupt() {
    for (int step = 1; step < kWriteCount; ++step) {
        if (!written_.contains(step)) {
            outcome_.unwritten << Part(step - 1);
        }
    }
    if (outcome_.unwritten.isEmpty()) {
        concludeVerification();
        return;
    }
    outcome_.result = Result::Interrupted;
    end(outcome_);
}

// ---- Reading back

void WriteSequence::startVerifying() {
    phase_ = Phase::Verifying;
    answered_.fill(false);
    emit progressed(phase_, 0, kPartCount);
    for (int part = 0; part < kPartCount; ++part) {
        after(kChainStepMs * part, [this, part] { readBack(part); });
    }
    after(kChainStepMs * (kPartCount - 1) + kAnswerWaitMs, [this] { checkReadBack(); });
}

void WriteSequence::readBack(int part) {
    if (answered_[size_t(part)]) {
        return;
    }
    const QByteArray request = part == int(Part::Settings)
                                   ? asRequest(settings_, 0).toData()
                                   : asRequest(profiles_[size_t(part - 1)], 0).toData();
    if (!isOnItsConnection() || store_.sendToAdapter(request) == 0) {
        concludeVerification();
    }
}

// A part still unanswered is asked for again, as the read-out does; only then is it "did not answer".
void WriteSequence::checkReadBack() {
    QList<int> missing;
    for (int part = 0; part < kPartCount; ++part) {
        if (!answered_[size_t(part)]) {
            missing << part;
        }
    }
    if (missing.isEmpty() || !isOnItsConnection() ||
        !askAgain(
            missing, [this](int part) { readBack(part); }, [this] { checkReadBack(); })) {
        concludeVerification();
    }
}

// Compares what came back with what was sent: the read-back never goes into the fields.
void WriteSequence::answer(int part, const QByteArray& bytes) {
    if (!active() || phase_ != Phase::Verifying || answered_[size_t(part)]) {
        return;
    }
    if (part == int(Part::Settings)) {
        const auto settings = L2PC02_TD::fromData(bytes);
        if (!settings) {
            return;
        }
        outcome_.mismatches << differences(settings_, *settings);
    } else {
        const auto profile = L2PC03_TD::fromData(bytes);
        if (!profile) {
            return;
        }
        outcome_.mismatches << differences(profiles_[size_t(part - 1)], *profile);
    }
    answered_[size_t(part)] = true;
    const int answered = int(std::count(answered_.begin(), answered_.end(), true));
    emit progressed(phase_, answered, kPartCount);
    if (answered == kPartCount) {
        concludeVerification();
    }
}

void WriteSequence::concludeVerification() {
    if (!active()) {
        return;
    }
    for (int part = 0; part < kPartCount; ++part) {
        if (!answered_[size_t(part)]) {
            outcome_.unanswered << Part(part);
        }
    }
    const bool verified = outcome_.mismatches.isEmpty() && outcome_.unanswered.isEmpty();
    outcome_.result = verified ? Result::Verified : Result::NotVerified;
    end(outcome_);
}

// Ends after the current notification has reached every observer, so a read-back answer that ends
// the sequence still finds it running in the window's handler and stays out of the fields.
void WriteSequence::end(Outcome outcome) {
    ending_ = true;
    dropPendingSteps();
    QTimer::singleShot(0, this, [this, outcome = std::move(outcome)] {
        endRun();
        ending_ = false;
        emit finished(outcome);
    });
}

// ---- Comparing whole answers

QList<Mismatch> WriteSequence::differences(const PC2L02_TD& sent, const L2PC02_TD& read) {
    const L2PC02_TD expected = L2PC02_TD::fromHostPacket(sent);
    QList<Mismatch> found;
    if (expected.DefaultCustomLens != read.DefaultCustomLens) {
        const auto letter = [](uint8_t v) {
            return v < kAdapterProfileCount ? ProfileValues::profileLetter(v) : QString::number(v);
        };
        found << Mismatch{Part::Settings, Field::DefaultLens, 0, letter(expected.DefaultCustomLens),
                          letter(read.DefaultCustomLens)};
    }
    if (carriedValuesText(expected) != carriedValuesText(read)) {
        found << Mismatch{Part::Settings, Field::CarriedValues, 0, carriedValuesText(expected),
                          carriedValuesText(read)};
    }
    return found;
}

QList<Mismatch> WriteSequence::differences(const PC2L03_TD& sent, const L2PC03_TD& read) {
    const L2PC03_TD expected = L2PC03_TD::fromHostPacket(sent);
    const Part part = profilePart(sent.lensSeq);
    QList<Mismatch> found;
    const auto compare = [&](Field field, auto wrote, auto holds, int aperture = 0) {
        if (wrote != holds) {
            found << Mismatch{part, field, aperture, QString::number(wrote), QString::number(holds)};
        }
    };
    compare(Field::ProfileNumber, expected.lensSeq, read.lensSeq);
    compare(Field::FocalLength, expected.WideFlocalLength, read.WideFlocalLength);
    compare(Field::TeleFocalLength, expected.TeleFlocalLength, read.TeleFlocalLength);
    for (size_t k = 0; k < expected.ApretureValue.size(); ++k) {
        if (expected.ApretureValue[k] != read.ApretureValue[k]) {
            found << Mismatch{part, Field::Aperture, int(k) + 1, apertureText(expected.ApretureValue[k]),
                              apertureText(read.ApretureValue[k])};
        }
    }
    if (expected.LensNameString != read.LensNameString) {
        found << Mismatch{part, Field::Name, 0, expected.getLensNameString(), read.getLensNameString()};
    }
    return found;
}
