// My Lenses and the fields: a profile as a library lens, a lens into a profile, a kit into all four.
// Nothing here writes to the adapter; the fields change and Save writes them as always.

#include "DataStructureManager.h"
#include "LocalizationManager.h"
#include "ORVOCatalogAssistant.h"
#include "ORVOPresentation.h"
#include "ProfileValues.h"
#include "ReadOutSequence.h"
#include "TextKeys.h"
#include "ViewController.h"

#include <QComboBox>
#include <QLineEdit>

std::optional<AdapterSnapshot> ViewController::shownValues(QString* why) const {
    const FocalLengths focalLengths = focalLengthsToWrite();
    if (const auto reason = unsavableProfileReason(focalLengths)) {
        *why = LocalizationManager::text(*reason);
        return std::nullopt;
    }
    return valuesToWrite(focalLengths);
}

std::optional<LibraryLens> ViewController::shownLens(int profile, QString* why) const {
    FocalLengths focalLengths{};
    focalLengths[size_t(profile)] = focalLengthToWrite(profile);
    if (!focalLengths[size_t(profile)]) {
        *why = LocalizationManager::withArguments(text(TextKeys::kMessageSaveRefusedFocalLength),
                                                  {ProfileValues::profileLetter(profile)});
        return std::nullopt;
    }
    auto lens = LibraryLens::fromProfile(valuesToWrite(focalLengths).profiles[size_t(profile)], why);
    if (lens && presentation) {
        lens->mount = presentation->catalog->mountSelections[size_t(profile)];
    }
    return lens;
}

void ViewController::fillProfileFrom(int profile, const LibraryLens& lens) {
    L2PC03_TD values = valuesToWrite(focalLengthsToWrite()).profiles[size_t(profile)];
    values.lensSeq = static_cast<uint8_t>(profile);
    lens.applyTo(values);
    handleReceivedL2PC03Packet(values.toData());
    logMessage("📝", TextKeys::kLibraryLensFilled,
               {LocalizedText::literal(lens.name), LocalizedText::literal(ProfileValues::profileLetter(profile))});
}

// The kit's slots that keep the adapter's profile need the adapter's values: a complete read-out.
bool ViewController::loadKit(const QString& name, const LensLibraryData& library, QString* why) {
    if (!readOut->isComplete() || readOut->connection() != dataManager.currentConnectionNumber()) {
        *why = text(TextKeys::kLibraryNeedsAdapter);
        return false;
    }
    const auto target = library.kitTarget(name, writeSequence->adapterValues(), why);
    if (!target) {
        return false;
    }
    QList<AdapterSnapshot::UnstorableField> leftAlone;
    fillFieldsFrom(target->storableOver(writeSequence->adapterValues(), &leftAlone));
    logMessage("📝", TextKeys::kLibraryKitLoaded, {LocalizedText::literal(name)});
    logLeftAlone(leftAlone);
    return true;
}
