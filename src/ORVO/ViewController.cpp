#include "ViewController.h"

#include "AppDelegate.h"
#include "DataStructureManager.h"
#include "LocalizationManager.h"
#include "MainQueue.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "ORVOPresentation.h"
#include "SerialPortManager.h"
#include "TextKeys.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGraphicsOpacityEffect>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

namespace {
constexpr int kMonitorIntervalMs = 3000;
constexpr int kChainStepMs = 200;
constexpr int kTerminationDelayMs = 500;
constexpr qint64 kAdapterBaudRate = 1500000;
} // namespace

// Start-up: the controls, the notification handlers, the log's plain style and the start values.
ViewController::ViewController(QWidget* parent)
    : QWidget(parent), dataManager(DataStructureManager::shared()),
      localizationManager(LocalizationManager::shared()) {
    buildControls();
    wireActions();
    Language->setEnabled(true);
    registerNotificationHandlers();
    setupPrintViewStyle();
    Init_UI();
    presentation = new ORVOPresentation(this);
    presentation->install();
}

ViewController::~ViewController() {
    stopConnectionMonitoring();
    NotificationCenter::defaultCenter().removeObserver(this);
}

void ViewController::registerNotificationHandlers() {
    auto& center = NotificationCenter::defaultCenter();
    using namespace NotificationNames;
    center.addObserver(this, L2PC01PacketReceived, [this](const Notification& n) {
        if (n.object.typeId() == QMetaType::QByteArray) {
            handleReceivedL2PC01Packet();
        }
    });
    center.addObserver(this, L2PC02PacketReceived, [this](const Notification& n) {
        if (n.object.typeId() == QMetaType::QByteArray) {
            handleReceivedL2PC02Packet();
        }
    });
    center.addObserver(this, L2PC03PacketReceived, [this](const Notification& n) {
        if (n.object.typeId() == QMetaType::QByteArray) {
            handleReceivedL2PC03Packet(n.object.toByteArray());
        }
    });
    center.addObserver(this, RequestPrintViewContent, [this](const Notification&) {
        NotificationCenter::defaultCenter().post(SavePrintViewContent, logText());
    });
    center.addObserver(this, PortConnected, [this](const Notification& n) { handlePortConnected(n); });
    center.addObserver(this, PortDisconnected, [this](const Notification&) { handlePortDisconnected(); });
    // A failed open ends the attempt, so a later tick may try again; the store logs the failure once.
    center.addObserver(this, PortOpenFailed,
                       [this](const Notification&) { hasAttemptedAutoConnect = false; });
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
    AppDelegate::shared().mainWindow = window();
    updateButtonTitles();
    startConnectionMonitoring();
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

// The close control only hides the window; the program keeps running.
void ViewController::closeEvent(QCloseEvent* event) {
    event->ignore();
    window()->hide();
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
    }
}

void ViewController::attemptAutoConnect(int orvoCount, int totalCount) {
    hasAttemptedAutoConnect = true;
    QString detected = text(TextKeys::kMessageDeviceDetected);
    detected.replace("{0}", QString::number(orvoCount)).replace("{1}", QString::number(totalCount));
    appendToPrintView(QStringLiteral("\n🔍 ") + detected);
    logMessage("🔄", TextKeys::kMessageAutoConnecting);
    if (dataManager.autoConnect()) {
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
    setSaveEnabled(true);
    runReadOutChain();
}

// Six read requests, 0.2 s apart, all with rw 0. Nothing waits for the adapter's answers.
void ViewController::runReadOutChain() {
    const std::array<std::function<void()>, 6> steps = {
        [this] {
            if (dataManager.pc2l01Packet) {
                dataManager.updatePC2L01Packet();
                dataManager.serialController->sendData(dataManager.pc2l01Packet->toData());
            }
        },
        [this] {
            dataManager.updatePC2L02Packet(0, 0);
            updatePC2L02PacketFromUI(0, 0);
        },
        [this] {
            updatePC2L03PacketFromUI();
            for (int i = 0; i < static_cast<int>(dataManager.pc2l03Packets.size()); ++i) {
                dataManager.updatePC2L03PacketRW(i, 0);
            }
            sendPC2L03Packet(0);
        },
        [this] { sendPC2L03Packet(1); },
        [this] { sendPC2L03Packet(2); },
        [this] {
            sendPC2L03Packet(3);
            setSaveEnabled(true);
            logMessage(nullptr, TextKeys::kMessageSaveToAdapterEnabled);
        },
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        MainQueue::after(kChainStepMs * static_cast<int>(i + 1), this, steps[i]);
    }
}

void ViewController::handlePortDisconnected() {
    logMessage("❌", TextKeys::kMessageSerialDisconnected);
    setSaveEnabled(false);
    logMessage("⚠️", TextKeys::kMessageSaveToAdapterDisabled);
}

// ---- Manual port list (kept working; the styled window does not show it)

void ViewController::On_ButtonFresh_Clicked() {
    appendToPrintView(QStringLiteral("Fresh按钮按下了"));
    const SerialPortList ports = dataManager.serialController->serialPortManager.availablePorts();
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
    const SerialPortPtr& port = dataManager.serialController->serialPort;
    if (port && port->isOpen()) {
        logMessage("🔌", TextKeys::kMessageSerialDisconnecting);
        dataManager.serialController->disconnect();
    }
    saveUIState();
    NotificationCenter::defaultCenter().removeObserver(this);
    logMessage("📝", TextKeys::kMessageUiStateSaved);
}

void ViewController::On_buttonExit_Clicked() {
    logMessage("🚪", TextKeys::kMessageExiting);
    performCleanup();
    logMessage("✅", TextKeys::kMessageCleanupComplete);
    MainQueue::after(kTerminationDelayMs, this, [this] { emit terminationRequested(); });
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
