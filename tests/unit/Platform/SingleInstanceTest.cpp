// The lock-file half of the one-copy rule, in a folder of the test's own, and copies that race for the
// lock and the bus name (handing over to the real program is tested in the shell's tests).

#include "SingleInstance.h"

#include "EventLoop.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using LockFile = SingleInstance::LockFile;

const QString kName = QStringLiteral("Test.ORVO");
const QString kPath = QStringLiteral("/Test/ORVO");

// A held lock keeps a second copy out until it is released; one left by a dead copy is taken over, and
// a folder that cannot hold a lock is unusable, not another copy.
TEST(SingleInstance, aLockKeepsASecondCopyOutOnlyWhileItsHolderLives) {
    QTemporaryDir folder;
    SingleInstance running(kName, kPath, folder.path());
    SingleInstance second(kName, kPath, folder.path());
    ASSERT_EQ(running.claimLockFile(), LockFile::Claimed);
    EXPECT_TRUE(QFile::exists(folder.filePath("Test.ORVO.lock")));
    EXPECT_EQ(second.claimLockFile(), LockFile::HeldByAnotherCopy);
    running.release();
    EXPECT_FALSE(QFile::exists(folder.filePath("Test.ORVO.lock")));
    EXPECT_EQ(second.claimLockFile(), LockFile::Claimed);
    second.release();

    const pid_t dead = ::fork();
    if (dead == 0) {
        ::_exit(0);
    }
    ASSERT_GT(dead, 0);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    QFile stale(folder.filePath("Test.ORVO.lock"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QStringLiteral("%1\norvo\n%2\n").arg(dead).arg(QSysInfo::machineHostName()).toUtf8());
    stale.close();
    EXPECT_EQ(SingleInstance(kName, kPath, folder.path()).claimLockFile(), LockFile::Claimed);
    EXPECT_EQ(SingleInstance(kName, kPath, stale.fileName()).claimLockFile(), LockFile::Unusable);
}

// Each copy may win the lock or the name first; whichever order, exactly one runs and the other
// hands over to it.
TEST(SingleInstance, ofTwoCopiesStartedTogetherExactlyOneRunsAndTheOtherActivatesIt) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        GTEST_SKIP() << "no session bus";
    }
    QTemporaryDir folder;
    // Of its own, so that the case-by-case and the whole run of this test do not meet on the bus.
    const QString name = QStringLiteral("Test.ORVO.Race%1").arg(QCoreApplication::applicationPid());
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        std::array<QProcess, 2> copies;
        for (QProcess& copy : copies) {
            copy.start(QStringLiteral(ORVO_BIN_DIR "/single_instance_probe"), {name, folder.path()});
            ASSERT_TRUE(copy.waitForStarted());
        }
        for (QProcess& copy : copies) {
            copy.write("go\n");
        }
        const auto ended = [&] { return std::ranges::count(copies, QProcess::NotRunning, &QProcess::state); };
        ASSERT_TRUE(runUntil([&] { return ended() > 0; }, 10000));
        runFor(100);
        ASSERT_EQ(ended(), 1);
        QProcess& runner = copies[0].state() == QProcess::Running ? copies[0] : copies[1];
        EXPECT_EQ((&runner == copies.data() ? copies[1] : copies[0]).exitCode(), 0) << "it handed over";
        EXPECT_EQ(runner.readAllStandardOutput(), "running\nactivated\n");
        runner.closeWriteChannel();
        ASSERT_TRUE(runner.waitForFinished());
    }
}

} // namespace
