#pragma once

#include <QProcess>
#include <QString>

// Another program holding a port the way a terminal program does: a shell locks it, then becomes
// `sleep` with the lock still held.
class LockingProgram {
public:
    explicit LockingProgram(const QString& path) {
        process_.start("bash", {"-c", "exec 9<>\"$0\" && flock -n 9 && echo held && exec sleep 30", path});
        process_.waitForReadyRead(3000);
    }
    ~LockingProgram() {
        process_.kill();
        process_.waitForFinished();
    }
    LockingProgram(const LockingProgram&) = delete;
    LockingProgram& operator=(const LockingProgram&) = delete;

private:
    QProcess process_;
};
