// The floating suggestion list: where it goes for the room around its anchor, the hint row, and that
// a pick reaches the handler once, with the panel already hidden, while the field keeps the focus.

#include "ORVOSuggestionPanel.h"

#include "EventLoop.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

using Panel = ORVOSuggestionPanel;

// An anchor 300 wide at x 40 with the given room above and below it (the gap of 4 included).
Panel::Placement placeWithRoom(int above, int below, int items) {
    const QRect content(0, 0, 1000, above + 36 + below + 8);
    const QRect anchor(40, above + 4, 300, 36);
    return Panel::placement(anchor, content, items);
}

} // namespace

TEST(SuggestionPanelPlacement, heightFollowsTheItemsUpToNineRows) {
    const QRect content(0, 0, 1000, 800);
    const QRect anchor(40, 100, 300, 36);
    const Panel::Placement empty = Panel::placement(anchor, content, 0);
    EXPECT_EQ(empty.frame, QRect(40, 140, 300, 34)); // the hint row
    EXPECT_EQ(empty.visibleRows, 1);

    const Panel::Placement three = Panel::placement(anchor, content, 3);
    EXPECT_EQ(three.frame, QRect(40, 140, 300, 86));
    EXPECT_FALSE(three.opensUpward);

    const Panel::Placement twenty = Panel::placement(anchor, content, 20);
    EXPECT_EQ(twenty.visibleRows, 9);
    EXPECT_EQ(twenty.frame.height(), 242);
}

TEST(SuggestionPanelPlacement, opensTowardsTheSideWithMoreRoom) {
    const Panel::Placement upward = placeWithRoom(400, 150, 20);
    EXPECT_TRUE(upward.opensUpward);
    EXPECT_EQ(upward.visibleRows, 9);
    EXPECT_EQ(upward.frame.bottom() + 1, 400); // 4 above the anchor's top at 404

    const Panel::Placement downward = placeWithRoom(100, 150, 20);
    EXPECT_FALSE(downward.opensUpward);
    EXPECT_EQ(downward.visibleRows, 5); // (150 - 8) / 26
    EXPECT_EQ(downward.frame.top(), 100 + 4 + 36 + 4);

    EXPECT_FALSE(placeWithRoom(200, 200, 20).opensUpward); // a tie opens downward
}

TEST(SuggestionPanelPlacement, noRoomStillGivesOneRowOnTheRoomierSide) {
    const Panel::Placement cramped = placeWithRoom(10, 2, 5);
    EXPECT_EQ(cramped.visibleRows, 1);
    EXPECT_EQ(cramped.frame.height(), 34);
    EXPECT_TRUE(cramped.opensUpward);
}

namespace {

class SuggestionPanelTest : public testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(&field);
        layout->addStretch();
        window.resize(500, 500);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        field.setFocus();
        runUntil([&] { return field.hasFocus(); }, 2000);
    }

    QWidget window;
    QLineEdit field{&window};
    ORVOSuggestionPanel panel{ORVOPalette::dark(), &window};
};

} // namespace

TEST_F(SuggestionPanelTest, anEmptyListShowsTheHintMutedAndUnselectable) {
    panel.present(&field, {}, "No lens of this focal length", [](const QString&) {});
    ASSERT_TRUE(panel.isVisible());
    ASSERT_EQ(panel.table()->count(), 1);
    QListWidgetItem* hint = panel.table()->item(0);
    EXPECT_EQ(hint->text(), "No lens of this focal length");
    EXPECT_EQ(hint->foreground().color(), ORVOPalette::dark().muted);
    EXPECT_FALSE(hint->flags() & Qt::ItemIsSelectable);
    EXPECT_EQ(panel.height(), 34);

    panel.apply(ORVOPalette::light());
    EXPECT_EQ(panel.table()->item(0)->foreground().color(), ORVOPalette::light().muted);
}

TEST_F(SuggestionPanelTest, presentingAgainMovesAndRefillsTheSameWindowWithoutTakingTheFocus) {
    panel.present(&field, {"One", "Two", "Three"}, "", [](const QString&) {});
    const QPoint below = field.mapToGlobal(QPoint(0, field.height() + 4));
    EXPECT_EQ(panel.geometry(), QRect(below, QSize(field.width(), 86)));
    EXPECT_EQ(panel.table()->item(0)->foreground().color(), ORVOPalette::dark().text);
    runFor(50);
    EXPECT_TRUE(field.hasFocus());
    EXPECT_TRUE(window.isActiveWindow());

    const QWindow* handle = panel.windowHandle();
    panel.present(&field, QStringList(20, "Lens"), "", [](const QString&) {});
    EXPECT_EQ(panel.height(), 242);
    EXPECT_EQ(panel.windowHandle(), handle);
    EXPECT_EQ(panel.parentWidget(), &window);
    EXPECT_TRUE(panel.isWindow());
}

TEST_F(SuggestionPanelTest, aClickedRowReachesTheHandlerOnceWithThePanelHidden) {
    QStringList picks;
    bool hiddenWhenCalled = false;
    panel.present(&field, {"Alpha", "Beta"}, "", [&](const QString& name) {
        picks << name;
        hiddenWhenCalled = !panel.isVisible();
        // The handler may show the list again; that must not bring the old handler back.
        panel.present(&field, {"Gamma"}, "", {});
    });
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QListWidget* table = panel.table();
    const QPoint second = table->visualItemRect(table->item(1)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(picks, QStringList{"Beta"});
    EXPECT_TRUE(hiddenWhenCalled);

    // The list shown by the handler has no handler of its own; its rows do nothing.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(table->item(0)).center());
    EXPECT_EQ(picks, QStringList{"Beta"});
}

TEST_F(SuggestionPanelTest, theHintRowAndHiddenAnchorsDoNothing) {
    int picks = 0;
    panel.present(&field, {}, "hint", [&](const QString&) { ++picks; });
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QTest::mouseClick(panel.table()->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(picks, 0);
    EXPECT_TRUE(panel.isVisible());

    panel.dismiss();
    EXPECT_FALSE(panel.isVisible());
    QLineEdit hidden;
    panel.present(&hidden, {"Alpha"}, "", [&](const QString&) { ++picks; });
    EXPECT_FALSE(panel.isVisible());
    EXPECT_TRUE(panel.items().isEmpty());
}
