#include "ORVODialogs.h"

#include "LocalizationManager.h"
#include "ResourceBundle.h"
#include "Settings.h"

#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString kSpace = QStringLiteral(u"\u3000");

// The summary's label texts from top to bottom.
QStringList linesOf(const QList<SummaryRow>& rows, QSize* size = nullptr) {
    const std::unique_ptr<QWidget> view(ORVODialogs::summaryView(QStringLiteral("B"), rows));
    QList<QLabel*> labels = view->findChildren<QLabel*>();
    std::sort(labels.begin(), labels.end(), [](QLabel* a, QLabel* b) { return a->y() < b->y(); });
    QStringList lines;
    for (const QLabel* label : labels) {
        lines << label->text();
    }
    if (size) {
        *size = view->size();
    }
    return lines;
}

class DialogsTest : public testing::Test {
protected:
    // Answers every alert with the button at index and keeps what it showed.
    void answerWith(int index) {
        ORVODialogs::setResponder([this, index](QMessageBox& box, const QList<QPushButton*>&) {
            message = box.text();
            informative = box.informativeText();
            for (const QLabel* label : box.findChildren<QLabel*>()) {
                if (label->parentWidget() != &box) {
                    accessoryLines << label->text();
                }
            }
            return index;
        });
    }
    void TearDown() override { ORVODialogs::setResponder({}); }

    QString message;
    QString informative;
    QStringList accessoryLines;
};

} // namespace

TEST(SummaryView, hasTwoLinesPerRowAndADashForAnEmptyName) {
    QSize size;
    const QStringList lines = linesOf({{"A", "Planar 50", "50", "1.4 / 2 / 2.8 / 4", ""},
                                       {"B", "", "35", "2 / 2.8 / 4 / 5.6", ""},
                                       {"C", "Tele 135", "135", "2.8 / 4 / 5.6 / 8", ""},
                                       {"D", "Wide 21", "21", "4 / 5.6 / 8 / 11", ""}},
                                      &size);
    EXPECT_EQ(size, QSize(460, 214));
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[3], "B" + kSpace + QStringLiteral(u"\u2014"));
    linesOf({}, &size);
    EXPECT_EQ(size, QSize(460, 34));
}

// The adapter keeps 40 bytes of UTF-8 and never half a character; the summary shows that.
TEST(SummaryView, namesAppearAsTheAdapterWillStoreThem) {
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

TEST_F(DialogsTest, exitAnswersTrueOnlyForTheFirstButton) {
    for (const auto& [button, answer] : {std::pair{0, true}, {1, false}, {-1, false}}) {
        answerWith(button);
        EXPECT_EQ(ORVODialogs::confirmExit(nullptr), answer) << button;
    }
}

// A language file that lacks a text shows the text's fallback.
TEST_F(DialogsTest, saveShowsTheSummaryAndAMissingHintShowsItsFallback) {
    QTemporaryDir dir;
    QFile file(dir.filePath("en.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"dialogs": {"save_title": "Write?"}})");
    file.close();
    Settings::setFilePathForTesting(dir.filePath("ORVO.conf"));
    ResourceBundle::setOverrideDirectory(dir.path());
    LocalizationManager::shared().setLanguage(2);

    answerWith(1);
    EXPECT_FALSE(ORVODialogs::confirmSave(nullptr, "C", {{"A", "", "50", "1.4 / 2 / 2.8 / 4", ""}}));
    EXPECT_EQ(message, "Write?");
    EXPECT_EQ(informative, "save_hint");
    EXPECT_TRUE(accessoryLines.contains("A" + kSpace + QStringLiteral(u"\u2014")));

    ResourceBundle::setOverrideDirectory({});
    LocalizationManager::shared().setLanguage(2);
    Settings::setFilePathForTesting({});
}
