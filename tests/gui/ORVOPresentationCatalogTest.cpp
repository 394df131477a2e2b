// The lens catalog in the profile card, on a real (offscreen) window with the shipped catalog: the
// suggestion list and a pick, the character rules of the name and focal-length fields, the mount
// memory, the menus, the aperture fill offer and the click monitor around the lens-model row.

#include "DataStructures.h"
#include "EventLoop.h"
#include "LensCatalog.h"
#include "LensCatalogText.h"
#include "LocalizationManager.h"
#include "ORVODialogs.h"
#include "ORVOFieldContainer.h"
#include "ORVOPresentation.h"
#include "ORVOSuggestionPanel.h"
#include "ORVOThemeToggle.h"
#include "ResourceBundle.h"
#include "Settings.h"
#include "ViewController.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QStringList kLeicaMGroup{"Leica M", "Zeiss ZM", "Voigtlander VM", "Other M"};

class CatalogEditingTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir runtime;
        static QTemporaryDir config;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        qputenv("ORVO_SKIP_GUIDE", "1");
        qputenv("ORVO_SKIP_TOUR", "1");
        ResourceBundle::setOverrideDirectory(QStringLiteral(ORVO_SOURCE_DIR "/resources"));
        Settings::setFilePathForTesting(config.filePath("ORVO.conf"));
        Settings::shared().setValue("AppLanguageCode", "en");
    }

    void SetUp() override {
        ORVODialogs::setResponder([this](QMessageBox& alert, const QList<QPushButton*>&) {
            alertTitles << alert.text();
            saveScreenshot(alert, "aperture-fill-offer");
            return fillAnswer;
        });
        controller = std::make_unique<ViewController>();
        controller->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(controller.get()));
        controller->activateWindow();
        runUntil([&] { return controller->isActiveWindow(); }, 2000);
        runFor(20); // the window's own deferred start-up
    }

    void TearDown() override {
        ORVODialogs::setResponder({});
        controller.reset();
    }

    static void saveScreenshot(const QPixmap& shot, const QString& name) {
        const QString folder = qEnvironmentVariable("ORVO_SCREENSHOT_DIR");
        if (!folder.isEmpty()) {
            QDir().mkpath(folder);
            shot.save(QDir(folder).filePath(name + ".png"));
        }
    }
    static void saveScreenshot(QWidget& widget, const QString& name) { saveScreenshot(widget.grab(), name); }

    // The window with the floating windows over it, as the user sees them.
    void saveWindowScreenshot(const QString& name, const QList<QWidget*>& floating) {
        QPixmap shot = controller->grab();
        QPainter painter(&shot);
        for (QWidget* window : floating) {
            painter.drawPixmap(window->geometry().topLeft() - controller->geometry().topLeft(),
                               window->grab());
        }
        painter.end();
        saveScreenshot(shot, name);
    }

    ORVOPresentation& presentation() const { return *controller->presentation; }
    QLineEdit* modelField() const { return controller->LensModels[0]; }
    QLineEdit* focalField() const { return controller->LensFocalLengths[0]; }
    QComboBox* aperture(int k) const { return controller->LensApexes[0][k]; }
    ORVOSuggestionPanel* panel() const { return presentation().suggestionPanel; }
    bool panelShown() const { return panel() && panel()->isVisible(); }
    QString text(const char* key) const { return LocalizationManager::shared().localizedString(key); }

    void focusModelField() {
        modelField()->setFocus();
        ASSERT_TRUE(runUntil([&] { return modelField()->hasFocus(); }, 2000));
    }

    // Empties the lens-model field and types into it, key by key.
    void typeName(const QString& name) {
        focusModelField();
        modelField()->clear();
        QTest::keyClicks(modelField(), name);
    }

    void typeFocalLength(const QString& digits) {
        focalField()->setFocus();
        focalField()->clear();
        QTest::keyClicks(focalField(), digits);
    }

    void paste(QLineEdit* field, const QString& value) {
        QGuiApplication::clipboard()->setText(value);
        field->paste();
    }

    // A click as the window system delivers it: to the window first, then to the widget under it.
    void clickInWindow(QWidget* widget, QPoint at = {}) {
        const QPoint local = at.isNull() ? widget->rect().center() : at;
        QTest::mouseClick(controller->windowHandle(), Qt::LeftButton, {},
                          widget->mapTo(controller.get(), local));
    }

    static QSet<QString> namesIn(const QList<LensCatalogRecord>& records) {
        QSet<QString> names;
        for (const LensCatalogRecord& record : records) {
            names << record.officialName;
        }
        return names;
    }

    // The shipped catalog's lenses of the Leica M group at a focal length, read straight from it.
    static QList<LensCatalogRecord> leicaMGroupLenses(double focalLength) {
        QList<LensCatalogRecord> found;
        for (const LensCatalogRecord& record : LensCatalog::shared().records()) {
            if (kLeicaMGroup.contains(record.category) &&
                lensCatalogNumber(record.focalLength) == focalLength) {
                found << record;
            }
        }
        return found;
    }

    QMenu* openMenu() const {
        runUntil([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; }, 2000);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }

    void waitForQueuedWork() { runFor(30); }

    std::unique_ptr<ViewController> controller;
    QStringList alertTitles;
    int fillAnswer = 1; // "not now"
};

} // namespace

TEST_F(CatalogEditingTest, aTypedWordNarrowsTheLeicaMGroupAndAWordMatchingNothingListsThemAll) {
    presentation().mountPicked("Leica M");
    presentation().focalLengthPicked("35");
    const QList<LensCatalogRecord> all35 = leicaMGroupLenses(35);
    ASSERT_GT(all35.size(), 10);

    typeName("Summicron");
    ASSERT_TRUE(panelShown());
    QSet<QString> summicrons;
    for (const LensCatalogRecord& record : all35) {
        if (record.officialName.contains("Summicron", Qt::CaseInsensitive)) {
            summicrons << record.officialName;
        }
    }
    ASSERT_GE(summicrons.size(), 2);
    EXPECT_EQ(QSet<QString>(panel()->items().begin(), panel()->items().end()), summicrons);
    EXPECT_EQ(modelField()->text(), "Summicron");
    EXPECT_TRUE(modelField()->hasFocus()); // the list never takes the keyboard
    saveWindowScreenshot("suggestions-dark", {panel()});

    typeName("Qwertyuiop");
    EXPECT_EQ(QSet<QString>(panel()->items().begin(), panel()->items().end()), namesIn(all35));
    EXPECT_EQ(panel()->items().size(), all35.size());
}

TEST_F(CatalogEditingTest, aPickedNameFillsTheFieldAndFirstApertureAndNoLongerFilters) {
    presentation().mountPicked("Leica M");
    presentation().focalLengthPicked("35");
    typeName("Summilux");
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
    waitForQueuedWork();
    EXPECT_EQ(alertTitles, QStringList{text("dialogs.aperture_fill_title")}); // declined
    EXPECT_EQ(aperture(1)->currentText(), "F1.0");

    // The applied name says nothing about the lens wanted: every 35 mm lens again, f/1.4 first.
    presentation().showLensSuggestions();
    ASSERT_TRUE(runUntil([&] { return panelShown(); }));
    EXPECT_EQ(panel()->items().size(), leicaMGroupLenses(35).size());
    EXPECT_TRUE(panel()->items().first().contains("1.4"));
}

TEST_F(CatalogEditingTest, theFocalLengthFieldKeepsFourDigitsAndTheComposedNameFollows) {
    typeFocalLength("28.5");
    EXPECT_EQ(focalField()->text(), "285");
    typeFocalLength("12345");
    EXPECT_EQ(focalField()->text(), "1234");
    // Whatever heard the rejected keystroke hears the kept text too.
    typeFocalLength("35.");
    EXPECT_EQ(focalField()->text(), "35");
    EXPECT_EQ(modelField()->text(), "35mm F1.0");
}

TEST_F(CatalogEditingTest, theNameFieldKeepsAsciiAndLatin1LettersPerCharacter) {
    focusModelField();
    modelField()->selectAll();
    paste(modelField(), QStringLiteral(u"Lens 50 \u0192/0.95 \u2014 \u9280"));
    EXPECT_EQ(modelField()->text(), "Lens 50 /0.95  ");

    modelField()->selectAll();
    paste(modelField(), QStringLiteral(u"Objectif \u00C9toile"));
    EXPECT_EQ(modelField()->text(), QStringLiteral(u"Objectif \u00C9toile"));
    modelField()->selectAll();
    paste(modelField(), QStringLiteral(u"Objectif E\u0301toile"));
    EXPECT_EQ(modelField()->text(), "Objectif toile");

    modelField()->selectAll();
    paste(modelField(), QString(60, 'x'));
    EXPECT_EQ(modelField()->text(), QString(46, 'x'));

    // The insertion point stays after what the user pasted, not where the removed text would put it.
    modelField()->setText("Lens 50");
    modelField()->setCursorPosition(4);
    paste(modelField(), QStringLiteral(u"\u9280X\U0001F600"));
    EXPECT_EQ(modelField()->text(), "LensX 50");
    EXPECT_EQ(modelField()->cursorPosition(), 5);
}

TEST(LensNameRules, cursorsAndLimitsOfTheFilters) {
    // Cut at the limit behind the cursor: the cursor stays where the user was typing.
    const auto cut = ORVOPresentation::filteredLensName(QString(40, 'a') + "\u00A0" + QString(20, 'b'), 10);
    EXPECT_EQ(cut.text, QString(40, 'a') + QString(6, 'b'));
    EXPECT_EQ(cut.cursor, 10);
    EXPECT_FALSE(ORVOPresentation::isAllowedLensNameCharacter(u"\t"));
    EXPECT_FALSE(ORVOPresentation::isAllowedLensNameCharacter(u"\u00BF"));
    EXPECT_TRUE(ORVOPresentation::isAllowedLensNameCharacter(u"\u00D7"));
    EXPECT_TRUE(ORVOPresentation::isAllowedLensNameCharacter(u"\u00FF"));
    EXPECT_EQ(ORVOPresentation::filteredFocalLength(QStringLiteral(u"\u0665\u0660mm"), 4).text,
              QStringLiteral(u"\u0665\u0660")); // digits of any script count, as the catalog reads them
}

TEST_F(CatalogEditingTest, mountsAreRememberedPerProfileAndOnlyMenuMountsComeBack) {
    QSettings& settings = Settings::shared();
    settings.setValue("LensA_Mount", "Zeiss ZM"); // a category, not a mount of the menu
    settings.setValue("LensB_Mount", "M42");
    presentation().restoreMountSelections();
    EXPECT_EQ(presentation().mountSelections, (std::array<QString, 4>{"", "M42", "", ""}));
    EXPECT_EQ(presentation().mountValueLabel->text(), text("placeholder.all_mounts"));
    presentation().selectProfile(1);
    EXPECT_EQ(presentation().mountValueLabel->text(), "M42");
    presentation().selectProfile(0);

    settings.remove("LensA_Mount");
    presentation().mountPicked(""); // already all mounts
    EXPECT_FALSE(settings.contains("LensA_Mount"));

    clickInWindow(presentation().mountSlot, QPoint(20, 10));
    QMenu* menu = openMenu();
    ASSERT_TRUE(menu);
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 17);
    EXPECT_EQ(items[0]->text(), text("placeholder.all_mounts"));
    EXPECT_TRUE(items[0]->isChecked());
    EXPECT_EQ(items[1]->text(), "Leica M");
    EXPECT_GE(menu->width(), presentation().mountSlot->width());
    saveWindowScreenshot("mount-menu", {menu});
    items[1]->trigger();
    menu->close();
    EXPECT_EQ(presentation().mountValueLabel->text(), "Leica M");
    EXPECT_EQ(settings.value("LensA_Mount").toString(), "Leica M");
    EXPECT_EQ(settings.value("LensB_Mount").toString(), "M42");
}

TEST_F(CatalogEditingTest, menusOverTheCardActAsTheUsersOwnChoice) {
    // A first aperture chosen from its menu runs the controller's handler (the composed name).
    clickInWindow(presentation().apertureSlots[0]);
    QMenu* apertures = openMenu();
    ASSERT_TRUE(apertures);
    ASSERT_EQ(apertures->actions().size(), ViewController::apertureItems().size());
    EXPECT_TRUE(apertures->actions()[0]->isChecked());
    apertures->actions()[8]->trigger(); // F2.8
    apertures->close();
    EXPECT_EQ(aperture(0)->currentText(), "F2.8");
    EXPECT_EQ(modelField()->text(), "50mm F2.8");
    waitForQueuedWork();

    // The focal-length menu changes only the field.
    presentation().mountPicked("Leica M");
    clickInWindow(presentation().focalMenuButton);
    QMenu* focalLengths = openMenu();
    ASSERT_TRUE(focalLengths);
    const QList<QAction*> options = focalLengths->actions();
    QList<double> offered;
    QAction* thirtyFive = nullptr;
    for (QAction* item : options) {
        offered << item->text().toDouble();
        thirtyFive = item->text() == "35" ? item : thirtyFive;
    }
    EXPECT_TRUE(std::is_sorted(offered.begin(), offered.end()));
    ASSERT_TRUE(thirtyFive);
    thirtyFive->trigger();
    focalLengths->close();
    EXPECT_EQ(focalField()->text(), "35");
    EXPECT_EQ(modelField()->text(), "50mm F2.8");
    EXPECT_EQ(presentation().catalogMatches.size(), leicaMGroupLenses(35).size());
}

TEST_F(CatalogEditingTest, theFillOfferNeedsThreeStopsAndFillsOnlyBoxesThatHaveThem) {
    fillAnswer = 0;
    presentation().comboMenuPicked(aperture(0),
                                   static_cast<int>(ViewController::apertureItems().indexOf("F32")));
    waitForQueuedWork();
    EXPECT_TRUE(alertTitles.isEmpty()); // only 45 and 64 lie above f/32

    presentation().comboMenuPicked(aperture(0),
                                   static_cast<int>(ViewController::apertureItems().indexOf("F22")));
    waitForQueuedWork();
    ASSERT_EQ(alertTitles.size(), 1);
    EXPECT_EQ(aperture(1)->currentText(), "F32");
    EXPECT_EQ(aperture(2)->currentText(), "F1.0"); // the list has no F45 or F64
    EXPECT_EQ(aperture(3)->currentText(), "F1.0");

    presentation().comboMenuPicked(aperture(0),
                                   static_cast<int>(ViewController::apertureItems().indexOf("F1.4")));
    waitForQueuedWork();
    ASSERT_EQ(alertTitles.size(), 2);
    EXPECT_EQ(aperture(1)->currentText(), "F2.0");
    EXPECT_EQ(aperture(2)->currentText(), "F2.8");
    EXPECT_EQ(aperture(3)->currentText(), "F4.0");
    EXPECT_FALSE(presentation().suppressApertureFillPrompt);
}

TEST_F(CatalogEditingTest, adapterValuesAndTheSameApertureAgainNeverPrompt) {
    L2PC03_TD packet;
    packet.lensSeq = 0;
    packet.WideFlocalLength = 35;
    packet.ApretureValue = {2, 5, 8, 11};
    fillZeroPaddedText(packet.LensNameString.data(), packet.LensNameString.size(), "Adapter Lens");
    packet.calculateChecksum();
    controller->handleReceivedL2PC03Packet(packet.toData());
    waitForQueuedWork();
    EXPECT_EQ(aperture(0)->currentText(), "F1.4");
    EXPECT_TRUE(alertTitles.isEmpty());

    // The user choosing what the adapter sent is no new value either.
    presentation().comboMenuPicked(aperture(0), 2);
    presentation().catalogMaximumApertureChanged(aperture(0));
    waitForQueuedWork();
    EXPECT_TRUE(alertTitles.isEmpty());

    presentation().comboMenuPicked(aperture(0), 5);
    presentation().catalogMaximumApertureChanged(aperture(0)); // the same value reported twice
    waitForQueuedWork();
    EXPECT_EQ(alertTitles.size(), 1);
}

TEST_F(CatalogEditingTest, clicksAroundTheLensModelRowOpenAndCloseTheListOnce) {
    QPushButton* button = presentation().suggestionButton;
    clickInWindow(button);
    ASSERT_TRUE(runUntil([&] { return panelShown(); }));
    EXPECT_EQ(panel()->items().size(), presentation().catalogMatches.size());

    clickInWindow(button); // the strip belongs to the button: it closes the list, nothing reopens it
    EXPECT_FALSE(panelShown());
    runFor(100);
    EXPECT_FALSE(panelShown());

    clickInWindow(presentation().modelSlot, QPoint(30, 10));
    ASSERT_TRUE(runUntil([&] { return panelShown(); }));
    clickInWindow(presentation().profileCardView, QPoint(10, 10));
    EXPECT_FALSE(panelShown());
}

TEST_F(CatalogEditingTest, theListSaysWhyItIsEmptyAndFollowsTheTheme) {
    focalField()->setText("");
    presentation().refreshCatalogMatches();
    EXPECT_TRUE(presentation().catalogMatches.isEmpty());
    EXPECT_EQ(presentation().catalogEmptyHint, text("placeholder.enter_focal_length"));

    LensCatalog empty(QList<LensCatalogRecord>{});
    presentation().lensCatalog = &empty;
    focalField()->setText("50");
    presentation().presentSuggestions();
    presentation().refreshCatalogMatches();
    ASSERT_TRUE(panelShown());
    EXPECT_EQ(panel()->table()->item(0)->text(), text("placeholder.catalog_unavailable"));
    presentation().showFocalLengthMenu(presentation().focalMenuButton);
    runFor(20);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    presentation().lensCatalog = &LensCatalog::shared();

    presentation().themeToggle->onToggle();
    presentation().mountPicked("Leica M");
    presentation().focalLengthPicked("35");
    typeName("Noct");
    ASSERT_TRUE(panelShown());
    EXPECT_EQ(panel()->currentPalette(), ORVOPalette::light());
    saveWindowScreenshot("suggestions-light", {panel()});
}

TEST_F(CatalogEditingTest, aNameLongerThanTheEditorTakesIsRefusedWithAnAlert) {
    QString message;
    QTimer::singleShot(50, [&] {
        if (auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            message = alert->text();
            alert->accept();
        }
    });
    const QString before = modelField()->text();
    presentation().applyCatalogSelection(QString(47, 'L'));
    EXPECT_EQ(message, text("placeholder.name_too_long"));
    EXPECT_EQ(modelField()->text(), before);
    EXPECT_TRUE(presentation().lastAppliedCatalogName.isEmpty());
}
