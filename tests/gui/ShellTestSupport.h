#pragma once

// For the application shell's tests: a session bus, throw-away user folders, the real program as a
// separate process, and automation commands sent the way an outside script sends them.

#include "EventLoop.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>

// A dbus-daemon of the test's own. ctest runs cases side by side, and each of them owns the program's
// well-known name and receives broadcast commands: on one shared bus they would answer each other.
class SessionBus {
public:
    SessionBus() {
        daemon_.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        if (daemon_.waitForStarted(5000) &&
            runUntil([this] { return daemon_.canReadLine() || daemon_.state() == QProcess::NotRunning; })) {
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        }
        if (!address_.isEmpty()) {
            qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
        }
    }
    ~SessionBus() {
        daemon_.terminate();
        daemon_.waitForFinished(2000);
    }
    bool isUp() const { return !address_.isEmpty(); }

private:
    QProcess daemon_;
    QString address_;
};

// $XDG_CONFIG_HOME and $XDG_RUNTIME_DIR of the test and of the programs it starts, with English texts.
class UserFolders {
public:
    UserFolders() {
        qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toUtf8());
        QSettings(settingsPath(), QSettings::IniFormat).setValue("AppLanguageCode", "en");
    }
    QString settingsPath() const { return config_.filePath("Quillon/ORVO.conf"); }
    QString runtimePath() const { return runtime_.path(); }

private:
    QTemporaryDir config_;
    QTemporaryDir runtime_;
};

inline QProcessEnvironment programEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("ORVO_SKIP_GUIDE", "1");
    environment.insert("ORVO_SKIP_TOUR", "1");
    environment.remove("ORVO_ACCEPTANCE");
    environment.remove("ORVO_ANSWER_ALERTS");
    return environment;
}

// The real program, started with environment on top of programEnvironment().
inline std::unique_ptr<QProcess> startProgram(const QMap<QString, QString>& environment = {}) {
    auto program = std::make_unique<QProcess>();
    QProcessEnvironment env = programEnvironment();
    for (auto entry = environment.cbegin(); entry != environment.cend(); ++entry) {
        env.insert(entry.key(), entry.value());
    }
    program->setProcessEnvironment(env);
    program->start(QStringLiteral(ORVO_BIN_DIR "/orvo"), {});
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

// Commands run in arrival order: once a later "list" has written its file, everything sent
// before it has been handled.
inline bool listWindows(const QString& path, int timeoutMs = 5000) {
    QFile::remove(path);
    if (sendCommand("list " + path) != 0) {
        return false;
    }
    return runUntil([&] { return QFile::exists(path); }, timeoutMs);
}

// Waits until the program's automation hook answers (it is installed last at launch).
inline bool waitForHook(const QString& path, int timeoutMs = 15000) {
    return runUntil([&] { return listWindows(path, 300); }, timeoutMs);
}
