// One running copy per session and the ways out of the program, against the real program as a second
// process on a session bus of the test's own.

#include "AppDelegate.h"

#include "DataStructureManager.h"
#include "DraftStore.h"
#include "LocalizationManager.h"
#include "NotificationNames.h"
#include "NotificationRecorder.h"
#include "ORVODialogs.h"
#include "SerialPortManager.h"
#include "SharedConnection.h"
#include "ShellTestSupport.h"
#include "SimulatorProcess.h"
#include "ViewController.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

QString text(const char* key) {
    return LocalizationManager::shared().localizedString(QString::fromLatin1(key));
}

using SingleInstanceTest = ShellTest;

// An address where no bus listens: unset, the bus library would look in $XDG_RUNTIME_DIR/bus.
const QString kNoBus = QStringLiteral("unix:path=/nonexistent/orvo-test-bus");

TEST_F(SingleInstanceTest, aSecondCopyHandsOverToTheRunningOneAndEndsWithZero) {
    AppDelegate& delegate = AppDelegate::shared();
    ASSERT_TRUE(delegate.ensureSingleInstance());
    QWidget window;
    QWidget elsewhere;
    delegate.mainWindow = &window;
    // With the window behind another the notice comes first; with every window closed the main one
    // just comes back.
    for (const bool closed : {false, true}) {
        SCOPED_TRACE(closed ? "closed" : "behind another window");
        window.show();
        elsewhere.show();
        elsewhere.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
        if (closed) {
            window.close();
            elsewhere.close();
        }

        auto second = startProgram({{"ORVO_ANSWER_ALERTS", "0"}});
        ASSERT_TRUE(waitForExit(*second));
        EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second->exitCode(), 0);
        const QString output = QString::fromUtf8(second->readAllStandardError());
        EXPECT_EQ(output.count("ORVO alert: " + text("dialogs.already_running_title")), closed ? 0 : 1)
            << output.toStdString();
        EXPECT_TRUE(runUntil([&] { return QApplication::activeWindow() == &window; }, 2000));
    }
}

// A copy with no session bus can reach no one, yet must still not run beside a running copy, whichever
// of the two has the bus.
TEST_F(SingleInstanceTest, aSecondCopyWithoutASessionBusSaysSoAndEnds) {
    ASSERT_TRUE(AppDelegate::shared().ensureSingleInstance());
    auto second = startProgram({{"ORVO_ANSWER_ALERTS", "0"}, {"DBUS_SESSION_BUS_ADDRESS", kNoBus}});
    ASSERT_TRUE(waitForExit(*second));
    EXPECT_EQ(second->exitCode(), 0);
    const QString output = QString::fromUtf8(second->readAllStandardError());
    EXPECT_EQ(output.count("ORVO alert: " + text("dialogs.already_running_title")), 1)
        << output.toStdString();
}

TEST_F(SingleInstanceTest, aCopyWithABusDoesNotStartBesideOneRunningWithoutIt) {
    auto first = startProgram({{"DBUS_SESSION_BUS_ADDRESS", kNoBus}});
    ASSERT_TRUE(runUntil([] { return QFile::exists(runtime.filePath("Quillon.ORVO.lock")); }, 10000));
    QStringList alerts;
    ORVODialogs::setResponder([&alerts](QMessageBox& alert, const QList<QPushButton*>&) {
        alerts << alert.text();
        return 0;
    });
    EXPECT_FALSE(AppDelegate::shared().ensureSingleInstance());
    EXPECT_EQ(alerts, QStringList{text("dialogs.already_running_title")});
    ORVODialogs::setResponder({});

    first->terminate();
    EXPECT_TRUE(waitForExit(*first));
}

using ProgramTest = ShellTest;

// Both answer before any window system is touched: a platform that cannot start does not matter.
TEST_F(ProgramTest, helpAndVersionPrintAndExitWithZero) {
    for (const auto& [option, starts] :
         {std::pair{"--help", "^Usage: orvo \\[OPTION\\] \\[FILE\\.orvolens \\.\\.\\.\\]\n"},
          {"--version", "^orvo \\d+\\.\\d+"}}) {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "no-such-platform");
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(ORVO_BIN_DIR "/orvo"), {QString::fromLatin1(option)});
        ASSERT_TRUE(program.waitForFinished(5000)) << option;
        EXPECT_EQ(program.exitCode(), 0) << option;
        EXPECT_TRUE(QRegularExpression(QString::fromLatin1(starts))
                        .match(QString::fromUtf8(program.readAllStandardOutput()))
                        .hasMatch())
            << option;
    }
}

// The close button of the real program: after the same question as Exit the program ends, and the
// adapter's port is free for the next program at once.
TEST_F(ProgramTest, theCloseButtonEndsTheProgramAndFreesThePort) {
    SimulatorProcess adapter({"--ports-dir", SerialPortManager::portsDirectory(), "--serial", "5102"});
    ASSERT_FALSE(adapter.linkPath().isEmpty());
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
    orvoctl.start(QStringLiteral(ORVO_BIN_DIR "/orvoctl"), {"read", "--port", adapter.linkPath()});
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

    ViewController controller;
    NotificationRecorder willTerminate{{NotificationNames::ApplicationWillTerminate}};
    QStringList alerts;
    QList<int> answers;
    int exits = 0;
    std::function<void()> previousExit;
};

TEST_F(QuittingTest, ctrlQAsksOnceAndOnlyTheConfirmedAnswerEndsTheProgram) {
    answers = {1, 0};
    QTest::keyClick(&controller, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(alerts, QStringList{text("dialogs.exit_title")});
    EXPECT_EQ(terminations(), 0);
    EXPECT_FALSE(storedLensAModel().isValid());

    QTest::keyClick(&controller, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(alerts.size(), 2);
    EXPECT_EQ(terminations(), 1);
    EXPECT_EQ(exits, 1);
    EXPECT_TRUE(storedLensAModel().isValid());
}

TEST_F(QuittingTest, leavingThroughAConfirmedExitAsksNoSecondTime) {
    QTest::mouseClick(controller.button_Exit, Qt::LeftButton);
    ASSERT_TRUE(runUntil([&] { return terminations() == 1; }, 3000));
    runFor(300);
    EXPECT_EQ(alerts, QStringList{text("dialogs.exit_title")});
    EXPECT_EQ(terminations(), 1);
    EXPECT_EQ(exits, 1);
}

TEST_F(QuittingTest, theCloseButtonAsksAsExitDoesAndOnlyTheConfirmedAnswerEndsTheProgram) {
    answers = {1};
    EXPECT_FALSE(controller.close());
    EXPECT_EQ(alerts, QStringList{text("dialogs.exit_title")});
    runFor(700);
    EXPECT_EQ(terminations(), 0);
    EXPECT_TRUE(controller.isVisible());

    EXPECT_TRUE(controller.close());
    EXPECT_FALSE(controller.isVisible());
    ASSERT_TRUE(runUntil([&] { return terminations() == 1; }, 3000));
    EXPECT_EQ(alerts.size(), 2);
    EXPECT_EQ(exits, 1);
}

TEST_F(QuittingTest, ctrlQWithChangesNotWrittenAsksTheWindowsQuestionOfWriteDiscardOrGoBack) {
    SimulatorProcess adapter({"--ports-dir", SerialPortManager::portsDirectory(), "--serial", "5103"});
    ASSERT_FALSE(adapter.linkPath().isEmpty());
    ASSERT_TRUE(runUntil(
        [&] { return controller.logText().contains(text("messages.save_to_adapter_enabled")); }, 10000));
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
    SimulatorProcess adapter({"--ports-dir", SerialPortManager::portsDirectory(), "--serial", "5101",
                              "--model", "ORVO-EF", "--sn", "ORVO4242", "--firmware", "2.21"});
    ASSERT_FALSE(adapter.linkPath().isEmpty());
    ASSERT_TRUE(runUntil(
        [&] { return controller.logText().contains(text("messages.save_to_adapter_enabled")); }, 10000));
    ASSERT_TRUE(controller.dataManager.getConnectionStatus().isConnected());
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
