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
        if (n.object.typeId() == QMetaType::QString) {
            appendToPrintView("\n" + n.object.toString());
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
    QString detected = text(TextKeys::kMessageDeviceDetected);
    detected.replace("{0}", QString::number(orvoCount)).replace("{1}", QString::number(totalCount));
    appendToPrintView(QStringLiteral("\n🔍 ") + detected);
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
    if (notification.object.typeId() != QMetaType::QString) {
        return;
    }
    appendToPrintView("\n" + notification.object.toString());
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
    QString line = text(TextKeys::kMessageReadOutIncomplete);
    appendToPrintView(QStringLiteral("\n❌ ") + line.replace("{0}", missingPartsText()));
}

// "device information, profile B" in the current language.
QString ViewController::missingPartsText() const {
    QStringList names;
    for (const ReadOutSequence::Part part : readOut->missingParts()) {
        if (part == ReadOutSequence::DeviceInfo) {
            names << text(TextKeys::kMessagePartDeviceInfo);
        } else if (part == ReadOutSequence::DefaultLens) {
            names << text(TextKeys::kMessagePartDefaultLens);
        } else {
            names << text(TextKeys::kMessagePartProfile)
                         .replace("{0}", ProfileValues::profileLetter(part - ReadOutSequence::ProfileA));
        }
    }
    return names.join(QStringLiteral(", "));
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
    appendToPrintView(QStringLiteral("Fresh按钮按下了"));
    const SerialPortList ports = dataManager.availablePorts();
    if (ports.isEmpty()) {
        return;
    }
    PortSelection->clear();
    appendToPrintView(QStringLiteral("\n刷新串口列表"));
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
    appendToPrintView(QStringLiteral("\n正在连接到串口: ") + path);
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

void ViewController::logMessage(const char* marker, const char* key) {
    const QString prefix = marker ? QString::fromUtf8(marker) + ' ' : QString();
    appendToPrintView("\n" + prefix + text(key));
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
