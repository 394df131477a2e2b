// The window's side of connecting: a read-out that must be complete before Save, reconnecting after
// an early unplug, quiet retries of a port that cannot open, the notice with the fix for missing
// access and hot-plug at once.

#include "AdapterAccessAdvice.h"
#include "NotificationNames.h"
#include "NotificationRecorder.h"
#include "ORVOAccessNotice.h"
#include "ORVOProfileSelector.h"
#include "Settings.h"
#include "TestSideAdapter.h"
#include "WindowTestSupport.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using namespace NotificationNames;

class ConnectionLifecycle : public WindowTest {
protected:
    QString lastLine() const { return controller.logText().trimmed().split('\n').last(); }
    // The words of the line that says a port opened, before its path.
    QString portOpened() const { return text("messages.port_opened").section("{0}", 0, 0); }
};

} // namespace

// Between the two, the notice with the fix for missing access offers its commands to copy, and goes
// once the adapter connects.
TEST_F(ConnectionLifecycle, anEarlyUnplugThenReplugIsNoticedAtOnceAndReadOutAgainAndTheRuleNoticeGoes) {
    adapter = plugSimulator("9201");
    controller.show();
    ASSERT_TRUE(runUntil([&] { return logCount(portOpened()) == 1; }));
    runFor(500);
    adapter->unplug();
    ASSERT_TRUE(runUntil([&] { return logCount(text("messages.serial_disconnected")) == 1; }));
    runFor(1000);
    EXPECT_FALSE(controller.button_SaveToAdapter->isEnabled()) << "the rest of the chain ran on a dead port";

    ORVOAccessNotice* notice = controller.accessNotice;
    notice->showAdvice(AdapterAccessAdvice::forOpenFailure("/dev/usbmodemORVO9201", EBUSY));
    EXPECT_FALSE(notice->isVisible()) << "a busy port is told in the log alone";
    notice->showAdvice(AdapterAccessAdvice::forUnlinkedAdapter("/dev/ttyACM0"));
    ASSERT_TRUE(notice->isVisible());
    const QString commands =
        AdapterAccessAdvice::ruleInstallCommands(AdapterAccessAdvice::rulePrinter()).join('\n');
    EXPECT_EQ(notice->commandText(), commands);
    notice->copyButton()->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), commands);

    // Plugged again, it is noticed at once: the chain alone takes 1.2 s, the 3 s monitor would add more.
    adapter = plugSimulator("9201");
    ASSERT_TRUE(runUntil([&] { return logCount(text("messages.save_to_adapter_enabled")) == 1; }, 6000));
    EXPECT_EQ(adapter->received.size(), 6);
    EXPECT_LT(adapter->received.last().atMs, 2200);
    EXPECT_FALSE(notice->isVisible());
}

TEST_F(ConnectionLifecycle, saveStaysOffAndAnUnreadProfileShowsNoValuesUntilItsAnswerArrives) {
    TestSideAdapter side(SerialPortManager::portsDirectory(), "9202");
    bool answerProfileD = false;
    side.setReplyFilter([&](const QByteArray& reply) {
        const auto profile = L2PC03_TD::fromData(reply);
        return profile && profile->lensSeq == 3 && !answerProfileD ? QByteArray() : reply;
    });
    controller.show();
    ASSERT_TRUE(runUntil([&] { return logCount(portOpened()) == 1; }));
    EXPECT_FALSE(controller.button_SaveToAdapter->isEnabled());

    ASSERT_TRUE(waitForLog(text("messages.part_profile").replace("{0}", "D"), 8000));
    EXPECT_TRUE(lastLine().startsWith("❌")) << lastLine().toStdString();
    EXPECT_FALSE(controller.button_SaveToAdapter->isEnabled());
    ASSERT_TRUE(controller.button_ReadAgain->isVisibleTo(&controller));
    // What profile D shows is no value of the adapter's, and its segment says it was not read.
    const auto showsUnread = [&](int p) {
        const bool segmentMarked = presentation().profileSelector->profileButtons[p]->text().endsWith(
            "\n" + text("labels.profile_not_read"));
        const bool dashes = controller.LensFocalLengths[p]->text() == "—" &&
                            controller.LensModels[p]->text() == "—" &&
                            std::ranges::all_of(controller.LensApexes[p], [](const QComboBox* box) {
                                return box->currentIndex() == -1 && box->placeholderText() == "—";
                            });
        EXPECT_EQ(segmentMarked, dashes) << "profile " << p;
        return segmentMarked && dashes;
    };
    EXPECT_TRUE(showsUnread(3));
    EXPECT_FALSE(showsUnread(0));

    answerProfileD = true;
    controller.button_ReadAgain->click();
    ASSERT_TRUE(runUntil([&] { return controller.button_SaveToAdapter->isEnabled(); }, 4000));
    EXPECT_FALSE(controller.button_ReadAgain->isVisibleTo(&controller));
    EXPECT_EQ(logCount(text("messages.save_to_adapter_enabled")), 1);
    EXPECT_FALSE(showsUnread(3));
}

TEST_F(ConnectionLifecycle, aBusyPortIsRetriedQuietlyWithTheCauseLastAndNoSettingsWrites) {
    adapter = plugSimulator("9203");
    const int holder = ::open(QFile::encodeName(adapter->linkPath()).constData(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    NotificationRecorder failures({PortOpenFailed});
    controller.show();
    ASSERT_TRUE(runUntil([&] { return failures.count(PortOpenFailed) == 1; }));
    runFor(100);
    Settings::shared().sync();
    const QDateTime written = QFileInfo(Settings::shared().fileName()).lastModified();
    for (int retry = 2; retry <= 4; ++retry) {
        controller.checkConnection();
        ASSERT_TRUE(runUntil([&] { return failures.count(PortOpenFailed) == retry; }));
    }
    // A busy port's line waits for the search for its holder.
    EXPECT_TRUE(runUntil([&] { return lastLine().startsWith("❌"); }));
    runFor(100);
    Settings::shared().sync();
    EXPECT_EQ(logCount(text("messages.auto_connecting")), 1);
    EXPECT_EQ(QFileInfo(Settings::shared().fileName()).lastModified(), written);

    ::close(holder);
    controller.checkConnection();
    ASSERT_TRUE(runUntil([&] { return logCount(text("messages.save_to_adapter_enabled")) == 1; }, 4000));
    EXPECT_EQ(logCount(text("messages.auto_connecting")), 2) << "the attempt that works is told";
}
