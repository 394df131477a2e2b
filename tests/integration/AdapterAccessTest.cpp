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
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using namespace NotificationNames;

class AdapterAccess : public AdapterTest {
protected:
    // The log line of one more failed open of path.
    QString failedOpenLine(const QString& path) {
        recorder.received.clear();
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

// A port this process holds names no program; one another program holds names it, unless the search
// for it, which runs off the main thread, runs out of time: then the line goes out without a name.
TEST_F(AdapterAccess, aBusyPortIsToldWithTheNameOfTheProgramHoldingItWhenOneIsFoundInTime) {
    const auto mine = plugSimulatedAdapter("7102");
    const auto named = plugSimulatedAdapter("7101");
    const auto unnamed = plugSimulatedAdapter("7107");
    const auto busy = [](const QString& path) {
        return ("❌ " + text(TextKeys::kMessagePortBusy, path)).toStdString();
    };
    QFile port(mine->linkPath());
    ASSERT_TRUE(port.open(QIODevice::ReadWrite));
    ASSERT_EQ(::flock(port.handle(), LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(failedOpenLine(mine->linkPath()).toStdString(), busy(mine->linkPath()));

    EXPECT_EQ(holderOf(named->linkPath()), "") << "only this process has it open";
    LockingProgram holder(named->linkPath());
    LockingProgram slowHolder(unnamed->linkPath());
    ASSERT_TRUE(runUntil([&] { return holderOf(named->linkPath()) == "sleep"; }));
    EXPECT_EQ(failedOpenLine(named->linkPath()).toStdString(),
              ("❌ " + text(TextKeys::kMessagePortBusyBy, named->linkPath(), "sleep")).toStdString());
    store.holderSearchTimeLimit = std::chrono::milliseconds(0);
    EXPECT_EQ(failedOpenLine(unnamed->linkPath()).toStdString(), busy(unnamed->linkPath()));
}

TEST_F(AdapterAccess, permissionDeniedIsAMissingGroupThroughTheRulesLinkElseAMissingRule) {
    const auto ruleMissing = AdapterAccessAdvice::forOpenFailure("/dev/ttyACM0", EACCES);
    EXPECT_EQ(ruleMissing.kind, AdapterAccessAdvice::Kind::RuleMissing);
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
