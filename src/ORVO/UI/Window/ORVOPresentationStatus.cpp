// The status line and the log of the styled window, and the confirmations of Exit and Save.

#include "LocalizationManager.h"
#include "ORVODeviceCard.h"
#include "ORVOFieldContainer.h"
#include "ORVOHero.h"
#include "ORVOLogCard.h"
#include "ORVOPresentation.h"
#include "ORVOPresentationDelegate.h"
#include "ORVOProfileSelector.h"
#include "ORVOWindowControls.h"
#include "TextKeys.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

// ---- Exit and Save

QString ORVOPresentation::defaultLensDisplayValue() const {
    if (c.Default_LensSeq->currentText().isEmpty()) {
        return QStringLiteral("—");
    }
    return delegate.defaultLensChange();
}

QList<SummaryRow> ORVOPresentation::profileSummaryRows() const {
    QList<SummaryRow> rows;
    for (int p = 0; p < kAdapterProfileCount; ++p) {
        const ORVOProfileCard::Fields profile = profileFields(p);
        QStringList apertures;
        for (QComboBox* box : profile.apertures) {
            apertures << box->currentText();
        }
        // The summary shows the focal length exactly as it will be written.
        const auto focal = delegate.focalLengthToWrite(p);
        rows << SummaryRow{ProfileValues::profileLetter(p), profile.lensModel->text(),
                           focal ? QString::number(*focal) : QStringLiteral("—"), apertures.join(" / "),
                           delegate.profileChanges(p).described.join(QStringLiteral(" · "))};
    }
    return rows;
}

// With changes not written, Exit names them and offers to write them first: the save's own summary
// and confirmation follow, and the program ends only after the save is verified.
void ORVOPresentation::confirmExitRequested() {
    const QString unwritten = delegate.unwrittenParts();
    if (unwritten.isEmpty()) {
        if (ORVODialogs::confirmExit(host.window())) {
            delegate.exitAfterConfirmation();
        }
        return;
    }
    switch (ORVODialogs::confirmExitUnwritten(host.window(), unwritten)) {
    case ORVODialogs::ExitChoice::Write:
        if (confirmSave()) {
            delegate.saveThenExit();
        }
        return;
    case ORVODialogs::ExitChoice::Discard:
        delegate.exitAfterConfirmation();
        return;
    case ORVODialogs::ExitChoice::GoBack:
        return;
    }
}

bool ORVOPresentation::confirmSave() {
    return ORVODialogs::confirmSave(host.window(), defaultLensDisplayValue(), profileSummaryRows());
}

void ORVOPresentation::confirmSaveRequested() {
    // The saved notice waits for the write sequence to verify what it wrote.
    if (confirmSave()) {
        delegate.saveConfirmed();
    }
}

void ORVOPresentation::showSavedNotice() {
    savedNoticeUntil = QDeadlineTimer(6000);
    marksStale = true;
    refreshConnectionStatus();
}

// ---- Status and log

// Each field that differs from the adapter's last read values, its profile's segment and the default
// lens carry a quiet mark; true when anything differs.
bool ORVOPresentation::refreshUnwrittenMarks() {
    std::array<bool, kAdapterProfileCount> changed{};
    for (int p = 0; p < kAdapterProfileCount; ++p) {
        const ProfileChanges changes = delegate.profileChanges(p);
        changed[p] = changes.any();
        if (p == selectedProfileIndex) {
            profileCard->showChanges(changes);
        }
    }
    const QString mark = LocalizationManager::text(TextKeys::kLabelChangesNotWritten);
    profileSelector->showChanged(changed, mark);
    const bool defaultLens = delegate.defaultLensChanged();
    deviceCard->defaultLensSlot->setMarked(defaultLens);
    return defaultLens || std::find(changed.begin(), changed.end(), true) != changed.end();
}

// The notice beside the name says for a few seconds that a composed name replaced the user's.
void ORVOPresentation::showNameReplaced(int profile) {
    if (profile != selectedProfileIndex) {
        return;
    }
    profileCard->showNameReplaced(true);
    nameReplacedTimer->start();
}

void ORVOPresentation::hideNameReplaced() {
    nameReplacedTimer->stop();
    profileCard->showNameReplaced(false);
}

// The controller calls this when a read-out, a save or the adapter's values move on.
void ORVOPresentation::updateConnectionStatus() {
    marksStale = true;
    refreshConnectionStatus();
}

void ORVOPresentation::refreshConnectionStatus() {
    if (!hero) {
        return;
    }
    bool connected = delegate.isAdapterConnected();
    if (qEnvironmentVariable("ORVO_FAKE_CONNECTED") == QLatin1String("1")) {
        c.button_SaveToAdapter->setEnabled(true);
        connected = true;
    }
    const char* key = TextKeys::kStatusAdapterNotConnected;
    if (!connected) {
        savedNoticeUntil.reset();
    } else if (savedNoticeUntil && !savedNoticeUntil->hasExpired()) {
        key = TextKeys::kStatusAdapterSaved;
    } else {
        key = TextKeys::kStatusAdapterConnected;
        savedNoticeUntil.reset();
    }
    // A running read-out or save says how far it has got; the one-second refresh keeps that.
    const QString activity = connected ? delegate.activityStatus() : QString();
    QString status = activity.isEmpty() ? LocalizationManager::text(TextKeys::label(key)) : activity;
    if (marksStale) {
        unwrittenChanges = refreshUnwrittenMarks();
        marksStale = false;
    }
    if (unwrittenChanges) {
        status += QStringLiteral(" · ") + LocalizationManager::text(TextKeys::kLabelChangesNotWritten);
    }
    hero->setStatus(status, connected ? palette().positive : palette().negative);
    deviceCard->refreshPlaceholders();
    logCard->refreshPlaceholder();
}

void ORVOPresentation::appendLog(const LocalizedText& entry) {
    if (logCard) {
        logCard->append(entry);
    }
}

QString ORVOPresentation::rawLogText() const {
    return logCard ? logCard->rawLogText() : QString();
}
