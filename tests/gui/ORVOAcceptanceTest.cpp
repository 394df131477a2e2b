// The automation hook driven from outside: every command comes from a separate dbus-send process,
// as an acceptance script sends it. Most cases drive windows of this test process; the last ones
// drive the real program.

#include "ORVOAcceptance.h"

#include "AppDelegate.h"
#include "ORVODialogs.h"
#include "ShellTestSupport.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDialog>
#include <QImage>
#include <QKeyEvent>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace probe {
// A window class of our own, so listings and snapshot names show the unqualified class name.
class ProbePanel : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys << event->key(); }
};
} // namespace probe

namespace {

class AcceptanceTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        bus = new SessionBus;
        folders = new UserFolders;
    }
    static void TearDownTestSuite() {
        delete folders;
        delete bus;
    }
    void SetUp() override {
        if (!bus->isUp()) {
            GTEST_SKIP() << "dbus-daemon did not start";
        }
        qputenv("ORVO_ACCEPTANCE", "1");
        window.setWindowTitle("Main");
        window.setGeometry(100, 80, 400, 300);
        AppDelegate::shared().mainWindow = &window;
    }

    void showAndInstall() {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ORVOAcceptance::installIfRequested();
    }
    QString path(const QString& name) const { return scratch.filePath(name); }

    // Runs a shell script as the outside driver while this process keeps handling its events.
    int drive(const QString& script) {
        QProcess driver;
        driver.start("bash", {"-euc", script});
        runUntil([&] { return driver.state() == QProcess::NotRunning; }, 20000);
        return driver.exitCode();
    }

    static inline SessionBus* bus = nullptr;
    static inline UserFolders* folders = nullptr;
    QTemporaryDir scratch;
    QWidget window;
};

// ---- list, activate

TEST_F(AcceptanceTest, listWritesOneLinePerWindowWithItsClassAndAttachments) {
    showAndInstall();
    auto* panel = new probe::ProbePanel(&window, Qt::Tool);
    panel->setWindowTitle("Panel");
    panel->setGeometry(150, 120, 120, 60);
    panel->show();
    QDialog sheet(&window);
    sheet.setWindowModality(Qt::WindowModal);
    sheet.setWindowTitle("Sheet");
    sheet.show();
    QWidget hidden;
    hidden.setWindowTitle("Hidden");
    hidden.winId();

    ASSERT_TRUE(listWindows(path("windows.txt")));
    const QStringList lines = readText(path("windows.txt")).split('\n');
    ASSERT_EQ(lines.size(), 4) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines[0].startsWith("QWidget title=Main visible=true frame=(")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(QRegularExpression(
        R"(frame=\(-?\d+\.\d, -?\d+\.\d, \d+\.\d, \d+\.\d\) sheetParent=false parent=false number=\d+$)")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("ProbePanel title=Panel visible=true")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains("sheetParent=false parent=true"));
    EXPECT_TRUE(lines[2].startsWith("QDialog title=Sheet visible=true"));
    EXPECT_TRUE(lines[2].contains("sheetParent=true parent=true"));
    EXPECT_TRUE(lines[3].startsWith("QWidget title=Hidden visible=false"));
    EXPECT_FALSE(readText(path("windows.txt")).endsWith('\n'));
}

TEST_F(AcceptanceTest, activateBringsTheMainWindowForward) {
    showAndInstall();
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    ASSERT_EQ(sendCommand("activate"), 0);
    EXPECT_TRUE(runUntil([&] { return QApplication::activeWindow() == &window; }));
}

// ---- snapshot

TEST_F(AcceptanceTest, snapshotNamesFilesAfterSafeTitlesAndDrawsPanelsOverTheirWindow) {
    window.setWindowTitle("Main Window/../Lens: A & B");
    window.setStyleSheet("background: #ff0000;");
    window.setAttribute(Qt::WA_StyledBackground);
    showAndInstall();
    auto* panel = new QWidget(&window, Qt::Tool | Qt::FramelessWindowHint);
    panel->setStyleSheet("background: #0000ff;");
    panel->setAttribute(Qt::WA_StyledBackground);
    panel->setGeometry(window.geometry().x() + 50, window.geometry().y() + 60, 100, 80);
    panel->show();
    probe::ProbePanel untitled;
    untitled.resize(200, 150);
    untitled.show();
    QWidget narrow;
    narrow.setWindowTitle("Narrow");
    narrow.resize(100, 100);
    narrow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));

    const QString folder = path("shots/run 1");
    ASSERT_EQ(sendCommand("snapshot " + folder), 0);
    ASSERT_TRUE(runUntil([&] { return QFile::exists(folder + "/done"); }));

    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name),
              (QStringList{"0-Main-Window-Lens-A-B.png", "1-ProbePanel.png", "done"}));
    // Nothing lands beside the folder, whatever the titles say.
    EXPECT_EQ(QDir(scratch.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"shots"});
    EXPECT_EQ(QDir(path("shots")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"run 1"});

    const QStringList report = readText(folder + "/done").split('\n');
    ASSERT_EQ(report.size(), 2);
    EXPECT_EQ(report[0], "Main-Window-Lens-A-B: 400x300 scale=1 overlays=1");
    EXPECT_EQ(report[1], "ProbePanel: 200x150 scale=1 overlays=0");

    const QImage image(folder + "/0-Main-Window-Lens-A-B.png");
    ASSERT_EQ(image.size(), QSize(400, 300));
    EXPECT_EQ(image.pixelColor(10, 10).name(), "#ff0000");
    EXPECT_EQ(image.pixelColor(100, 100).name(), "#0000ff");
    EXPECT_EQ(image.pixelColor(160, 100).name(), "#ff0000");
}

TEST_F(AcceptanceTest, aSnapshotFolderThatCannotBeMadeWritesNothing) {
    showAndInstall();
    QFile blocker(path("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ASSERT_EQ(sendCommand("snapshot " + path("file/shots")), 0);
    ASSERT_EQ(sendCommand("snapshot"), 0);
    ASSERT_TRUE(listWindows(path("after.txt")));
    EXPECT_EQ(QDir(scratch.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{"after.txt", "file"}));
    EXPECT_TRUE(QFileInfo(path("file")).isFile());
}

// ---- click, key, alerts

TEST_F(AcceptanceTest, clickNeedsExactlyTwoNumbersAndHitsTheContentFromItsTopLeft) {
    auto* button = new QPushButton("Press", &window);
    button->setGeometry(80, 30, 60, 30);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    showAndInstall();

    ASSERT_EQ(sendCommand("click 100"), 0);
    ASSERT_EQ(sendCommand("click ten forty"), 0);
    ASSERT_EQ(sendCommand("click 100 40 2"), 0);
    ASSERT_EQ(sendCommand("click 20 40"), 0);
    ASSERT_TRUE(listWindows(path("barrier.txt")));
    runFor(100);
    EXPECT_EQ(clicks, 0);

    ASSERT_EQ(sendCommand("click   100   40"), 0);
    EXPECT_TRUE(runUntil([&] { return clicks == 1; }, 3000));
}

TEST_F(AcceptanceTest, keyReachesTheFocusedWidgetAndUnknownNamesDoNothing) {
    auto* field = new probe::ProbePanel(&window);
    field->setFocusPolicy(Qt::StrongFocus);
    field->setGeometry(0, 0, 50, 50);
    showAndInstall();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->setFocus();

    for (const char* name : {"left", "bogus", "escape", "up", "return"}) {
        ASSERT_EQ(sendCommand(QStringLiteral("key %1").arg(name)), 0);
    }
    ASSERT_TRUE(listWindows(path("barrier.txt")));
    EXPECT_TRUE(runUntil([&] { return field->keys.size() == 4; }, 3000));
    EXPECT_EQ(field->keys, (QList<int>{Qt::Key_Left, Qt::Key_Escape, Qt::Key_Up, Qt::Key_Return}));
}

TEST_F(AcceptanceTest, anAlertOverTheWindowIsSnapshottedWithItAndAnsweredByKey) {
    ORVODialogs::setResponder({});
    auto* exit = new QPushButton("Exit", &window);
    exit->setGeometry(10, 10, 80, 30);
    std::optional<bool> answer;
    QObject::connect(exit, &QPushButton::clicked, [&] { answer = ORVODialogs::confirmExit(&window); });
    showAndInstall();
    // Should the driver fail, the alert must not hold the test until its time runs out.
    QTimer::singleShot(15000, [] {
        if (QWidget* alert = QApplication::activeModalWidget()) {
            alert->close();
        }
    });

    const QString list = path("windows.txt");
    const QString shots = path("shots");
    const int driven = drive(QStringLiteral(R"(
        send() { dbus-send --session --type=signal / Quillon.ORVO.acceptance "dict:string:string:command,$1"; }
        send "click 30 20"
        for i in $(seq 100); do
            rm -f '%1'; send "list %1"; sleep 0.1
            grep -q '^QMessageBox .*visible=true' '%1' 2>/dev/null && break
        done
        grep -q '^QMessageBox .*visible=true .*sheetParent=false parent=true ' '%1'
        send "snapshot %2"
        for i in $(seq 100); do [ -f '%2/done' ] && break; sleep 0.1; done
        send "key escape"
    )")
                                 .arg(list, shots));
    EXPECT_EQ(driven, 0);
    ASSERT_TRUE(runUntil([&] { return answer.has_value(); }, 5000));
    EXPECT_FALSE(*answer);
    EXPECT_TRUE(readText(shots + "/done").startsWith("Main: 400x300 scale=1 overlays=1"))
        << readText(shots + "/done").toStdString();
}

// ---- the dictionary

TEST_F(AcceptanceTest, aVariantDictionaryWorksAndACommandThatIsNotTextIsIgnored) {
    showAndInstall();
    const auto post = [](const QVariant& command) {
        QDBusMessage signal = QDBusMessage::createSignal("/anywhere", "Quillon.ORVO", "acceptance");
        signal << QVariantMap{{"command", command}};
        QDBusConnection::sessionBus().send(signal);
    };
    post(42);
    post(QStringLiteral("list %1").arg(path("variant.txt")));
    ASSERT_TRUE(runUntil([&] { return QFile::exists(path("variant.txt")); }));
    EXPECT_TRUE(readText(path("variant.txt")).startsWith("QWidget title=Main"));
}

TEST_F(AcceptanceTest, withoutTheVariableSetToOneNothingListens) {
    qputenv("ORVO_ACCEPTANCE", "yes");
    showAndInstall();
    ASSERT_EQ(sendCommand("list " + path("windows.txt")), 0);
    runFor(1000);
    EXPECT_FALSE(QFile::exists(path("windows.txt")));
}

// ---- the real program

TEST_F(AcceptanceTest, theProgramListsItsWindowAndQuitsAtOnceWithoutCleaningUp) {
    QSettings(folders->settingsPath(), QSettings::IniFormat).remove("LensA_Model");
    auto program = startProgram({{"ORVO_ACCEPTANCE", "1"}});
    ASSERT_TRUE(waitForHook(path("windows.txt")));
    const QString listing = readText(path("windows.txt"));
    EXPECT_TRUE(listing.startsWith("ViewController title=Quillon ORVO Adapter Utility visible=true frame=("))
        << listing.toStdString();

    ASSERT_EQ(sendCommand("quit"), 0);
    ASSERT_TRUE(waitForExit(*program, 5000));
    EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_FALSE(QSettings(folders->settingsPath(), QSettings::IniFormat).contains("LensA_Model"));
}

TEST_F(AcceptanceTest, theProgramIgnoresCommandsWhenNotStartedForAutomation) {
    auto program = startProgram();
    ASSERT_TRUE(runUntil(
        [] {
            return QDBusConnection::sessionBus()
                .interface()
                ->isServiceRegistered(AppDelegate::busName)
                .value();
        },
        15000));
    runFor(500);
    ASSERT_EQ(sendCommand("list " + path("windows.txt")), 0);
    ASSERT_EQ(sendCommand("quit"), 0);
    runFor(1000);
    EXPECT_FALSE(QFile::exists(path("windows.txt")));
    EXPECT_EQ(program->state(), QProcess::Running);
    program->terminate();
    ASSERT_TRUE(waitForExit(*program, 5000));
    EXPECT_EQ(program->exitCode(), 0);
}

} // namespace

#include "ORVOAcceptanceTest.moc"
