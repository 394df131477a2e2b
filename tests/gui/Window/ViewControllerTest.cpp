// The main window's controller in a real (offscreen) window, against simulated adapters on real
// pseudo-terminals in the ports folder.

#include "ViewController.h"

#include "DataStructureManager.h"
#include "EventLoop.h"
#include "IsolatedEnvironment.h"
#include "LocalizationManager.h"
#include "Mnemonic.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "NotificationRecorder.h"
#include "ORVODialogs.h"
#include "SerialPortManager.h"
#include "Settings.h"
#include "SharedConnection.h"
#include "SimulatorProcess.h"

#include <QComboBox>
#include <QAbstractItemView>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGraphicsOpacityEffect>
#include <QJsonArray>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// Receives the URLs the program asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class ViewControllerTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        useIsolatedEnvironment();
        // Save and Exit ask first; here the user always agrees.
        ORVODialogs::setResponder([](QMessageBox&, const QList<QPushButton*>&) { return 0; });
    }
    void TearDown() override { settleSharedConnection(); }

    std::unique_ptr<SimulatorProcess>
    plugAdapter(const QString& serial, const QString& folder = SerialPortManager::portsDirectory()) {
        auto adapter = std::make_unique<SimulatorProcess>(QStringList{"--ports-dir", folder, "--serial",
                                                                      serial, "--model", "ORVO-EF", "--sn",
                                                                      "ORVO4242", "--firmware", "2.21"});
        EXPECT_FALSE(adapter->linkPath().isEmpty());
        return adapter;
    }

    // The adapter's answer to the request for one profile.
    static std::optional<L2PC03_TD> sentProfile(const SimulatorProcess& adapter, int lensSeq) {
        for (const auto& packet : adapter.sent) {
            const auto profile = L2PC03_TD::fromData(packet.bytes);
            if (packet.bytes.size() == 54 && profile && profile->lensSeq == lensSeq) {
                return profile;
            }
        }
        return std::nullopt;
    }

    void showWindow() { controller.show(); }

    bool waitForLine(const QString& line, int timeoutMs = 5000) {
        const bool found = runUntil([&] { return controller.logText().contains(line); }, timeoutMs);
        if (!found) {
            ADD_FAILURE() << "log lacks \"" << line.toStdString() << "\":\n"
                          << controller.logText().toStdString();
        }
        return found;
    }

    // Lines of the log that begin with one of the monitor's markers.
    QStringList linesWithMarkers(const QStringList& markers) const {
        QStringList result;
        for (const QString& line : controller.logText().split('\n')) {
            for (const QString& marker : markers) {
                if (line.startsWith(marker)) {
                    result << line;
                }
            }
        }
        return result;
    }

    double saveOpacity() const {
        auto* effect =
            qobject_cast<QGraphicsOpacityEffect*>(controller.button_SaveToAdapter->graphicsEffect());
        return effect ? effect->opacity() : 1.0;
    }

    QString text(const char* key) const { return controller.localizationManager.localizedString(key); }

    template <typename T> T* child(const char* name) { return controller.findChild<T*>(name); }

    static void retype(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }

    static void pick(QComboBox* box, int index) {
        box->setFocus();
        while (box->currentIndex() < index) {
            QTest::keyClick(box, Qt::Key_Down);
        }
        while (box->currentIndex() > index) {
            QTest::keyClick(box, Qt::Key_Up);
        }
    }

    ViewController controller;
};

} // namespace

TEST_F(ViewControllerTest, startsWithTheDocumentedValuesAndEnglishCaptions) {
    EXPECT_FALSE(controller.button_SaveToAdapter->isEnabled());
    EXPECT_DOUBLE_EQ(saveOpacity(), 0.6);
    EXPECT_EQ(controller.Default_LensSeq->currentText(), "A");
    EXPECT_EQ(controller.Language->currentIndex(), 2); // the styled window shows the current language
    EXPECT_EQ(controller.Language->count(), 16);
    for (const char letter : {'A', 'B', 'C', 'D'}) {
        EXPECT_EQ(child<QLineEdit>(QStringLiteral("Lens%1_FocalLength").arg(letter).toLatin1())->text(),
                  "50");
        EXPECT_EQ(child<QLineEdit>(QStringLiteral("Lens%1_Model").arg(letter).toLatin1())->text(),
                  "50mm F1.0");
        for (int k = 1; k <= 4; ++k) {
            auto* box = child<QComboBox>(QStringLiteral("Lens%1_Apex%2").arg(letter).arg(k).toLatin1());
            EXPECT_EQ(box->currentText(), "F1.0");
            EXPECT_EQ(box->count(), 22);
        }
    }
    controller.show();
    EXPECT_EQ(controller.window()->windowTitle(), text("app.window_title"));
    EXPECT_EQ(controller.button_Exit->text(), Mnemonic::apply(text("buttons.exit"), text("mnemonics.exit")));
    EXPECT_FALSE(controller.button_Exit->text().contains('.'));
}

TEST_F(ViewControllerTest, noPortMeansNoMonitorLines) {
    showWindow();
    runFor(3300); // the check at start and one tick
    EXPECT_TRUE(linesWithMarkers({"🔍", "🔄", "✅", "⚠️"}).isEmpty()) << controller.logText().toStdString();
}

TEST_F(ViewControllerTest, anAdapterIsFoundReadOutAndShown) {
    auto adapter = plugAdapter("5001");
    showWindow();
    ASSERT_TRUE(waitForLine(text("messages.save_to_adapter_enabled"), 4000));
    const QStringList monitor = linesWithMarkers({"🔍", "🔄", "✅"});
    ASSERT_GE(monitor.size(), 3);
    EXPECT_TRUE(monitor[0].startsWith("🔍") && monitor[1].startsWith("🔄") && monitor[2].startsWith("✅"));
    EXPECT_TRUE(
        controller.logText().contains(text("messages.port_opened").replace("{0}", adapter->linkPath())));

    // Six read requests, 0.2 s apart, all with rw 0.
    ASSERT_TRUE(runUntil([&] { return adapter->received.size() == 6 && adapter->sent.size() == 6; }));
    const auto& requests = adapter->received;
    EXPECT_EQ(requests[0].bytes, QByteArray::fromHex("55 01 05 5B AA"));
    for (int i = 1; i < 6; ++i) {
        EXPECT_EQ(requests[i].bytes[3], 0) << "request " << i << " is a read";
        EXPECT_NEAR(requests[i].atMs - requests[i - 1].atMs, 200, 80) << "request " << i;
    }
    EXPECT_EQ(static_cast<uint8_t>(requests[1].bytes[1]), 0x02);
    for (int i = 2; i < 6; ++i) {
        EXPECT_EQ(requests[i].bytes[4], i - 2) << "lensSeq";
    }

    const auto lastProfile = sentProfile(*adapter, 3);
    ASSERT_TRUE(lastProfile);
    ASSERT_TRUE(
        runUntil([&] { return controller.LensModels[3]->text() == lastProfile->getLensNameString(); }));
    EXPECT_EQ(controller.DeviceModel_Text->text(), "ORVO-EF");
    EXPECT_EQ(controller.DeviceSN_Text->text(), "ORVO4242");
    EXPECT_EQ(controller.FW_Version_Text->text(), "2.1.5");
    EXPECT_EQ(controller.Default_LensSeq->currentIndex(),
              L2PC02_TD::fromData(adapter->sent[1].bytes)->DefaultCustomLens);
    for (int p = 0; p < 4; ++p) {
        const auto profile = sentProfile(*adapter, p);
        ASSERT_TRUE(profile);
        EXPECT_EQ(controller.LensFocalLengths[p]->text(), QString::number(profile->WideFlocalLength));
        EXPECT_EQ(controller.LensModels[p]->text(), profile->getLensNameString());
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(controller.LensApexes[p][k]->currentIndex(), profile->ApretureValue[k]);
        }
    }
    EXPECT_TRUE(controller.button_SaveToAdapter->isEnabled());
    EXPECT_DOUBLE_EQ(saveOpacity(), 1.0);
}

TEST_F(ViewControllerTest, editedProfilesAreWrittenToTheAdapterAndKeptWhenItIsUnplugged) {
    auto adapter = plugAdapter("5002");
    showWindow();
    ASSERT_TRUE(waitForLine(text("messages.save_to_adapter_enabled"), 4000));
    ASSERT_TRUE(runUntil([&] { return adapter->sent.size() == 6; }));
    runFor(100);

    retype(controller.LensFocalLengths[2], "35");
    pick(controller.LensApexes[2][0], 8); // F2.8
    EXPECT_EQ(controller.LensModels[2]->text(), "35mm F2.8");
    pick(controller.LensApexes[2][2], 11); // F4.0: not part of the name
    EXPECT_EQ(controller.LensModels[2]->text(), "35mm F2.8");
    retype(controller.LensModels[2], "Summicron 35 ASPH.");
    pick(controller.Default_LensSeq, 2);

    adapter->received.clear();
    QTest::mouseClick(controller.button_SaveToAdapter, Qt::LeftButton);
    ASSERT_TRUE(runUntil([&] { return adapter->received.size() == 6; }, 3000));
    const auto& writes = adapter->received;
    EXPECT_EQ(static_cast<uint8_t>(writes[1].bytes[1]), 0x02);
    EXPECT_EQ(writes[1].bytes[3], 1);
    EXPECT_EQ(writes[1].bytes[4], 2);
    EXPECT_NEAR(writes[2].atMs - writes[0].atMs, 600, 100);
    EXPECT_NEAR(writes[5].atMs - writes[0].atMs, 1200, 120);

    const QJsonObject state = adapter->state();
    const QJsonObject written = state["profiles"].toArray()[2].toObject();
    EXPECT_EQ(written["WideFlocalLength"].toInt(), 35);
    EXPECT_EQ(written["ApretureValue"].toArray()[0].toInt(), 8);
    EXPECT_EQ(written["ApretureValue"].toArray()[2].toInt(), 11);
    EXPECT_EQ(written["name"].toString(), "Summicron 35 ASPH.");
    EXPECT_EQ(state["settings"].toObject()["DefaultCustomLens"].toInt(), 2);
    // Success is told only once the adapter has read back what was written.
    ASSERT_TRUE(waitForLine(text("messages.device_info_saved")));

    adapter->unplug();
    ASSERT_TRUE(waitForLine("⚠️ " + text("messages.save_to_adapter_disabled")));
    runFor(400);
    EXPECT_EQ(linesWithMarkers({"❌"}).size(), 1);
    EXPECT_EQ(linesWithMarkers({"⚠️"}).size(), 1);
    EXPECT_FALSE(controller.button_SaveToAdapter->isEnabled());
    EXPECT_DOUBLE_EQ(saveOpacity(), 0.6);
    EXPECT_EQ(controller.LensModels[2]->text(), "Summicron 35 ASPH.");
    EXPECT_EQ(controller.DeviceModel_Text->text(), "ORVO-EF");
}

TEST_F(ViewControllerTest, aSaveWithAnImpossibleFocalLengthIsRefusedAndSendsNothing) {
    auto adapter = plugAdapter("5003");
    showWindow();
    ASSERT_TRUE(waitForLine(text("messages.save_to_adapter_enabled"), 4000));
    runFor(100);
    retype(controller.LensFocalLengths[1], "70000");
    adapter->received.clear();
    QTest::mouseClick(controller.button_SaveToAdapter, Qt::LeftButton);
    runFor(1500);
    EXPECT_TRUE(adapter->received.isEmpty());
    const QStringList refused = linesWithMarkers({"❌"});
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused[0].contains("profile B")) << refused[0].toStdString();
}

TEST_F(ViewControllerTest, theDetectionLineCountsAdapterPortsAmongAllPorts) {
    const int present =
        static_cast<int>(SerialPortManager::sharedSerialPortManager().availablePorts().size());
    QTemporaryDir elsewhere;
    auto first = plugAdapter("6001");
    auto second = plugAdapter("6002");
    std::vector<std::unique_ptr<SimulatorProcess>> others;
    for (int i = 0; i < 3; ++i) {
        others.push_back(plugAdapter(QString::number(7000 + i), elsewhere.path()));
        QFile::link(QFile::symLinkTarget(others.back()->linkPath()),
                    QDir(SerialPortManager::portsDirectory()).filePath(QStringLiteral("plain%1").arg(i)));
    }
    ASSERT_TRUE(runUntil(
        [&] { return SerialPortManager::sharedSerialPortManager().availablePorts().size() == present + 5; }));
    showWindow();
    QString detected = text("messages.device_detected");
    detected.replace("{0}", "2").replace("{1}", QString::number(present + 5));
    EXPECT_TRUE(waitForLine("🔍 " + detected));
    for (int i = 0; i < 3; ++i) {
        QFile::remove(QDir(SerialPortManager::portsDirectory()).filePath(QStringLiteral("plain%1").arg(i)));
    }
}

TEST_F(ViewControllerTest, exitCleansUpInOrderThenAsksToTerminate) {
    auto adapter = plugAdapter("5004");
    QSignalSpy termination(&controller, &ViewController::terminationRequested);
    showWindow();
    ASSERT_TRUE(waitForLine(text("messages.save_to_adapter_enabled"), 4000));
    pick(controller.LensApexes[3][2], 14); // F5.6

    // The aperture is not written: Exit offers Write, Discard and Go back, and the user discards.
    ORVODialogs::setResponder(
        [](QMessageBox&, const QList<QPushButton*>& buttons) { return buttons.size() - 2; });
    QTest::mouseClick(controller.button_Exit, Qt::LeftButton);
    ORVODialogs::setResponder([](QMessageBox&, const QList<QPushButton*>&) { return 0; });
    const QStringList lines = linesWithMarkers({"🚪", "🔌", "📝", "✅"});
    ASSERT_GE(lines.size(), 4);
    const QStringList last = lines.mid(lines.size() - 4);
    EXPECT_TRUE(last[0].startsWith("🚪") && last[1].startsWith("🔌") && last[2].startsWith("📝") &&
                last[3].startsWith("✅"))
        << last.join(" | ").toStdString();
    EXPECT_TRUE(termination.isEmpty());
    EXPECT_TRUE(runUntil([&] { return !termination.isEmpty(); }, 1000));
    EXPECT_FALSE(controller.dataManager.getConnectionStatus().isConnected());

    QSettings stored(Settings::shared().fileName(), QSettings::IniFormat);
    EXPECT_EQ(stored.value("LensD_Aperture3").toInt(), 14);
    EXPECT_EQ(stored.value("Default_LensSeq_Index").toInt(), controller.Default_LensSeq->currentIndex());
    EXPECT_EQ(stored.value("LensA_Model").toString(), controller.LensModels[0]->text());
}

TEST_F(ViewControllerTest, helpOpensThePageOfTheCurrentLanguageOrLogsWhyNot) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    controller.Language->setCurrentIndex(3); // 日本語
    controller.On_Language_Selected();
    QTest::mouseClick(controller.button_Help, Qt::LeftButton);
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_TRUE(catcher.opened[0].toLocalFile().endsWith("/Help_JA.htm"));
    EXPECT_EQ(controller.button_Exit->text(), Mnemonic::apply(text("buttons.exit"), text("mnemonics.exit")));

    controller.displayHTMLFileWithFormat("Help_XX");
    EXPECT_TRUE(controller.logText().endsWith(
        "❌ " + text("messages.help_page_missing").replace("{0}", "Help_XX.htm")));
    QDesktopServices::unsetUrlHandler("file");
}

// A first start reads the adapter in Chinese; every line read so far then follows each change of
// language, the adapter's own lines and a repeated checksum failure among them.
TEST_F(ViewControllerTest, theWholeLogIsShownAgainInEachLanguageChosen) {
    const auto indexOf = [](const char* code) {
        const auto& languages = LocalizationManager::availableLanguages();
        return int(std::find_if(languages.begin(), languages.end(),
                                [&](const auto& language) { return language.code == code; }) -
                   languages.begin());
    };
    const int before = int(controller.localizationManager.getCurrentLanguage());
    controller.languageChosen(indexOf("zh-Hans"));
    auto adapter = plugAdapter("5003");
    showWindow();
    ASSERT_TRUE(waitForLine(text("messages.save_to_adapter_enabled"), 4000));
    L2PC03_TD broken;
    broken.calculateChecksum();
    ++broken.checksum;
    for (int i = 0; i < 3; ++i) {
        controller.dataManager.handleL2PC03Packet(broken.toData());
    }
    ASSERT_TRUE(waitForLine("L2PC03_TD数据包校验和错误 (×2)", 3000));
    const QRegularExpression chinese(QStringLiteral("[\u4e00-\u9fff]"));
    ASSERT_TRUE(controller.logText().contains(chinese));

    for (const char* code : {"en", "de"}) {
        SCOPED_TRACE(code);
        controller.languageChosen(indexOf(code));
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

TEST_F(ViewControllerTest, theLogAnswersRequestsForItsTextAndTakesLinesFromElsewhere) {
    NotificationRecorder recorder({NotificationNames::SavePrintViewContent});
    NotificationCenter::defaultCenter().post(NotificationNames::UpdatePrintView, QStringLiteral("abc"));
    NotificationCenter::defaultCenter().post(NotificationNames::UpdatePrintView, 42);
    EXPECT_TRUE(controller.logText().endsWith("\nabc")) << controller.logText().toStdString();
    NotificationCenter::defaultCenter().post(NotificationNames::RequestPrintViewContent);
    ASSERT_EQ(recorder.count(NotificationNames::SavePrintViewContent), 1);
    EXPECT_EQ(recorder.received[0].object.toString(), controller.logText());
}

TEST_F(ViewControllerTest, receivedPacketsFillTheFieldsWithoutComposingNames) {
    L2PC03_TD profile;
    profile.lensSeq = 2;
    profile.WideFlocalLength = 35;
    profile.ApretureValue = {6, 9, 22, 17};
    fillZeroPaddedText(profile.LensNameString.data(), 40, "Adapter's own name");
    controller.LensApexes[2][2]->setCurrentIndex(4);
    controller.handleReceivedL2PC03Packet(profile.toData());
    EXPECT_EQ(controller.LensFocalLengths[2]->text(), "35");
    EXPECT_EQ(controller.LensApexes[2][0]->currentText(), "F2.2");
    EXPECT_EQ(controller.LensApexes[2][1]->currentText(), "F3.2");
    EXPECT_EQ(controller.LensApexes[2][2]->currentIndex(), 4); // 22 is beyond the list
    EXPECT_EQ(controller.LensApexes[2][3]->currentText(), "F8.0");
    EXPECT_EQ(controller.LensModels[2]->text(), "Adapter's own name");

    profile.lensSeq = 4;
    controller.handleReceivedL2PC03Packet(profile.toData());
    EXPECT_TRUE(
        controller.logText().endsWith("\n" + text("messages.profile_index_invalid").replace("{0}", "4")));
    controller.handleReceivedL2PC03Packet(profile.toData().left(20));
    EXPECT_TRUE(controller.logText().endsWith("\n" + text("messages.profile_unreadable")));
}

#include "ViewControllerTest.moc"

TEST_F(ViewControllerTest, anArrowKeyOnTheClosedLanguageBoxOpensItsListAndOnlyAChoiceThereCounts) {
    controller.show();
    const int before = controller.Language->currentIndex();
    QTest::keyClick(controller.Language, Qt::Key_Down);
    EXPECT_EQ(controller.Language->currentIndex(), before) << "a bare arrow step changes nothing";
    ASSERT_TRUE(runUntil([&] { return controller.Language->view()->isVisible(); }, 2000));
    QTest::keyClick(controller.Language->view(), Qt::Key_Down);
    QTest::keyClick(controller.Language->view(), Qt::Key_Return);
    EXPECT_EQ(LocalizationManager::shared().getCurrentLanguage(), before + 1);
    LocalizationManager::shared().setLanguage(uint8_t(before));
}
