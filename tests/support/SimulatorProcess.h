#pragma once

#include "EventLoop.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

// The adapter simulator as its own process, as a person would run it next to the program.
// Collects the packets it receives and sends, with the time they were logged.
class SimulatorProcess {
public:
    struct Received {
        qint64 atMs;
        QByteArray bytes;
    };

    explicit SimulatorProcess(QStringList arguments) {
        arguments << "--state" << state_.filePath("adapter.json");
        QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] { readLines(); });
        clock_.start();
        process_.start(QStringLiteral(ORVO_BIN_DIR "/orvo-adapter-sim"), arguments);
    }
    ~SimulatorProcess() {
        process_.terminate();
        process_.waitForFinished(2000);
    }

    // The port's link, once the simulator has made it.
    QString linkPath() {
        runUntil([this] { return !linkPath_.isEmpty() || process_.state() == QProcess::NotRunning; });
        return linkPath_;
    }

    void unplug() { ::kill(static_cast<pid_t>(process_.processId()), SIGUSR1); }

    // What the simulator keeps: {"settings": {...}, "profiles": [...]} as written to its state file.
    QJsonObject state() const {
        QFile file(state_.filePath("adapter.json"));
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                              : QJsonObject();
    }

    QList<Received> received;
    QList<Received> sent;

private:
    void readLines() {
        while (process_.canReadLine()) {
            const QString line = QString::fromUtf8(process_.readLine()).trimmed();
            if (linkPath_.isEmpty()) {
                linkPath_ = line;
            } else if (line.startsWith("RX ")) {
                received.append({clock_.elapsed(), QByteArray::fromHex(line.mid(3).toLatin1())});
            } else if (line.startsWith("TX ")) {
                sent.append({clock_.elapsed(), QByteArray::fromHex(line.mid(3).toLatin1())});
            }
        }
    }

    QTemporaryDir state_;
    QProcess process_;
    QElapsedTimer clock_;
    QString linkPath_;
};
