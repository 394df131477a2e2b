// The user's edits are never lost silently, told as stories in the window against the simulated
// adapter: a composed name that replaces a picked one says so and Ctrl+Z brings it back, changed
// fields are marked, Exit offers to write them, and a replug keeps them as a draft for Restore….

#include "DraftStore.h"
#include "EventLoop.h"
#include "IsolatedEnvironment.h"
#include "LocalizationManager.h"
#include "ORVOCatalogAssistant.h"
#include "ORVODeviceCard.h"
#include "ORVODialogs.h"
#include "ORVOFieldContainer.h"
#include "ORVOHero.h"
#include "ORVOPresentation.h"
#include "ORVOProfileSelector.h"
#include "SerialPortManager.h"
#include "SimulatorProcess.h"
#include "ViewController.h"

#include <QComboBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class UnwrittenEdits : public testing::Test {
protected:
    static void SetUpTestSuite() { useIsolatedEnvironment(); }
    void SetUp() override {
        qputenv("XDG_STATE_HOME", state.path().toUtf8());
        // Each alert takes the next answer (0 once they run out) and is remembered with its buttons.
        ORVODialogs::setResponder([this](QMessageBox& alert, const QList<QPushButton*>& buttons) {
            QStringList titles;
            for (const QPushButton* button : buttons) {
                titles << button->text();
            }
            alerts << alert.informativeText() + " | " + titles.join(", ");
            if (auto* list = alert.findChild<QListWidget*>(); list && list->count() > 0) {
                firstRestoreLine = list->item(0)->text();
            }
            return answers.isEmpty() ? 0 : answers.takeFirst();
        });
    }
    void TearDown() override {
        ORVODialogs::setResponder({});
        controller.performCleanup();
        runFor(100);
        qunsetenv("XDG_STATE_HOME");
    }

    void plugAndRead(const QStringList& faults = {}) {
        adapter =
            std::make_unique<SimulatorProcess>(QStringList{"--ports-dir", SerialPortManager::portsDirectory(),
                                                           "--serial", "7301", "--sn", "ORVO7301"} +
                                               faults);
        ASSERT_FALSE(adapter->linkPath().isEmpty());
        const int before = int(controller.logText().count(text("messages.save_to_adapter_enabled")));
        controller.show();
        ASSERT_TRUE(runUntil(
            [&] { return controller.logText().count(text("messages.save_to_adapter_enabled")) > before; },
            8000))
            << controller.logText().toStdString();
        runFor(100);
    }

    static void retype(QLineEdit* field, const QString& value) {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, value);
        runFor(20);
    }

    static QString text(const char* key) { return LocalizationManager::text(key); }
    ORVOPresentation& presentation() { return *controller.presentation; }
    QString status() { return presentation().hero->statusLabel->text(); }

    QTemporaryDir state;
    ViewController controller;
    std::unique_ptr<SimulatorProcess> adapter;
    QStringList alerts;
    QList<int> answers;
    QString firstRestoreLine;
};

} // namespace

TEST_F(UnwrittenEdits, typing85AfterACatalogPickReplacesTheNameWithANoticeAndCtrlZRestoresIt) {
    plugAndRead();
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
    retype(controller.LensFocalLengths[0], QStringLiteral("35"));
    ASSERT_TRUE(notice->isVisible());
    emit notice->linkActivated(QStringLiteral("undo"));
    EXPECT_EQ(name->text(), "My own");
    EXPECT_FALSE(controller.replacedName(0));
}

TEST_F(UnwrittenEdits, aChangedFieldMarksItsSlotItsSegmentAndTheStatusUntilReverted) {
    plugAndRead();
    ORVOProfileCard& card = *presentation().profileCard;
    const auto segmentMarked = [&](int p) {
        return presentation().profileSelector->profileButtons[p]->text().contains(u'•');
    };
    EXPECT_FALSE(card.focalSlot->isMarked());
    EXPECT_FALSE(status().contains(text("labels.changes_not_written")));

    retype(controller.LensFocalLengths[0], QStringLiteral("123"));
    controller.LensApexes[0][2]->setCurrentIndex(controller.LensApexes[0][2]->currentIndex() + 1);
    controller.Default_LensSeq->setCurrentIndex((controller.Default_LensSeq->currentIndex() + 1) % 4);
    runFor(20);
    EXPECT_TRUE(card.focalSlot->isMarked());
    EXPECT_TRUE(card.apertureSlots[2]->isMarked());
    EXPECT_FALSE(card.apertureSlots[1]->isMarked());
    EXPECT_TRUE(presentation().deviceCard->defaultLensSlot->isMarked());
    EXPECT_TRUE(segmentMarked(0));
    EXPECT_FALSE(segmentMarked(1));
    EXPECT_TRUE(status().contains(text("labels.changes_not_written"))) << status().toStdString();

    controller.button_Revert->click();
    runFor(20);
    EXPECT_FALSE(card.focalSlot->isMarked());
    EXPECT_FALSE(segmentMarked(0));
    EXPECT_FALSE(status().contains(text("labels.changes_not_written")));
}

TEST_F(UnwrittenEdits, exitWithUnwrittenChangesOffersWriteDiscardAndGoBackAndEndsOnlyAfterAVerifiedSave) {
    plugAndRead();
    QSignalSpy ends(&controller, &ViewController::terminationRequested);
    retype(controller.LensModels[1], QStringLiteral("Planar 50"));

    answers = {2}; // Go back
    controller.button_Exit->click();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains(text("messages.part_profile").replace("{0}", "B")))
        << alerts[0].toStdString();
    EXPECT_TRUE(alerts[0].endsWith(
        QStringList{text("dialogs.save_confirm"), text("dialogs.exit_discard"), text("dialogs.save_back")}
            .join(", ")));
    runFor(700);
    EXPECT_EQ(ends.size(), 0);

    answers = {0, 0}; // Write, then the save's own confirmation
    controller.button_Exit->click();
    EXPECT_EQ(ends.size(), 0) << "nothing ends before the save is verified";
    ASSERT_TRUE(runUntil([&] { return ends.size() == 1; }, 8000)) << controller.logText().toStdString();
    EXPECT_TRUE(controller.logText().contains(text("messages.device_info_saved")));
    EXPECT_EQ(adapter->state()["profiles"].toArray()[1].toObject()["name"].toString(), "Planar 50");
}

TEST_F(UnwrittenEdits, aWriteThatIsNotVerifiedOnExitKeepsTheWindowAndDiscardEndsIt) {
    plugAndRead({"--corrupt-stored", "B:name"});
    QSignalSpy ends(&controller, &ViewController::terminationRequested);
    retype(controller.LensModels[1], QStringLiteral("Stored wrongly"));

    answers = {0, 0};
    controller.button_Exit->click();
    const QString notVerified = text("messages.save_not_verified").section("{0}", 0, 0);
    ASSERT_TRUE(runUntil([&] { return controller.logText().contains(notVerified); }, 8000))
        << controller.logText().toStdString();
    runFor(700);
    EXPECT_EQ(ends.size(), 0);

    answers = {1}; // Discard
    controller.button_Exit->click();
    EXPECT_TRUE(runUntil([&] { return ends.size() == 1; }, 3000));
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
    EXPECT_TRUE(controller.logText().contains(text("messages.draft_kept").section("{0}", 0, 0)));
    ASSERT_EQ(DraftStore::list("ORVO7301").size(), 1) << controller.logText().toStdString();

    controller.button_Restore->click();
    EXPECT_EQ(firstRestoreLine.section(' ', 0, 0), text("dialogs.restore_draft").section(' ', 0, 0));
    EXPECT_EQ(controller.LensModels[3]->text(), "Draft 24");
    EXPECT_TRUE(controller.logText().contains(text("messages.draft_restored").section("{0}", 0, 0)));
}
