// The automation hook driven from outside: every command comes from a separate dbus-send process,
// as an acceptance script sends it, to windows of this test process. The real program's list, log and
// quit commands are read by the shell's other stories (the installed program's title, the close
// button's log) and by the soak run.

#include "ORVOAcceptance.h"

#include "AppDelegate.h"
#include "ShellTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QTest>

namespace {

class AcceptanceTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        window.setGeometry(100, 80, 400, 300);
        AppDelegate::shared().mainWindow = &window;
    }
    // The hook, once installed, would answer the commands of every later case, the real program's too.
    void TearDown() override {
        delete qApp->findChild<ORVOAcceptance*>(QString(), Qt::FindDirectChildrenOnly);
        qunsetenv("ORVO_ACCEPTANCE");
    }
    void showAndInstall() {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        // As the application delegate installs it.
        ORVOAcceptance::installIfRequested({[] { return AppDelegate::shared().mainWindow.data(); },
                                            [] { AppDelegate::shared().activateApplication(); }});
    }
    QString path(const QString& name) const { return scratch.filePath(name); }
    QStringList scratchEntries() const {
        return QDir(scratch.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }

    QTemporaryDir scratch;
    QWidget window;
};

// Only "1" turns the hook on. Snapshots are named after safe titles with the panels drawn over their
// window, and a folder that cannot be made writes nothing anywhere; a click needs exactly two numbers
// and hits the content from its top left.
TEST_F(AcceptanceTest, theHookListensOnlyWhenAskedAndSnapshotAndClickTakeOnlySafeInput) {
    window.setWindowTitle("Main Window/../Lens: A & B");
    window.setStyleSheet("background: #ff0000;");
    window.setAttribute(Qt::WA_StyledBackground);
    auto* button = new QPushButton("Press", &window);
    button->setGeometry(80, 30, 60, 30);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    qputenv("ORVO_ACCEPTANCE", "yes");
    showAndInstall();
    ASSERT_EQ(sendCommand("list " + path("windows.txt")), 0); // a listening hook would write it
    qputenv("ORVO_ACCEPTANCE", "1");
    showAndInstall();
    auto* panel = new QWidget(&window, Qt::Tool | Qt::FramelessWindowHint);
    panel->setStyleSheet("background: #0000ff;");
    panel->setAttribute(Qt::WA_StyledBackground);
    panel->setGeometry(window.geometry().x() + 50, window.geometry().y() + 60, 100, 80);
    panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));

    const QString folder = path("shots/run 1");
    ASSERT_EQ(sendCommand("snapshot " + folder), 0);
    ASSERT_TRUE(runUntil([&] { return QFile::exists(folder + "/done"); }));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), (QStringList{"0-Main-Window-Lens-A-B.png", "done"}));
    EXPECT_EQ(scratchEntries(), QStringList{"shots"}); // nothing beside the folder, whatever the title says
    EXPECT_EQ(readText(folder + "/done"), "Main-Window-Lens-A-B: 400x300 scale=1 overlays=1");
    const QImage image(folder + "/0-Main-Window-Lens-A-B.png");
    ASSERT_EQ(image.size(), QSize(400, 300));
    EXPECT_EQ(image.pixelColor(10, 10).name(), "#ff0000");
    EXPECT_EQ(image.pixelColor(100, 100).name(), "#0000ff");

    QFile blocker(path("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ASSERT_EQ(sendCommand("snapshot " + path("file/shots")), 0);
    // The last two are off every screen or no coordinate at all: as whole pixels they would overflow.
    for (const char* wrong : {"100", "ten forty", "100 40 7", "1e20 40", "nan inf"}) {
        ASSERT_EQ(sendCommand(QStringLiteral("click ") + wrong), 0);
    }
    ASSERT_TRUE(listWindows(path("after.txt")));
    runFor(100);
    EXPECT_EQ(scratchEntries(), (QStringList{"after.txt", "file", "shots"}));
    EXPECT_EQ(clicks, 0);
    ASSERT_EQ(sendCommand("click 100 40"), 0);
    EXPECT_TRUE(runUntil([&] { return clicks == 1; }, 3000));
}

} // namespace
