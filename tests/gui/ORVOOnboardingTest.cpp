// Onboarding over a real (offscreen) main window: where the tour's card goes, the tour's keys, clicks
// and completion per language, and the first-run guide's pages, environment switches and ending.

#include "EventLoop.h"
#include "LocalizationManager.h"
#include "ORVODialogs.h"
#include "ORVOFirstRunGuide.h"
#include "ORVOPresentation.h"
#include "ORVOTour.h"
#include "Settings.h"
#include "TextKeys.h"
#include "ViewController.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

uint8_t languageIndex(const QString& code) {
    const auto& languages = LocalizationManager::availableLanguages();
    for (size_t i = 0; i < languages.size(); ++i) {
        if (languages[i].code == code) {
            return static_cast<uint8_t>(i);
        }
    }
    ADD_FAILURE() << "no language " << code.toStdString();
    return 0;
}

QString text(const QString& key) {
    return LocalizationManager::shared().localizedString(key);
}

// With ORVO_SCREENSHOT_DIR set, what the user would see is kept for review.
void saveScreenshot(QWidget& widget, const QString& name) {
    runFor(20); // the layout follows a change of texts on the next pass
    const QString folder = qEnvironmentVariable("ORVO_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        widget.grab().save(QDir(folder).filePath(name + ".png"));
    }
}

// A fresh settings file and English for every case; each case launches the window itself, as often
// as it needs ("relaunching" is a new controller in the same settings).
class OnboardingTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }

    void SetUp() override {
        Settings::setFilePathForTesting(config.filePath("ORVO.conf"));
        LocalizationManager::shared().setLanguage(languageIndex("en"));
        qputenv("ORVO_SKIP_GUIDE", "1");
        qunsetenv("ORVO_SKIP_TOUR");
        qunsetenv("ORVO_SHOW_SAVE_DIALOG");
    }

    void TearDown() override {
        controller.reset();
        ORVODialogs::setResponder({});
    }

    ViewController& launch() {
        controller = std::make_unique<ViewController>();
        controller->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(controller.get()));
        runFor(50);
        return *controller;
    }

    void relaunch() {
        controller.reset();
        launch();
    }

    ORVOPresentation& presentation() const { return *controller->presentation; }
    ORVOTour* tour() const { return presentation().activeTour; }

    bool tourShowing() const { return tour() && !tour()->isHidden(); }

    static bool completed(const QString& code) {
        return Settings::shared().value("ORVOTourCompleted_" + code).toBool();
    }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(tour(), key, modifiers);
        runFor(20);
    }

    // The step whose title key is titleKey, reached with the right arrow from the current one.
    void advanceTo(const QString& stem) {
        const QString title = text(TextKeys::tour(TextKeys::tourTitleName(stem)));
        for (int guard = 0; guard < 20 && tour()->titleField->text() != title; ++guard) {
            press(Qt::Key_Right);
        }
        ASSERT_EQ(tour()->titleField->text(), title);
    }

    QRect cardFrame() const { return tour()->card->geometry(); }

    QTemporaryDir config;
    std::unique_ptr<ViewController> controller;
};

class TourTest : public OnboardingTest {};

class GuideTest : public OnboardingTest {
protected:
    void SetUp() override {
        OnboardingTest::SetUp();
        qunsetenv("ORVO_SKIP_GUIDE");
        qputenv("ORVO_SKIP_TOUR", "1");
    }

    ORVOFirstRunGuide* guide() const { return presentation().onboarding; }

    bool guideOpen() const { return guide() && guide()->isVisible(); }
};

} // namespace

// ---- Card placement

TEST(TourCardPlacement, withoutATargetTheCardIsCentredButNeverCloserThan16ToAnEdge) {
    EXPECT_EQ(ORVOTour::cardOrigin({1000, 800}, {}, 200), QPointF(320, 300));
    EXPECT_EQ(ORVOTour::cardOrigin({300, 100}, {}, 200), QPointF(16, 16));
    EXPECT_FALSE(ORVOTour::cardOrigin({1, 800}, {}, 200));
    EXPECT_FALSE(ORVOTour::cardOrigin({1000, 0}, QRectF(10, 10, 20, 20), 200));
}

TEST(TourCardPlacement, theCardGoesBelowTheTargetThenAboveThenCentredVertically) {
    // Room below: 18 under the target, aligned with its left edge.
    EXPECT_EQ(ORVOTour::cardOrigin({1000, 800}, QRectF(100, 100, 50, 30), 200), QPointF(100, 148));
    // Exactly fits below: the bottom margin is 16.
    EXPECT_EQ(ORVOTour::cardOrigin({1000, 800}, QRectF(100, 500, 50, 66), 200), QPointF(100, 584));
    // No room below: 18 above it.
    EXPECT_EQ(ORVOTour::cardOrigin({1000, 800}, QRectF(100, 700, 50, 40), 200), QPointF(100, 482));
    // Neither below nor above: centred vertically.
    EXPECT_EQ(ORVOTour::cardOrigin({1000, 400}, QRectF(100, 150, 50, 100), 200), QPointF(100, 100));
    EXPECT_EQ(ORVOTour::cardOrigin({1000, 150}, QRectF(100, 50, 50, 20), 200), QPointF(100, 16));
}

TEST(TourCardPlacement, theCardStays16InsideTheLeftAndRightEdges) {
    EXPECT_EQ(ORVOTour::cardOrigin({1000, 800}, QRectF(900, 100, 80, 30), 200)->x(), 624);
    EXPECT_EQ(ORVOTour::cardOrigin({1000, 800}, QRectF(624, 100, 80, 30), 200)->x(), 624);
    EXPECT_EQ(ORVOTour::cardOrigin({1000, 800}, QRectF(-20, 100, 80, 30), 200)->x(), 16);
    // Narrower than the card with its margins: the left margin wins.
    EXPECT_EQ(ORVOTour::cardOrigin({300, 800}, QRectF(100, 100, 80, 30), 200)->x(), 16);
}

// ---- The tour

TEST_F(TourTest, theTourFollowsTheSkippedGuideAndWalksByKeys) {
    launch();
    ASSERT_TRUE(tourShowing());
    ASSERT_TRUE(runUntil([&] { return tour()->hasFocus(); }, 2000));
    EXPECT_EQ(tour()->stepCount(), 16);
    EXPECT_EQ(tour()->geometry(), presentation().rootView->rect());
    EXPECT_EQ(tour()->titleField->text(), text("tour.intro_title"));
    EXPECT_EQ(tour()->progressField->text(), "1 / 16");
    EXPECT_TRUE(tour()->prevButton->isHidden());
    EXPECT_FALSE(tour()->skipButton->isHidden());

    press(Qt::Key_Left); // nothing before the first step
    EXPECT_EQ(tour()->currentIndex(), 0);
    press(Qt::Key_Right);
    EXPECT_EQ(tour()->currentIndex(), 1);
    EXPECT_FALSE(tour()->prevButton->isHidden());
    QWidget* language = presentation().languageContainerView;
    const QRectF expected(QRectF(language->mapTo(controller.get(), QPoint()), QSizeF(language->size())));
    EXPECT_EQ(tour()->highlightRect(), expected.adjusted(-8, -8, 8, 8));
    press(Qt::Key_Left);
    EXPECT_EQ(tour()->currentIndex(), 0);
    press(Qt::Key_Return);
    press(Qt::Key_Space);
    press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(tour()->currentIndex(), 3);
    EXPECT_EQ(tour()->progressField->text(), "4 / 16");

    advanceTo("exit");
    EXPECT_TRUE(tour()->skipButton->isHidden());
    EXPECT_EQ(tour()->nextButton->text(), text(TextKeys::kTourDone));
    EXPECT_FALSE(completed("en"));
    press(Qt::Key_Right);
    EXPECT_FALSE(tourShowing());
    EXPECT_TRUE(completed("en"));
}

TEST_F(TourTest, escapeEndsTheTourAtAnyStepAndStoresTheCompletion) {
    launch();
    ASSERT_TRUE(tourShowing());
    press(Qt::Key_Right);
    press(Qt::Key_Right);
    press(Qt::Key_Escape);
    EXPECT_FALSE(tourShowing());
    EXPECT_TRUE(completed("en"));
    EXPECT_TRUE(runUntil([&] { return !tour(); }, 1000)); // the overlay is gone, not just hidden
}

TEST_F(TourTest, clicksOutsideTheCardDoNothingWhileTheCardsButtonsWork) {
    launch();
    ASSERT_TRUE(tourShowing());
    QSignalSpy tourButtonClicks(presentation().tourButton, &QPushButton::clicked);
    QTest::mouseClick(presentation().tourButton, Qt::LeftButton);
    QTest::mouseClick(presentation().profileButtons[1], Qt::LeftButton);
    QTest::mouseClick(tour(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(tourButtonClicks.count(), 0);
    EXPECT_EQ(presentation().selectedProfileIndex, 0);
    EXPECT_EQ(tour()->currentIndex(), 0);

    QTest::mouseClick(tour()->nextButton, Qt::LeftButton);
    EXPECT_EQ(tour()->currentIndex(), 1);
    QTest::mouseClick(tour()->prevButton, Qt::LeftButton);
    EXPECT_EQ(tour()->currentIndex(), 0);
    QTest::mouseClick(tour()->skipButton, Qt::LeftButton);
    EXPECT_FALSE(tourShowing());
    EXPECT_TRUE(completed("en"));

    // With the tour gone the window answers again.
    ASSERT_TRUE(runUntil([&] { return !tour(); }, 1000));
    QTest::mouseClick(presentation().profileButtons[1], Qt::LeftButton);
    EXPECT_EQ(presentation().selectedProfileIndex, 1);
}

TEST_F(TourTest, theCardAvoidsTheWindowsEdgesAndOpensCentred) {
    launch();
    ASSERT_TRUE(tourShowing());
    runFor(50);
    const QSize overlay = tour()->size();
    QRect card = cardFrame();
    EXPECT_NEAR(card.center().x(), overlay.width() / 2, 1);
    EXPECT_NEAR(card.center().y(), overlay.height() / 2, 1);
    saveScreenshot(*controller, "tour-opening");

    // Help sits at the right end of the control row.
    advanceTo("help");
    runFor(50);
    card = cardFrame();
    EXPECT_EQ(card.right() + 1, overlay.width() - 16);
    EXPECT_EQ(card.top(), qRound(tour()->highlightRect().bottom() + 18));
    saveScreenshot(*controller, "tour-right-edge");

    // Exit sits at the bottom left: no room below it.
    advanceTo("exit");
    runFor(50);
    card = cardFrame();
    const QRectF hole = tour()->highlightRect();
    EXPECT_EQ(card.bottom() + 1, qRound(hole.top() - 18));
    EXPECT_EQ(card.left(), std::max(16, qRound(hole.left())));
    saveScreenshot(*controller, "tour-bottom");
}

TEST_F(TourTest, theCompletionIsKeptPerLanguage) {
    launch();
    ASSERT_TRUE(tourShowing());
    press(Qt::Key_Escape);
    ASSERT_TRUE(completed("en"));

    relaunch();
    EXPECT_FALSE(tourShowing());

    LocalizationManager::shared().setLanguage(languageIndex("de"));
    relaunch();
    ASSERT_TRUE(tourShowing());
    EXPECT_EQ(tour()->titleField->text(), text("tour.intro_title"));

    // The language of the start is the one recorded; a change on the way re-translates the card.
    LocalizationManager::shared().setLanguage(languageIndex("fr"));
    EXPECT_EQ(tour()->titleField->text(), text("tour.intro_title"));
    EXPECT_EQ(tour()->nextButton->text(), text(TextKeys::kTourNext));
    press(Qt::Key_Escape);
    EXPECT_TRUE(completed("de"));
    EXPECT_FALSE(completed("fr"));
}

TEST_F(TourTest, theEnvironmentStopsOnlyTheAutomaticStartAndTheButtonReplaysAnyway) {
    qputenv("ORVO_SKIP_TOUR", "1");
    launch();
    EXPECT_FALSE(tourShowing());
    presentation().startTourIfNeeded();
    EXPECT_FALSE(tourShowing());

    QTest::mouseClick(presentation().tourButton, Qt::LeftButton);
    ASSERT_TRUE(tourShowing());
    press(Qt::Key_Escape);
    EXPECT_TRUE(completed("en"));

    // A finished tour replays as well, and only one overlay at a time.
    presentation().replayTour();
    ASSERT_TRUE(tourShowing());
    ORVOTour* first = tour();
    presentation().replayTour();
    EXPECT_EQ(tour(), first);
}

TEST_F(TourTest, stepsWhoseControlIsMissingAreLeftOut) {
    qputenv("ORVO_SKIP_TOUR", "1");
    launch();
    const auto steps = presentation().tourSteps();
    ASSERT_EQ(steps.size(), 16);
    EXPECT_EQ(steps.first().target, nullptr);
    EXPECT_EQ(steps.first().titleKey, "intro_title");
    EXPECT_EQ(steps[14].target, controller->button_SaveToAdapter);
    EXPECT_EQ(steps[14].bodyKey, "save_body");

    QPushButton* tourButton = std::exchange(presentation().tourButton, nullptr);
    const auto fewer = presentation().tourSteps();
    presentation().tourButton = tourButton;
    ASSERT_EQ(fewer.size(), 15);
    EXPECT_EQ(fewer[4].titleKey, "status_title");

    // A target that has left the window gets the centred card without a hole.
    presentation().replayTour();
    ASSERT_TRUE(tourShowing());
    presentation().tourButton->hide();
    advanceTo("tour");
    runFor(50);
    EXPECT_TRUE(tour()->highlightRect().isEmpty());
    EXPECT_NEAR(cardFrame().center().y(), tour()->height() / 2, 1);
}

// ---- The first-run guide

TEST_F(GuideTest, theGuideIsAWindowModalSheetShownOncePerRun) {
    launch();
    ASSERT_TRUE(guideOpen());
    EXPECT_EQ(guide()->size(), QSize(720, 520));
    EXPECT_TRUE(guide()->isModal());
    EXPECT_EQ(guide()->windowModality(), Qt::WindowModal);
    EXPECT_EQ(guide()->parentWidget(), controller.get());
    EXPECT_TRUE(guide()->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(guide()->pageContainer->currentWidget(), guide()->languagePage);
    EXPECT_EQ(guide()->languageSelector->count(), 16);
    EXPECT_EQ(guide()->languageSelector->currentIndex(), languageIndex("en"));
    EXPECT_EQ(guide()->stepLabels.size(), 2);
    saveScreenshot(*guide(), "guide-language-en");

    QTest::mouseClick(guide()->languageConfirm, Qt::LeftButton);
    EXPECT_EQ(guide()->pageContainer->currentWidget(), guide()->connectPage);
    EXPECT_EQ(guide()->stepLabels[1]->text(), text("guide.step2"));
    saveScreenshot(*guide(), "guide-connect-en");
    QTest::mouseClick(guide()->beginButton, Qt::LeftButton);
    ASSERT_TRUE(runUntil([&] { return !guide(); }, 1000));

    controller->hide();
    controller->show();
    runFor(50);
    EXPECT_FALSE(guide());

    // A new launch shows it again: nothing about it is stored.
    relaunch();
    EXPECT_TRUE(guideOpen());
}

TEST_F(GuideTest, onlyTheValueOneSkipsTheGuide) {
    qputenv("ORVO_SKIP_GUIDE", "1");
    launch();
    EXPECT_FALSE(guide());
    EXPECT_TRUE(presentation().hasShownGuideInSession);

    qputenv("ORVO_SKIP_GUIDE", "yes");
    relaunch();
    EXPECT_TRUE(guideOpen());
}

TEST_F(GuideTest, theLanguageSwitchesTheGuideAtOnceAndTheWindowOnConfirmation) {
    launch();
    ASSERT_TRUE(guideOpen());
    const QString englishHelp = controller->button_Help->text();
    const int german = languageIndex("de");
    guide()->languageSelector->setCurrentIndex(german);
    emit guide()->languageSelector->activated(german);

    EXPECT_EQ(LocalizationManager::shared().getCurrentLanguage(), german);
    EXPECT_EQ(Settings::shared().value("AppLanguageCode").toString(), "de");
    EXPECT_EQ(guide()->languageTitle->text(), text("language_prompt.title"));
    EXPECT_EQ(guide()->languageConfirm->text(), text("language_prompt.confirm"));
    EXPECT_NE(guide()->languageTitle->text(), "Choose Your Language");
    EXPECT_EQ(controller->button_Help->text(), englishHelp);
    saveScreenshot(*guide(), "guide-language-de");

    QTest::mouseClick(guide()->languageConfirm, Qt::LeftButton);
    EXPECT_EQ(controller->Language->currentIndex(), german);
    EXPECT_EQ(controller->button_Help->text(), text(TextKeys::kButtonHelp));
    EXPECT_NE(controller->button_Help->text(), englishHelp);
    EXPECT_EQ(guide()->connectTitle->text(), text("guide.title"));
    EXPECT_EQ(guide()->beginButton->text(), text("guide.begin"));
    saveScreenshot(*guide(), "guide-connect-de");
}

TEST_F(GuideTest, laterAndBeginBothEndWithOkAndLeadToTheTour) {
    qunsetenv("ORVO_SKIP_TOUR");
    for (const bool later : {true, false}) {
        SCOPED_TRACE(later ? "later" : "begin");
        Settings::shared().remove("ORVOTourCompleted_en");
        relaunch();
        ASSERT_TRUE(guideOpen());
        EXPECT_FALSE(tourShowing());
        QTest::mouseClick(guide()->languageConfirm, Qt::LeftButton);
        QPointer<ORVOFirstRunGuide> sheet = guide();
        QSignalSpy finished(sheet.data(), &QDialog::finished);
        QTest::mouseClick(later ? sheet->laterButton : sheet->beginButton, Qt::LeftButton);
        ASSERT_EQ(finished.count(), 1);
        EXPECT_EQ(finished.first().first().toInt(), QDialog::Accepted);
        EXPECT_FALSE(guide());
        EXPECT_TRUE(tourShowing());
        EXPECT_TRUE(runUntil([&] { return !sheet; }, 1000));
    }
}

TEST_F(GuideTest, theSaveConfirmationOpensForInspectionOnlyWithTheGuideSkipped) {
    QStringList alerts;
    ORVODialogs::setResponder([&](QMessageBox& alert, const QList<QPushButton*>&) {
        alerts << alert.text();
        return 0;
    });
    qputenv("ORVO_SHOW_SAVE_DIALOG", "1");
    launch();
    runFor(1300);
    EXPECT_TRUE(alerts.isEmpty());

    qputenv("ORVO_SKIP_GUIDE", "1");
    relaunch();
    EXPECT_FALSE(guide());
    ASSERT_TRUE(runUntil([&] { return !alerts.isEmpty(); }, 3000));
    EXPECT_EQ(alerts, QStringList{text(TextKeys::kDialogSaveTitle)});
}
