#include "ViewController.h"

#include "AdapterLine.h"
#include "DataStructureManager.h"
#include "FirstFrame.h"
#include "LocalizationManager.h"
#include "MainQueue.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "ORVOAccessNotice.h"
#include "ORVOPresentation.h"
#include "ProfileValues.h"
#include "ReadOutSequence.h"
#include "TextKeys.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGraphicsOpacityEffect>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

namespace {
constexpr int kMonitorIntervalMs = 3000;
constexpr int kTerminationDelayMs = 500;

// A log line from elsewhere: free text stays as it came, a kept entry is shown in the current
// language; anything else is no line.
std::optional<LocalizedText> logEntryOf(const QVariant& object) {
    if (object.typeId() == QMetaType::QString) {
        return LocalizedText::literal(object.toString());
    }
    if (object.typeId() == qMetaTypeId<LocalizedText>()) {
        return object.value<LocalizedText>();
    }
    return std::nullopt;
}
} // namespace

// Start-up: the controls, the notification handlers, the log's plain style and the start values.
ViewController::ViewController(QWidget* parent)
    : QWidget(parent), dataManager(DataStructureManager::shared()),
      localizationManager(LocalizationManager::shared()) {
    buildControls();
    readOut = new ReadOutSequence(dataManager, this);
    readOut->beforeProfileRequests = [this] { updatePC2L03PacketFromUI(); };
    connect(readOut, &ReadOutSequence::finished, this, &ViewController::readOutFinished);
    setUpWriteSequence();
    updateBackupControls();
    wireActions();
    watchNameEdits();
    Language->setEnabled(true);
    registerNotificationHandlers();
    setupPrintViewStyle();
    Init_UI();
    presentation = new ORVOPresentation(*this, *this, *this);
    presentation->install();
}

ViewController::~ViewController() {
    stopConnectionMonitoring();
    NotificationCenter::defaultCenter().removeObserver(this);
}

void ViewController::registerNotificationHandlers() {
    auto& center = NotificationCenter::defaultCenter();
    using namespace NotificationNames;
    // A save's read-back is compared by the write sequence, never copied into the fields: they keep
    // what the user wrote.
    const auto fillsFields = [this](const Notification& n) {
        return n.object.typeId() == QMetaType::QByteArray && !writeSequence->isRunning();
    };
    center.addObserver(this, L2PC01PacketReceived, [this, fillsFields](const Notification& n) {
        if (fillsFields(n)) {
            handleReceivedL2PC01Packet();
        }
    });
    center.addObserver(this, L2PC02PacketReceived, [this, fillsFields](const Notification& n) {
        if (fillsFields(n)) {
            handleReceivedL2PC02Packet();
        }
    });
    center.addObserver(this, L2PC03PacketReceived, [this, fillsFields](const Notification& n) {
        if (fillsFields(n)) {
            handleReceivedL2PC03Packet(n.object.toByteArray());
        }
    });
    center.addObserver(this, RequestPrintViewContent, [this](const Notification&) {
        NotificationCenter::defaultCenter().post(SavePrintViewContent, logText());
    });
    center.addObserver(this, PortConnected, [this](const Notification& n) { handlePortConnected(n); });
    center.addObserver(this, PortDisconnected, [this](const Notification&) { handlePortDisconnected(); });
    // A failed open ends the attempt, so a later tick may try again; the store logs the failure once.
    center.addObserver(this, PortOpenFailed, [this](const Notification&) { handlePortOpenFailed(); });
    // A plugged adapter is looked for at once, not at the monitor's next tick.
    center.addObserver(this, PortsArrived, [this](const Notification&) {
        if (connectionCheckTimer) {
            checkConnection();
        }
    });
    center.addObserver(this, UpdatePrintView, [this](const Notification& n) {
        if (const auto entry = logEntryOf(n.object)) {
            appendLine(*entry);
        }
    });
    center.addObserver(this, ApplicationWillTerminate, [this](const Notification&) { performCleanup(); });
}

void ViewController::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    window()->setWindowTitle(text(TextKeys::kAppWindowTitle));
    updateButtonTitles();
    // The first look for the adapter lists the ports, a walk through thousands of files under /sys:
    // it waits until the window has painted.
    FirstFrame::after(this, [this] {
        if (isVisible()) {
            startConnectionMonitoring();
        }
    });
    if (presentation) {
        presentation->updateWindowAppearance();
        presentation->showOnboardingIfNeeded();
    }
}

void ViewController::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous()) {
        return;
    }
    stopConnectionMonitoring();
    saveUIState();
}

// The close button is Exit: the same question, then the program ends and lets go of the port. A
// hidden window would keep the port with nothing on the desktop to show that the program runs.
// Confirmed, the window goes at once (a session ending learns that it closed); the program ends
// after Exit's clean-up.
void ViewController::closeEvent(QCloseEvent* event) {
    if (!exitConfirmed && presentation) {
        presentation->confirmExitRequested();
    }
    event->setAccepted(exitConfirmed);
}

// ---- Connection monitor

void ViewController::startConnectionMonitoring() {
    checkConnection();
    stopConnectionMonitoring();
    connectionCheckTimer = new QTimer(this);
    connect(connectionCheckTimer, &QTimer::timeout, this, &ViewController::checkConnection);
    connectionCheckTimer->start(kMonitorIntervalMs);
}

void ViewController::stopConnectionMonitoring() {
    delete connectionCheckTimer;
    connectionCheckTimer = nullptr;
}

void ViewController::checkConnection() {
    const ConnectionStatus status = dataManager.getConnectionStatus();
    if (status.isConnected()) {
        hasAttemptedAutoConnect = false;
    } else if (status.orvoPortCount > 0 && !hasAttemptedAutoConnect) {
        attemptAutoConnect(status.orvoPortCount, status.totalPortCount);
    } else if (status.orvoPortCount == 0) {
        reportUnlinkedAdapters();
    }
}

// A port that keeps failing the same way is retried quietly: the attempt lines come only when
// something changed (another port, another error, or the first attempt since a success), so the
// line with the cause stays the last one the user sees.
void ViewController::attemptAutoConnect(int orvoCount, int totalCount) {
    hasAttemptedAutoConnect = true;
    const auto failureBefore = dataManager.lastOpenFailure();
    const bool started = dataManager.autoConnect();
    const auto failureAfter = dataManager.lastOpenFailure();
    const bool sameFailureAgain = failureBefore && failureAfter && *failureBefore == *failureAfter &&
                                  dataManager.currentConnectionNumber() == 0;
    if (sameFailureAgain) {
        return;
    }
    logMessage("🔍", TextKeys::kMessageDeviceDetected,
               {LocalizedText::number(orvoCount), LocalizedText::number(totalCount)});
    logMessage("🔄", TextKeys::kMessageAutoConnecting);
    if (started) {
        logMessage("✅", TextKeys::kMessageConnectionSuccess);
    } else {
        logMessage("⚠️", TextKeys::kMessageConnectionFailed);
        hasAttemptedAutoConnect = false;
    }
}

// ---- Read-out on connection

void ViewController::handlePortConnected(const Notification& notification) {
    const auto entry = logEntryOf(notification.object);
    if (!entry) {
        return;
    }
    appendLine(*entry);
    accessNotice->hide();
    // Save waits for a complete read-out: writing over profiles never read would lose them.
    setSaveEnabled(false);
    keepDraftOfUnwrittenEdits();
    markProfilesNotRead();
    runReadOutChain(notification.userInfo.value(NotificationNames::ConnectionKey).toULongLong());
}

void ViewController::runReadOutChain(quint64 connection) {
    button_ReadAgain->hide();
    readOut->start(connection);
    updateBackupControls();
}

void ViewController::readOutFinished(bool complete) {
    setSaveEnabled(complete);
    button_ReadAgain->setVisible(!complete);
    updateBackupControls();
    if (complete) {
        logMessage(nullptr, TextKeys::kMessageSaveToAdapterEnabled);
        return;
    }
    logMessage("❌", TextKeys::kMessageReadOutIncomplete, {missingPartNames()});
}

// "device information, profile B", in whichever language the log is shown.
LocalizedText ViewController::missingPartNames() const {
    std::vector<LocalizedText> names;
    for (const ReadOutSequence::Part part : readOut->missingParts()) {
        if (part == ReadOutSequence::DeviceInfo) {
            names.push_back(LocalizedText::keyed(TextKeys::kMessagePartDeviceInfo));
        } else if (part == ReadOutSequence::DefaultLens) {
            names.push_back(LocalizedText::keyed(TextKeys::kMessagePartDefaultLens));
        } else {
            names.push_back(LocalizedText::keyed(
                TextKeys::kMessagePartProfile,
                {LocalizedText::literal(ProfileValues::profileLetter(part - ReadOutSequence::ProfileA))}));
        }
    }
    return LocalizedText::joined(std::move(names), QStringLiteral(", "));
}

void ViewController::On_ButtonReadAgain_Clicked() {
    if (const quint64 connection = dataManager.currentConnectionNumber()) {
        runReadOutChain(connection);
    }
}

void ViewController::handlePortDisconnected() {
    readOut->cancel();
    showActivity({});
    button_ReadAgain->hide();
    updateBackupControls();
    // The adapter may come back on the same path; the next tick must be free to connect it.
    hasAttemptedAutoConnect = false;
    logMessage("❌", TextKeys::kMessageSerialDisconnected);
    setSaveEnabled(false);
    logMessage("⚠️", TextKeys::kMessageSaveToAdapterDisabled);
}

// ---- Manual port list (kept working; the styled window does not show it)

void ViewController::On_ButtonFresh_Clicked() {
    appendToPrintView(LocalizedText::keyed(TextKeys::kMessageRefreshPressed));
    const SerialPortList ports = dataManager.availablePorts();
    if (ports.isEmpty()) {
        return;
    }
    PortSelection->clear();
    logMessage(nullptr, TextKeys::kMessagePortListRefreshed);
    for (const SerialPortPtr& port : ports) {
        PortSelection->addItem(port->path());
    }
}

void ViewController::On_PortSelection_Changed() {
    const QString path = PortSelection->currentText();
    if (path.isEmpty()) {
        logMessage(nullptr, TextKeys::kMessageNoPortSelected);
        return;
    }
    logMessage(nullptr, TextKeys::kMessageConnectingToPort, {LocalizedText::literal(path)});
    dataManager.connectToPort(path, kAdapterBaudRate);
}

// ---- Clean-up and exit

void ViewController::performCleanup() {
    stopConnectionMonitoring();
    if (dataManager.isConnected()) {
        logMessage("🔌", TextKeys::kMessageSerialDisconnecting);
        dataManager.disconnectAdapter();
    }
    saveUIState();
    NotificationCenter::defaultCenter().removeObserver(this);
    logMessage("📝", TextKeys::kMessageUiStateSaved);
}

bool ViewController::isAdapterConnected() const {
    return dataManager.isConnected();
}

QString ViewController::activityStatus() const {
    return activity;
}

bool ViewController::saveConfirmed() {
    return On_Button_SaveToAdapter();
}

void ViewController::languageChosen(int index) {
    Language->setCurrentIndex(index);
    On_Language_Selected();
}

void ViewController::exitAfterConfirmation() {
    exitConfirmed = true;
    On_buttonExit_Clicked();
}

void ViewController::On_buttonExit_Clicked() {
    logMessage("🚪", TextKeys::kMessageExiting);
    performCleanup();
    logMessage("✅", TextKeys::kMessageCleanupComplete);
    MainQueue::after(kTerminationDelayMs, this, [this] { emit terminationRequested(exitConfirmed); });
}

// ---- Small helpers

QString ViewController::text(const char* key) const {
    return localizationManager.localizedString(key, {});
}

void ViewController::logMessage(const char* marker, const char* key, std::vector<LocalizedText> arguments) {
    LocalizedText line = LocalizedText::keyed(key, std::move(arguments));
    if (marker) {
        line = LocalizedText::marked(marker, std::move(line));
    }
    appendLine(line);
}

void ViewController::setSaveEnabled(bool enabled) {
    button_SaveToAdapter->setEnabled(enabled);
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(button_SaveToAdapter->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(button_SaveToAdapter);
        button_SaveToAdapter->setGraphicsEffect(effect);
    }
    effect->setOpacity(enabled ? 1.0 : 0.6);
}
