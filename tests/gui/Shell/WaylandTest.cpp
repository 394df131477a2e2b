// The program under Wayland, the default session of current desktops: a headless Weston of the
// test's own, and a probe program as its client (the platform is chosen once per process).

#include "EventLoop.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class WaylandTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(runtime.isValid());
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        weston.setProcessEnvironment(environment());
        weston.setProcessChannelMode(QProcess::MergedChannels);
        // The kiosk shell and no on-screen keyboard: a compositor that starts no helper programs, so
        // nothing of it outlives the test.
        const QString config = QDir(runtime.path()).filePath("weston.ini");
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[core]\nshell=kiosk-shell.so\n[input-method]\npath=\n");
        file.close();
        weston.start(QStringLiteral("weston"),
                     {"--backend=headless-backend.so", "--socket=" + kSocket, "--idle-time=0",
                      "--config=" + config, "--width=1600", "--height=1000"});
        const bool started =
            weston.waitForStarted(5000) &&
            runUntil([&] { return socketReady() || weston.state() == QProcess::NotRunning; }, 10000) &&
            socketReady();
        if (!started) {
            GTEST_SKIP() << "weston cannot start here: "
                         << QString::fromUtf8(weston.readAll()).right(400).toStdString();
        }
    }
    // One that does not end within the time is killed with the process object.
    void TearDown() override {
        weston.terminate();
        weston.waitForFinished(5000);
    }

    bool socketReady() const { return QFile::exists(QDir(runtime.path()).filePath(kSocket)); }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("WAYLAND_DISPLAY", kSocket);
        env.insert("QT_QPA_PLATFORM", "wayland");
        env.remove("DISPLAY");
        // Under the address sanitizer: the graphics driver that Qt's Wayland client starts is loaded
        // and unloaded by the EGL library, and only a full unwind reaches the EGL frames that the
        // leak suppressions name.
        if (env.contains("ASAN_OPTIONS")) {
            env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":fast_unwind_on_malloc=0");
        }
        return env;
    }
    // The settings file the probe wrote its report to, and in protocolLog what it told the compositor.
    QString runProbe(QString& protocolLog) {
        QProcess probe;
        QProcessEnvironment env = environment();
        env.insert("WAYLAND_DEBUG", "1");
        env.insert("ORVO_PROBE_REPORT", runtime.filePath("report.ini"));
        probe.setProcessEnvironment(env);
        probe.start(QStringLiteral(ORVO_TEST_BIN_DIR "/orvo-wayland-probe"));
        EXPECT_TRUE(probe.waitForFinished(30000));
        protocolLog = QString::fromUtf8(probe.readAllStandardError());
        EXPECT_EQ(probe.exitCode(), 0) << protocolLog.right(2000).toStdString();
        return runtime.filePath("report.ini");
    }

    const QString kSocket = QStringLiteral("orvo-test-wayland");
    QTemporaryDir runtime;
    QProcess weston;
};

// How often the client announced a request in its protocol log ("get_toplevel", "set_parent(xdg").
qsizetype requests(const QString& protocolLog, const QString& request) {
    return protocolLog.count(QRegularExpression("-> xdg_\\w+@\\d+\\." + QRegularExpression::escape(request)));
}

TEST_F(WaylandTest, theGuideAndTheAlertAreChildrenOfTheWindowAndTheSuggestionsOpenBesideTheField) {
    QString protocol;
    const QSettings report(runProbe(protocol), QSettings::IniFormat);
    ASSERT_EQ(report.value("platform").toString(), "wayland");
    EXPECT_TRUE(report.value("exposed").toBool());
    // A child stays above its parent on every compositor; a window without one goes wherever the
    // compositor puts new windows, and the main window came up over the guide. Every window after
    // the main window names its parent as it appears.
    EXPECT_EQ(requests(protocol, "get_toplevel"), 3);
    EXPECT_EQ(requests(protocol, "set_parent(xdg_toplevel@"), 2) << "the guide and the alert";

    // A popup of the main window's surface: Wayland places only those relative to their parent.
    EXPECT_TRUE(report.value("panelParent").toBool());
    const int type = report.value("panelType").toInt();
    EXPECT_TRUE(type == Qt::ToolTip || type == Qt::Popup) << "window type " << type;
    const QRect field = report.value("fieldRect").toRect();
    const QRect panel = report.value("panelRect").toRect();
    ASSERT_FALSE(field.isEmpty());
    ASSERT_FALSE(panel.isEmpty());
    // Directly under or over the field, starting where it starts, never on top of it.
    EXPECT_LE(std::abs(panel.left() - field.left()), 40);
    EXPECT_TRUE(std::abs(panel.top() - field.bottom()) <= 24 || std::abs(panel.bottom() - field.top()) <= 24)
        << "panel top " << panel.top() << ", field " << field.top() << " to " << field.bottom();
    EXPECT_TRUE(report.value("focusKept").toBool());
    EXPECT_TRUE(report.value("fieldFocus").toBool());
}

} // namespace
