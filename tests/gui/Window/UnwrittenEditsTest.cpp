// The user's edits are never lost silently, told as stories in the window against the simulated
// adapter: a composed name that replaces a picked one says so and Ctrl+Z brings it back, changed
// fields are marked, Exit offers to write them, and a replug keeps them as a draft for Restore….

#include "DraftStore.h"
#include "ORVOCatalogAssistant.h"
#include "ORVODeviceCard.h"
#include "ORVOFieldContainer.h"
#include "ORVOHero.h"
#include "ORVOProfileSelector.h"
#include "Settings.h"
#include "WindowTestSupport.h"

#include <QJsonArray>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <tuple>

namespace {

class UnwrittenEdits : public WindowTest {
protected:
    void plugAndRead(const QStringList& faults = {}) {
        WindowTest::plugAndRead("7301", QStringList{"--sn", "ORVO7301"} + faults);
    }
    bool statusSaysUnwritten() const {
        return presentation().hero->statusLabel->text().contains(text("labels.changes_not_written"));
    }
};

} // namespace

// A picked name replaced by a composed one says so and comes back; changed fields mark their slot,
// their profile's segment and the status until Revert.
TEST_F(UnwrittenEdits, aReplacedNameComesBackAndChangedFieldsAreMarkedUntilReverted) {
    plugAndRead();
    EXPECT_FALSE(statusSaysUnwritten());
    QLineEdit* name = controller.LensModels[0];
    QLabel* notice = presentation().profileCard->nameReplacedLabel;
    presentation().catalog->applyCatalogSelection(QStringLiteral("Noct 58 Picked"));
    ASSERT_EQ(name->text(), "Noct 58 Picked");

    // "8" replaces the picked name; "85" replaces a composed one, quietly, and keeps the picked one.
    retype(controller.LensFocalLengths[0], QStringLiteral("85"));
    EXPECT_EQ(name->text(), "85mm " + controller.LensApexes[0][0]->currentText());
    EXPECT_TRUE(notice->isVisible());
    EXPECT_TRUE(notice->text().contains(text("labels.name_replaced")));

    name->setFocus();
    QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(name->text(), "Noct 58 Picked");
    EXPECT_FALSE(notice->isVisible());

    // A name typed over is the user's too; the notice's Undo brings it back as Ctrl+Z does.
    retype(name, QStringLiteral("My own"));
    retype(controller.LensFocalLengths[0], QStringLiteral("123"));
    ASSERT_TRUE(notice->isVisible());
    emit notice->linkActivated(QStringLiteral("undo"));
    EXPECT_EQ(name->text(), "My own");
    EXPECT_FALSE(controller.replacedName(0));

    // The marks of the focal length, apertures 2 and 3, the default lens, segments A and B, the status.
    const auto marks = [&] {
        const ORVOProfileCard& card = *presentation().profileCard;
        const auto& segments = presentation().profileSelector->profileButtons;
        return std::tuple(
            card.focalSlot->isMarked(), card.apertureSlots[1]->isMarked(), card.apertureSlots[2]->isMarked(),
            presentation().deviceCard->defaultLensSlot->isMarked(), segments[0]->text().contains(u'•'),
            segments[1]->text().contains(u'•'), statusSaysUnwritten());
    };
    controller.LensApexes[0][2]->setCurrentIndex(controller.LensApexes[0][2]->currentIndex() + 1);
    controller.Default_LensSeq->setCurrentIndex((controller.Default_LensSeq->currentIndex() + 1) % 4);
    runFor(20);
    EXPECT_EQ(marks(), std::tuple(true, false, true, true, true, false, true));

    controller.button_Revert->click();
    runFor(20);
    EXPECT_EQ(marks(), std::tuple(false, false, false, false, false, false, false));
}

TEST_F(UnwrittenEdits, exitWithUnwrittenChangesOffersWriteDiscardAndGoBackAndEndsOnlyAfterAVerifiedSave) {
    plugAndRead();
    QSignalSpy ends(&controller, &ViewController::terminationRequested);
    retype(controller.LensModels[1], QStringLiteral("Planar 50"));

    // Going back is the shell's quitting story (Ctrl+Q asks this same question).
    answers = {0, 0}; // Write, then the save's own confirmation
    controller.button_Exit->click();
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_TRUE(alerts[0].contains(text("messages.part_profile").replace("{0}", "B")))
        << alerts[0].toStdString();
    EXPECT_TRUE(alerts[0].endsWith(
        QStringList{text("dialogs.save_confirm"), text("dialogs.exit_discard"), text("dialogs.save_back")}
            .join(", ")));
    EXPECT_EQ(ends.size(), 0) << "nothing ends before the save is verified";
    ASSERT_TRUE(runUntil([&] { return ends.size() == 1; }, 8000));
    EXPECT_TRUE(logCount(text("messages.device_info_saved")));
    EXPECT_EQ(adapter->state()["profiles"].toArray()[1].toObject()["name"].toString(), "Planar 50");
}

TEST_F(UnwrittenEdits, aWriteThatIsNotVerifiedOnExitKeepsTheWindowAndDiscardEndsIt) {
    plugAndRead({"--corrupt-stored", "B:name"});
    QSignalSpy ends(&controller, &ViewController::terminationRequested);
    retype(controller.LensModels[1], QStringLiteral("Stored wrongly"));

    answers = {0, 0};
    controller.button_Exit->click();
    ASSERT_TRUE(waitForLog(text("messages.save_not_verified").section("{0}", 0, 0), 8000));
    runFor(700);
    EXPECT_EQ(ends.size(), 0);

    // Discard: the clean-up runs in order and keeps the window's state; only then does the program end.
    answers = {1};
    controller.button_Exit->click();
    const QRegularExpression cleanUp(QStringLiteral("\n🚪[^\n]*\n🔌[^\n]*\n📝[^\n]*\n✅[^\n]*$"));
    EXPECT_TRUE(controller.logText().contains(cleanUp));
    EXPECT_EQ(ends.size(), 0);
    EXPECT_TRUE(runUntil([&] { return ends.size() == 1; }, 3000));
    EXPECT_FALSE(controller.dataManager.getConnectionStatus().isConnected());
    EXPECT_EQ(QSettings(Settings::shared().fileName(), QSettings::IniFormat).value("LensB_Model"),
              "Stored wrongly");
}

TEST_F(UnwrittenEdits, aReplugOfTheSameAdapterKeepsTheEditsAsADraftThatRestoreBringsBack) {
    plugAndRead();
    const QString adapterName = controller.LensModels[3]->text();
    retype(controller.LensModels[3], QStringLiteral("Draft 24"));
    adapter->unplug();
    ASSERT_TRUE(runUntil([&] { return !controller.isAdapterConnected(); }, 3000));
    adapter.reset();

    plugAndRead();
    EXPECT_EQ(controller.LensModels[3]->text(), adapterName) << "the read-out fills the fields";
    EXPECT_TRUE(logCount(text("messages.draft_kept").section("{0}", 0, 0)));
    ASSERT_EQ(DraftStore::list("ORVO7301").size(), 1);

    QString firstRestoreLine;
    inspectAlert = [&](QMessageBox& alert) {
        if (const auto* list = alert.findChild<QListWidget*>(); list && list->count() > 0) {
            firstRestoreLine = list->item(0)->text();
        }
    };
    controller.button_Restore->click();
    EXPECT_EQ(firstRestoreLine.section(' ', 0, 0), text("dialogs.restore_draft").section(' ', 0, 0));
    EXPECT_EQ(controller.LensModels[3]->text(), "Draft 24");
    EXPECT_TRUE(logCount(text("messages.draft_restored").section("{0}", 0, 0)));
}
