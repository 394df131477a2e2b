#pragma once

#include "SingleInstance.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

class ViewController;

// The application's own state and lifecycle, outside any one window: one running copy per user
// session, the launch steps after the window exists, quitting (with one confirmation at most),
// the clean-up announcement before the process ends, and bringing the window back on reopen.
//
// On the session bus the running copy owns the name "Quillon.ORVO" and answers, at the object
// "/Quillon/ORVO", the methods Activate and HasVisibleWindows of the interface "Quillon.ORVO".
class AppDelegate : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "Quillon.ORVO")

public:
    static constexpr char busName[] = "Quillon.ORVO";
    static constexpr char objectPath[] = "/Quillon/ORVO";

    enum class TerminateReply { TerminateNow, TerminateCancel };

    static AppDelegate& shared();

    QPointer<QWidget> mainWindow;
    QPointer<ViewController> windowController;
    bool exitAlreadyConfirmed = false;
    // Shared lens files named on the command line: handed to the running copy when there is one.
    QStringList filesToOpen;
    // Offers a shared lens file's import in this copy's window; set once the window can.
    std::function<void(const QString& path)> openFile;
    // The last step of quitting: leaves the application's event loop. Tests that quit in-process put
    // their own here, since after QCoreApplication::exit every later event loop returns at once.
    std::function<void()> exitEventLoop = [] { QCoreApplication::exit(0); };

    // Before anything else: with ORVO_ANSWER_ALERTS set to a button index, every alert is answered
    // with that button at once (and named on stderr), so unattended runs never wait on a dialog.
    void applicationWillFinishLaunching();
    // True when this copy may go on running. Otherwise another copy owns the session (the notice has
    // been shown where needed and that copy is in front) and this one must end without starting.
    bool ensureSingleInstance();
    // Once the window exists and is shown: quit paths, termination signals, menu bar, automation hook.
    void applicationDidFinishLaunching(ViewController& controller);

    TerminateReply applicationShouldTerminate();
    void applicationWillTerminate();
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    // Tests that quit in-process: back to a delegate that has not begun quitting.
    void resetTerminationForTesting();
    // Lets go of the lock file and the bus name, so that a test can start as a fresh copy would.
    void releaseSingleInstanceForTesting();

    // Raises every visible window and gives the focus to the main window (or to the alert over it).
    void activateApplication();

public slots:
    // A user's request to quit (menu, Ctrl+Q, Exit): asks first unless Exit was confirmed.
    void terminate();
    // The system's request to end (SIGINT, SIGTERM, SIGHUP): the same clean-up, never a question.
    void terminateWithoutAsking();

    // Called by a second copy over the session bus.
    Q_SCRIPTABLE void Activate();
    // A second copy started with a shared lens file hands it here: the import is offered.
    Q_SCRIPTABLE void OpenFile(const QString& path);
    Q_SCRIPTABLE bool HasVisibleWindows();

private:
    AppDelegate();
    ~AppDelegate() override;

    void handOverToRunningCopy();
    void installMenuBar(ViewController& controller);
    void finishTermination();

    // $XDG_RUNTIME_DIR/Quillon.ORVO.lock, held for the life of the process, and the bus name.
    SingleInstance singleInstance{QString::fromLatin1(busName), QString::fromLatin1(objectPath)};
    bool terminating = false;
};
