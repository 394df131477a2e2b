// The styled window: its geometry rules, theme, status pill and the confirmations in front of Exit
// and Save, on a real (offscreen) window.

#include "ORVOControlRow.h"
#include "ORVOFieldContainer.h"
#include "ORVOHeaderMenu.h"
#include "ORVOHero.h"
#include "ORVOLogCard.h"
#include "ORVOStyleKit.h"
#include "ORVOThemeToggle.h"
#include "WindowTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QSignalSpy>
#include <tuple>

TEST(PresentationGeometry, theHeroCollapsesBetween827And773AndTheFirstWindowFitsTheScreen) {
    for (const auto& [height, hero, ring] : {std::tuple{900, 204, 144},
                                             {827, 204, 144},
                                             {826, 203, 143},
                                             {774, 151, 91},
                                             {773, 150, 90},
                                             {300, 150, 90}}) {
        const auto geometry = ORVOPresentation::heroGeometry(height, 0);
        ASSERT_TRUE(geometry) << height;
        EXPECT_EQ(std::tuple(geometry->heroHeight, geometry->ringSize, geometry->productNameTop),
                  std::tuple(hero, ring, hero - 35))
            << height;
    }
    EXPECT_FALSE(ORVOPresentation::heroGeometry(201, 0));
    EXPECT_FALSE(ORVOPresentation::heroGeometry(827, 204.4)); // within half a point: unchanged

    EXPECT_EQ(ORVOPresentation::initialContentSize(QRect(0, 0, 1200, 700)), QSize(1140, 713));
    EXPECT_EQ(ORVOPresentation::initialContentSize(QRect(0, 25, 2560, 1440)), QSize(1284, 809));
    EXPECT_EQ(ORVOPresentation::initialContentSize(QRect(0, 0, 1300, 820)), QSize(1240, 760));
    EXPECT_EQ(ORVOPresentation::initialContentSize(std::nullopt), QSize(1284, 809));
}

TEST(PresentationGeometry, theVersionShowsTheBuildOnlyWhereItDiffers) {
    EXPECT_EQ(ORVOControlRow::appVersionText("2.1", "2.1"), "v2.1");
    EXPECT_EQ(ORVOControlRow::appVersionText("2.1", "37"), "v2.1 (37)");
    EXPECT_EQ(ORVOControlRow::appVersionText("", ""), "v1.0 (1)");
}

namespace {

class ORVOPresentationTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        controller.show();
    }
    void TearDown() override {
        qunsetenv("ORVO_FAKE_CONNECTED");
        WindowTest::TearDown();
    }
    QString statusText() const { return presentation().hero->statusLabel->text(); }
    QStringList themedStyles() const {
        QStringList styles;
        for (QWidget* widget : controller.findChildren<QWidget*>()) {
            if (!widget->styleSheet().isEmpty()) {
                styles << widget->objectName() + ":" + widget->styleSheet();
            }
        }
        styles.sort(); // selecting a profile moves its fields and makes their boxes' lists
        return styles;
    }
};

} // namespace

TEST_F(ORVOPresentationTest, statusFollowsTheConnectionAndASaveWithNoAdapterBehindItIsNeverReportedAsSaved) {
    EXPECT_EQ(statusText(), text("labels.adapter_not_connected"));
    qputenv("ORVO_FAKE_CONNECTED", "1");
    presentation().refreshConnectionStatus();
    EXPECT_EQ(statusText(), text("labels.adapter_connected"));

    // Cancelled, the save tries nothing; confirmed with no adapter behind the status, it is refused.
    answers = {1, 0};
    for (int click = 0; click < 2; ++click) {
        QTest::mouseClick(controller.button_SaveToAdapter, Qt::LeftButton);
        runFor(50);
        EXPECT_EQ(logCount(text("messages.save_refused_no_adapter")), click);
    }
    EXPECT_EQ(titles, QStringList(2, text("dialogs.save_title")));
    EXPECT_EQ(statusText(), text("labels.adapter_connected"));
    EXPECT_FALSE(logCount(text("messages.device_info_saved")));

    presentation().showSavedNotice();
    runFor(1100); // a tick of the status timer keeps the notice
    EXPECT_EQ(statusText(), text("labels.adapter_saved"));
    qunsetenv("ORVO_FAKE_CONNECTED");
    presentation().refreshConnectionStatus();
    EXPECT_EQ(statusText(), text("labels.adapter_not_connected"));
}

// Without a menu bar on the screen the header's menu button carries the application's commands.
TEST_F(ORVOPresentationTest, theMenuButtonOffersRestoreHelpAboutAndQuitAndQuitAsksFirst) {
    QSignalSpy termination(&controller, &ViewController::terminationRequested);
    ORVOHeaderMenu* menu = presentation().headerMenu;
    QTest::mouseClick(presentation().hero->menuButton, Qt::LeftButton);
    ASSERT_TRUE(runUntil([&] { return menu->isVisible(); }, 2000));
    EXPECT_EQ(menu->actions(), QList<QAction*>({controller.restoreAction, menu->helpAction, menu->aboutAction,
                                                menu->actions().at(3), menu->quitAction}));
    menu->hide();

    answers = {1, 1};
    menu->aboutAction->trigger();
    // Quit asks as Exit does; going back leaves the program running.
    menu->quitAction->trigger();
    EXPECT_EQ(titles, QStringList({text("app.window_title"), text("dialogs.exit_title")}));
    runFor(50);
    EXPECT_TRUE(termination.isEmpty());
}

// The window's root carries the one theme sheet; what the kit marks takes its colours in both
// themes, a piece marked after the window was shown included, and an alert takes the window's theme
// with the information icon kept. Toggling twice restores every dark value.
TEST_F(ORVOPresentationTest, everyMarkedPieceTakesTheColoursOfTheThemeAndTwoTogglesRestoreTheDarkOne) {
    auto* late = new QLabel(QStringLiteral("late"), presentation().rootView);
    late->show();
    ORVOStyleKit::addMuted(late);
    const QStringList dark = themedStyles();
    const auto foreground = [](const QWidget* widget) {
        return widget->palette().color(widget->foregroundRole());
    };
    QString alertLook;
    inspectAlert = [&](QMessageBox& alert) {
        alertLook =
            alert.palette().color(QPalette::Window).name() + (alert.iconPixmap().isNull() ? "" : "+icon");
    };
    for (const bool light : {false, true}) {
        const ORVOPalette& p = light ? ORVOPalette::light() : ORVOPalette::dark();
        EXPECT_EQ(presentation().usesLightAppearance, light);
        presentation().headerMenu->aboutAction->trigger();
        EXPECT_EQ(alertLook, p.background.name() + "+icon");
        EXPECT_EQ(foreground(controller.DeviceModel_Title), p.text) << light;
        EXPECT_EQ(foreground(presentation().logCard->logPlaceholder), p.muted) << light;
        EXPECT_EQ(foreground(late), p.muted) << light;
        EXPECT_EQ(controller.Language->palette().color(QPalette::ButtonText), p.text) << light;
        // Profile B's fields waited outside the window through the theme change.
        presentation().selectProfile(1);
        EXPECT_EQ(controller.LensModels[1]->palette().color(QPalette::Text), p.text) << light;
        EXPECT_EQ(controller.LensApexes[1][3]->palette().color(QPalette::ButtonText), p.text) << light;
        presentation().selectProfile(0);
        QTest::mouseClick(presentation().hero->themeToggle, Qt::LeftButton);
        EXPECT_EQ(presentation().hero->themeToggle->symbolName(), light ? "sun.max" : "moon.fill");
    }
    EXPECT_EQ(themedStyles(), dark);
}
