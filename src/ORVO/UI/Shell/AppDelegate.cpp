#include "AppDelegate.h"

#include "ApplicationWindows.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "ORVOAcceptance.h"
#include "ORVODialogs.h"
#include "ORVOMenuBar.h"
#include "ORVOPresentation.h"
#include "SignalPipe.h"
#include "ViewController.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <algorithm>
#include <csignal>

namespace {

// The serial port finishes closing on its own thread; give it this long before the process ends.
constexpr unsigned long kTerminationPauseMs = 200;

} // namespace

AppDelegate& AppDelegate::shared() {
    // Lives as long as the process: the bus object and the signal notifier must outlast every window.
    static AppDelegate* delegate = new AppDelegate;
    return *delegate;
}

AppDelegate::AppDelegate() {
    // A copy started while this one ends finds both free, not a name that no longer answers.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { singleInstance.release(); });
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
    switch (singleInstance.claim(this)) {
    case SingleInstance::Claim::OnlyCopy:
        return true;
    case SingleInstance::Claim::AnotherCopyOnTheBus:
        handOverToRunningCopy();
        return false;
    case SingleInstance::Claim::AnotherCopyUnreachable:
        // There is no bus, or that copy has none. Say so and end.
        qWarning().noquote()
            << "ORVO is already running and cannot be reached over the session bus; this copy ends.";
        ORVODialogs::alreadyRunning(false);
        return false;
    }
    return true;
}

void AppDelegate::handOverToRunningCopy() {
    // The running copy's window offers the import: that answers this start.
    if (!filesToOpen.isEmpty()) {
        for (const QString& path : filesToOpen) {
            singleInstance.callRunningCopy(QStringLiteral("OpenFile"), {path});
        }
        return;
    }
    // Starting the program again is the way back to a window closed with its close control: a hidden
    // window simply comes back. Only when it is already on screen is the second start worth a notice.
    const std::optional<QVariantList> visible =
        singleInstance.callRunningCopy(QStringLiteral("HasVisibleWindows"));
    const bool hidden = visible && !visible->isEmpty() && !visible->constFirst().toBool();
    if (!hidden) {
        ORVODialogs::alreadyRunning();
    }
    singleInstance.callRunningCopy(QStringLiteral("Activate"));
}

void AppDelegate::applicationDidFinishLaunching(ViewController& controller) {
    mainWindow = controller.window();
    windowController = &controller;
    connect(&controller, &ViewController::terminationRequested, this, [this](bool confirmed) {
        exitAlreadyConfirmed = exitAlreadyConfirmed || confirmed;
        terminate();
    });
    // Launched more than once in tests: the pipe and this connection are made only once.
    if (SignalPipe* signalPipe = SignalPipe::install({SIGINT, SIGTERM, SIGHUP})) {
        connect(signalPipe, &SignalPipe::received, this, &AppDelegate::terminateWithoutAsking,
                Qt::UniqueConnection);
    }
    installMenuBar(controller);
    ORVOAcceptance::installIfRequested(
        {[this] { return mainWindow.data(); }, [this] { activateApplication(); }});
}

void AppDelegate::installMenuBar(ViewController& controller) {
    QMenuBar* bar = ORVOMenuBar::install(controller.window(), [this] { terminate(); });
    ORVOMenuBar::prune();
    // Restoring a backup sits in the application menu, above Quit.
    if (!bar->actions().isEmpty() && bar->actions().first()->menu()) {
        QMenu* application = bar->actions().first()->menu();
        application->insertAction(application->actions().value(1), controller.restoreAction);
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
        // Nobody is there to answer Exit's question: edits not written are kept as a draft.
        if (windowController) {
            windowController->keepDraftOfUnwrittenEdits();
        }
        finishTermination();
    }
}

AppDelegate::TerminateReply AppDelegate::applicationShouldTerminate() {
    if (exitAlreadyConfirmed) {
        return TerminateReply::TerminateNow;
    }
    activateApplication();
    // Changes not written get the window's own question, which can write them first; its answer
    // comes back here as a confirmed exit.
    if (windowController && windowController->presentation && windowController->hasUnwrittenChanges()) {
        windowController->presentation->confirmExitRequested();
        return TerminateReply::TerminateCancel;
    }
    QWidget* over = mainWindow ? mainWindow.data() : QApplication::activeWindow();
    return ORVODialogs::confirmExit(over) ? TerminateReply::TerminateNow : TerminateReply::TerminateCancel;
}

void AppDelegate::finishTermination() {
    terminating = true;
    applicationWillTerminate();
    exitEventLoop();
}

void AppDelegate::releaseSingleInstanceForTesting() {
    singleInstance.release();
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

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows) {
    if (hasVisibleWindows) {
        return true;
    }
    QWidget* window = mainWindow;
    if (!window) {
        window = QApplication::activeWindow();
        if (!window) {
            const QList<QWidget*> all = ApplicationWindows::windows();
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
    for (QWidget* window : ApplicationWindows::windows()) {
        if (window->isVisible() && ApplicationWindows::isOrdinaryWindow(window)) {
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
    applicationShouldHandleReopen(ApplicationWindows::hasVisibleWindows());
    activateApplication();
}

void AppDelegate::OpenFile(const QString& path) {
    Activate();
    if (openFile) {
        openFile(path);
    }
}

bool AppDelegate::HasVisibleWindows() {
    return ApplicationWindows::hasVisibleWindows();
}
