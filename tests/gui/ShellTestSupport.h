#pragma once

// For the application shell's tests: a session bus, throw-away user folders, the real program as a
// separate process, and automation commands sent the way an outside script sends them.

#include "EventLoop.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// A dbus-daemon and $XDG_CONFIG_HOME / $XDG_RUNTIME_DIR (English texts) of the test's own. ctest runs
// cases side by side, and each owns the program's well-known name and receives broadcast commands:
// on one shared bus they would answer each other.
class ShellTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        QSettings(settingsPath(), QSettings::IniFormat).setValue("AppLanguageCode", "en");
        daemon = new QProcess;
        daemon->start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        if (daemon->waitForStarted(5000) &&
            runUntil([] { return daemon->canReadLine() || daemon->state() == QProcess::NotRunning; })) {
            qputenv("DBUS_SESSION_BUS_ADDRESS", daemon->readLine().trimmed());
        }
    }
    static void TearDownTestSuite() {
        daemon->terminate();
        daemon->waitForFinished(2000);
        delete daemon;
    }
    void SetUp() override {
        if (daemon->state() != QProcess::Running) {
            GTEST_SKIP() << "dbus-daemon did not start";
        }
    }
    static QString settingsPath() { return config.filePath("Quillon/ORVO.conf"); }
    static QVariant storedLensAModel() {
        return QSettings(settingsPath(), QSettings::IniFormat).value("LensA_Model");
    }

    static inline QProcess* daemon = nullptr;
    static inline QTemporaryDir config;
    static inline QTemporaryDir runtime;
};

// The real program (by default the build's own), without the first-run guide and the tour, with
// environment on top.
inline std::unique_ptr<QProcess> startProgram(const QMap<QString, QString>& environment = {},
                                              const QString& path = QStringLiteral(ORVO_BIN_DIR "/orvo")) {
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
    program->start(path, {});
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
