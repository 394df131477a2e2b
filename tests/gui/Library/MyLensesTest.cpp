// My Lenses as a photographer uses it from the window: a profile goes into the library from the
// card, a kit from the library fills the fields and the usual Save puts it on the adapter, a delete
// can be undone, and a change made by orvoctl meanwhile shows in the open window.

#include "BackupStore.h"
#include "LensLibrary.h"
#include "ORVOLibraryController.h"
#include "ORVOLibraryWindow.h"
#include "WindowTestSupport.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QLabel>
#include <QTreeView>
#include <algorithm>

namespace {

class MyLenses : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        qputenv("XDG_DATA_HOME", state.filePath("data").toUtf8());
        library = new ORVOLibraryController(controller);
    }

    // The library as the file holds it now, read as orvoctl would.
    LensLibraryData onDisk() const {
        LensLibrary file(LensLibrary::defaultPath());
        file.load();
        return file.data();
    }
    // The lenses and a kit of them, written into the library file as orvoctl would.
    static void addKit(const QString& name, const QList<LibraryLens>& lenses, const QStringList& kitSlots,
                       int defaultLens) {
        LensKit kit;
        kit.name = name;
        std::ranges::copy(kitSlots, kit.lenses.begin());
        kit.defaultLens = defaultLens;
        kit.addedAt = QDateTime::currentDateTimeUtc();
        LensLibrary file(LensLibrary::defaultPath());
        QString error;
        const auto addAll = [&](LensLibraryData& data, QString* why) {
            for (const LibraryLens& made : lenses) {
                if (!data.addLens(made, LensLibraryData::NameConflict::Refuse, why)) {
                    return false;
                }
            }
            return data.addKit(kit, LensLibraryData::NameConflict::Refuse, why).has_value();
        };
        ASSERT_TRUE(file.change(addAll, &error)) << error.toStdString();
    }
    static LibraryLens lens(const QString& name, uint16_t focalLength) {
        LibraryLens made;
        made.name = name;
        made.focalLength = focalLength;
        made.apertures = {2, 4, 6, 8};
        made.addedAt = QDateTime::currentDateTimeUtc();
        return made;
    }
    static QString rowText(QTreeView* view, int row) {
        return view->model()->index(row, 0).data().toString();
    }

    ORVOLibraryController* library = nullptr;
};

} // namespace

TEST_F(MyLenses, aProfileAddedFromTheCardIsKeptBesideItsNamesakeAndALoadedKitIsSavedVerifiedWithABackup) {
    addKit("Street", {lens("Summicron 35", 35), lens("Planar 50", 50)}, {"Summicron 35", "", "Planar 50", ""},
           2);
    plugAndRead("2727");
    const QString heldInA = controller.LensModels[0]->text();
    const QString heldInB = controller.LensModels[1]->text();
    // A name the library holds with other values asks; the first answer keeps both.
    controller.LensModels[0]->setText(QStringLiteral("Planar 50"));
    controller.LensFocalLengths[0]->setText(QStringLiteral("58"));
    controller.presentation->profileCard->addToLibraryButton->click();
    ASSERT_TRUE(runUntil([&] { return onDisk().lensIndex("Planar 50 (2)") >= 0; }, 5000));
    EXPECT_EQ(onDisk().lenses[onDisk().lensIndex("Planar 50 (2)")].focalLength, 58);
    EXPECT_TRUE(runUntil([&] { return controller.logText().contains("Planar 50 (2)"); }, 2000));

    ORVOLibraryWindow& window = library->showWindow();
    ASSERT_TRUE(runUntil([&] { return window.kitView->model()->rowCount() == 1; }, 3000));
    window.kitView->setCurrentIndex(window.kitView->model()->index(0, 0));
    window.loadKitButton->click();
    EXPECT_EQ(controller.LensModels[2]->text(), "Planar 50");
    EXPECT_EQ(controller.Default_LensSeq->currentIndex(), 2);
    EXPECT_TRUE(controller.hasUnwrittenChanges()) << "nothing is written before Save";

    QTest::mouseClick(controller.button_SaveToAdapter, Qt::LeftButton);
    ASSERT_TRUE(waitForLog(text("messages.device_info_saved"), 8000));
    const QJsonArray after = adapter->state()["profiles"].toArray();
    EXPECT_EQ(after[0].toObject()["name"].toString(), "Summicron 35");
    EXPECT_EQ(after[0].toObject()["WideFlocalLength"].toInt(), 35);
    EXPECT_EQ(after[2].toObject()["name"].toString(), "Planar 50");
    EXPECT_EQ(after[1].toObject()["name"].toString(), heldInB) << "a keep slot stays as the adapter held it";
    const QList<BackupStore::Entry> backups =
        BackupStore::list(controller.writeSequence->adapterValues().serialBytes());
    ASSERT_EQ(backups.size(), 1) << "the adapter's values before the kit were kept";
    EXPECT_EQ(backups[0].snapshot.profiles[0].getLensNameString(), heldInA);
}

TEST_F(MyLenses, deleteIsUndoneAndALensInAKitStays) {
    addKit("Portrait", {lens("Sonnar 85", 85), lens("Flektogon 20", 20)}, {"Sonnar 85", "", "", ""}, 0);
    ORVOLibraryWindow& window = library->showWindow();
    ASSERT_TRUE(runUntil([&] { return window.lensView->model()->rowCount() == 2; }, 3000));
    // Sorted by name: Flektogon first.
    window.lensView->setFocus();
    window.lensView->setCurrentIndex(window.lensView->model()->index(0, 0));
    QTest::keyClick(window.lensView, Qt::Key_Delete);
    ASSERT_TRUE(runUntil([&] { return onDisk().lenses.size() == 1; }, 3000));
    ASSERT_TRUE(runUntil([&] { return window.undoButton->isVisible(); }, 3000));
    window.undoButton->click();
    ASSERT_TRUE(runUntil([&] { return onDisk().lensIndex("Flektogon 20") >= 0; }, 3000));
    ASSERT_TRUE(runUntil([&] { return window.lensView->model()->rowCount() == 2; }, 3000));

    const int sonnar = rowText(window.lensView, 0) == "Sonnar 85" ? 0 : 1;
    window.lensView->setCurrentIndex(window.lensView->model()->index(sonnar, 0));
    QTest::keyClick(window.lensView, Qt::Key_Delete);
    runFor(300);
    EXPECT_EQ(onDisk().lenses.size(), 2);
    EXPECT_TRUE(window.noticeLabel->text().contains("Portrait")) << window.noticeLabel->text().toStdString();
}

// A lens that orvoctl adds shows in the open window; Ctrl+L in the main window opens it, and a screen
// reader names its every control.
TEST_F(MyLenses, aLensAddedByOrvoctlShowsInTheOpenWindowWhichTheShortcutOpensWithEveryControlNamed) {
    ORVOLibraryWindow& window = library->showWindow();
    ASSERT_TRUE(runUntil([&] { return window.emptyLabel->isVisible(); }, 3000));
    EXPECT_TRUE(window.emptyLabel->text().contains("import")) << window.emptyLabel->text().toStdString();
    adapter = plugSimulator("2727");
    QProcess orvoctl;
    orvoctl.start(QStringLiteral(ORVO_BIN_DIR "/orvoctl"),
                  {"lens", "add", "--from-adapter", "B", "--port", adapter->linkPath()});
    ASSERT_TRUE(orvoctl.waitForFinished(15000));
    ASSERT_EQ(orvoctl.exitCode(), 0) << orvoctl.readAllStandardError().toStdString();
    ASSERT_TRUE(runUntil([&] { return window.lensView->model()->rowCount() == 1; }, 5000));
    EXPECT_FALSE(window.emptyLabel->isVisible());
    EXPECT_EQ(rowText(window.lensView, 0), onDisk().lenses.value(0).name);

    window.searchField->setText(QStringLiteral("no such lens"));
    EXPECT_EQ(window.lensView->model()->rowCount(), 0);
    EXPECT_TRUE(window.emptyLabel->isVisible());

    delete library->window;
    controller.show();
    controller.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&controller));
    QTest::keyClick(&controller, Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(library->window && library->window->isVisible());
    for (QWidget* control : library->window->findChildren<QWidget*>()) {
        if (control->isVisible() && control->focusPolicy() != Qt::NoFocus) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            ASSERT_TRUE(accessible);
            EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty()) << control->metaObject()->className();
        }
    }
}

// A library file that does not read is kept: the window says so once and changes nothing.
TEST_F(MyLenses, aDamagedLibraryIsReportedOnceAndLeftAsItIs) {
    QDir().mkpath(QFileInfo(LensLibrary::defaultPath()).path());
    QFile damaged(LensLibrary::defaultPath());
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("{\"format\": \"orvo-library\", \"version\": 1, \"lenses\": [");
    damaged.close();
    ORVOLibraryWindow& window = library->showWindow();
    ASSERT_TRUE(runUntil([&] { return window.problemLabel->isVisible(); }, 3000));
    EXPECT_TRUE(window.problemLabel->text().contains(LensLibrary::defaultPath()));
    EXPECT_FALSE(window.importButton->isEnabled());
    EXPECT_FALSE(window.saveKitButton->isEnabled());
    library->showWindow();
    runFor(200);
    EXPECT_EQ(controller.logText().count(LensLibrary::defaultPath()), 1);
    ASSERT_TRUE(damaged.open(QIODevice::ReadOnly));
    EXPECT_TRUE(damaged.readAll().endsWith("\"lenses\": ["));
}
