// Why an adapter port cannot be used, told with its fix: the program holding a busy port found in
// /proc, permission denied read as a missing rule or a missing group, and a plugged adapter whose
// rule (and so its usbmodem link) is missing told once.

#include "AdapterAccessAdvice.h"
#include "AdapterLine.h"
#include "AdapterTestEnvironment.h"
#include "DataStructureManager.h"
#include "EventLoop.h"
#include "LocalizationManager.h"
#include "LockingProgram.h"
#include "NotificationNames.h"
#include "NotificationRecorder.h"
#include "PortHolder.h"
#include "SerialPortManager.h"
#include "Settings.h"
#include "SimulatedAdapter.h"
#include "TextKeys.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using namespace NotificationNames;

class AdapterAccess : public AdapterTest {
protected:
    // The log line of the one failed open of path.
    QString failedOpenLine(const QString& path) {
        store.connectToPort(path, kAdapterBaudRate);
        EXPECT_TRUE(runUntil(
            [&] { return recorder.count(PortOpenFailed) == 1 && recorder.count(UpdatePrintView) > 0; }));
        runFor(50);
        const QStringList lines = recorder.objectsOf(UpdatePrintView);
        return lines.size() == 1 ? lines.first() : lines.join(" | ");
    }

    // The answer of one search, waited for on the event loop.
    static QString holderOf(const QString& path) {
        std::optional<QString> found;
        const QObject owner;
        PortHolder::findProgramHolding(path, &owner, [&found](const QString& holder) { found = holder; });
        runUntil([&] { return found.has_value(); });
        return found.value_or("(no answer)");
    }

    static QString text(const char* key, const QString& path, const QString& detail = {}) {
        return LocalizationManager::text(key).replace("{0}", path).replace("{1}", detail);
    }

    DataStructureManager store;
    NotificationRecorder recorder{{PortOpenFailed, UpdatePrintView}};
};

} // namespace

TEST_F(AdapterAccess, aPortLockedByAnotherProgramIsToldWithThatProgramsName) {
    auto adapter = plugSimulatedAdapter("7101");
    EXPECT_EQ(holderOf(adapter->linkPath()), "") << "only this process has it open";
    LockingProgram holder(adapter->linkPath());
    ASSERT_TRUE(runUntil([&] { return holderOf(adapter->linkPath()) == "sleep"; }));

    EXPECT_EQ(failedOpenLine(adapter->linkPath()).toStdString(),
              ("❌ " + text(TextKeys::kMessagePortBusyBy, adapter->linkPath(), "sleep")).toStdString());
}

// The search runs off the main thread and is given up at its time limit: the line goes out then.
TEST_F(AdapterAccess, aSearchForTheHolderThatRunsOutOfTimeIsToldWithoutAName) {
    auto adapter = plugSimulatedAdapter("7107");
    LockingProgram holder(adapter->linkPath());
    ASSERT_TRUE(runUntil([&] { return holderOf(adapter->linkPath()) == "sleep"; }));
    store.holderSearchTimeLimit = std::chrono::milliseconds(0);

    EXPECT_EQ(failedOpenLine(adapter->linkPath()).toStdString(),
              ("❌ " + text(TextKeys::kMessagePortBusy, adapter->linkPath())).toStdString());
}

TEST_F(AdapterAccess, aPortLockedByThisProcessNamesNoProgram) {
    auto adapter = plugSimulatedAdapter("7102");
    QFile port(adapter->linkPath());
    ASSERT_TRUE(port.open(QIODevice::ReadWrite));
    ASSERT_EQ(::flock(port.handle(), LOCK_EX | LOCK_NB), 0);

    EXPECT_EQ(failedOpenLine(adapter->linkPath()).toStdString(),
              ("❌ " + text(TextKeys::kMessagePortBusy, adapter->linkPath())).toStdString());
}

TEST_F(AdapterAccess, permissionDeniedIsAMissingGroupThroughTheRulesLinkElseAMissingRule) {
    const auto ruleMissing = AdapterAccessAdvice::forOpenFailure("/dev/ttyACM0", EACCES);
    EXPECT_EQ(ruleMissing.kind, AdapterAccessAdvice::Kind::RuleMissing);
    EXPECT_EQ(ruleMissing.commands("orvo"), AdapterAccessAdvice::ruleInstallCommands("orvo"));
    EXPECT_TRUE(ruleMissing.commands("orvo").first().startsWith("orvo --print-udev-rule | sudo tee "));
    // Only the rule makes /dev/usbmodem links: the rule is there, the user lacks its group.
    const auto noGroup = AdapterAccessAdvice::forOpenFailure("/dev/usbmodemORVO7103", EACCES);
    EXPECT_EQ(noGroup.kind, AdapterAccessAdvice::Kind::NotInGroup);
    EXPECT_EQ(noGroup.group, "dialout");
    EXPECT_EQ(noGroup.commands("orvo"), QStringList{"sudo usermod -aG dialout \"$USER\""});
    EXPECT_EQ(noGroup.message(),
              text(TextKeys::kMessageAccessNotInGroup, "/dev/usbmodemORVO7103", "dialout"));
}

TEST_F(AdapterAccess, anAdapterWithoutItsRuleIsToldOnceAndOthersNever) {
    const auto port = [](const QString& path, const QString& serial) {
        return SerialPort::serialPortWithDevice({path, QFileInfo(path).fileName(), serial});
    };
    const SerialPortList ports{port("/dev/ttyACM7", "ORVO7104"), port("/dev/usbmodemORVO7105", "ORVO7105"),
                               port("/dev/serial/by-id/usb-Other_Modem_A9X-if00", "A9X"),
                               port(SerialPortManager::portsDirectory() + "/usbmodemORVO7106", "")};

    EXPECT_EQ(store.reportUnlinkedAdapters(ports), QStringList{"/dev/ttyACM7"});
    EXPECT_EQ(store.reportUnlinkedAdapters(ports), QStringList{});
    runFor(50);
    EXPECT_EQ(recorder.objectsOf(UpdatePrintView),
              QStringList{"⚠️ " + text(TextKeys::kMessageAdapterWithoutRule, "/dev/ttyACM7")});
}
