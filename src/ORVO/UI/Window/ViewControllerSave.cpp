// Saving: the fields are checked, copied into the host packets and handed to the write sequence,
// which backs up, writes and verifies; the log and the status line say how it went.

#include "DataStructureManager.h"
#include "LocalizationManager.h"
#include "ORVOPresentation.h"
#include "ProfileValues.h"
#include "ReadOutSequence.h"
#include "TextKeys.h"
#include "ViewController.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

QString withArguments(QString text, const QStringList& arguments) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        text.replace(QStringLiteral("{%1}").arg(i), arguments[i]);
    }
    return text;
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

std::optional<QString> ViewController::unsavableProfileReason(const FocalLengths& focalLengths) const {
    using namespace TextKeys;
    if (Default_LensSeq->currentIndex() < 0) {
        return text(kMessageSaveRefusedDefaultLens);
    }
    for (int p = 0; p < kProfileCount; ++p) {
        if (!focalLengths[p]) {
            return withArguments(text(kMessageSaveRefusedFocalLength), {ProfileValues::profileLetter(p)});
        }
        for (int k = 0; k < kAperturesPerProfile; ++k) {
            if (LensApexes[p][k]->currentIndex() < 0) {
                return withArguments(text(kMessageSaveRefusedAperture),
                                     {ProfileValues::profileLetter(p), QString::number(k + 1)});
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
        appendToPrintView(QStringLiteral("\n❌ ") + *reason);
        return false;
    }
    dataManager.updatePC2L02Packet(1, static_cast<uint8_t>(Default_LensSeq->currentIndex()));
    updatePC2L03PacketFromUI(focalLengths);
    std::array<PC2L03_TD, kAdapterProfileCount> profiles;
    std::copy_n(dataManager.pc2l03Packets.begin(), kAdapterProfileCount, profiles.begin());
    const bool starts = writeSequence->precondition() == WriteSequence::Result::Verified;
    writeSequence->start(*dataManager.pc2l02Packet, profiles);
    return starts;
}

void ViewController::writeFinished(const WriteSequence::Outcome& outcome) {
    using namespace TextKeys;
    using Result = WriteSequence::Result;
    showActivity({});
    QStringList differing;
    for (const WriteSequence::Mismatch& mismatch : outcome.mismatches) {
        differing << mismatchText(mismatch);
    }
    for (const QString& part : outcome.unanswered) {
        differing << partName(part);
    }
    QStringList unwritten;
    for (const QString& part : outcome.unwritten) {
        unwritten << partName(part);
    }
    const QString backup = outcome.backupPath;
    switch (outcome.result) {
    case Result::Verified:
        logMessage(nullptr, kMessageDeviceInfoSaved);
        appendToPrintView(QStringLiteral("\n📝 ") + withArguments(text(kMessageBackupKept), {backup}));
        if (presentation) {
            presentation->showSavedNotice();
        }
        return;
    case Result::NoAdapter:
        appendToPrintView(QStringLiteral("\n❌ ") + text(kMessageSaveRefusedNoAdapter));
        return;
    case Result::ReadOutIncomplete:
        appendToPrintView(QStringLiteral("\n❌ ") + text(kMessageSaveRefusedIncomplete));
        return;
    case Result::BackupFailed:
        appendToPrintView(QStringLiteral("\n❌ ") +
                          withArguments(text(kMessageSaveBackupFailed), {outcome.detail}));
        return;
    case Result::Interrupted:
        appendToPrintView(
            QStringLiteral("\n❌ ") +
            withArguments(text(kMessageSaveInterrupted), {unwritten.join(QStringLiteral(", ")), backup}));
        return;
    case Result::NotVerified:
        appendToPrintView(
            QStringLiteral("\n❌ ") +
            withArguments(text(kMessageSaveNotVerified), {differing.join(QStringLiteral(", ")), backup}));
        return;
    }
}

// "settings" is the default lens; a letter is that profile.
QString ViewController::partName(const QString& part) const {
    if (part == QLatin1String("settings")) {
        return text(TextKeys::kMessagePartDefaultLens);
    }
    return withArguments(text(TextKeys::kMessagePartProfile), {part});
}

// "profile B focal length", "default lens".
QString ViewController::mismatchText(const WriteSequence::Mismatch& mismatch) const {
    using namespace TextKeys;
    if (mismatch.part == 0) {
        return mismatch.field == QLatin1String("defaultLens") ? text(kMessagePartDefaultLens)
                                                              : text(kMessageFieldCarriedValues);
    }
    const QString profile = partName(QString(QChar(u'A' + mismatch.part - 1)));
    if (mismatch.field == QLatin1String("focalLength")) {
        return profile + u' ' + LocalizationManager::text(label(kLabelNameFocalLengthPlain));
    }
    if (mismatch.field == QLatin1String("name")) {
        return profile + u' ' + text(kLabelLensModel);
    }
    return profile + u' ' + text(kLabelAperture) + u' ' + mismatch.field.right(1);
}

// What a save would change in one profile, old → new, or nothing without a complete read-out.
QString ViewController::changesFromAdapter(int profile) const {
    if (!readOut->isComplete()) {
        return {};
    }
    const L2PC03_TD old = writeSequence->adapterValues().profiles[size_t(profile)];
    QStringList changes;
    const auto focal = focalLengthToWrite(profile);
    if (focal && *focal != old.WideFlocalLength) {
        changes << QStringLiteral("%1 → %2 mm").arg(old.WideFlocalLength).arg(*focal);
    }
    for (int k = 0; k < kAperturesPerProfile; ++k) {
        const QString before =
            ProfileValues::apertureText(old.ApretureValue[size_t(k)]).value_or(QStringLiteral("?"));
        const QString after = LensApexes[profile][k]->currentText();
        if (before != after) {
            changes << before + QStringLiteral(" → ") + after;
        }
    }
    PC2L03_TD written;
    written.setLensNameString(LensModels[profile]->text());
    if (written.LensNameString != old.LensNameString) {
        changes << old.getLensNameString() + QStringLiteral(" → ") +
                       textFromZeroPaddedBytes(written.LensNameString.data(), written.LensNameString.size());
    }
    return changes.join(QStringLiteral(" · "));
}

// "B", or "A → B" when the save changes it.
QString ViewController::defaultLensChange() const {
    QString now = Default_LensSeq->currentText();
    if (!readOut->isComplete()) {
        return now;
    }
    const uint8_t before = writeSequence->adapterValues().settings.DefaultCustomLens;
    return before == Default_LensSeq->currentIndex() ? now
                                                     : ProfileValues::profileLetter(before) + QStringLiteral(" → ") + now;
}
