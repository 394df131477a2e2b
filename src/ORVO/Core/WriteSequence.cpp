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

// When each write goes out, in chain steps from the start: the device request, the settings, then
// (a step left for the fields to be copied) the four profiles.
constexpr std::array<int, WriteSequence::kWriteCount> kWriteAtStep = {0, 1, 3, 4, 5, 6};

// The parts a person knows: step 1 is the settings, steps 2 to 5 the profiles A to D.
QString partOfStep(int step) {
    return step == 1 ? QStringLiteral("settings") : ProfileValues::profileLetter(step - 2);
}

template <typename Packet> Packet asRequest(Packet packet, uint8_t rw) {
    packet.rw = rw;
    packet.calculateChecksum();
    return packet;
}

} // namespace

WriteSequence::WriteSequence(DataStructureManager& store, const ReadOutSequence& readOut, QObject* parent)
    : QObject(parent), store_(store), readOut_(readOut) {
    observe();
}

WriteSequence::~WriteSequence() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

void WriteSequence::observe() {
    using namespace NotificationNames;
    auto& center = NotificationCenter::defaultCenter();
    center.addObserver(this, PacketWriteFinished, [this](const Notification& n) { writeFinished(n); });
    center.addObserver(this, L2PC02PacketReceived,
                       [this](const Notification& n) { answer(0, n.object.toByteArray()); });
    center.addObserver(this, L2PC03PacketReceived, [this](const Notification& n) {
        const auto profile = L2PC03_TD::fromData(n.object.toByteArray());
        if (profile && profile->lensSeq < kAdapterProfileCount) {
            answer(profile->lensSeq + 1, n.object.toByteArray());
        }
    });
    center.addObserver(this, PortDisconnected, [this](const Notification&) {
        if (active()) {
            phase_ == Phase::Saving ? interrupt() : checkVerification();
        }
    });
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

void WriteSequence::start(const PC2L02_TD& settings,
                          const std::array<PC2L03_TD, kAdapterProfileCount>& profiles) {
    if (running_) {
        return;
    }
    ++run_;
    outcome_ = Outcome{};
    if (const Result refusal = precondition(); refusal != Result::Verified) {
        outcome_.result = refusal;
        emit finished(outcome_);
        return;
    }
    // Nothing is written without a copy of what it replaces.
    QString error;
    const auto backup = BackupStore::write(adapterValues(), &error);
    if (!backup) {
        outcome_.result = Result::BackupFailed;
        outcome_.detail = error;
        emit finished(outcome_);
        return;
    }
    outcome_.backupPath = *backup;
    connection_ = store_.currentConnectionNumber();
    settings_ = asRequest(settings, 1);
    for (int i = 0; i < kAdapterProfileCount; ++i) {
        profiles_[i] = profiles[i];
        profiles_[i].lensSeq = uint8_t(i);
        profiles_[i] = asRequest(profiles_[i], 1);
    }
    running_ = true;
    phase_ = Phase::Saving;
    written_.clear();
    writeIds_.fill(0);
    emit progressed(phase_, 0, kWriteCount);
    for (int step = 0; step < kWriteCount; ++step) {
        after(kChainStepMs * kWriteAtStep[step], [this, step] { sendWrite(step); });
    }
}

void WriteSequence::sendWrite(int step) {
    QByteArray bytes;
    if (step == 0) {
        bytes = store_.pc2l01Packet.value_or(PC2L01_TD{}).toData();
    } else if (step == 1) {
        bytes = settings_.toData();
    } else {
        bytes = profiles_[step - 2].toData();
    }
    writeIds_[step] = store_.currentConnectionNumber() == connection_ ? store_.sendToAdapter(bytes) : 0;
    if (writeIds_[step] == 0) {
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

void WriteSequence::interrupt() {
    outcome_.result = Result::Interrupted;
    for (int step = 1; step < kWriteCount; ++step) {
        if (!written_.contains(step)) {
            outcome_.unwritten << partOfStep(step);
        }
    }
    end(outcome_);
}

// ---- Reading back

void WriteSequence::startVerifying() {
    phase_ = Phase::Verifying;
    answered_.fill(false);
    emit progressed(phase_, 0, kAdapterProfileCount + 1);
    for (int part = 0; part <= kAdapterProfileCount; ++part) {
        after(kChainStepMs * part, [this, part] { readBack(part); });
    }
    after(kChainStepMs * kAdapterProfileCount + kAnswerWaitMs, [this] { checkVerification(); });
}

void WriteSequence::readBack(int part) {
    const QByteArray request =
        part == 0 ? asRequest(settings_, 0).toData() : asRequest(profiles_[part - 1], 0).toData();
    if (store_.currentConnectionNumber() != connection_ || store_.sendToAdapter(request) == 0) {
        checkVerification();
    }
}

// Compares what came back with what was sent: the read-back never goes into the fields.
void WriteSequence::answer(int part, const QByteArray& bytes) {
    if (!active() || phase_ != Phase::Verifying || answered_[part]) {
        return;
    }
    answered_[part] = true;
    const auto note = [&](const char* field) {
        outcome_.mismatches.append({part, QString::fromLatin1(field)});
    };
    if (part == 0) {
        const auto s = L2PC02_TD::fromData(bytes);
        if (!s) {
            return;
        }
        if (s->DefaultCustomLens != settings_.DefaultCustomLens) {
            note("defaultLens");
        }
        if (s->U8_2 != settings_.U8_2 || s->U16_1 != settings_.U16_1 || s->U16_2 != settings_.U16_2 ||
            s->U32_1 != settings_.U32_1 || s->U32_2 != settings_.U32_2) {
            note("carriedValues");
        }
    } else {
        const auto p = L2PC03_TD::fromData(bytes);
        if (!p) {
            return;
        }
        const PC2L03_TD& sent = profiles_[part - 1];
        if (p->WideFlocalLength != sent.WideFlocalLength || p->TeleFlocalLength != sent.TeleFlocalLength) {
            note("focalLength");
        }
        static constexpr const char* kApertureFields[] = {"aperture1", "aperture2", "aperture3", "aperture4"};
        for (size_t k = 0; k < sent.ApretureValue.size(); ++k) {
            if (p->ApretureValue[k] != sent.ApretureValue[k]) {
                note(kApertureFields[k]);
            }
        }
        if (p->LensNameString != sent.LensNameString) {
            note("name");
        }
    }
    emit progressed(phase_, int(std::count(answered_.begin(), answered_.end(), true)),
                    kAdapterProfileCount + 1);
    if (std::all_of(answered_.begin(), answered_.end(), [](bool a) { return a; })) {
        checkVerification();
    }
}

void WriteSequence::checkVerification() {
    if (!active()) {
        return;
    }
    for (int part = 0; part <= kAdapterProfileCount; ++part) {
        if (!answered_[part]) {
            outcome_.unanswered << (part == 0 ? QStringLiteral("settings")
                                              : ProfileValues::profileLetter(part - 1));
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
    ++run_;
    QTimer::singleShot(0, this, [this, outcome = std::move(outcome)] {
        running_ = false;
        ending_ = false;
        emit finished(outcome);
    });
}

void WriteSequence::after(int ms, std::function<void()> step) {
    QTimer::singleShot(ms, this, [this, run = run_, step = std::move(step)] {
        if (run == run_ && active()) {
            step();
        }
    });
}
