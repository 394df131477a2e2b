#pragma once

// For the application shell's tests: a session bus, throw-away user folders, the real program as a
// separate process, and automation commands sent the way an outside script sends them.

#include "AppDelegate.h"
#include "EventLoop.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <sys/prctl.h>

// A dbus-daemon and $XDG_CONFIG_HOME / $XDG_RUNTIME_DIR (English texts) of the test process's own.
// ctest runs cases side by side, and each owns the program's well-known name and receives broadcast
// commands: on one shared bus they would answer each other. One daemon serves every case of the
// process, because this process's own bus connection, once made, stays with the daemon it found.
class ShellTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        Settings::setFilePathForTesting(settingsPath());
        if (!daemon) {
            startDaemon();
        }
    }
    // Every case starts from the settings a first start sees, whatever the case before it saved.
    void SetUp() override {
        if (daemon->state() != QProcess::Running) {
            GTEST_SKIP() << "dbus-daemon did not start";
        }
        // Each case starts as the only copy: what an earlier case claimed is given back.
        AppDelegate::shared().releaseSingleInstanceForTesting();
        Settings::shared().clear();
        Settings::shared().setValue("AppLanguageCode", "en");
        Settings::shared().sync();
    }
    static QString settingsPath() { return config.filePath("Quillon/ORVO.conf"); }
    static QVariant storedLensAModel() {
        return QSettings(settingsPath(), QSettings::IniFormat).value("LensA_Model");
    }

    static inline QProcess* daemon = nullptr;
    static inline QTemporaryDir config;
    static inline QTemporaryDir runtime;

private:
    // Owned by the application object, so it ends with the test process; should the process die
    // without cleaning up (a crash, a ctest timeout), the kernel ends the daemon with it.
    static void startDaemon() {
        daemon = new QProcess(qApp);
        daemon->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        daemon->start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        if (daemon->waitForStarted(5000) &&
            runUntil([] { return daemon->canReadLine() || daemon->state() == QProcess::NotRunning; })) {
            qputenv("DBUS_SESSION_BUS_ADDRESS", daemon->readLine().trimmed());
        }
    }
};

// The real program (by default the build's own), without the first-run guide and the tour, with
// environment on top.
inline std::unique_ptr<QProcess> startProgram(const QMap<QString, QString>& environment = {},
                                              const QString& path = QStringLiteral(ORVO_BIN_DIR "/orvo"),
                                              const QStringList& arguments = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ORVO_SKIP_GUIDE", "1");
    env.insert("ORVO_SKIP_TOUR", "1");
    env.remove("ORVO_ACCEPTANCE");
    for (auto entry = environment.cbegin(); entry != environment.cend(); ++entry) {
        env.insert(entry.key(), entry.value());
    }
    auto program = std::make_unique<QProcess>();
    program->setProcessEnvironment(env);
    program->start(path, arguments);
    program->waitForStarted(5000);
    return program;
}

// Waits with the event loop running, so this process keeps answering the program's bus calls.
inline bool waitForExit(QProcess& program, int timeoutMs = 15000) {
    return runUntil([&] { return program.state() == QProcess::NotRunning; }, timeoutMs);
}

// One automation command from its own process, as a shell script would send it.
inline int sendCommand(const QString& command) {
    return QProcess::execute(QStringLiteral("dbus-send"),
                             {"--session", "--type=signal", "/", "Quillon.ORVO.acceptance",
                              "dict:string:string:command," + command});
}

inline QString readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Commands run in arrival order: once a later "list" has written its file, everything sent before it
// has been handled.
inline bool listWindows(const QString& path, int timeoutMs = 5000) {
    QFile::remove(path);
    return sendCommand("list " + path) == 0 && runUntil([&] { return QFile::exists(path); }, timeoutMs);
}
