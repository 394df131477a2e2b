// The user's edits are never lost silently: which fields differ from the values the adapter last
// read out, a composed name that replaced a typed or picked one (and its Undo), Exit's Write, and
// the draft kept before a new read-out fills the fields.

#include "DataStructureManager.h"
#include "DraftStore.h"
#include "LocalizationManager.h"
#include "ORVOPresentation.h"
#include "ProfileValues.h"
#include "ReadOutSequence.h"
#include "TextKeys.h"
#include "ViewController.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

// ---- What differs from the adapter

ProfileChanges ViewController::profileChanges(int profile) const {
    ProfileChanges changes;
    if (!readOut->isComplete()) {
        return changes;
    }
    const L2PC03_TD old = writeSequence->adapterValues().profiles[size_t(profile)];
    const auto focal = focalLengthToWrite(profile);
    if (!focal || *focal != old.WideFlocalLength) {
        changes.focalLength = true;
        changes.described << QStringLiteral("%1 → %2 mm")
                                 .arg(QString::number(old.WideFlocalLength),
                                      focal ? QString::number(*focal) : LensFocalLengths[profile]->text());
    }
    for (int k = 0; k < kAperturesPerProfile; ++k) {
        const QString before =
            ProfileValues::apertureText(old.ApretureValue[size_t(k)]).value_or(QStringLiteral("?"));
        const QString after = LensApexes[profile][k]->currentText();
        if (before != after) {
            changes.apertures[size_t(k)] = true;
            changes.described << before + QStringLiteral(" → ") + after;
        }
    }
    PC2L03_TD written;
    written.setLensNameString(LensModels[profile]->text());
    if (written.LensNameString != old.LensNameString) {
        changes.name = true;
        changes.described << old.getLensNameString() + QStringLiteral(" → ") +
                                 textFromZeroPaddedBytes(written.LensNameString.data(),
                                                         written.LensNameString.size());
    }
    return changes;
}

bool ViewController::defaultLensChanged() const {
    return readOut->isComplete() &&
           writeSequence->adapterValues().settings.DefaultCustomLens != Default_LensSeq->currentIndex();
}

QString ViewController::defaultLensChange() const {
    QString now = Default_LensSeq->currentText();
    if (!defaultLensChanged()) {
        return now;
    }
    const uint8_t before = writeSequence->adapterValues().settings.DefaultCustomLens;
    return ProfileValues::profileLetter(before) + QStringLiteral(" → ") + now;
}

QString ViewController::unwrittenParts() const {
    return LocalizationManager::text(unwrittenPartNames());
}

LocalizedText ViewController::unwrittenPartNames() const {
    QList<WriteSequence::Part> parts;
    for (int p = 0; p < kProfileCount; ++p) {
        if (profileChanges(p).any()) {
            parts << WriteSequence::profilePart(p);
        }
    }
    if (defaultLensChanged()) {
        parts << WriteSequence::Part::Settings;
    }
    return partNames(parts);
}

bool ViewController::hasUnwrittenChanges() const {
    return !unwrittenParts().isEmpty();
}

void ViewController::saveThenExit() {
    exitAfterVerifiedSave = On_Button_SaveToAdapter();
}

// ---- A composed name over a typed one

void ViewController::composeName(int profile) {
    QLineEdit* field = LensModels[profile];
    const QString before = field->text();
    const QString composed = composedName(profile);
    if (before == composed) {
        return;
    }
    // A composed name, an empty field or one never read says nothing the user would miss.
    const bool usersOwn =
        isProfileRead(profile) && !before.trimmed().isEmpty() && !ProfileValues::isComposedLensName(before);
    if (usersOwn) {
        replacedNames[size_t(profile)] = before;
    }
    composingName = true;
    field->setText(composed);
    composingName = false;
    if (usersOwn && presentation) {
        presentation->showNameReplaced(profile);
    }
}

void ViewController::undoNameReplacement(int profile) {
    if (const std::optional<QString> before = std::exchange(replacedNames[size_t(profile)], std::nullopt)) {
        LensModels[profile]->setText(*before);
        if (presentation) {
            presentation->hideNameReplaced();
        }
    }
}

// Any other change of the name ends what Undo could take back.
void ViewController::watchNameEdits() {
    for (int p = 0; p < kProfileCount; ++p) {
        LensModels[p]->installEventFilter(this);
        connect(LensModels[p], &QLineEdit::textChanged, this, [this, p] {
            if (!composingName && std::exchange(replacedNames[size_t(p)], std::nullopt) && presentation) {
                presentation->hideNameReplaced();
            }
        });
    }
}

bool ViewController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Undo)) {
        for (int p = 0; p < kProfileCount; ++p) {
            if (watched == LensModels[p] && replacedNames[size_t(p)]) {
                undoNameReplacement(p);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Drafts

void ViewController::keepDraftOfUnwrittenEdits() {
    if (!hasUnwrittenChanges()) {
        return;
    }
    const LocalizedText parts = unwrittenPartNames();
    // Kept as answers of the adapter would be: each part whole, its checksum over the edited values.
    AdapterSnapshot edits = valuesToWrite(focalLengthsToWrite());
    edits.settings.calculateChecksum();
    for (L2PC03_TD& profile : edits.profiles) {
        profile.calculateChecksum();
    }
    QString error;
    if (const auto path = DraftStore::write(edits, &error)) {
        logMessage("📝", TextKeys::kMessageDraftKept, {parts, LocalizedText::literal(*path)});
    } else {
        logMessage("❌", TextKeys::kMessageDraftFailed, {parts, LocalizedText::literal(error)});
    }
}
