// One running copy per session and the ways out of the program, against the real program as a second
// process on a session bus of the test's own.

#include "AppDelegate.h"

#include "DraftStore.h"
#include "NotificationNames.h"
#include "NotificationRecorder.h"
#include "ShellTestSupport.h"
#include "WindowTestSupport.h"

#include <QRegularExpression>
#include <csignal>
#include <tuple>

namespace {

using SingleInstanceTest = ShellTest;

// An address where no bus listens: unset, the bus library would look in $XDG_RUNTIME_DIR/bus.
const QString kNoBus = QStringLiteral("unix:path=/nonexistent/orvo-test-bus");

// With the window behind another the notice comes first; with every window closed the main one just
// comes back. A copy with no session bus can reach no one, yet must still not run beside a running
// copy (one with the bus beside one without is the lock's own race test).
TEST_F(SingleInstanceTest, aSecondCopyHandsOverToTheRunningOneOrSaysItCannotAndEndsWithZero) {
    AppDelegate& delegate = AppDelegate::shared();
    ASSERT_TRUE(delegate.ensureSingleInstance());
    QWidget window;
    QWidget elsewhere;
    delegate.mainWindow = &window;
    for (const auto& [why, closed, bus] : {std::tuple{"behind another window", false, true},
                                           {"closed", true, true},
                                           {"no bus", false, false}}) {
        SCOPED_TRACE(why);
        window.show();
        elsewhere.show();
        elsewhere.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
        if (closed) {
            window.close();
            elsewhere.close();
        }
        auto second = startProgram(
            {{"ORVO_ANSWER_ALERTS", "0"},
             {"DBUS_SESSION_BUS_ADDRESS", bus ? qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS") : kNoBus}});
        ASSERT_TRUE(waitForExit(*second));
        EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second->exitCode(), 0);
        const QString output = QString::fromUtf8(second->readAllStandardError());
        EXPECT_EQ(output.count("ORVO alert: " + text("dialogs.already_running_title")), closed ? 0 : 1)
            << output.toStdString();
        EXPECT_EQ(runUntil([&] { return QApplication::activeWindow() == &window; }, 2000), bus);
    }
}

using ProgramTest = ShellTest;

// Both answer before any window system is touched: a platform that cannot start does not matter.
TEST_F(ProgramTest, helpAndVersionPrintAndExitWithZero) {
    for (const auto& [option, starts] :
         {std::pair{"--help", "^Usage: orvo \\[OPTION\\] \\[FILE\\.orvolens \\.\\.\\.\\]\n"},
          {"--version", "^orvo \\d+\\.\\d+"}}) {
        const auto program = startProgram({{"QT_QPA_PLATFORM", "no-such-platform"}},
                                          QStringLiteral(ORVO_BIN_DIR "/orvo"), {option});
        ASSERT_TRUE(program->waitForFinished(5000)) << option;
        EXPECT_EQ(program->exitCode(), 0) << option;
        EXPECT_TRUE(QString::fromUtf8(program->readAllStandardOutput()).contains(QRegularExpression(starts)))
            << option;
    }
}

// The close button of the real program: after the same question as Exit the program ends, and the
// adapter's port is free for the next program at once.
TEST_F(ProgramTest, theCloseButtonEndsTheProgramAndFreesThePort) {
    const auto adapter = plugSimulator("5102");
    auto program = startProgram({{"ORVO_ACCEPTANCE", "1"}, {"ORVO_ANSWER_ALERTS", "0"}});
    const QString logFile = runtime.filePath("close-log.txt");
    ASSERT_TRUE(runUntil(
        [&] {
            sendCommand("log " + logFile);
            runFor(200);
            return readText(logFile).contains(text("messages.save_to_adapter_enabled"));
        },
        15000));

    ASSERT_EQ(sendCommand("close"), 0);
    ASSERT_TRUE(waitForExit(*program));
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(program->readAllStandardError())
                    .contains("ORVO alert: " + text("dialogs.exit_title")));

    QProcess orvoctl;
    orvoctl.start(QStringLiteral(ORVO_BIN_DIR "/orvoctl"), {"read", "--port", adapter->linkPath()});
    ASSERT_TRUE(orvoctl.waitForFinished(10000));
    EXPECT_EQ(orvoctl.exitCode(), 0) << orvoctl.readAllStandardError().toStdString();
}

class QuittingTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        qputenv("ORVO_SKIP_GUIDE", "1");
        qputenv("ORVO_SKIP_TOUR", "1");
        ORVODialogs::setResponder([this](QMessageBox& alert, const QList<QPushButton*>&) {
            alerts << alert.text();
            return answers.isEmpty() ? 0 : answers.takeFirst();
        });
        // Quitting runs to its end, but this process's event loop goes on for the cases after it.
        previousExit = std::exchange(AppDelegate::shared().exitEventLoop, [this] { ++exits; });
        controller.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&controller));
        AppDelegate::shared().applicationDidFinishLaunching(controller);
    }
    void TearDown() override {
        ORVODialogs::setResponder({});
        settleSharedConnection();
        AppDelegate::shared().exitEventLoop = previousExit;
        AppDelegate::shared().resetTerminationForTesting();
    }
    int terminations() const { return willTerminate.count(NotificationNames::ApplicationWillTerminate); }
    // Plugs the simulator and waits until the window has read it out.
    std::unique_ptr<SimulatorProcess> plugAndRead(const QString& serial, const QStringList& options = {}) {
        auto adapter = plugSimulator(serial, options);
        EXPECT_TRUE(runUntil(
            [&] { return controller.logText().contains(text("messages.save_to_adapter_enabled")); }, 10000));
        return adapter;
    }

    ViewController controller;
    NotificationRecorder willTerminate{{NotificationNames::ApplicationWillTerminate}};
    QStringList alerts;
    QList<int> answers;
    int exits = 0;
    std::function<void()> previousExit;
};

// Ctrl+Q, the window's close button and Exit ask the same question once each time; going back leaves
// the program running, and only the confirmed answer ends it, once, with the window's state saved.
// The parameter is the way out taken.
class WayOut : public QuittingTest, public testing::WithParamInterface<void (*)(ViewController&)> {};

TEST_P(WayOut, asksOnceAndOnlyTheConfirmedAnswerEndsTheProgram) {
    answers = {1, 0};
    GetParam()(controller);
    runFor(700);
    EXPECT_EQ(alerts, QStringList{text("dialogs.exit_title")});
    EXPECT_EQ(terminations(), 0);
    EXPECT_TRUE(controller.isVisible());
    EXPECT_FALSE(storedLensAModel().isValid());

    GetParam()(controller);
    ASSERT_TRUE(runUntil([&] { return terminations() == 1; }, 3000));
    runFor(300);
    EXPECT_EQ(alerts.size(), 2);
    EXPECT_EQ(terminations(), 1);
    EXPECT_EQ(exits, 1);
    EXPECT_TRUE(storedLensAModel().isValid());
}

INSTANTIATE_TEST_SUITE_P(
    CtrlQCloseButtonAndExit, WayOut,
    testing::Values([](ViewController& window) { QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier); },
                    [](ViewController& window) { window.close(); },
                    [](ViewController& window) { QTest::mouseClick(window.button_Exit, Qt::LeftButton); }));

TEST_F(QuittingTest, ctrlQWithChangesNotWrittenAsksTheWindowsQuestionOfWriteDiscardOrGoBack) {
    const auto adapter = plugAndRead("5103");
    controller.LensModels[0]->setText(QStringLiteral("Not written"));

    answers = {2}; // Go back
    QTest::keyClick(&controller, Qt::Key_Q, Qt::ControlModifier);
    runFor(700);
    EXPECT_EQ(terminations(), 0);
    answers = {1}; // Discard
    QTest::keyClick(&controller, Qt::Key_Q, Qt::ControlModifier);
    ASSERT_TRUE(runUntil([&] { return terminations() == 1; }, 3000));
    EXPECT_EQ(alerts.size(), 2) << "one question each time";
}

TEST_F(QuittingTest, sigtermClosesThePortSavesTheWindowAndKeepsUnwrittenEditsWithoutAsking) {
    const auto adapter = plugAndRead("5101", {"--sn", "ORVO4242"});
    ASSERT_FALSE(controller.LensModels[0]->text().isEmpty());
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    controller.LensModels[1]->setText(QStringLiteral("Not written"));

    ::kill(::getpid(), SIGTERM);
    ASSERT_TRUE(runUntil([&] { return terminations() == 1; }, 3000));
    EXPECT_EQ(exits, 1);
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_FALSE(controller.dataManager.getConnectionStatus().isConnected());
    EXPECT_EQ(storedLensAModel().toString(), controller.LensModels[0]->text());
    EXPECT_EQ(DraftStore::list("ORVO4242").size(), 1) << "the edit not written is kept as a draft";
    qunsetenv("XDG_STATE_HOME");
}

} // namespace
