// Where the floating suggestion list goes for its item count and the room around its anchor.

#include "ORVOSuggestionPanel.h"

#include <gtest/gtest.h>

TEST(SuggestionPanelPlacement, followsTheItemsAndOpensTowardsTheSideWithMoreRoom) {
    struct Row {
        int above, below, items, rows, height;
        bool upward;
    };
    for (const Row& row : {
             Row{100, 600, 0, 1, 34, false}, // the hint row alone
             Row{100, 600, 3, 3, 86, false},
             Row{100, 600, 20, 9, 242, false},
             Row{400, 150, 20, 9, 242, true},
             Row{100, 150, 20, 5, 138, false},
         }) {
        SCOPED_TRACE(testing::Message() << row.above << " above, " << row.below << " below, " << row.items);
        // An anchor 300 wide at x 40; the room on each side counts the gap of 4.
        const QRect anchor(40, row.above + 4, 300, 36);
        const auto [frame, rows, upward] = ORVOSuggestionPanel::placement(
            anchor, QRect(0, 0, 1000, row.above + 36 + row.below + 8), row.items);
        EXPECT_EQ(rows, row.rows);
        EXPECT_EQ(upward, row.upward);
        EXPECT_EQ(frame.size(), QSize(300, row.height));
        EXPECT_EQ(frame.left(), 40);
        const int gap =
            upward ? anchor.y() - frame.y() - frame.height() : frame.y() - anchor.y() - anchor.height();
        EXPECT_EQ(gap, 4);
    }
}

TEST(SuggestionPanelPlacement, aLongNameWidensTheListWithinTheScreen) {
    const QRect anchor(40, 100, 300, 36);
    const QRect content(0, 0, 1000, 700);
    const QRect screen(0, 0, 1000, 800);
    struct Row {
        const char* why;
        QRect anchor;
        int wanted, left, width;
    };
    for (const Row& row : {
             Row{"narrower than the field: as wide as the field", anchor, 200, 40, 300},
             Row{"wider: keeps the field's left edge", anchor, 450, 40, 450},
             Row{"near the right edge: moves back to stay 8 inside", anchor.translated(600, 0), 450, 542,
                 450},
             Row{"wider than the screen: the screen less its margins", anchor, 2000, 8, 984},
         }) {
        const QRect frame = ORVOSuggestionPanel::placement(row.anchor, content, 3, row.wanted, screen).frame;
        EXPECT_EQ(frame.left(), row.left) << row.why;
        EXPECT_EQ(frame.width(), row.width) << row.why;
    }
}
