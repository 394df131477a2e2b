// The lens catalog in the profile card, on a real (offscreen) window with the shipped catalog: the
// suggestion list and a pick, the character rules of the name and focal-length fields, the mount
// memory, the aperture fill offer and the click monitor around the lens-model row.

#include "DataStructures.h"
#include "EventLoop.h"
#include "LensCatalog.h"
#include "LensCatalogText.h"
#include "LocalizationManager.h"
#include "ORVODialogs.h"
#include "ORVOPresentation.h"
#include "ORVOSuggestionPanel.h"
#include "ResourceBundle.h"
#include "Settings.h"
#include "ViewController.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
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
    ORVOSuggestionPanel* panel() const { return presentation().suggestionPanel; }
    bool panelShown() const { return panel() && panel()->isVisible(); }
    QSet<QString> listed() const { return {panel()->items().begin(), panel()->items().end()}; }

    void typeInto(QLineEdit* field, const QString& keys) {
        field->setFocus();
        ASSERT_TRUE(runUntil([&] { return field->hasFocus(); }, 2000));
        field->clear();
        QTest::keyClicks(field, keys);
    }

    void pickAperture(const QString& value) {
        presentation().comboMenuPicked(aperture(0),
                                       static_cast<int>(ViewController::apertureItems().indexOf(value)));
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
    presentation().mountPicked("Leica M");
    presentation().focalLengthPicked("35");
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
    presentation().mountPicked("Leica M");
    presentation().focalLengthPicked("35");
    typeInto(modelField(), "Summilux");
    ASSERT_TRUE(panelShown());
    const QString picked = "Leica Summilux-M 35mm f/1.4 ASPH.";
    const int row = static_cast<int>(panel()->items().indexOf(picked));
    ASSERT_GE(row, 0);

    QListWidget* table = panel()->table();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualItemRect(table->item(row)).center());
    EXPECT_FALSE(panelShown());
    EXPECT_EQ(modelField()->text(), picked);
    EXPECT_EQ(aperture(0)->currentText(), "F1.4");

    presentation().showLensSuggestions();
    ASSERT_TRUE(runUntil([&] { return panelShown(); }));
    EXPECT_EQ(listed(), leicaMGroup35());
}

TEST_F(CatalogEditingTest, theFieldsKeepOnlyWhatTheAdapterTakes) {
    for (const auto& [typed, kept] : {std::pair{"28.5", "285"}, {"12345", "1234"}}) {
        typeInto(focalField(), typed);
        EXPECT_EQ(focalField()->text(), kept);
    }
    // Judged per user-perceived character: a letter with a combining mark goes as a whole.
    for (const auto& [pasted, kept] : {
             std::pair{QStringLiteral(u"Lens 50 \u0192/0.95 \u2014 \u9280"),
                       QStringLiteral("Lens 50 /0.95  ")},
             {QStringLiteral(u"Objectif E\u0301toile"), QStringLiteral("Objectif toile")},
             {QString(60, 'x'), QString(46, 'x')},
         }) {
        QGuiApplication::clipboard()->setText(pasted);
        modelField()->selectAll();
        modelField()->paste();
        EXPECT_EQ(modelField()->text(), kept);
    }
}

TEST_F(CatalogEditingTest, onlyMenuMountsComeBackAndTheSameMountAgainWritesNothing) {
    QSettings& settings = Settings::shared();
    settings.setValue("LensA_Mount", "Zeiss ZM"); // a category, not a mount of the menu
    presentation().restoreMountSelections();
    EXPECT_EQ(presentation().mountSelections[0], "");
    EXPECT_EQ(presentation().mountValueLabel->text(),
              LocalizationManager::shared().localizedString("placeholder.all_mounts"));

    settings.remove("LensA_Mount");
    presentation().mountPicked(""); // already all mounts
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
    presentation().catalogMaximumApertureChanged(aperture(0)); // the same value reported twice
    runFor(30);
    EXPECT_EQ(alerts.size(), 1);
}

TEST_F(CatalogEditingTest, aClickOnTheButtonStripWhileTheListIsOpenClosesItOnce) {
    QPushButton* button = presentation().suggestionButton;
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

} // namespace
