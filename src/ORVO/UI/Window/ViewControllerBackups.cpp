// Revert and Restore: the fields take the values last read from the adapter, or those of a backup.
// Neither writes anything; the user saves as usual afterwards.

#include "BackupStore.h"
#include "DataStructureManager.h"
#include "DraftStore.h"
#include "ORVODialogs.h"
#include "ProfileValues.h"
#include "ReadOutSequence.h"
#include "TextKeys.h"
#include "ViewController.h"

#include <QAction>
#include <QComboBox>
#include <QLocale>
#include <QPushButton>

void ViewController::fillFieldsFrom(const AdapterSnapshot& snapshot) {
    if (snapshot.settings.DefaultCustomLens < Default_LensSeq->count()) {
        Default_LensSeq->setCurrentIndex(snapshot.settings.DefaultCustomLens);
    }
    for (const L2PC03_TD& profile : snapshot.profiles) {
        handleReceivedL2PC03Packet(profile.toData());
    }
}

// Revert and Restore need values read on this connection: the adapter's own, and its serial.
void ViewController::updateBackupControls() {
    const bool readOutHolds =
        readOut->isComplete() && readOut->connection() == dataManager.currentConnectionNumber();
    button_Revert->setEnabled(readOutHolds);
    button_Restore->setEnabled(readOutHolds);
    restoreAction->setEnabled(readOutHolds);
}

void ViewController::On_ButtonRevert_Clicked() {
    if (!readOut->isComplete()) {
        return;
    }
    fillFieldsFrom(writeSequence->adapterValues());
    logMessage("🔄", TextKeys::kMessageReverted);
}

namespace {

QString localTime(const QDateTime& time, QLocale::FormatType format) {
    return QLocale().toString(time.toLocalTime(), format);
}

} // namespace

// The chooser lists this adapter's drafts first ("Unsaved edits, 14:03"), then its backups.
void ViewController::On_ButtonRestore_Clicked() {
    if (!readOut->isComplete()) {
        return;
    }
    const AdapterSnapshot adapter = writeSequence->adapterValues();
    const QList<DraftStore::Entry> drafts = DraftStore::list(adapter.serialBytes());
    const QList<BackupStore::Entry> backups = BackupStore::list(adapter.serialBytes());
    QStringList lines;
    for (const DraftStore::Entry& draft : drafts) {
        lines << text(TextKeys::kDialogRestoreDraft)
                     .replace("{0}", localTime(draft.takenAt, QLocale::ShortFormat));
    }
    for (const BackupStore::Entry& backup : backups) {
        QStringList names;
        for (const L2PC03_TD& profile : backup.snapshot.profiles) {
            names << profile.getLensNameString();
        }
        lines << QStringLiteral("%1 · %2 · %3")
                     .arg(localTime(backup.takenAt, QLocale::ShortFormat),
                          ProfileValues::profileLetter(backup.snapshot.settings.DefaultCustomLens),
                          names.join(QStringLiteral(" / ")));
    }
    const auto choice = ORVODialogs::chooseBackup(window(), lines);
    if (!choice) {
        return;
    }
    const bool draft = *choice < drafts.size();
    const SnapshotShelf::Entry& chosen = draft ? drafts[*choice] : backups[*choice - drafts.size()];
    restoreChosen(chosen.snapshot, draft ? TextKeys::kMessageDraftRestored : TextKeys::kMessageRestored,
                  chosen.takenAt);
}

void ViewController::restoreChosen(const AdapterSnapshot& values, const char* messageKey,
                                   const QDateTime& takenAt) {
    QList<AdapterSnapshot::UnstorableField> leftAlone;
    fillFieldsFrom(values.storableOver(writeSequence->adapterValues(), &leftAlone));
    logMessage("📝", messageKey, {LocalizedText::literal(localTime(takenAt, QLocale::ShortFormat))});
    logLeftAlone(leftAlone);
}

// "profile B aperture 3, default lens": the fields a restore left as the adapter holds them.
void ViewController::logLeftAlone(const QList<AdapterSnapshot::UnstorableField>& leftAlone) {
    if (leftAlone.isEmpty()) {
        return;
    }
    std::vector<LocalizedText> names;
    for (const AdapterSnapshot::UnstorableField& field : leftAlone) {
        names.push_back(field.profile < 0
                            ? partName(WriteSequence::Part::Settings)
                            : LocalizedText::joined({partName(WriteSequence::profilePart(field.profile)),
                                                     LocalizedText::keyed(TextKeys::kLabelAperture),
                                                     LocalizedText::number(field.aperture + 1)},
                                                    QStringLiteral(" ")));
    }
    logMessage("⚠️", TextKeys::kMessageRestoreLeftAlone,
               {LocalizedText::joined(std::move(names), QStringLiteral(", "))});
}
