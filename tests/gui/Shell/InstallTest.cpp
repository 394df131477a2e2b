// The program as a user gets it: installed with `cmake --install` into a prefix, the prefix then
// moved elsewhere, and the installed copy started from there.

#include "ShellTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>

namespace {

const QString kAppId = QStringLiteral("com.quillon.orvo");

class InstallTest : public ShellTest {
protected:
    static void SetUpTestSuite() {
        ShellTest::SetUpTestSuite();
        const QString staging = scratch.filePath("staging");
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(ORVO_CMAKE_COMMAND),
                      {"--install", QStringLiteral(ORVO_BUILD_DIR), "--prefix", staging});
        installed = install.waitForFinished(120000) && install.exitCode() == 0;
        installLog = QString::fromUtf8(install.readAll());
        // Relocated: nothing may point at where it was installed.
        installed = installed && QDir().mkpath(scratch.filePath("moved")) && QDir().rename(staging, prefix());
    }
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(installed) << installLog.toStdString();
    }
    static QString prefix() { return scratch.filePath("moved/usr"); }
    static QString installedPath(const QString& relative) { return QDir(prefix()).filePath(relative); }

    // Title of the installed program's main window, read through the automation hook, which lists
    // the window once the program is up and, told to quit, ends it at once without cleaning up.
    QString windowTitleOfInstalledProgram() {
        auto program = startProgram({{"ORVO_ACCEPTANCE", "1"}}, installedPath("bin/orvo"));
        const QString list = scratch.filePath("windows.txt");
        const bool listed = runUntil([&] { return listWindows(list, 300); }, 15000);
        EXPECT_EQ(sendCommand("quit"), 0);
        EXPECT_TRUE(waitForExit(*program, 5000));
        EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program->exitCode(), 0);
        EXPECT_FALSE(storedLensAModel().isValid());
        const QRegularExpression title(QStringLiteral("^ViewController title=(.*) visible="));
        return listed ? title.match(readText(list).section('\n', 0, 0)).captured(1) : QString();
    }

    static inline QTemporaryDir scratch;
    static inline bool installed = false;
    static inline QString installLog;
};

// The moved prefix holds the program and its data but no test tool, and the program finds its data
// there alone.
TEST_F(InstallTest, theMovedPrefixHoldsTheProgramAndItsDataAndTheProgramFindsItThereAlone) {
    QStringList programs = QDir(installedPath("bin")).entryList(QDir::Files);
    programs.removeAll("orvoctl"); // ships once it is built
    EXPECT_EQ(programs, QStringList{"orvo"});
    // The English file, the desktop files and the udev rule are read below and by the cases after.
    for (const QString& file :
         QStringList{"share/orvo/th.json", "share/orvo/Help_EN.htm", "share/orvo/LensCatalog.json",
                     "share/orvo/images/AdapterRing.svg", "share/orvo/icons/chevron.down.svg",
                     "share/icons/hicolor/scalable/apps/" + kAppId + ".svg",
                     "share/icons/hicolor/48x48/apps/" + kAppId + ".png",
                     "share/icons/hicolor/128x128/apps/" + kAppId + ".png",
                     "share/icons/hicolor/256x256/apps/" + kAppId + ".png", "share/doc/orvo/copyright",
                     "share/doc/orvo/changelog.gz", "share/man/man1/orvo.1.gz"}) {
        EXPECT_TRUE(QFileInfo(installedPath(file)).isFile()) << file.toStdString();
    }
    EXPECT_EQ(windowTitleOfInstalledProgram(), "Quillon ORVO Adapter Utility");
    // Without its English file the installed copy shows keys: the source tree is not a fallback.
    ASSERT_TRUE(QFile::rename(installedPath("share/orvo/en.json"), installedPath("share/orvo/en.json.away")));
    EXPECT_EQ(windowTitleOfInstalledProgram(), "app.window_title");
    QFile::rename(installedPath("share/orvo/en.json.away"), installedPath("share/orvo/en.json"));
}

TEST_F(InstallTest, theDesktopEntryAndTheMetainfoPassTheirValidatorsUnderOneId) {
    const QString desktop = installedPath("share/applications/" + kAppId + ".desktop");
    const QString metainfo = installedPath("share/metainfo/" + kAppId + ".metainfo.xml");
    for (const auto& [tool, arguments] :
         {std::pair{QStringLiteral("desktop-file-validate"), QStringList{desktop}},
          std::pair{QStringLiteral("appstreamcli"),
                    QStringList{"validate", "--no-net", "--pedantic", metainfo}},
          std::pair{QStringLiteral("update-mime-database"), QStringList{installedPath("share/mime")}}}) {
        QProcess validator;
        validator.setProcessChannelMode(QProcess::MergedChannels);
        validator.start(tool, arguments);
        if (!validator.waitForStarted(5000)) {
            GTEST_SKIP() << tool.toStdString() << " is not installed (scripts/install-deps installs it)";
        }
        ASSERT_TRUE(validator.waitForFinished(60000));
        EXPECT_EQ(validator.exitCode(), 0) << validator.readAll().toStdString();
    }
    // The MIME database tool warns of a bad file and goes on; the type it built shows it was read.
    EXPECT_TRUE(QFileInfo(installedPath("share/mime/application/x-orvo-lens.xml")).isFile());
    EXPECT_TRUE(readText(desktop).contains("\nIcon=" + kAppId + "\n"));
    const QString meta = readText(metainfo);
    EXPECT_TRUE(meta.contains("<id>" + kAppId + "</id>"));
    EXPECT_TRUE(meta.contains("<launchable type=\"desktop-id\">" + kAppId + ".desktop</launchable>"));
    // Every screenshot has a caption, and the picture it names is kept in packaging/screenshots at
    // the size the metadata states.
    EXPECT_EQ(meta.count("</screenshot>"), meta.count("<caption>"));
    const QRegularExpression image(
        R"re(<image type="source" width="(\d+)" height="(\d+)">[^<]*/([^/<]+)</image>)re");
    int images = 0;
    for (const QRegularExpressionMatch& match : image.globalMatch(meta)) {
        ++images;
        const QImage picture(QStringLiteral(ORVO_SOURCE_DIR "/packaging/screenshots/") + match.captured(3));
        EXPECT_EQ(picture.size(), QSize(match.captured(1).toInt(), match.captured(2).toInt()))
            << match.captured(3).toStdString();
    }
    EXPECT_EQ(images, meta.count("</screenshot>"));
}

// Printed before any window system is touched: a platform that cannot start does not matter.
TEST_F(InstallTest, printUdevRuleGivesTheInstalledRuleWithoutAWindowSystem) {
    const auto program = startProgram({{"QT_QPA_PLATFORM", "no-such-platform"}}, installedPath("bin/orvo"),
                                      {"--print-udev-rule"});
    ASSERT_TRUE(program->waitForFinished(10000));
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(program->readAllStandardOutput()),
              readText(installedPath("lib/udev/rules.d/70-orvo-adapter.rules")));

    // A rule that could not be written out (a full disk) is no success.
    program->setStandardOutputFile(QStringLiteral("/dev/full"));
    program->start(installedPath("bin/orvo"), {"--print-udev-rule"});
    ASSERT_TRUE(program->waitForFinished(10000));
    EXPECT_NE(program->exitCode(), 0);
}

} // namespace
