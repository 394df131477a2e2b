// The main window's controller in a real (offscreen) window, against simulated adapters on real
// pseudo-terminals in the ports folder.

#include "ORVOCatalogAssistant.h"
#include "ORVOFieldContainer.h"
#include "ORVOHero.h"
#include "WindowTestSupport.h"

#include <QAbstractItemView>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTextBrowser>

namespace {

class ViewControllerTest : public WindowTest {
protected:
    void plugEF(const QString& serial) {
        plugAndRead(serial, {"--model", "ORVO-EF", "--sn", "ORVO4242", "--firmware", "2.21"});
    }

    // Lines of the log that begin with one of the monitor's markers.
    QStringList linesWithMarkers(const QStringList& markers) const {
        return controller.logText().split('\n').filter(QRegularExpression("^(" + markers.join('|') + ")"));
    }

    static void pick(QComboBox* box, int index) {
        box->setFocus();
        while (box->currentIndex() != index) {
            QTest::keyClick(box, box->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
        }
    }
};

} // namespace

// The detection line counts adapters among all ports: a port of another device lies beside it.
TEST_F(ViewControllerTest, anAdapterAmongOtherPortsIsFoundReadOutAndShownAndAnImpossibleSaveSendsNothing) {
    const qsizetype present = SerialPortManager::sharedSerialPortManager().availablePorts().size();
    QTemporaryDir elsewhere;
    SimulatorProcess plain(QStringList{"--ports-dir", elsewhere.path(), "--serial", "7000"});
    const QString plainLink = QDir(SerialPortManager::portsDirectory()).filePath("plain0");
    QFile::link(QFile::symLinkTarget(plain.linkPath()), plainLink);
    plugEF("5001");
    QFile::remove(plainLink);
    const QStringList monitor = linesWithMarkers({"🔍", "🔄", "✅"});
    ASSERT_GE(monitor.size(), 3);
    EXPECT_EQ(monitor[0], "🔍 " + LocalizationManager::withArguments(text("messages.device_detected"),
                                                                    {"1", QString::number(present + 2)}));
    EXPECT_TRUE(monitor[1].startsWith("🔄") && monitor[2].startsWith("✅"));
    EXPECT_TRUE(logCount(text("messages.port_opened").replace("{0}", adapter->linkPath())));

    // Six read requests, 0.2 s apart.
    ASSERT_TRUE(runUntil([&] { return adapter->received.size() == 6 && adapter->sent.size() == 6; }));
    for (int i = 1; i < 6; ++i) {
        EXPECT_NEAR(adapter->received[i].atMs - adapter->received[i - 1].atMs, 200, 80) << "request " << i;
    }
    EXPECT_EQ(controller.DeviceModel_Text->text(), "ORVO-EF");
    EXPECT_EQ(controller.DeviceSN_Text->text(), "ORVO4242");
    EXPECT_EQ(controller.FW_Version_Text->text(), "2.1.5");
    EXPECT_EQ(controller.Default_LensSeq->currentIndex(),
              L2PC02_TD::fromData(adapter->sent[1].bytes)->DefaultCustomLens);
    // The adapter's answers: its settings, then the profiles in order.
    for (int p = 0; p < 4; ++p) {
        const auto profile = L2PC03_TD::fromData(adapter->sent[p + 2].bytes);
        ASSERT_TRUE(profile && profile->lensSeq == p);
        EXPECT_EQ(controller.LensFocalLengths[p]->text(), QString::number(profile->WideFlocalLength));
        EXPECT_EQ(controller.LensModels[p]->text(), profile->getLensNameString());
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(controller.LensApexes[p][k]->currentIndex(), profile->ApretureValue[k]);
        }
    }

    // A save with an impossible focal length is refused, naming the profile, and sends nothing.
    retype(controller.LensFocalLengths[1], "70000");
    adapter->received.clear();
    QTest::mouseClick(controller.button_SaveToAdapter, Qt::LeftButton);
    runFor(1500);
    EXPECT_TRUE(adapter->received.isEmpty());
    const QStringList refused = linesWithMarkers({"❌"});
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused[0].contains("profile B")) << refused[0].toStdString();
}

// What the fields show is written, paced for the adapter, and told as saved only after the read-back;
// Revert and Restore then fill the fields and write nothing, and an unplug leaves them as they are.
TEST_F(ViewControllerTest, editedProfilesAreWrittenVerifiedRevertedRestoredAndKeptWhenTheAdapterIsUnplugged) {
    int backupLines = -1;
    inspectAlert = [&](QMessageBox& alert) {
        if (auto* list = alert.findChild<QListWidget*>()) {
            backupLines = list->count();
            list->setCurrentRow(0);
        }
    };
    plugEF("5002");
    QLineEdit* focal = controller.LensFocalLengths[0];
    QLineEdit* name = controller.LensModels[0];
    const QString adapterName = name->text();
    retype(focal, QStringLiteral("８５"));
    EXPECT_EQ(focal->text(), "85");
    pick(controller.LensApexes[0][0], 8); // F2.8; the fill offer, taken, gives F4, F5.6 and F8 after it
    EXPECT_EQ(name->text(), "85mm F2.8");
    retype(focal, QStringLiteral("28.5"));
    EXPECT_EQ(focal->text(), "28.5") << "the decimal separator stays";
    EXPECT_EQ(controller.focalLengthToWrite(0), 29);
    presentation().catalog->focalLengthPicked(QStringLiteral("7.5"));
    retype(name, QStringLiteral("Planar 50"));
    pick(controller.Default_LensSeq, 2);

    adapter->received.clear();
    QTest::mouseClick(controller.button_SaveToAdapter, Qt::LeftButton);
    ASSERT_TRUE(runUntil([&] { return adapter->received.size() == 6; }, 3000));
    // The settings first, then the profiles, paced for the adapter.
    EXPECT_EQ(adapter->received[1].bytes.mid(3, 2), QByteArray::fromHex("0102"));
    EXPECT_NEAR(adapter->received[2].atMs - adapter->received[0].atMs, 600, 100);
    EXPECT_NEAR(adapter->received[5].atMs - adapter->received[0].atMs, 1200, 120);
    const QJsonObject state = adapter->state();
    const QJsonObject written = state["profiles"].toArray()[0].toObject();
    EXPECT_EQ(written["WideFlocalLength"].toInt(), 8);
    EXPECT_EQ(written["ApretureValue"].toArray(), QJsonArray({8, 11, 14, 17}));
    EXPECT_EQ(written["name"].toString(), "Planar 50");
    EXPECT_EQ(state["settings"].toObject()["DefaultCustomLens"].toInt(), 2);
    ASSERT_TRUE(waitForLog(text("messages.device_info_saved")));
    EXPECT_EQ(focal->text(), "7.5") << "the fields keep what the user wrote";

    const qsizetype received = adapter->received.size();
    retype(name, QStringLiteral("Something else"));
    controller.button_Revert->click();
    EXPECT_EQ(name->text(), "Planar 50") << "the adapter's values after the save";
    controller.button_Restore->click();
    EXPECT_EQ(backupLines, 1);
    EXPECT_EQ(name->text(), adapterName) << "the backup holds the values before the save";
    runFor(300);
    EXPECT_EQ(adapter->received.size(), received);

    adapter->unplug();
    ASSERT_TRUE(waitForLog("⚠️ " + text("messages.save_to_adapter_disabled")));
    runFor(400);
    EXPECT_EQ(linesWithMarkers({"❌"}).size(), 1);
    EXPECT_EQ(linesWithMarkers({"⚠️"}).size(), 1);
    EXPECT_FALSE(controller.button_SaveToAdapter->isEnabled());
    EXPECT_EQ(name->text(), adapterName);
    EXPECT_EQ(controller.DeviceModel_Text->text(), "ORVO-EF");
}

TEST_F(ViewControllerTest, helpOpensThePageOfTheCurrentLanguageOrLogsWhyNot) {
    QTextBrowser desktop; // takes the page the program asks the desktop to open
    QSignalSpy opened(&desktop, &QTextBrowser::sourceChanged);
    QDesktopServices::setUrlHandler("file", &desktop, "setSource");
    controller.languageChosen(3); // 日本語
    QTest::mouseClick(controller.button_Help, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(desktop.source().toLocalFile().endsWith("/Help_JA.htm"));
    controller.displayHTMLFileWithFormat("Help_XX");
    EXPECT_TRUE(controller.logText().endsWith(
        "❌ " + text("messages.help_page_missing").replace("{0}", "Help_XX.htm")));
    QDesktopServices::unsetUrlHandler("file");
    LocalizationManager::shared().setLanguage(2);
}

// A first start reads the adapter in Chinese; the window's texts and every line read so far then
// follow each change of language, the adapter's own lines and a repeated checksum failure among them.
TEST_F(ViewControllerTest, theWindowAndItsWholeLogAreShownAgainInEachLanguageChosen) {
    const auto indexOf = [](const char* code) { return *LocalizationManager::languageForLocale({code}); };
    const int before = int(controller.localizationManager.getCurrentLanguage());
    controller.languageChosen(indexOf("zh-Hans"));
    plugAndRead("5003");
    L2PC03_TD broken;
    broken.calculateChecksum();
    ++broken.checksum;
    for (int i = 0; i < 3; ++i) {
        controller.dataManager.handleL2PC03Packet(broken.toData());
    }
    ASSERT_TRUE(waitForLog("L2PC03_TD数据包校验和错误 (×2)", 3000));
    const QRegularExpression chinese(QStringLiteral("[\u4e00-\u9fff]"));
    ASSERT_TRUE(controller.logText().contains(chinese));

    for (const char* code : {"th", "de"}) {
        SCOPED_TRACE(code);
        controller.languageChosen(indexOf(code));
        EXPECT_EQ(presentation().windowTitleLabel->text(), text("app.window_title"));
        EXPECT_EQ(presentation().profileCard->apertureLabels[2]->text(), text("labels.aperture") + " 3");
        EXPECT_EQ(presentation().hero->tourButton->text(), text("buttons.tour"));
        // The header's controls keep their floors however short the texts.
        EXPECT_GE(presentation().hero->tourButton->width(), 65);
        EXPECT_GE(presentation().hero->languageContainerView->width(), 130);
        const QString log = controller.logText();
        EXPECT_FALSE(log.contains(chinese)) << log.toStdString();
        EXPECT_FALSE(controller.PrintView->toPlainText().contains(chinese));
        EXPECT_TRUE(log.contains(text("messages.port_opened").replace("{0}", adapter->linkPath())));
        EXPECT_TRUE(log.contains(text("messages.save_to_adapter_enabled")));
        EXPECT_TRUE(log.contains("❌ " + text("messages.profile_checksum_failed") + " (×2)"));
    }
    EXPECT_FALSE(controller.logText().contains(QStringLiteral("Connected to port")));
    controller.languageChosen(before);
}

TEST_F(ViewControllerTest, aProfilePacketKeepsAnApertureBeyondTheListAndABadOneIsLogged) {
    L2PC03_TD profile;
    profile.lensSeq = 2;
    profile.ApretureValue = {6, 9, 22, 17};
    controller.LensApexes[2][2]->setCurrentIndex(4);
    controller.handleReceivedL2PC03Packet(profile.toData());
    EXPECT_EQ(controller.LensApexes[2][1]->currentText(), "F3.2");
    EXPECT_EQ(controller.LensApexes[2][2]->currentIndex(), 4); // 22 is beyond the list

    profile.lensSeq = 4;
    controller.handleReceivedL2PC03Packet(profile.toData());
    EXPECT_TRUE(
        controller.logText().endsWith("\n" + text("messages.profile_index_invalid").replace("{0}", "4")));
    controller.handleReceivedL2PC03Packet(profile.toData().left(20));
    EXPECT_TRUE(controller.logText().endsWith("\n" + text("messages.profile_unreadable")));
}

// Without an adapter the monitor logs nothing, and the language box takes a choice only from its list.
TEST_F(ViewControllerTest, noPortMeansNoMonitorLinesAndAnArrowKeyOnTheClosedLanguageBoxOpensItsList) {
    controller.show();
    runFor(3300); // the check at start and one tick
    EXPECT_TRUE(linesWithMarkers({"🔍", "🔄", "✅", "⚠️"}).isEmpty());
    const int before = controller.Language->currentIndex();
    QTest::keyClick(controller.Language, Qt::Key_Down);
    EXPECT_EQ(controller.Language->currentIndex(), before) << "a bare arrow step changes nothing";
    ASSERT_TRUE(runUntil([&] { return controller.Language->view()->isVisible(); }, 2000));
    QTest::keyClick(controller.Language->view(), Qt::Key_Down);
    QTest::keyClick(controller.Language->view(), Qt::Key_Return);
    EXPECT_EQ(LocalizationManager::shared().getCurrentLanguage(), before + 1);
    LocalizationManager::shared().setLanguage(uint8_t(before));
}
