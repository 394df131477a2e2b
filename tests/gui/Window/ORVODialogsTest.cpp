// The save confirmation's summary: what will be written, two lines a profile, names as the adapter
// will store them.

#include "ORVODialogs.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString kSpace = QStringLiteral(u"\u3000");
const QString kDash = QStringLiteral(u"\u2014");

// The summary's label texts from top to bottom.
QStringList linesOf(const QList<SummaryRow>& rows, QSize* size = nullptr) {
    const std::unique_ptr<QWidget> view(ORVODialogs::summaryView(QStringLiteral("B"), rows));
    QList<QLabel*> labels = view->findChildren<QLabel*>();
    std::ranges::sort(labels, [](QLabel* a, QLabel* b) { return a->y() < b->y(); });
    QStringList lines;
    for (const QLabel* label : labels) {
        lines << label->text();
    }
    if (size) {
        *size = view->size();
    }
    return lines;
}

} // namespace

// Two lines a profile and a dash for an empty name; the adapter keeps 40 bytes of UTF-8 and never
// half a character, and the summary shows the names so.
TEST(SummaryView, hasTwoLinesPerRowAndShowsNamesAsTheAdapterWillStoreThem) {
    QSize size;
    const QStringList lines = linesOf({{"A", "Planar 50", "50", "1.4 / 2 / 2.8 / 4", ""},
                                       {"B", "", "35", "2 / 2.8 / 4 / 5.6", ""},
                                       {"C", "Tele 135", "135", "2.8 / 4 / 5.6 / 8", ""},
                                       {"D", "Wide 21", "21", "4 / 5.6 / 8 / 11", ""}},
                                      &size);
    EXPECT_EQ(size, QSize(460, 214));
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[3], "B" + kSpace + kDash);
    linesOf({}, &size);
    EXPECT_EQ(size, QSize(460, 34));

    const QString forty = QStringLiteral("Voigtlaender Nokton 40mm f/1.2 Asph SEII");
    const QString accents(20, QChar(0xE9));
    const QString ellipsis = QStringLiteral(u"\u2026");
    const std::pair<QString, QString> cases[] = {
        {forty, forty},
        {forty + "I", forty + ellipsis},
        {accents, accents},
        // 41 bytes whose 40th is the first half of an "é": the whole "é" goes.
        {"x" + accents, "x" + accents.chopped(1) + ellipsis},
    };
    for (const auto& [name, shown] : cases) {
        EXPECT_EQ(linesOf({{"A", name, "50", "1.4", ""}}).at(1), "A" + kSpace + shown);
    }
}

TEST(SaveConfirmation, showsTheSummaryAndOnlyItsFirstButtonConfirms) {
    for (const auto& [pressed, confirmed] : {std::pair{0, true}, {1, false}, {-1, false}}) {
        QStringList lines;
        ORVODialogs::setResponder([&lines, button = pressed](QMessageBox& box, const QList<QPushButton*>&) {
            for (const QLabel* label : box.findChildren<QLabel*>()) {
                lines << label->text();
            }
            return button;
        });
        EXPECT_EQ(ORVODialogs::confirmSave(nullptr, "C", {{"A", "", "50", "1.4 / 2 / 2.8 / 4", ""}}),
                  confirmed);
        EXPECT_TRUE(lines.contains("A" + kSpace + kDash)) << pressed;
    }
    ORVODialogs::setResponder({});
}
