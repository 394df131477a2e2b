// The lock-file half of the one-copy rule, in a folder of the test's own (the bus half is tested with
// the real program in the shell's tests).

#include "SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using LockFile = SingleInstance::LockFile;

const QString kName = QStringLiteral("Test.ORVO");
const QString kPath = QStringLiteral("/Test/ORVO");

TEST(SingleInstance, aHeldLockKeepsASecondCopyOutUntilItIsReleased) {
    QTemporaryDir folder;
    SingleInstance running(kName, kPath, folder.path());
    SingleInstance second(kName, kPath, folder.path());
    ASSERT_EQ(running.claimLockFile(), LockFile::Claimed);
    EXPECT_TRUE(QFile::exists(folder.filePath("Test.ORVO.lock")));
    EXPECT_EQ(second.claimLockFile(), LockFile::HeldByAnotherCopy);
    running.releaseLockFile();
    EXPECT_FALSE(QFile::exists(folder.filePath("Test.ORVO.lock")));
    EXPECT_EQ(second.claimLockFile(), LockFile::Claimed);
}

TEST(SingleInstance, aLockLeftByADeadCopyIsTakenOver) {
    QTemporaryDir folder;
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
}

TEST(SingleInstance, aFolderThatCannotHoldALockIsUnusableNotAnotherCopy) {
    QTemporaryDir folder;
    QFile notAFolder(folder.filePath("file"));
    ASSERT_TRUE(notAFolder.open(QIODevice::WriteOnly));
    notAFolder.close();
    EXPECT_EQ(SingleInstance(kName, kPath, notAFolder.fileName()).claimLockFile(), LockFile::Unusable);
}

} // namespace
