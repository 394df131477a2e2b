// One running copy per session and the ways out of the program, against the real program as a second
// process on a session bus of the test's own.

#include "AppDelegate.h"

#include "DataStructureManager.h"
#include "LocalizationManager.h"
#include "NotificationNames.h"
#include "NotificationRecorder.h"
#include "ORVODialogs.h"
#include "SerialPortManager.h"
#include "ShellTestSupport.h"
#include "SimulatorProcess.h"
#include "ViewController.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

namespace {

QString text(const char* key) {
    return LocalizationManager::shared().localizedString(QString::fromLatin1(key));
}

class ShellTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        bus = new SessionBus;
        folders = new UserFolders;
        qputenv("ORVO_SKIP_GUIDE", "1");
        qputenv("ORVO_SKIP_TOUR", "1");
    }
    static void TearDownTestSuite() {
        delete folders;
        delete bus;
    }
    void SetUp() override {
        if (!bus->isUp()) {
            GTEST_SKIP() << "dbus-daemon did not start";
        }
    }

    static inline SessionBus* bus = nullptr;
    static inline UserFolders* folders = nullptr;
};

// ---- One running copy

class SingleInstanceTest : public ShellTest {
protected:
    void showWindow(QWidget& window) {
        window.resize(400, 300);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

TEST_F(SingleInstanceTest, aSecondCopyShowsTheNoticeHandsOverTheFocusAndEndsWithZero) {
    AppDelegate& delegate = AppDelegate::shared();
    ASSERT_TRUE(delegate.ensureSingleInstance());
    QWidget window;
    showWindow(window);
    delegate.mainWindow = &window;
    QWidget elsewhere;
    showWindow(elsewhere);
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));

    auto second = startProgram({{"ORVO_ANSWER_ALERTS", "0"}});
    ASSERT_TRUE(waitForExit(*second));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    const QString output = QString::fromUtf8(second->readAllStandardError());
    EXPECT_EQ(output.count("ORVO alert:"), 1) << output.toStdString();
    EXPECT_TRUE(output.contains(text("dialogs.already_running_title"))) << output.toStdString();

    EXPECT_TRUE(runUntil([&] { return QApplication::activeWindow() == &window; }, 2000));
    // The name stays with the copy that was running.
    const QDBusConnection session = QDBusConnection::sessionBus();
    EXPECT_EQ(session.interface()->serviceOwner(AppDelegate::busName).value(), session.baseService());
}

TEST_F(SingleInstanceTest, startingAgainBringsBackAClosedWindowWithoutTheNotice) {
    AppDelegate& delegate = AppDelegate::shared();
    ASSERT_TRUE(delegate.ensureSingleInstance());
    QWidget window;
    showWindow(window);
    delegate.mainWindow = &window;
    window.close();
    ASSERT_FALSE(window.isVisible());

    auto second = startProgram({{"ORVO_ANSWER_ALERTS", "0"}});
    ASSERT_TRUE(waitForExit(*second));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_FALSE(second->readAllStandardError().contains("ORVO alert:"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(runUntil([&] { return QApplication::activeWindow() == &window; }, 2000));
}

TEST_F(SingleInstanceTest, reopeningWithoutAKnownMainWindowPicksAWindowThatSurvivesClosing) {
    QWidget transient;
    transient.setAttribute(Qt::WA_DeleteOnClose);
    transient.winId();
    QWidget kept;
    kept.winId();
    AppDelegate& delegate = AppDelegate::shared();
    delegate.mainWindow = nullptr;

    EXPECT_TRUE(delegate.applicationShouldHandleReopen(true));
    EXPECT_FALSE(kept.isVisible());
    EXPECT_EQ(delegate.mainWindow, nullptr);

    EXPECT_TRUE(delegate.applicationShouldHandleReopen(false));
    EXPECT_TRUE(kept.isVisible());
    EXPECT_FALSE(transient.isVisible());
    EXPECT_EQ(delegate.mainWindow, &kept);
}

TEST_F(SingleInstanceTest, withoutASessionBusALockFileDecidesAndADeadOwnersLockIsTakenOver) {
    const QMap<QString, QString> noBus = {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/orvo-bus"},
                                          {"ORVO_ANSWER_ALERTS", "0"}};
    const QString lockPath = QDir(folders->runtimePath()).filePath("Quillon.ORVO.lock");
    auto first = startProgram(noBus);
    ASSERT_TRUE(runUntil([&] { return QFile::exists(lockPath); }, 10000));

    auto second = startProgram(noBus);
    ASSERT_TRUE(waitForExit(*second));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(second->readAllStandardError().contains(text("dialogs.already_running_title").toUtf8()));
    EXPECT_EQ(first->state(), QProcess::Running);

    // A copy that dies without cleaning up leaves its lock behind; the next start must not be refused.
    first->kill();
    ASSERT_TRUE(waitForExit(*first));
    ASSERT_TRUE(QFile::exists(lockPath));
    auto third = startProgram(noBus);
    runFor(1500);
    EXPECT_EQ(third->state(), QProcess::Running) << third->readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(third->processId()), SIGTERM);
    ASSERT_TRUE(waitForExit(*third));
    EXPECT_EQ(third->exitCode(), 0);
    EXPECT_FALSE(third->readAllStandardError().contains("ORVO alert:"));
}

// ---- Quitting

class QuittingTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ORVODialogs::setResponder([this](QMessageBox& alert, const QList<QPushButton*>&) {
            alerts << alert.text();
            return answers.isEmpty() ? 0 : answers.takeFirst();
        });
        QSettings(folders->settingsPath(), QSettings::IniFormat).remove("LensA_Model");
    }
    void TearDown() override { ORVODialogs::setResponder({}); }

    void launch() {
        controller.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&controller));
        AppDelegate::shared().applicationDidFinishLaunching(controller);
    }
    int terminations() const { return willTerminate.count(NotificationNames::ApplicationWillTerminate); }
    QVariant storedLensAModel() const {
        return QSettings(folders->settingsPath(), QSettings::IniFormat).value("LensA_Model");
    }

    ViewController controller;
    NotificationRecorder willTerminate{{NotificationNames::ApplicationWillTerminate}};
    QStringList alerts;
    QList<int> answers;
};

TEST_F(QuittingTest, ctrlQAsksOnceAndOnlyTheConfirmedAnswerEndsTheProgram) {
    launch();
    answers = {1, 0};
    QTest::keyClick(&controller, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(alerts, QStringList{text("dialogs.exit_title")});
    EXPECT_EQ(terminations(), 0);
    EXPECT_TRUE(controller.isVisible());
    EXPECT_FALSE(storedLensAModel().isValid());

    QTest::keyClick(&controller, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(alerts.size(), 2);
    EXPECT_EQ(terminations(), 1);
    EXPECT_TRUE(storedLensAModel().isValid());
}

TEST_F(QuittingTest, leavingThroughAConfirmedExitAsksNoSecondTime) {
    launch();
    QTest::mouseClick(controller.button_Exit, Qt::LeftButton);
    ASSERT_TRUE(runUntil([&] { return terminations() == 1; }, 3000));
    EXPECT_EQ(alerts, QStringList{text("dialogs.exit_title")});
    runFor(300);
    EXPECT_EQ(terminations(), 1);
}

TEST_F(QuittingTest, sigtermClosesThePortAndSavesTheWindowWithoutAsking) {
    SimulatorProcess adapter({"--ports-dir", SerialPortManager::portsDirectory(), "--serial", "5101",
                              "--model", "ORVO-EF", "--sn", "ORVO4242", "--firmware", "2.21"});
    ASSERT_FALSE(adapter.linkPath().isEmpty());
    launch();
    ASSERT_TRUE(runUntil(
        [&] { return controller.logText().contains(text("messages.save_to_adapter_enabled")); }, 10000));
    ASSERT_TRUE(controller.dataManager.getConnectionStatus().isConnected());
    ASSERT_FALSE(controller.LensModels[0]->text().isEmpty());

    ::kill(::getpid(), SIGTERM);
    ASSERT_TRUE(runUntil([&] { return terminations() == 1; }, 3000));
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_FALSE(controller.dataManager.getConnectionStatus().isConnected());
    EXPECT_EQ(storedLensAModel().toString(), controller.LensModels[0]->text());

    // Only one clean-up, however often the system asks.
    ::kill(::getpid(), SIGTERM);
    runFor(300);
    EXPECT_EQ(terminations(), 1);
}

TEST_F(QuittingTest, theProgramEndsWithZeroAfterCleaningUpOnSigintSigtermAndSighup) {
    const QString list = QDir(folders->runtimePath()).filePath("windows.txt");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        QSettings(folders->settingsPath(), QSettings::IniFormat).remove("LensA_Model");
        auto program = startProgram({{"ORVO_ACCEPTANCE", "1"}});
        ASSERT_TRUE(waitForHook(list));
        ::kill(static_cast<pid_t>(program->processId()), signal);
        ASSERT_TRUE(waitForExit(*program, 5000));
        EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program->exitCode(), 0);
        EXPECT_TRUE(storedLensAModel().isValid());
    }
}

} // namespace
