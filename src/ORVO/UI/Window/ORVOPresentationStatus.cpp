// The status line and the log of the styled window, and the confirmations of Exit and Save.

#include "LocalizationManager.h"
#include "ORVODeviceCard.h"
#include "ORVOHero.h"
#include "ORVOLogCard.h"
#include "ORVOPresentation.h"
#include "ORVOPresentationDelegate.h"
#include "ORVOWindowControls.h"
#include "TextKeys.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

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
                           delegate.changesFromAdapter(p)};
    }
    return rows;
}

void ORVOPresentation::confirmExitRequested() {
    if (ORVODialogs::confirmExit(host.window())) {
        delegate.exitAfterConfirmation();
    }
}

void ORVOPresentation::confirmSaveRequested() {
    // The saved notice waits for the write sequence to verify what it wrote.
    if (ORVODialogs::confirmSave(host.window(), defaultLensDisplayValue(), profileSummaryRows())) {
        delegate.saveConfirmed();
    }
}

void ORVOPresentation::showSavedNotice() {
    savedNoticeUntil = QDeadlineTimer(6000);
    refreshConnectionStatus();
}

// ---- Status and log

void ORVOPresentation::updateConnectionStatus() {
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
    hero->setStatus(activity.isEmpty() ? LocalizationManager::text(TextKeys::label(key)) : activity,
                    connected ? palette().positive : palette().negative);
    deviceCard->refreshPlaceholders();
    logCard->refreshPlaceholder();
}

void ORVOPresentation::appendLog(const QString& entry) {
    if (logCard) {
        logCard->append(entry);
    }
}

QString ORVOPresentation::rawLogText() const {
    return logCard ? logCard->rawLogText() : QString();
}
