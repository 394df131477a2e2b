// Saving: the fields are checked, copied into the host packets and handed to the write sequence,
// which backs up, writes and verifies; the log and the status line say how it went.

#include "DataStructureManager.h"
#include "LocalizationManager.h"
#include "MainQueue.h"
#include "ORVOPresentation.h"
#include "ProfileValues.h"
#include "ReadOutSequence.h"
#include "TextKeys.h"
#include "ViewController.h"

#include <QComboBox>
#include <QLineEdit>
#include <utility>

namespace {

QString withArguments(const QString& text, const QStringList& arguments) {
    return LocalizationManager::withArguments(text, arguments);
}

} // namespace

void ViewController::setUpWriteSequence() {
    writeSequence = new WriteSequence(dataManager, *readOut, this);
    connect(writeSequence, &WriteSequence::finished, this, &ViewController::writeFinished);
    connect(writeSequence, &WriteSequence::progressed, this,
            [this](WriteSequence::Phase phase, int done, int total) {
                showActivity(phase == WriteSequence::Phase::Saving
                                 ? withArguments(text(TextKeys::kStatusSaving),
                                                 {QString::number(done), QString::number(total)})
                                 : text(TextKeys::kStatusVerifying));
            });
    connect(readOut, &ReadOutSequence::progressed, this, [this](int answered, int total) {
        showActivity(withArguments(text(TextKeys::kStatusReading),
                                   {QString::number(answered), QString::number(total)}));
    });
    connect(readOut, &ReadOutSequence::finished, this, [this] { showActivity({}); });
}

void ViewController::showActivity(const QString& status) {
    activity = status;
    if (presentation) {
        presentation->updateConnectionStatus();
    }
}

std::optional<LocalizedText> ViewController::unsavableProfileReason(const FocalLengths& focalLengths) const {
    using namespace TextKeys;
    if (Default_LensSeq->currentIndex() < 0) {
        return LocalizedText::keyed(kMessageSaveRefusedDefaultLens);
    }
    for (int p = 0; p < kProfileCount; ++p) {
        const LocalizedText letter = LocalizedText::literal(ProfileValues::profileLetter(p));
        if (!focalLengths[p]) {
            return LocalizedText::keyed(kMessageSaveRefusedFocalLength, {letter});
        }
        for (int k = 0; k < kAperturesPerProfile; ++k) {
            if (LensApexes[p][k]->currentIndex() < 0) {
                return LocalizedText::keyed(kMessageSaveRefusedAperture,
                                            {letter, LocalizedText::number(k + 1)});
            }
        }
    }
    return std::nullopt;
}

// Starts the write sequence with what the fields show; false when nothing was started (a field the
// adapter cannot store, no adapter, an incomplete read-out, a save already running).
bool ViewController::On_Button_SaveToAdapter() {
    if (writeSequence->isRunning()) {
        return false;
    }
    // The focal fields are read once: the check and the packets use the same values.
    const FocalLengths focalLengths = focalLengthsToWrite();
    if (const auto reason = unsavableProfileReason(focalLengths)) {
        appendLine(LocalizedText::marked("❌", *reason));
        return false;
    }
    const bool starts = writeSequence->precondition() == WriteSequence::Result::Verified;
    writeSequence->start(valuesToWrite(focalLengths));
    return starts;
}

// What the fields show over what the adapter holds. The settings carry the host's own values through,
// as every save from the window does.
AdapterSnapshot ViewController::valuesToWrite(const FocalLengths& focalLengths) const {
    AdapterSnapshot target = writeSequence->adapterValues();
    target.settings.DefaultCustomLens = static_cast<uint8_t>(Default_LensSeq->currentIndex());
    setCarriedValues(target.settings);
    for (int p = 0; p < kAdapterProfileCount; ++p) {
        L2PC03_TD& profile = target.profiles[size_t(p)];
        profile.lensSeq = static_cast<uint8_t>(p);
        profile.WideFlocalLength = profile.TeleFlocalLength =
            focalLengths[size_t(p)].value_or(profile.WideFlocalLength);
        for (int k = 0; k < kAperturesPerProfile; ++k) {
            profile.ApretureValue[size_t(k)] = static_cast<uint8_t>(LensApexes[p][k]->currentIndex());
        }
        fillZeroPaddedText(profile.LensNameString.data(), profile.LensNameString.size(),
                           LensModels[p]->text());
    }
    return target;
}

void ViewController::writeFinished(const WriteSequence::Outcome& outcome) {
    using namespace TextKeys;
    using Result = WriteSequence::Result;
    showActivity({});
    if (std::exchange(exitAfterVerifiedSave, false) && outcome.result == Result::Verified) {
        MainQueue::after(0, this, [this] { exitAfterConfirmation(); });
    }
    const LocalizedText backup = LocalizedText::literal(outcome.backupPath);
    switch (outcome.result) {
    case Result::Verified:
        logMessage(nullptr, kMessageDeviceInfoSaved);
        logMessage("📝", kMessageBackupKept, {backup});
        if (presentation) {
            presentation->showSavedNotice();
        }
        return;
    case Result::NoAdapter:
        logMessage("❌", kMessageSaveRefusedNoAdapter);
        return;
    case Result::ReadOutIncomplete:
        logMessage("❌", kMessageSaveRefusedIncomplete);
        return;
    case Result::BackupFailed:
        logMessage("❌", kMessageSaveBackupFailed, {LocalizedText::literal(outcome.detail)});
        return;
    case Result::Interrupted:
        logMessage("❌", kMessageSaveInterrupted, {partNames(outcome.unwritten), backup});
        return;
    case Result::NotVerified:
        logNotVerified(outcome);
        return;
    }
}

// A part that answered with other values, and a part that never answered, are told apart.
void ViewController::logNotVerified(const WriteSequence::Outcome& outcome) {
    using namespace TextKeys;
    const LocalizedText backup = LocalizedText::literal(outcome.backupPath);
    if (!outcome.mismatches.isEmpty()) {
        std::vector<LocalizedText> differing;
        for (const WriteSequence::Mismatch& mismatch : outcome.mismatches) {
            differing.push_back(mismatchText(mismatch));
        }
        logMessage("❌", kMessageSaveNotVerified,
                   {LocalizedText::joined(std::move(differing), QStringLiteral(", ")), backup});
    }
    if (!outcome.unanswered.isEmpty()) {
        logMessage("❌", kMessageSaveNotAnswered, {partNames(outcome.unanswered), backup});
    }
}

LocalizedText ViewController::partName(WriteSequence::Part part) {
    if (part == WriteSequence::Part::Settings) {
        return LocalizedText::keyed(TextKeys::kMessagePartDefaultLens);
    }
    return LocalizedText::keyed(TextKeys::kMessagePartProfile,
                                {LocalizedText::literal(ProfileValues::profileLetter(int(part) - 1))});
}

LocalizedText ViewController::partNames(const QList<WriteSequence::Part>& parts) {
    std::vector<LocalizedText> names;
    for (const WriteSequence::Part part : parts) {
        names.push_back(partName(part));
    }
    return LocalizedText::joined(std::move(names), QStringLiteral(", "));
}

// "profile B focal length (35 → 36)", "default lens (D → A)".
LocalizedText ViewController::mismatchText(const WriteSequence::Mismatch& mismatch) {
    using namespace TextKeys;
    using Field = WriteSequence::Mismatch::Field;
    const LocalizedText values =
        LocalizedText::literal(QStringLiteral("(%1 → %2)").arg(mismatch.sent, mismatch.read));
    const auto words = [&](std::vector<LocalizedText> parts) {
        parts.push_back(values);
        return LocalizedText::joined(std::move(parts), QStringLiteral(" "));
    };
    if (mismatch.part == WriteSequence::Part::Settings) {
        return words({LocalizedText::keyed(
            mismatch.field == Field::DefaultLens ? kMessagePartDefaultLens : kMessageFieldCarriedValues)});
    }
    const LocalizedText profile = partName(mismatch.part);
    switch (mismatch.field) {
    case Field::FocalLength:
    case Field::TeleFocalLength:
        return words({profile, LocalizedText::keyed(label(kLabelNameFocalLengthPlain))});
    case Field::Name:
        return words({profile, LocalizedText::keyed(kLabelLensModel)});
    case Field::Aperture:
        return words(
            {profile, LocalizedText::keyed(kLabelAperture), LocalizedText::number(mismatch.aperture)});
    case Field::ProfileNumber:
    case Field::DefaultLens:
    case Field::CarriedValues:
        break;
    }
    return words({profile});
}
