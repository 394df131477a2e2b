// Where the floating suggestion list goes for its item count and the room around its anchor.

#include "ORVOSuggestionPanel.h"

#include <gtest/gtest.h>

TEST(SuggestionPanelPlacement, opensBelowTheFieldAndAboveOnlyWhenNotOneRowFitsBelow) {
    struct Row {
        int above, below, items, rows, height;
        bool upward;
    };
    for (const Row& row : {
             Row{100, 600, 0, 1, 34, false}, // the hint row alone
             Row{100, 600, 3, 3, 86, false}, Row{100, 600, 20, 9, 242, false},
             Row{400, 150, 20, 5, 138, false}, // more room above is no reason to go there
             Row{100, 150, 20, 5, 138, false}, Row{400, 30, 20, 9, 242, true}, // not one row below
             Row{20, 30, 3, 1, 34, false}, // no room anywhere: one row, on the roomier side
         }) {
        SCOPED_TRACE(testing::Message() << row.above << " above, " << row.below << " below, " << row.items);
        // An anchor 300 wide at x 40; the room on each side counts the gap of 4.
        const QRect anchor(40, row.above + 4, 300, 36);
        const QRect area(0, 0, 1000, row.above + 36 + row.below + 8);
        const auto [frame, rows, upward] = ORVOSuggestionPanel::placement(anchor, area, row.items);
        EXPECT_EQ(rows, row.rows);
        EXPECT_EQ(upward, row.upward);
        // Exactly as wide as the field with its button, however long the names.
        EXPECT_EQ(frame.size(), QSize(300, row.height));
        EXPECT_EQ(frame.left(), 40);
        const int gap =
            upward ? anchor.y() - frame.y() - frame.height() : frame.y() - anchor.y() - anchor.height();
        EXPECT_EQ(gap, 4);
        if (row.rows > 1) {
            EXPECT_TRUE(area.contains(frame)) << "beyond the area it may cover";
        }
    }
}
