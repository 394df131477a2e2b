// Saving as a photographer does it in the window: what the fields show is what is written, success is
// told only after the read-back, and Revert and Restore fill the fields without writing anything.

#include "ORVOCatalogAssistant.h"
#include "WindowTestSupport.h"

#include <QJsonArray>
#include <QListWidget>

namespace {

class SaveInTheWindow : public WindowTest {
protected:
    QJsonObject storedProfile(int p) const { return adapter->state()["profiles"].toArray()[p].toObject(); }
};

} // namespace

// Typed and picked focal lengths are written as the nearest whole millimetre while the fields keep
// what the user wrote; after the verified save, Revert and Restore fill the fields and write nothing.
TEST_F(SaveInTheWindow, focalLengthsAreWrittenToTheNearestMillimetreAndRevertAndRestoreWriteNothing) {
    int backupLines = -1;
    inspectAlert = [&](QMessageBox& alert) {
        if (auto* list = alert.findChild<QListWidget*>()) {
            backupLines = list->count();
            list->setCurrentRow(0);
        }
    };
    plugAndRead("6161");
    QLineEdit* focal = controller.LensFocalLengths[0];
    QLineEdit* name = controller.LensModels[0];
    const QString adapterName = name->text();
    retype(focal, QStringLiteral("８５"));
    EXPECT_EQ(focal->text(), "85");
    retype(focal, QStringLiteral("28.5"));
    EXPECT_EQ(focal->text(), "28.5") << "the decimal separator stays";
    EXPECT_EQ(controller.focalLengthToWrite(0), 29);
    presentation().catalog->focalLengthPicked(QStringLiteral("7.5"));
    EXPECT_EQ(focal->text(), "7.5");
    retype(name, QStringLiteral("Planar 50"));

    QTest::mouseClick(controller.button_SaveToAdapter, Qt::LeftButton);
    ASSERT_TRUE(waitForLog(text("messages.device_info_saved"), 6000));
    EXPECT_EQ(storedProfile(0)["WideFlocalLength"].toInt(), 8);
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
    EXPECT_EQ(storedProfile(0)["name"].toString(), "Planar 50");
}
