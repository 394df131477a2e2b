// The lens catalog in the profile card, on a real (offscreen) window with the shipped catalog: the
// suggestion list and a pick, the character and byte rules of the name and focal-length fields, the
// mount memory, the aperture fill offer and the click monitor around the lens-model row.

#include "DataStructures.h"
#include "EventLoop.h"
#include "LensCatalog.h"
#include "LensCatalogText.h"
#include "LocalizationManager.h"
#include "ORVODialogs.h"
#include "ORVOFieldContainer.h"
#include "ORVOCatalogAssistant.h"
#include "ORVOPresentation.h"
#include "ORVOProfileCard.h"
#include "ORVOProfileSelector.h"
#include "ORVOSuggestionPanel.h"
#include "ResourceBundle.h"
#include "Settings.h"
#include "ViewController.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class CatalogEditingTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir folder;
        qputenv("XDG_RUNTIME_DIR", folder.path().toUtf8());
        qputenv("ORVO_SKIP_GUIDE", "1");
        qputenv("ORVO_SKIP_TOUR", "1");
        ResourceBundle::setOverrideDirectory(QStringLiteral(ORVO_SOURCE_DIR "/resources"));
        Settings::setFilePathForTesting(folder.filePath("ORVO.conf"));
        Settings::shared().setValue("AppLanguageCode", "en");
    }

    void SetUp() override {
        ORVODialogs::setResponder([this](QMessageBox& alert, const QList<QPushButton*>&) {
            alerts << alert.text();
            return 0; // fill
        });
        controller = std::make_unique<ViewController>();
        controller->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(controller.get()));
        runFor(20); // the window's own deferred start-up
    }

    void TearDown() override { ORVODialogs::setResponder({}); }

    ORVOPresentation& presentation() const { return *controller->presentation; }
    QLineEdit* modelField() const { return controller->LensModels[0]; }
    QLineEdit* focalField() const { return controller->LensFocalLengths[0]; }
    QComboBox* aperture(int k) const { return controller->LensApexes[0][k]; }
    ORVOSuggestionPanel* panel() const { return presentation().catalog->suggestionPanel; }
    bool panelShown() const { return panel() && panel()->isVisible(); }
    QSet<QString> listed() const { return {panel()->items().begin(), panel()->items().end()}; }

    void typeInto(QLineEdit* field, const QString& keys) {
        field->setFocus();
        ASSERT_TRUE(runUntil([&] { return field->hasFocus(); }, 2000));
        field->clear();
        for (const QChar c : keys) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(field, c.toLatin1());
            } else { // as an input method types it
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
                QApplication::sendEvent(field, &press);
            }
        }
    }

    void clickRow(int row) {
        QListView* table = panel()->table();
        table->scrollTo(table->model()->index(row, 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          table->visualRect(table->model()->index(row, 0)).center());
    }

    // Opens the list for a mount and focal length through a typed character, as a user would.
    void listFor(const QString& mount, const QString& focalLength, const QString& typed) {
        presentation().catalog->mountPicked(mount);
        presentation().catalog->focalLengthPicked(focalLength);
        typeInto(modelField(), typed);
        ASSERT_TRUE(panelShown());
    }

    void pickAperture(const QString& value) {
        presentation().catalog->comboMenuPicked(aperture(0),
                                       static_cast<int>(ProfileValues::apertureTexts().indexOf(value)));
        runFor(30); // the offer comes queued
    }

    // The shipped catalog's 35 mm lenses of the Leica M group, read straight from it.
    static QSet<QString> leicaMGroup35() {
        const QStringList group{"Leica M", "Zeiss ZM", "Voigtlander VM", "Other M"};
        QSet<QString> names;
        for (const LensCatalogRecord& record : LensCatalog::shared().records()) {
            if (group.contains(record.category) && lensCatalogNumber(record.focalLength) == 35) {
                names << record.officialName;
            }
        }
        return names;
    }

    std::unique_ptr<ViewController> controller;
    QStringList alerts;
};

TEST_F(CatalogEditingTest, aTypedWordNarrowsTheLeicaMGroupAndAWordMatchingNothingListsThemAll) {
    presentation().catalog->mountPicked("Leica M");
    presentation().catalog->focalLengthPicked("35");
    const QSet<QString> all35 = leicaMGroup35();
    QSet<QString> summicrons;
    for (const QString& name : all35) {
        if (name.contains("Summicron", Qt::CaseInsensitive)) {
            summicrons << name;
        }
    }
    ASSERT_GE(summicrons.size(), 2);
    ASSERT_GT(all35.size(), summicrons.size());

    typeInto(modelField(), "Summicron");
    ASSERT_TRUE(panelShown());
    EXPECT_EQ(listed(), summicrons);
    EXPECT_TRUE(modelField()->hasFocus()); // the list never takes the keyboard
    typeInto(modelField(), "Qwertyuiop");
    EXPECT_EQ(listed(), all35);
}

TEST_F(CatalogEditingTest, aPickedNameFillsTheFieldAndFirstApertureAndNoLongerFilters) {
    presentation().catalog->mountPicked("Leica M");
    presentation().catalog->focalLengthPicked("35");
    typeInto(modelField(), "Summilux");
    ASSERT_TRUE(panelShown());
    const QString picked = "Leica Summilux-M 35mm f/1.4 ASPH.";
    const int row = static_cast<int>(panel()->items().indexOf(picked));
    ASSERT_GE(row, 0);

    clickRow(row);
    EXPECT_FALSE(panelShown());
    EXPECT_EQ(modelField()->text(), picked);
    EXPECT_EQ(aperture(0)->currentText(), "F1.4");

    presentation().catalog->showLensSuggestions();
    ASSERT_TRUE(runUntil([&] { return panelShown(); }));
    EXPECT_EQ(listed(), leicaMGroup35());
}

// The rules themselves are the field filter's; here, that typing and pasting go through them.
TEST_F(CatalogEditingTest, theFieldsKeepOnlyWhatTheAdapterTakes) {
    typeInto(focalField(), QStringLiteral(u"\uFF18\uFF15.5.0"));
    EXPECT_EQ(focalField()->text(), "85.50");
    QGuiApplication::clipboard()->setText(QStringLiteral(u"Objectif E\u0301toile"));
    modelField()->selectAll();
    modelField()->paste();
    EXPECT_EQ(modelField()->text(), "Objectif toile");
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
    presentation().catalog->restoreMountSelections();
    EXPECT_EQ(presentation().catalog->mountSelections[0], "");
    EXPECT_EQ(presentation().profileCard->mountValueLabel->text(),
              LocalizationManager::shared().localizedString("placeholder.all_mounts"));

    settings.remove("LensA_Mount");
    presentation().catalog->mountPicked(""); // already all mounts
    EXPECT_FALSE(settings.contains("LensA_Mount"));
}

TEST_F(CatalogEditingTest, theFillOfferNeedsThreeStopsAndFillsOnlyBoxesThatHaveThem) {
    pickAperture("F32");
    EXPECT_TRUE(alerts.isEmpty()); // only 45 and 64 lie above f/32
    pickAperture("F22");
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(aperture(1)->currentText(), "F32");
    EXPECT_EQ(aperture(2)->currentText(), "F1.0"); // the list has no F45 or F64
    EXPECT_EQ(aperture(3)->currentText(), "F1.0");
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
    EXPECT_TRUE(alerts.isEmpty());
    ASSERT_TRUE(runUntil([&] { return !alerts.isEmpty(); }, 2000));
    runFor(1200);
    EXPECT_EQ(alerts.size(), 1);
    EXPECT_EQ(aperture(1)->currentText(), "F2.0");

    // The focus leaving the box settles at once; steps back to where they began choose nothing.
    QTest::keyClick(aperture(0), Qt::Key_Down);
    focalField()->setFocus();
    ASSERT_TRUE(runUntil([&] { return alerts.size() == 2; }, 500));
    aperture(0)->setFocus();
    QTest::keyClick(aperture(0), Qt::Key_Down);
    QTest::keyClick(aperture(0), Qt::Key_Up);
    runFor(1300);
    EXPECT_EQ(alerts.size(), 2);
}

TEST_F(CatalogEditingTest, adapterValuesAndTheSameApertureAgainNeverPrompt) {
    L2PC03_TD packet;
    packet.lensSeq = 0;
    packet.WideFlocalLength = 35;
    packet.ApretureValue = {2, 5, 8, 11};
    fillZeroPaddedText(packet.LensNameString.data(), packet.LensNameString.size(), "Adapter Lens");
    packet.calculateChecksum();
    controller->handleReceivedL2PC03Packet(packet.toData());
    runFor(30);
    ASSERT_EQ(aperture(0)->currentText(), "F1.4");
    pickAperture("F1.4"); // what the adapter sent is no new value
    EXPECT_TRUE(alerts.isEmpty());

    pickAperture("F2.0");
    presentation().catalog->catalogMaximumApertureChanged(aperture(0)); // the same value reported twice
    runFor(30);
    EXPECT_EQ(alerts.size(), 1);
}

TEST_F(CatalogEditingTest, aClickOnTheButtonStripWhileTheListIsOpenClosesItOnce) {
    QPushButton* button = presentation().profileCard->suggestionButton;
    // As the window system delivers a click: to the window first, then to the widget under it.
    const auto click = [&] {
        QTest::mouseClick(controller->windowHandle(), Qt::LeftButton, {},
                          button->mapTo(controller.get(), button->rect().center()));
    };
    click();
    ASSERT_TRUE(runUntil([&] { return panelShown(); }));
    click();
    EXPECT_FALSE(panelShown());
    runFor(100);
    EXPECT_FALSE(panelShown());
}

TEST_F(CatalogEditingTest, windowFocusDoesNotOpenTheListButATypedCharacterDoes) {
    modelField()->setFocus();
    ASSERT_TRUE(runUntil([&] { return modelField()->hasFocus(); }, 2000));
    runFor(30);
    EXPECT_FALSE(panelShown());

    // The window going to the back and coming to the front again hands the field its focus back.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    controller->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(controller.get()));
    runFor(30);
    EXPECT_TRUE(modelField()->hasFocus());
    EXPECT_FALSE(panelShown());

    // Hidden and shown again, as by closing the window and opening the program once more.
    controller->hide();
    controller->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(controller.get()));
    runFor(30);
    EXPECT_FALSE(panelShown());

    modelField()->setFocus();
    QTest::keyClick(modelField(), Qt::Key_S);
    EXPECT_TRUE(panelShown());
}

TEST_F(CatalogEditingTest, aLensSoldForSeveralMountsIsListedOnceUnderAllMounts) {
    listFor("", "50", "Elmar");
    const QStringList items = panel()->items();
    EXPECT_EQ(items.count("Leica Elmar 50mm f/3.5"), 1); // under Leica M and Leica L39
    EXPECT_EQ(QSet<QString>(items.begin(), items.end()).size(), items.size());
    typeInto(modelField(), "Tessar");
    const QStringList tessars = panel()->items();
    EXPECT_EQ(tessars.count("Carl Zeiss Jena Tessar 50mm f/2.8"), 1); // under EXA and M42
}

TEST_F(CatalogEditingTest, theListStaysUnderItsFieldClearOfTheProfileSelectorAndAPickShowsTheNameStart) {
    QWidget* slot = presentation().profileCard->modelSlot;
    QWidget* selector = presentation().profileSelector;
    // Full height, then the smallest window, where the list has the least room below the field.
    for (const QSize size : {QSize(1284, 809), QSize(1140, 713)}) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        controller->resize(size);
        runFor(30);
        listFor("Leica M", "35", "Summicron");
        const QRect field(slot->mapToGlobal(QPoint(0, 0)), slot->size());
        const QRect selectorNow(selector->mapToGlobal(QPoint(0, 0)), selector->size());
        EXPECT_EQ(panel()->geometry().left(), field.left());
        EXPECT_EQ(panel()->width(), field.width());
        EXPECT_GT(panel()->geometry().top(), field.bottom());
        EXPECT_FALSE(panel()->geometry().intersects(selectorNow));
    }

    const int row = static_cast<int>(panel()->items().indexOf("Leica APO-Summicron-M 35mm f/2 ASPH."));
    ASSERT_GE(row, 0);
    clickRow(row);
    EXPECT_EQ(modelField()->text(), "Leica APO-Summicron-M 35mm f/2 ASPH.");
    EXPECT_EQ(modelField()->cursorPosition(), 0);
}

TEST_F(CatalogEditingTest, theFieldsKeysStepPickAndCloseTheListAndAClickBesideItOnlyClosesIt) {
    listFor("Leica M", "35", "Summicron");
    const QStringList items = panel()->items();
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}) {
        QTest::keyClick(modelField(), key);
    }
    EXPECT_EQ(panel()->currentRow(), 1);
    QTest::keyClick(modelField(), Qt::Key_Return);
    EXPECT_FALSE(panelShown());
    EXPECT_EQ(presentation().catalog->lastAppliedCatalogName.value(0), modelField()->text());
    EXPECT_TRUE(items.at(1).startsWith(modelField()->text().left(12)));

    typeInto(modelField(), "Summicron");
    QTest::keyClick(modelField(), Qt::Key_Escape);
    EXPECT_FALSE(panelShown());
    EXPECT_TRUE(modelField()->hasFocus());

    typeInto(modelField(), "Summicron");
    // As the window system delivers it: to the window, on profile B's segment. The first click only
    // closes the list; the next one selects the profile.
    QWidget* segmentB = presentation().profileSelector->profileButtons[1];
    for (const int selected : {0, 1}) {
        QTest::mouseClick(controller->windowHandle(), Qt::LeftButton, {},
                          segmentB->mapTo(controller.get(), segmentB->rect().center()));
        EXPECT_FALSE(panelShown());
        EXPECT_EQ(presentation().selectedProfileIndex, selected);
    }
}

TEST_F(CatalogEditingTest, aLongNameIsFilledInItsShortFormThatTheAdapterKeepsWhole) {
    listFor("Leica M", "50", "APO-Lanthar");
    const QString full = "Voigtländer APO-Lanthar 50mm F2 Aspherical";
    const int row = static_cast<int>(panel()->items().indexOf(full));
    ASSERT_GE(row, 0);
    clickRow(row);
    EXPECT_EQ(modelField()->text(), "Voigtländer APO-Lanthar 50mm F2 Asph.");
    EXPECT_LE(modelField()->text().toUtf8().size(), 40);
    EXPECT_EQ(aperture(0)->currentText(), "F2.0");
    // The short form is the applied name: it does not narrow the list.
    presentation().catalog->showLensSuggestions();
    ASSERT_TRUE(runUntil([&] { return panelShown(); }));
    EXPECT_GT(panel()->items().size(), 1);
}

TEST_F(CatalogEditingTest, anApertureTheAdapterLacksTakesTheNearestSlowerStopAndSaysSo) {
    QLabel* note = presentation().profileCard->apertureNoteLabel;
    struct Case {
        const char* typed;
        QString name;
        QString stop;
    };
    for (const Case& lens : {Case{"Noctilux", "Leica Noctilux-M 50mm f/0.95 ASPH.", "F1.0"},
                             Case{"Nokton", "Voigtländer Nokton Vintage Line 50mm F1.5", "F1.6"}}) {
        SCOPED_TRACE(lens.typed);
        listFor("Leica M", "50", lens.typed);
        const int row = static_cast<int>(panel()->items().indexOf(lens.name));
        ASSERT_GE(row, 0);
        clickRow(row);
        runFor(30);
        EXPECT_EQ(aperture(0)->currentText(), lens.stop);
        EXPECT_TRUE(note->isVisible());
        EXPECT_TRUE(note->text().contains(lens.stop));
    }
    EXPECT_EQ(aperture(1)->currentText(), "F2.0"); // the fill offer goes on from F1.6

    pickAperture("F2.8"); // a stop of the user's own: the line no longer holds
    EXPECT_FALSE(note->isVisible());
    listFor("Leica M", "50", "Summilux-M");
    clickRow(static_cast<int>(panel()->items().indexOf("Leica Summilux-M 50mm f/1.4 ASPH.")));
    EXPECT_EQ(aperture(0)->currentText(), "F1.4");
    EXPECT_FALSE(note->isVisible());
}

} // namespace

TEST_F(CatalogEditingTest, theFocalLengthMenuHangsBelowItsFieldInOneColumnAndSaysWhatTheAdapterKeeps) {
    presentation().catalog->mountPicked(QString());
    QWidget* button = presentation().profileCard->focalMenuButton;
    presentation().catalog->showFocalLengthMenu(button);
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
