// The styled window: its geometry rules, theme, status pill and the confirmations in front of Exit
// and Save, on a real (offscreen) window.

#include "ORVOPresentation.h"

#include "EventLoop.h"
#include "IsolatedEnvironment.h"
#include "LocalizationManager.h"
#include "ORVOControlRow.h"
#include "ORVODialogs.h"
#include "ORVOFieldContainer.h"
#include "ORVOHeaderMenu.h"
#include "ORVOHero.h"
#include "ORVOLogCard.h"
#include "ORVOProfileSelector.h"
#include "ORVOStyleKit.h"
#include "ORVOThemeToggle.h"
#include "Settings.h"
#include "TextKeys.h"
#include "ViewController.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ORVOPresentationTest : public testing::Test {
protected:
    static void SetUpTestSuite() { useIsolatedEnvironment(); }
    void TearDown() override {
        ORVODialogs::setResponder({});
        qunsetenv("ORVO_FAKE_CONNECTED");
    }

    // Answers every alert with the button at index, remembering each alert's title.
    void answerAlerts(int index) {
        ORVODialogs::setResponder([this, index](QMessageBox& alert, const QList<QPushButton*>&) {
            alertTitles << alert.text();
            saveScreenshot(alert, "dialog");
            return index;
        });
    }

    // With ORVO_SCREENSHOT_DIR set, what the user would see is kept for review.
    static void saveScreenshot(QWidget& widget, const QString& name) {
        const QString folder = qEnvironmentVariable("ORVO_SCREENSHOT_DIR");
        if (!folder.isEmpty()) {
            QDir().mkpath(folder);
            widget.grab().save(QDir(folder).filePath(name + ".png"));
        }
    }

    QString text(const char* key) const { return LocalizationManager::shared().localizedString(key); }
    QString statusText() const { return presentation().hero->statusLabel->text(); }
    ORVOPresentation& presentation() const { return *controller.presentation; }

    QStringList themedStyles() const {
        QStringList styles;
        for (QWidget* widget : controller.findChildren<QWidget*>()) {
            styles << widget->objectName() + ":" + widget->styleSheet();
        }
        return styles;
    }

    QStringList alertTitles;
    ViewController controller;
};

} // namespace

TEST(PresentationGeometry, theHeroCollapsesBetween827And773) {
    const auto full = ORVOPresentation::heroGeometry(827, 0);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->heroHeight, 204);
    EXPECT_EQ(full->ringSize, 144);
    EXPECT_EQ(full->productNameTop, 169);
    EXPECT_EQ(ORVOPresentation::heroGeometry(900, 0)->heroHeight, 204);
    EXPECT_EQ(ORVOPresentation::heroGeometry(826, 0)->heroHeight, 203);
    EXPECT_EQ(ORVOPresentation::heroGeometry(826, 0)->ringSize, 143);
    EXPECT_EQ(ORVOPresentation::heroGeometry(774, 0)->heroHeight, 151);
    const auto floor = ORVOPresentation::heroGeometry(773, 0);
    EXPECT_EQ(floor->heroHeight, 150);
    EXPECT_EQ(floor->ringSize, 90);
    EXPECT_EQ(floor->productNameTop, 115);
    EXPECT_EQ(ORVOPresentation::heroGeometry(300, 0)->heroHeight, 150);
    EXPECT_FALSE(ORVOPresentation::heroGeometry(201, 0));
    EXPECT_FALSE(ORVOPresentation::heroGeometry(827, 204.4)); // within half a point: unchanged
}

TEST(PresentationGeometry, theFirstWindowSizeFollowsTheScreenWithinItsBounds) {
    EXPECT_EQ(ORVOPresentation::initialContentSize(QRect(0, 0, 1200, 700)), QSize(1140, 713));
    EXPECT_EQ(ORVOPresentation::initialContentSize(QRect(0, 25, 2560, 1440)), QSize(1284, 809));
    EXPECT_EQ(ORVOPresentation::initialContentSize(QRect(0, 0, 1300, 820)), QSize(1240, 760));
    EXPECT_EQ(ORVOPresentation::initialContentSize(std::nullopt), QSize(1284, 809));
}

TEST(PresentationGeometry, dividersNeverTouchTheSelectedSegment) {
    using Visible = std::array<bool, 3>;
    EXPECT_EQ(ORVOProfileSelector::visibleDividers(0), (Visible{false, true, true}));
    EXPECT_EQ(ORVOProfileSelector::visibleDividers(1), (Visible{false, false, true}));
    EXPECT_EQ(ORVOProfileSelector::visibleDividers(3), (Visible{true, true, false}));
}

TEST(PresentationGeometry, controlRowWidthsHaveFloorsAndVersionTextItsForms) {
    EXPECT_EQ(ORVOHero::tourButtonWidth(""), 65);
    EXPECT_GT(ORVOHero::tourButtonWidth("A much longer guided tour title"), 65);
    EXPECT_EQ(ORVOHero::languageSelectorWidth(""), 130);
    EXPECT_GT(ORVOHero::languageSelectorWidth("Bahasa Indonesia Bahasa Indonesia"), 130);
    EXPECT_EQ(ORVOControlRow::appVersionText("2.1", "2.1"), "v2.1");
    EXPECT_EQ(ORVOControlRow::appVersionText("2.1", "37"), "v2.1 (37)");
    EXPECT_EQ(ORVOControlRow::appVersionText("", ""), "v1.0 (1)");
}

TEST_F(ORVOPresentationTest, selectingAProfileShowsItsControlsAndTheBadgeLetter) {
    controller.show();
    QTest::mouseClick(presentation().profileSelector->profileButtons[1], Qt::LeftButton);
    EXPECT_EQ(presentation().selectedProfileIndex, 1);
    EXPECT_EQ(presentation().profileCard->profileBadgeLabel->text(), "B");
    EXPECT_TRUE(controller.LensFocalLengths[1]->isVisible());
    EXPECT_EQ(controller.LensFocalLengths[1]->parentWidget(),
              static_cast<QWidget*>(presentation().profileCard->focalSlot));
    EXPECT_FALSE(controller.LensFocalLengths[0]->isVisible());
    EXPECT_TRUE(controller.LensApexes[1][3]->isVisible());
    EXPECT_FALSE(controller.LensModels[2]->isVisible());
    EXPECT_FALSE(presentation().profileSelector->profileDividers[0]->isVisible());
    EXPECT_FALSE(presentation().profileSelector->profileDividers[1]->isVisible());
    EXPECT_TRUE(presentation().profileSelector->profileDividers[2]->isVisible());
}

TEST_F(ORVOPresentationTest, statusFollowsTheConnectionAndTheSavedNoticeEndsOnDisconnection) {
    controller.show();
    EXPECT_EQ(statusText(), text("labels.adapter_not_connected"));
    qputenv("ORVO_FAKE_CONNECTED", "1");
    presentation().refreshConnectionStatus();
    EXPECT_EQ(statusText(), text("labels.adapter_connected"));
    EXPECT_TRUE(controller.button_SaveToAdapter->isEnabled());

    // Confirmed with no adapter behind the status: refused, and never reported as saved.
    answerAlerts(0);
    QTest::mouseClick(controller.button_SaveToAdapter, Qt::LeftButton);
    ASSERT_EQ(alertTitles.size(), 1);
    EXPECT_EQ(alertTitles[0], text("dialogs.save_title"));
    runFor(50);
    EXPECT_EQ(statusText(), text("labels.adapter_connected"));
    EXPECT_TRUE(controller.logText().contains(text("messages.save_refused_no_adapter")));
    EXPECT_FALSE(controller.logText().contains(text("messages.device_info_saved")));

    presentation().showSavedNotice();
    EXPECT_EQ(statusText(), text("labels.adapter_saved"));
    runFor(1100); // a tick of the status timer keeps the notice
    EXPECT_EQ(statusText(), text("labels.adapter_saved"));

    qunsetenv("ORVO_FAKE_CONNECTED");
    presentation().refreshConnectionStatus();
    EXPECT_EQ(statusText(), text("labels.adapter_not_connected"));
    qputenv("ORVO_FAKE_CONNECTED", "1");
    presentation().refreshConnectionStatus();
    EXPECT_EQ(statusText(), text("labels.adapter_connected"));
}

TEST_F(ORVOPresentationTest, cancellingTheSaveConfirmationSendsNothing) {
    qputenv("ORVO_FAKE_CONNECTED", "1");
    controller.show();
    presentation().refreshConnectionStatus();
    answerAlerts(1);
    QTest::mouseClick(controller.button_SaveToAdapter, Qt::LeftButton);
    runFor(300);
    EXPECT_EQ(alertTitles.size(), 1);
    EXPECT_FALSE(controller.logText().contains(text("messages.device_info_saved")));
    EXPECT_EQ(statusText(), text("labels.adapter_connected"));
}

TEST_F(ORVOPresentationTest, confirmingExitRunsTheControllersExit) {
    QSignalSpy termination(&controller, &ViewController::terminationRequested);
    controller.show();
    answerAlerts(1);
    QTest::mouseClick(controller.button_Exit, Qt::LeftButton);
    EXPECT_FALSE(controller.logText().contains("🚪"));

    answerAlerts(0);
    QTest::mouseClick(controller.button_Exit, Qt::LeftButton);
    EXPECT_EQ(alertTitles.last(), text("dialogs.exit_title"));
    EXPECT_TRUE(controller.logText().contains("🚪 " + text("messages.exiting")));
    ASSERT_TRUE(runUntil([&] { return !termination.isEmpty(); }, 1000));
    // Confirmed here, so the application does not ask a second time.
    EXPECT_TRUE(termination.first().first().toBool());
}

// Without a menu bar on the screen the header's menu button carries the application's commands; the
// alerts they open take the window's theme and keep the information icon.
TEST_F(ORVOPresentationTest, theMenuButtonOffersRestoreHelpAboutAndQuitWithAlertsInTheWindowsTheme) {
    QSignalSpy termination(&controller, &ViewController::terminationRequested);
    controller.show();
    ORVOHeaderMenu* menu = presentation().headerMenu;
    QTest::mouseClick(presentation().hero->menuButton, Qt::LeftButton);
    ASSERT_TRUE(runUntil([&] { return menu->isVisible(); }, 2000));
    EXPECT_EQ(menu->actions(), QList<QAction*>({controller.restoreAction, menu->helpAction, menu->aboutAction,
                                                menu->actions().at(3), menu->quitAction}));
    EXPECT_EQ(menu->aboutAction->text(), text("menu.about"));
    menu->hide();

    QStringList looks;
    ORVODialogs::setResponder([&](QMessageBox& alert, const QList<QPushButton*>&) {
        alertTitles << alert.text();
        looks << alert.palette().color(QPalette::Window).name() + (alert.iconPixmap().isNull() ? "" : "+icon");
        return 1;
    });
    menu->aboutAction->trigger();
    QTest::mouseClick(presentation().hero->themeToggle, Qt::LeftButton);
    menu->aboutAction->trigger();
    EXPECT_EQ(looks, QStringList({ORVOPalette::dark().background.name() + "+icon",
                                  ORVOPalette::light().background.name() + "+icon"}));
    // Quit asks as Exit does; going back leaves the program running.
    menu->quitAction->trigger();
    EXPECT_EQ(alertTitles, QStringList({text("app.window_title"), text("app.window_title"),
                                        text("dialogs.exit_title")}));
    runFor(50);
    EXPECT_TRUE(termination.isEmpty());
}

TEST_F(ORVOPresentationTest, togglingTheThemeTwiceRestoresEveryDarkValue) {
    controller.show();
    const QStringList dark = themedStyles();
    ORVOThemeToggle* toggle = presentation().hero->themeToggle;
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_TRUE(presentation().usesLightAppearance);
    EXPECT_EQ(toggle->symbolName(), "moon.fill");
    EXPECT_NE(themedStyles(), dark);
    saveScreenshot(controller, "light");
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_FALSE(presentation().usesLightAppearance);
    EXPECT_EQ(toggle->symbolName(), "sun.max");
    EXPECT_EQ(toggle->knobFrame().x(), 41);
    EXPECT_EQ(themedStyles(), dark);
}

// The window's root carries the one theme sheet; what the kit marks takes its colours in both
// themes, a piece marked after the window was shown included.
TEST_F(ORVOPresentationTest, everyMarkedPieceTakesTheColoursOfTheTheme) {
    controller.show();
    auto* late = new QLabel(QStringLiteral("late"), presentation().rootView);
    late->show();
    ORVOStyleKit::addMuted(late);
    const auto foreground = [](const QWidget* widget) {
        return widget->palette().color(widget->foregroundRole());
    };
    for (const bool light : {false, true}) {
        const ORVOPalette& p = light ? ORVOPalette::light() : ORVOPalette::dark();
        EXPECT_EQ(presentation().usesLightAppearance, light);
        EXPECT_EQ(foreground(controller.DeviceModel_Title), p.text) << light;
        EXPECT_EQ(foreground(presentation().logCard->logPlaceholder), p.muted) << light;
        EXPECT_EQ(foreground(late), p.muted) << light;
        EXPECT_EQ(controller.Language->palette().color(QPalette::ButtonText), p.text) << light;
        EXPECT_EQ(controller.LensModels[0]->palette().color(QPalette::Text), p.text) << light;
        // Profile B's fields waited outside the window through the theme change.
        presentation().selectProfile(1);
        EXPECT_EQ(controller.LensModels[1]->palette().color(QPalette::Text), p.text) << light;
        EXPECT_EQ(controller.LensApexes[1][3]->palette().color(QPalette::ButtonText), p.text) << light;
        presentation().selectProfile(0);
        QTest::mouseClick(presentation().hero->themeToggle, Qt::LeftButton);
    }
}

TEST_F(ORVOPresentationTest, aLanguageChangeRetranslatesTheWindow) {
    controller.show();
    controller.Language->setCurrentIndex(15); // ไทย
    controller.On_Language_Selected();
    EXPECT_EQ(presentation().windowTitleLabel->text(), text("app.window_title"));
    EXPECT_EQ(presentation().profileCard->apertureLabels[2]->text(), text("labels.aperture") + " 3");
    EXPECT_EQ(presentation().hero->tourButton->text(), text("buttons.tour"));
    EXPECT_GE(presentation().hero->tourButton->width(), 65);
    EXPECT_GE(presentation().hero->languageContainerView->width(), 130);
    saveScreenshot(controller, "thai");
}
