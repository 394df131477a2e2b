// The lens catalog in the profile card, on a real (offscreen) window with the shipped catalog: the
// suggestion list and a pick, the character and byte rules of the name and focal-length fields, the
// mount memory, the aperture fill offer and the click monitor around the lens-model row.

#include "DataStructures.h"
#include "LensCatalog.h"
#include "LensCatalogText.h"
#include "ORVOCatalogAssistant.h"
#include "ORVOFieldContainer.h"
#include "ORVOProfileCard.h"
#include "ORVOProfileSelector.h"
#include "ORVOSuggestionPanel.h"
#include "ResourceBundle.h"
#include "Settings.h"
#include "WindowTestSupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QSet>

namespace {

class CatalogEditingTest : public WindowTest {
protected:
    static void SetUpTestSuite() {
        WindowTest::SetUpTestSuite();
        ResourceBundle::setOverrideDirectory(QStringLiteral(ORVO_SOURCE_DIR "/resources"));
    }
    void SetUp() override {
        WindowTest::SetUp();
        controller.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&controller));
        runFor(20); // the window's own deferred start-up
    }

    ORVOCatalogAssistant& catalog() const { return *presentation().catalog; }
    QLineEdit* modelField() const { return controller.LensModels[0]; }
    QLineEdit* focalField() const { return controller.LensFocalLengths[0]; }
    QComboBox* aperture(int k) const { return controller.LensApexes[0][k]; }
    ORVOSuggestionPanel* panel() const { return catalog().suggestionPanel; }
    bool panelShown() const { return panel() && panel()->isVisible(); }
    QSet<QString> listed() const { return {panel()->items().begin(), panel()->items().end()}; }

    static void typeInto(QLineEdit* field, const QString& keys) {
        field->setFocus();
        ASSERT_TRUE(runUntil([&] { return field->hasFocus(); }, 2000));
        retype(field, keys);
    }

    // Opens the list for a mount and focal length through a typed character, as a user would.
    void listFor(const QString& mount, const QString& focalLength, const QString& typed) {
        catalog().mountPicked(mount);
        catalog().focalLengthPicked(focalLength);
        typeInto(modelField(), typed);
        ASSERT_TRUE(panelShown());
    }
    // Opens the list so and clicks the lens of that name in it.
    void pick(const QString& mount, const QString& focalLength, const QString& typed, const QString& name) {
        listFor(mount, focalLength, typed);
        QListView* table = panel()->table();
        const QModelIndex row = table->model()->index(int(panel()->items().indexOf(name)), 0);
        ASSERT_TRUE(row.isValid()) << name.toStdString();
        table->scrollTo(row);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(row).center());
        runFor(30);
    }

    void pickAperture(const QString& value) {
        catalog().comboMenuPicked(aperture(0),
                                  static_cast<int>(ProfileValues::apertureTexts().indexOf(value)));
        runFor(30); // the offer comes queued
    }

    // The shipped catalog's 35 mm lenses of the Leica M group whose names hold the word, read straight
    // from it.
    static QSet<QString> leicaMGroup35(const QString& word = {}) {
        const QStringList group{"Leica M", "Zeiss ZM", "Voigtlander VM", "Other M"};
        QSet<QString> names;
        for (const LensCatalogRecord& record : LensCatalog::shared().records()) {
            if (group.contains(record.category) && lensCatalogNumber(record.focalLength) == 35 &&
                record.officialName.contains(word, Qt::CaseInsensitive)) {
                names << record.officialName;
            }
        }
        return names;
    }
};

// The list for a typed word holds the mount group's matching lenses, under its field and clear of
// the profile selector at full height and in the smallest window; the field keeps the keyboard, and
// its keys step, pick and close the list. A click on its button strip, or beside it, only closes it.
TEST_F(CatalogEditingTest, aTypedWordNarrowsTheListBelowItsFieldAndTheFieldsKeysStepPickAndCloseIt) {
    const QSet<QString> all35 = leicaMGroup35();
    const QSet<QString> summicrons = leicaMGroup35("Summicron");
    ASSERT_GE(summicrons.size(), 2);
    ASSERT_GT(all35.size(), summicrons.size());
    QWidget* slot = presentation().profileCard->modelSlot;
    QWidget* selector = presentation().profileSelector;
    for (const QSize size : {QSize(1284, 809), QSize(1140, 713)}) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        controller.resize(size);
        runFor(30);
        listFor("Leica M", "35", "Summicron");
        EXPECT_EQ(listed(), summicrons);
        EXPECT_TRUE(modelField()->hasFocus());
        const QRect field(slot->mapToGlobal(QPoint(0, 0)), slot->size());
        EXPECT_EQ(panel()->geometry().left(), field.left());
        EXPECT_EQ(panel()->width(), field.width());
        EXPECT_GT(panel()->geometry().top(), field.bottom());
        EXPECT_FALSE(
            panel()->geometry().intersects(QRect(selector->mapToGlobal(QPoint(0, 0)), selector->size())));
    }
    typeInto(modelField(), "Qwertyuiop"); // a word matching nothing lists them all
    EXPECT_EQ(listed(), all35);

    typeInto(modelField(), "Summicron");
    const QStringList items = panel()->items();
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}) {
        QTest::keyClick(modelField(), key);
    }
    EXPECT_EQ(panel()->currentRow(), 1);
    QTest::keyClick(modelField(), Qt::Key_Return);
    EXPECT_FALSE(panelShown());
    EXPECT_EQ(catalog().lastAppliedCatalogName.value(0), modelField()->text());
    EXPECT_TRUE(items.at(1).startsWith(modelField()->text().left(12)));
    EXPECT_EQ(modelField()->cursorPosition(), 0) << "a pick shows where the name starts";

    typeInto(modelField(), "Summicron");
    QTest::keyClick(modelField(), Qt::Key_Escape);
    EXPECT_FALSE(panelShown());
    EXPECT_TRUE(modelField()->hasFocus());

    // As the window system delivers a click on the button strip: to the window, then to the button.
    typeInto(modelField(), "Summicron");
    QPushButton* button = presentation().profileCard->suggestionButton;
    QTest::mouseClick(controller.windowHandle(), Qt::LeftButton, {},
                      button->mapTo(&controller, button->rect().center()));
    EXPECT_FALSE(panelShown());
    runFor(100);
    EXPECT_FALSE(panelShown()) << "closed once, not closed and opened again";

    typeInto(modelField(), "Summicron");
    // As the window system delivers it: to the window, on profile B's segment. The first click only
    // closes the list; the next one selects the profile.
    QWidget* segmentB = presentation().profileSelector->profileButtons[1];
    for (const int selected : {0, 1}) {
        QTest::mouseClick(controller.windowHandle(), Qt::LeftButton, {},
                          segmentB->mapTo(&controller, segmentB->rect().center()));
        EXPECT_FALSE(panelShown());
        EXPECT_EQ(presentation().selectedProfileIndex, selected);
    }
}

TEST_F(CatalogEditingTest, aNameStopsAtFortyBytesWithACounterAndAPasteIsCutWithANotice) {
    QLabel* note = presentation().profileCard->nameNoteLabel;
    const QString counter = LocalizationManager::text("labels.name_bytes").replace("{1}", "40");
    const QString notice = LocalizationManager::text("labels.name_cut").replace("{0}", "40");
    typeInto(modelField(), QString(31, 'n'));
    EXPECT_FALSE(note->isVisible());
    typeInto(modelField(), QString(46, 'n'));
    EXPECT_EQ(modelField()->text(), QString(40, 'n'));
    EXPECT_TRUE(note->isVisible());
    EXPECT_TRUE(note->text().endsWith(QString(counter).replace("{0}", "40"))) << note->text().toStdString();

    // Two-byte letters: the one that would end at byte 41 goes whole.
    const QString e = QStringLiteral(u"\u00E9");
    QGuiApplication::clipboard()->setText(QString(37, 'a') + e + e + "zz");
    modelField()->clear();
    modelField()->paste();
    EXPECT_EQ(modelField()->text(), QString(37, 'a') + e);
    EXPECT_EQ(note->text(), notice + " · " + QString(counter).replace("{0}", "39"));
    typeInto(modelField(), "Planar");
    EXPECT_FALSE(note->isVisible());
}

TEST_F(CatalogEditingTest, onlyMenuMountsComeBackAndTheSameMountAgainWritesNothing) {
    QSettings& settings = Settings::shared();
    settings.setValue("LensA_Mount", "Zeiss ZM"); // a category, not a mount of the menu
    catalog().restoreMountSelections();
    EXPECT_EQ(catalog().mountSelections[0], "");
    EXPECT_EQ(presentation().profileCard->mountValueLabel->text(),
              LocalizationManager::shared().localizedString("placeholder.all_mounts"));

    settings.remove("LensA_Mount");
    catalog().mountPicked(""); // already all mounts
    EXPECT_FALSE(settings.contains("LensA_Mount"));
}

// The fill offer: for a first aperture with three stops above it, never for what the adapter sent
// or for the same value again.
TEST_F(CatalogEditingTest, theFillOfferNeedsThreeStopsANewValueAndFillsOnlyBoxesThatHaveThem) {
    pickAperture("F32");
    EXPECT_TRUE(titles.isEmpty()); // only 45 and 64 lie above f/32
    pickAperture("F22");
    ASSERT_EQ(titles.size(), 1);
    EXPECT_EQ(aperture(1)->currentText(), "F32");
    EXPECT_EQ(aperture(2)->currentText(), "F1.0"); // the list has no F45 or F64
    EXPECT_EQ(aperture(3)->currentText(), "F1.0");

    L2PC03_TD packet; // for profile A
    packet.ApretureValue = {2, 5, 8, 11};
    controller.handleReceivedL2PC03Packet(packet.toData());
    runFor(30);
    ASSERT_EQ(aperture(0)->currentText(), "F1.4");
    pickAperture("F1.4");
    pickAperture("F2.0");
    catalog().catalogMaximumApertureChanged(aperture(0));
    runFor(30);
    EXPECT_EQ(titles.size(), 2);
}

// Arrow keys step through the box one item at a time; only where the steps end is a choice.
TEST_F(CatalogEditingTest, arrowStepsInTheFirstApertureGiveOneOfferOnceTheChoiceSettles) {
    aperture(0)->setFocus();
    ASSERT_TRUE(runUntil([&] { return aperture(0)->hasFocus(); }, 2000));
    for (int step = 0; step < 3; ++step) {
        QTest::keyClick(aperture(0), Qt::Key_Down);
        runFor(100);
    }
    EXPECT_EQ(aperture(0)->currentText(), "F1.6");
    EXPECT_TRUE(titles.isEmpty());
    ASSERT_TRUE(runUntil([&] { return !titles.isEmpty(); }, 2000));
    EXPECT_EQ(aperture(1)->currentText(), "F2.0");

    // The focus leaving the box settles at once; steps back to where they began choose nothing.
    QTest::keyClick(aperture(0), Qt::Key_Down);
    focalField()->setFocus();
    ASSERT_TRUE(runUntil([&] { return titles.size() == 2; }, 500));
    aperture(0)->setFocus();
    QTest::keyClick(aperture(0), Qt::Key_Down);
    QTest::keyClick(aperture(0), Qt::Key_Up);
    runFor(1300);
    EXPECT_EQ(titles.size(), 2);
}

TEST_F(CatalogEditingTest, windowFocusDoesNotOpenTheListAndTheFieldHasItsFocusBackWithTheWindow) {
    modelField()->setFocus();
    ASSERT_TRUE(runUntil([&] { return modelField()->hasFocus(); }, 2000));
    runFor(30);
    EXPECT_FALSE(panelShown());

    // The window going to the back and coming to the front again hands the field its focus back.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    controller.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&controller));
    runFor(30);
    EXPECT_TRUE(modelField()->hasFocus());
    EXPECT_FALSE(panelShown());
}

// A pick fills the name the adapter keeps whole (a long one's short form) and the first aperture; one
// the adapter lacks takes the nearest slower stop and says so. The applied name no longer filters.
TEST_F(CatalogEditingTest, aPickFillsTheShortNameAndTheNearestStopTheAdapterHasAndSaysWhereItDiffers) {
    QLabel* note = presentation().profileCard->apertureNoteLabel;
    struct Case {
        const char* typed;
        QString name;
        QString shown;
        QString stop;
        bool noted;
    };
    for (const Case& lens : {Case{"APO-Lanthar", "Voigtländer APO-Lanthar 50mm F2 Aspherical",
                                  "Voigtländer APO-Lanthar 50mm F2 Asph.", "F2.0", false},
                             Case{"Noctilux", "Leica Noctilux-M 50mm f/0.95 ASPH.",
                                  "Leica Noctilux-M 50mm f/0.95 ASPH.", "F1.0", true},
                             Case{"Nokton", "Voigtländer Nokton Vintage Line 50mm F1.5",
                                  "Voigtländer Nokton VL 50mm F1.5", "F1.6", true}}) {
        SCOPED_TRACE(lens.typed);
        pick("Leica M", "50", lens.typed, lens.name);
        EXPECT_FALSE(panelShown());
        EXPECT_EQ(modelField()->text(), lens.shown);
        EXPECT_EQ(aperture(0)->currentText(), lens.stop);
        EXPECT_EQ(note->isVisible() && note->text().contains(lens.stop), lens.noted);
    }
    EXPECT_EQ(aperture(1)->currentText(), "F2.0"); // the fill offer goes on from F1.6
    pickAperture("F2.8");                          // a stop of the user's own: the line no longer holds
    EXPECT_FALSE(note->isVisible());

    catalog().showLensSuggestions();
    ASSERT_TRUE(runUntil([&] { return panelShown(); }));
    EXPECT_GT(panel()->items().size(), 1);
}

TEST_F(CatalogEditingTest, theFocalLengthMenuHangsBelowItsFieldInOneColumnAndSaysWhatTheAdapterKeeps) {
    catalog().mountPicked(QString());
    QWidget* button = presentation().profileCard->focalMenuButton;
    catalog().showFocalLengthMenu(button);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_TRUE(menu);
    QStringList texts;
    QSet<int> columns;
    for (QAction* item : menu->actions()) {
        texts << item->text();
        columns << menu->actionGeometry(item).x();
    }
    EXPECT_TRUE(texts.contains("7.5 → 8 mm")) << texts.join(" | ").toStdString();
    EXPECT_TRUE(texts.contains("50 mm"));
    EXPECT_EQ(columns.size(), 1) << "one column, however long";
    EXPECT_EQ(menu->pos(), focalField()->mapToGlobal(QPoint(0, focalField()->height())));
    menu->close();
}

} // namespace
