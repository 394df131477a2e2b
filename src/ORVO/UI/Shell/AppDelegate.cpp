#include "AppDelegate.h"

#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "ORVOAcceptance.h"
#include "ORVODialogs.h"
#include "ORVOMenuBar.h"
#include "ViewController.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QLockFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QWindow>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The serial port finishes closing on its own thread; give it this long before the process ends.
constexpr unsigned long kTerminationPauseMs = 200;
// A running copy that does not answer within this time is treated as busy, not as absent.
constexpr int kBusCallTimeoutMs = 5000;

// Self-pipe: the signal handler only writes a byte, the main thread reads it and does the work.
int signalPipe[2] = {-1, -1};

void forwardSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

QDBusMessage callRunningCopy(const QString& method) {
    const QDBusMessage call = QDBusMessage::createMethodCall(AppDelegate::busName, AppDelegate::objectPath,
                                                             AppDelegate::busName, method);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, kBusCallTimeoutMs);
}

bool isOrdinaryWindow(const QWidget* widget) {
    const Qt::WindowType type = widget->windowType();
    return type == Qt::Window || type == Qt::Dialog || type == Qt::Tool;
}

} // namespace

AppDelegate& AppDelegate::shared() {
    // Lives as long as the process: the bus object and the signal notifier must outlast every window.
    static AppDelegate* delegate = new AppDelegate;
    return *delegate;
}

AppDelegate::AppDelegate() {
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { instanceLock.reset(); });
}

AppDelegate::~AppDelegate() = default;

// ---- Launch

void AppDelegate::applicationWillFinishLaunching() {
    bool isIndex = false;
    const int answer = qEnvironmentVariableIntValue("ORVO_ANSWER_ALERTS", &isIndex);
    if (!isIndex) {
        return;
    }
    ORVODialogs::setResponder([answer](QMessageBox& alert, const QList<QPushButton*>& buttons) {
        const int pressed = answer >= 0 && answer < buttons.size() ? answer : -1;
        qInfo().noquote() << "ORVO alert:" << alert.text() << "->"
                          << (pressed >= 0 ? buttons.at(pressed)->text() : QStringLiteral("(closed)"));
        return pressed;
    });
}

bool AppDelegate::ensureSingleInstance() {
    // The lock is taken on every start, bus or not: a copy started without a session bus (from a
    // console, over ssh) must still not run beside one that has a bus, nor the other way round.
    const InstanceLock lock = claimLockFile();
    if (QDBusConnection::sessionBus().isConnected() && !claimBusName()) {
        handOverToRunningCopy();
        return false;
    }
    if (lock == InstanceLock::HeldByAnotherCopy) {
        // That copy cannot be reached: there is no bus, or it has none. Say so and end.
        qWarning().noquote()
            << "ORVO is already running and cannot be reached over the session bus; this copy ends.";
        ORVODialogs::alreadyRunning(false);
        return false;
    }
    return true;
}

void AppDelegate::handOverToRunningCopy() {
    // Starting the program again is the way back to a window closed with its close control: a hidden
    // window simply comes back. Only when it is already on screen is the second start worth a notice.
    const QDBusMessage visible = callRunningCopy(QStringLiteral("HasVisibleWindows"));
    const bool hidden = visible.type() == QDBusMessage::ReplyMessage && !visible.arguments().isEmpty() &&
                        !visible.arguments().constFirst().toBool();
    if (!hidden) {
        ORVODialogs::alreadyRunning();
    }
    callRunningCopy(QStringLiteral("Activate"));
}

bool AppDelegate::claimBusName() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    // The object first, so a copy that sees the name can already call it.
    if (!bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots)) {
        return false;
    }
    if (bus.registerService(busName)) {
        return true;
    }
    bus.unregisterObject(objectPath);
    return false;
}

AppDelegate::InstanceLock AppDelegate::claimLockFile() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(QStringLiteral("Quillon.ORVO.lock")));
    // Only a dead owner makes the lock stale, never its age: the running copy may run for days.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        instanceLock = std::move(lock);
        return InstanceLock::Claimed;
    }
    // An unusable runtime folder must not keep the program from starting.
    return lock->error() == QLockFile::LockFailedError ? InstanceLock::HeldByAnotherCopy
                                                       : InstanceLock::Unusable;
}

void AppDelegate::applicationDidFinishLaunching(ViewController& controller) {
    mainWindow = controller.window();
    connect(&controller, &ViewController::terminationRequested, this, [this](bool confirmed) {
        exitAlreadyConfirmed = exitAlreadyConfirmed || confirmed;
        terminate();
    });
    installSignalHandlers();
    QMenuBar* bar = ORVOMenuBar::install(controller.window());
    ORVOMenuBar::prune();
    // Restoring a backup sits in the application menu, above Quit.
    if (!bar->actions().isEmpty() && bar->actions().first()->menu()) {
        QMenu* application = bar->actions().first()->menu();
        application->insertAction(application->actions().value(1), controller.restoreAction);
    }
    ORVOAcceptance::installIfRequested();
}

void AppDelegate::installSignalHandlers() {
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        terminateWithoutAsking();
    });
    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

// ---- Quitting

void AppDelegate::terminate() {
    if (terminating || applicationShouldTerminate() == TerminateReply::TerminateCancel) {
        return;
    }
    finishTermination();
}

void AppDelegate::terminateWithoutAsking() {
    if (!terminating) {
        finishTermination();
    }
}

AppDelegate::TerminateReply AppDelegate::applicationShouldTerminate() {
    if (exitAlreadyConfirmed) {
        return TerminateReply::TerminateNow;
    }
    activateApplication();
    QWidget* over = mainWindow ? mainWindow.data() : QApplication::activeWindow();
    return ORVODialogs::confirmExit(over) ? TerminateReply::TerminateNow : TerminateReply::TerminateCancel;
}

void AppDelegate::finishTermination() {
    terminating = true;
    applicationWillTerminate();
    exitEventLoop();
}

void AppDelegate::releaseSingleInstanceForTesting() {
    instanceLock.reset();
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(busName);
    bus.unregisterObject(objectPath);
}

void AppDelegate::resetTerminationForTesting() {
    terminating = false;
    exitAlreadyConfirmed = false;
}

void AppDelegate::applicationWillTerminate() {
    NotificationCenter::defaultCenter().post(NotificationNames::ApplicationWillTerminate);
    QThread::msleep(kTerminationPauseMs);
}

// ---- Windows

QList<QWidget*> AppDelegate::windows() {
    QHash<const QWindow*, QWidget*> widgets;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() && widget->windowType() != Qt::Desktop) {
            widgets.insert(widget->windowHandle(), widget);
        }
    }
    // Qt lists the newest window first; ours go oldest first, so the main window leads.
    QList<QWidget*> result;
    const QWindowList all = QGuiApplication::allWindows();
    for (auto window = all.crbegin(); window != all.crend(); ++window) {
        if (QWidget* widget = widgets.value(*window)) {
            result << widget;
        }
    }
    return result;
}

bool AppDelegate::hasVisibleWindows() {
    const QList<QWidget*> all = windows();
    return std::any_of(all.cbegin(), all.cend(),
                       [](const QWidget* w) { return w->isVisible() && isOrdinaryWindow(w); });
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows) {
    if (hasVisibleWindows) {
        return true;
    }
    QWidget* window = mainWindow;
    if (!window) {
        window = QApplication::activeWindow();
        if (!window) {
            const QList<QWidget*> all = windows();
            const auto kept = std::find_if(all.cbegin(), all.cend(), [](const QWidget* w) {
                return w->windowType() == Qt::Window && !w->testAttribute(Qt::WA_DeleteOnClose);
            });
            window = kept == all.cend() ? nullptr : *kept;
        }
        mainWindow = window;
    }
    if (window) {
        window->show();
        window->raise();
        window->activateWindow();
    }
    return true;
}

void AppDelegate::activateApplication() {
    for (QWidget* window : windows()) {
        if (window->isVisible() && isOrdinaryWindow(window)) {
            window->raise();
        }
    }
    QWidget* focus = QApplication::activeModalWidget();
    if (!focus && mainWindow && mainWindow->isVisible()) {
        focus = mainWindow;
    }
    if (focus) {
        focus->activateWindow();
    }
}

void AppDelegate::Activate() {
    applicationShouldHandleReopen(hasVisibleWindows());
    activateApplication();
}

bool AppDelegate::HasVisibleWindows() {
    return hasVisibleWindows();
}
