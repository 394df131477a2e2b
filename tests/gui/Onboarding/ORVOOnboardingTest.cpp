// Onboarding over a real (offscreen) main window: where the tour's card goes, the tour's keys and
// completion per language, and the first-run guide's environment switch and ending.

#include "EventLoop.h"
#include "IsolatedEnvironment.h"
#include "LocalizationManager.h"
#include "ORVOFirstRunGuide.h"
#include "ORVOHero.h"
#include "ORVOPresentation.h"
#include "ORVOTour.h"
#include "Settings.h"
#include "TextKeys.h"
#include "ViewController.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

TEST(TourCardPlacement, belowTheTargetElseAboveElseCentredAndAlways16FromTheSides) {
    struct Row {
        const char* why;
        QSizeF overlay;
        QRectF target;
        QPointF origin;
    };
    for (const Row& row : {
             Row{"no target: centred", {1000, 800}, {}, {320, 300}},
             Row{"18 below", {1000, 800}, {100, 100, 50, 30}, {100, 148}},
             Row{"no room below: 18 above", {1000, 800}, {100, 700, 50, 40}, {100, 482}},
             Row{"room on neither side: centred vertically", {1000, 400}, {100, 150, 50, 100}, {100, 100}},
             Row{"16 from the right edge", {1000, 800}, {900, 100, 80, 30}, {624, 148}},
             Row{"16 from the left edge", {1000, 800}, {-20, 100, 80, 30}, {16, 148}},
         }) {
        EXPECT_EQ(ORVOTour::cardOrigin(row.overlay, row.target, 200), row.origin) << row.why;
    }
}

namespace {

uint8_t languageIndex(const QString& code) {
    return *LocalizationManager::languageForLocale({code});
}

// A fresh settings file and English for every case; "relaunching" is a new window on the same settings.
class OnboardingTest : public testing::Test {
protected:
    static void SetUpTestSuite() { useIsolatedEnvironment(); }

    void SetUp() override {
        Settings::setFilePathForTesting(config.filePath("ORVO.conf"));
        LocalizationManager::shared().setLanguage(languageIndex("en"));
        qputenv("ORVO_SKIP_GUIDE", "1");
        qunsetenv("ORVO_SKIP_TOUR");
    }

    void relaunch() {
        controller.reset();
        controller = std::make_unique<ViewController>();
        controller->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(controller.get()));
        runFor(50);
    }

    ORVOPresentation& presentation() const { return *controller->presentation; }
    ORVOTour* tour() const { return presentation().activeTour; }
    ORVOFirstRunGuide* guide() const { return presentation().onboarding; }
    bool tourShowing() const { return tour() && !tour()->isHidden(); }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(tour(), key, modifiers);
        runFor(20);
    }

    QTemporaryDir config;
    std::unique_ptr<ViewController> controller;
};

} // namespace

// The tour walks by keys; Escape ends it and stores its completion for the language only.
TEST_F(OnboardingTest, theTourWalksByKeysAndEscapeStoresTheCompletionForTheLanguageOnly) {
    relaunch();
    ASSERT_TRUE(tourShowing());
    EXPECT_TRUE(tour()->prevButton->isHidden());
    press(Qt::Key_Left); // nothing before the first step
    EXPECT_EQ(tour()->currentIndex(), 0);
    press(Qt::Key_Right);
    press(Qt::Key_Return);
    press(Qt::Key_Space);
    press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(tour()->currentIndex(), 4);
    EXPECT_FALSE(tour()->prevButton->isHidden());
    press(Qt::Key_Left);
    EXPECT_EQ(tour()->currentIndex(), 3);

    for (int step = 3; step < tour()->stepCount() - 1; ++step) {
        press(Qt::Key_Right);
    }
    ASSERT_EQ(tour()->currentIndex(), tour()->stepCount() - 1);
    EXPECT_TRUE(tour()->skipButton->isHidden());
    EXPECT_EQ(tour()->nextButton->text(), LocalizationManager::shared().localizedString(TextKeys::kTourDone));
    press(Qt::Key_Escape);
    EXPECT_FALSE(tourShowing());
    EXPECT_TRUE(Settings::shared().value("ORVOTourCompleted_en").toBool());

    relaunch();
    EXPECT_FALSE(tourShowing());
    LocalizationManager::shared().setLanguage(languageIndex("de"));
    relaunch();
    EXPECT_TRUE(tourShowing());
}

// The guide's language list opens within the guide, which is on the screen whole, and scrolls.
TEST_F(OnboardingTest, laterAndBeginBothEndWithOkLeadToTheTourAndTheGuideStaysAwayForTheRun) {
    qunsetenv("ORVO_SKIP_GUIDE");
    for (const bool later : {true, false}) {
        SCOPED_TRACE(later ? "later" : "begin");
        Settings::shared().remove("ORVOTourCompleted_en");
        relaunch();
        ASSERT_TRUE(guide() && guide()->isVisible());
        EXPECT_FALSE(tourShowing());
        QComboBox* selector = guide()->languageSelector;
        selector->showPopup();
        QWidget* list = selector->view()->window();
        ASSERT_TRUE(runUntil([&] { return list->isVisible(); }, 2000));
        runFor(50);
        EXPECT_TRUE(guide()->frameGeometry().contains(list->geometry()));
        EXPECT_GT(selector->view()->verticalScrollBar()->maximum(), 0) << "every language at once";
        selector->hidePopup();
        QTest::mouseClick(guide()->languageConfirm, Qt::LeftButton);
        QSignalSpy finished(guide(), &QDialog::finished);
        QTest::mouseClick(later ? guide()->laterButton : guide()->beginButton, Qt::LeftButton);
        ASSERT_EQ(finished.count(), 1);
        EXPECT_EQ(finished.first().first().toInt(), QDialog::Accepted);
        EXPECT_TRUE(tourShowing());

        controller->hide();
        controller->show();
        runFor(50);
        EXPECT_FALSE(guide());
    }
}

// The environment holds back the guide and the tour at start, but not the tour button.
TEST_F(OnboardingTest, theEnvironmentHoldsBackTheTourButNotItsButtonAndEveryCardShowsItsWholeText) {
    qputenv("ORVO_SKIP_TOUR", "1");
    relaunch();
    EXPECT_FALSE(guide());
    EXPECT_FALSE(tourShowing());
    QTest::mouseClick(presentation().hero->tourButton, Qt::LeftButton);
    EXPECT_TRUE(tourShowing());
    const auto& languages = LocalizationManager::availableLanguages();
    for (size_t language = 0; language < languages.size(); ++language) {
        LocalizationManager::shared().setLanguage(static_cast<uint8_t>(language));
        presentation().replayTour();
        ASSERT_TRUE(tourShowing());
        for (int step = 0; step < tour()->stepCount(); ++step) {
            SCOPED_TRACE(testing::Message()
                         << languages[language].code.toStdString() << " step " << step + 1);
            runFor(0);
            const QWidget* card = tour()->card;
            // Each text as tall as it needs at its width, and inside the card.
            for (const QLabel* label : {tour()->titleField, tour()->bodyField}) {
                EXPECT_GE(label->height(), label->heightForWidth(label->width()))
                    << label->text().toStdString();
                EXPECT_TRUE(card->rect().contains(QRect(label->mapTo(card, QPoint(0, 0)), label->size())));
            }
            // The buttons sit below the text, within the card.
            const QRect next(tour()->nextButton->mapTo(card, QPoint(0, 0)), tour()->nextButton->size());
            const QRect body(tour()->bodyField->mapTo(card, QPoint(0, 0)), tour()->bodyField->size());
            EXPECT_GE(next.top(), body.bottom());
            EXPECT_LE(next.bottom(), card->height());
            tour()->nextStep();
        }
        EXPECT_FALSE(tourShowing());
    }
}

// The desktop's language is read once per process: the case runs again in a copy of this program
// started on a German desktop, with a settings file of its own.
TEST(FirstRunGuideLanguage,
     aGermanDesktopGetsGermanFromTheStartNothingStoredUntilConfirmedAndAStoredChoiceWins) {
    if (qgetenv("LANGUAGE") != "de") {
        QProcess copy;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LANGUAGE", "de");
        env.insert("LANG", "de_DE.UTF-8");
        env.remove("LC_ALL");
        env.remove("LC_MESSAGES");
        copy.setProcessEnvironment(env);
        copy.setProcessChannelMode(QProcess::MergedChannels);
        copy.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=FirstRunGuideLanguage.*"});
        ASSERT_TRUE(copy.waitForFinished(60000));
        EXPECT_EQ(copy.exitCode(), 0) << copy.readAll().toStdString();
        return;
    }
    useIsolatedEnvironment();
    Settings::shared().remove("AppLanguageCode"); // nothing chosen yet
    ViewController controller;
    LocalizationManager& languages = LocalizationManager::shared();
    EXPECT_EQ(languages.getCurrentLanguage(), languageIndex("de"))
        << "the window behind the guide speaks it too";
    {
        ORVOFirstRunGuide guide(&controller, ORVOPalette::dark(), {});
        EXPECT_EQ(guide.languageSelector->currentIndex(), languageIndex("de"));
        EXPECT_EQ(guide.languageTitle->text(), languages.localizedString("language_prompt.title"));
        guide.languageSelector->setCurrentIndex(languageIndex("ja"));
        guide.languageChanged(languageIndex("ja"));
        EXPECT_FALSE(Settings::shared().contains("AppLanguageCode"));
        guide.confirmLanguage();
        EXPECT_EQ(Settings::shared().value("AppLanguageCode").toString(), "ja");
    }
    ORVOFirstRunGuide again(&controller, ORVOPalette::dark(), {});
    EXPECT_EQ(again.languageSelector->currentIndex(), languageIndex("ja"));
    Settings::setFilePathForTesting({});
}
