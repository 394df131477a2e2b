// Saving as a photographer does it in the window: what the fields show is what is written, success is
// told only after the read-back, and Revert and Restore fill the fields without writing anything.

#include "EventLoop.h"
#include "IsolatedEnvironment.h"
#include "LocalizationManager.h"
#include "ORVODialogs.h"
#include "ORVOCatalogAssistant.h"
#include "ORVOPresentation.h"
#include "SerialPortManager.h"
#include "SimulatorProcess.h"
#include "ViewController.h"

#include <QApplication>
#include <QComboBox>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class SaveInTheWindow : public testing::Test {
protected:
    static void SetUpTestSuite() { useIsolatedEnvironment(); }
    void SetUp() override {
        qputenv("XDG_STATE_HOME", state.path().toUtf8());
        ORVODialogs::setResponder([this](QMessageBox& alert, const QList<QPushButton*>&) {
            if (auto* list = alert.findChild<QListWidget*>()) {
                backupLines = list->count();
                list->setCurrentRow(0);
            }
            return 0;
        });
    }
    void TearDown() override {
        ORVODialogs::setResponder({});
        controller.performCleanup();
        runFor(100);
    }

    // Plugs the simulator and waits until the read-out has enabled Save.
    void connectAdapter() {
        adapter = std::make_unique<SimulatorProcess>(
            QStringList{"--ports-dir", SerialPortManager::portsDirectory(), "--serial", "6161"});
        ASSERT_FALSE(adapter->linkPath().isEmpty());
        controller.show();
        ASSERT_TRUE(runUntil([&] { return controller.button_SaveToAdapter->isEnabled(); }, 6000));
        runFor(100);
    }

    void type(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        // Key events that carry the text, as an input method sends them: any script, not only ASCII.
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(field, &press);
        }
    }

    bool saveVerified() {
        QTest::mouseClick(controller.button_SaveToAdapter, Qt::LeftButton);
        return runUntil(
            [&] {
                return controller.logText().contains(LocalizationManager::text("messages.device_info_saved"));
            },
            6000);
    }

    QTemporaryDir state;
    ViewController controller;
    std::unique_ptr<SimulatorProcess> adapter;
    int backupLines = -1;
};

} // namespace

TEST_F(SaveInTheWindow, typedAndPickedFocalLengthsAreWrittenAsTheNearestWholeMillimetre) {
    connectAdapter();
    QLineEdit* focal = controller.LensFocalLengths[0];
    type(focal, QStringLiteral("８５"));
    EXPECT_EQ(focal->text(), "85");
    type(focal, QStringLiteral("28.5"));
    EXPECT_EQ(focal->text(), "28.5") << "the decimal separator stays";
    EXPECT_EQ(controller.focalLengthToWrite(0), 29);
    controller.presentation->catalog->focalLengthPicked(QStringLiteral("7.5"));
    EXPECT_EQ(focal->text(), "7.5");
    EXPECT_EQ(controller.focalLengthToWrite(0), 8);

    ASSERT_TRUE(saveVerified()) << controller.logText().toStdString();
    EXPECT_EQ(adapter->state()["profiles"].toArray()[0].toObject()["WideFlocalLength"].toInt(), 8);
    EXPECT_EQ(focal->text(), "7.5") << "the fields keep what the user wrote";
}

TEST_F(SaveInTheWindow, revertAndRestoreFillTheFieldsAndWriteNothing) {
    connectAdapter();
    QLineEdit* name = controller.LensModels[0];
    const QString adapterName = name->text();
    type(name, QStringLiteral("Planar 50"));
    ASSERT_TRUE(saveVerified());
    EXPECT_EQ(name->text(), "Planar 50");

    const qsizetype received = adapter->received.size();
    type(name, QStringLiteral("Something else"));
    controller.button_Revert->click();
    EXPECT_EQ(name->text(), "Planar 50") << "the adapter's values after the save";

    controller.button_Restore->click();
    EXPECT_EQ(backupLines, 1);
    EXPECT_EQ(name->text(), adapterName) << "the backup holds the values before the save";
    runFor(300);
    EXPECT_EQ(adapter->received.size(), received);
    EXPECT_EQ(adapter->state()["profiles"].toArray()[0].toObject()["name"].toString(), "Planar 50");
}
