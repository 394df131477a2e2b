#include "ORVODialogs.h"

#include "LocalizationManager.h"
#include "ResourceBundle.h"
#include "Settings.h"
#include "TextKeys.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString kIdeographicSpace = QStringLiteral(u"\u3000");
const QString kEllipsis = QStringLiteral(u"\u2026");

QString localized(const char* key, const char* fallback) {
    return LocalizationManager::shared().localizedString(key, fallback);
}

// The summary's labels from top to bottom.
QList<QLabel*> labelsOf(const QWidget& view) {
    QList<QLabel*> labels = view.findChildren<QLabel*>();
    std::sort(labels.begin(), labels.end(),
              [](QLabel* a, QLabel* b) { return a->geometry().y() < b->geometry().y(); });
    return labels;
}

std::unique_ptr<QWidget> summaryOf(const QList<SummaryRow>& rows) {
    return std::unique_ptr<QWidget>(ORVODialogs::summaryView(QStringLiteral("B"), rows));
}

QString firstLineFor(const QString& name) {
    const auto view = summaryOf({{"A", name, "50", "1.4 / 2 / 2.8 / 4"}});
    return labelsOf(*view).at(1)->text();
}

// What the responder saw of the last alert, and the answer it gives.
struct Shown {
    QString message;
    QString informative;
    QStringList buttons;
    QString defaultButton;
    QStringList accessoryLines;
};

class DialogsTest : public testing::Test {
protected:
    void answerWith(int index) {
        ORVODialogs::setResponder([this, index](QMessageBox& box, const QList<QPushButton*>& buttons) {
            shown.message = box.text();
            shown.informative = box.informativeText();
            for (QPushButton* button : buttons) {
                shown.buttons << button->text();
            }
            shown.defaultButton = box.defaultButton() ? box.defaultButton()->text() : QString();
            for (const QLabel* label : box.findChildren<QLabel*>()) {
                if (label->parentWidget() != &box) {
                    shown.accessoryLines << label->text();
                }
            }
            return index;
        });
    }
    void TearDown() override { ORVODialogs::setResponder({}); }

    Shown shown;
};

} // namespace

TEST(SummaryView, heightAndLinePositionsFollowTheRows) {
    const QList<SummaryRow> four = {{"A", "Planar 50", "50", "1.4 / 2 / 2.8 / 4"},
                                    {"B", "", "35", "2 / 2.8 / 4 / 5.6"},
                                    {"C", "Tele 135", "135", "2.8 / 4 / 5.6 / 8"},
                                    {"D", "Wide 21", "21", "4 / 5.6 / 8 / 11"}};
    const auto view = summaryOf(four);
    EXPECT_EQ(view->size(), QSize(460, 214));
    const QList<QLabel*> labels = labelsOf(*view);
    ASSERT_EQ(labels.size(), 9);
    // Header, separator, then each name line 2 above its detail line and each row 9 apart.
    const QList<int> tops = {0, 34, 53, 79, 98, 124, 143, 169, 188};
    for (int i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(labels[i]->geometry(), QRect(0, tops[i], 460, 17)) << i;
    }
    QList<QFrame*> separators = view->findChildren<QFrame*>();
    separators.removeIf([](QFrame* frame) { return qobject_cast<QLabel*>(frame) != nullptr; });
    ASSERT_EQ(separators.size(), 1);
    EXPECT_EQ(separators[0]->geometry(), QRect(0, 25, 460, 1));

    const auto empty = summaryOf({});
    EXPECT_EQ(empty->size(), QSize(460, 34));
    EXPECT_EQ(labelsOf(*empty).size(), 1);
}

TEST(SummaryView, linesNameTheProfileAndItsLens) {
    const auto view =
        summaryOf({{"A", "", "50", "1.4 / 2 / 2.8 / 4"}, {"B", "Sonnar 85", "85", "2 / 2.8 / 4 / 5.6"}});
    const QList<QLabel*> labels = labelsOf(*view);
    ASSERT_EQ(labels.size(), 5);
    EXPECT_EQ(labels[0]->text(),
              localized(TextKeys::kDialogSaveDefaultLens, "save_default_lens") + QStringLiteral(u"\uFF1AB"));
    EXPECT_EQ(labels[1]->text(), "A" + kIdeographicSpace + QStringLiteral(u"\u2014"));
    EXPECT_EQ(labels[2]->text(), QStringLiteral(u"50 mm\u3000\u00B7\u30001.4 / 2 / 2.8 / 4"));
    EXPECT_EQ(labels[3]->text(), "B" + kIdeographicSpace + "Sonnar 85");
    EXPECT_GT(labels[1]->font().weight(), labels[2]->font().weight());
    EXPECT_EQ(labels[2]->foregroundRole(), QPalette::PlaceholderText);
    EXPECT_NE(labels[1]->foregroundRole(), QPalette::PlaceholderText);
}

// The adapter keeps 40 bytes of UTF-8 and never half a character; the summary shows that.
TEST(SummaryView, namesAppearAsTheAdapterWillStoreThem) {
    const QString forty = QStringLiteral("Voigtlaender Nokton 40mm f/1.2 Asph SE") + "II";
    ASSERT_EQ(forty.toUtf8().size(), 40);
    EXPECT_EQ(firstLineFor(forty), "A" + kIdeographicSpace + forty);
    EXPECT_EQ(firstLineFor(forty + "I"), "A" + kIdeographicSpace + forty + kEllipsis);

    const QString twentyAccents = QString(20, QChar(0xE9));
    EXPECT_EQ(firstLineFor(twentyAccents), "A" + kIdeographicSpace + twentyAccents);
    EXPECT_EQ(firstLineFor(twentyAccents + QChar(0xE9)), "A" + kIdeographicSpace + twentyAccents + kEllipsis);
    // 41 bytes whose 40th is the first half of an "é": the whole "é" goes.
    EXPECT_EQ(firstLineFor("x" + twentyAccents),
              "A" + kIdeographicSpace + "x" + QString(19, QChar(0xE9)) + kEllipsis);
}

TEST_F(DialogsTest, exitAnswersTrueOnlyForTheFirstButton) {
    answerWith(1);
    EXPECT_FALSE(ORVODialogs::confirmExit(nullptr));
    EXPECT_EQ(shown.message, localized(TextKeys::kDialogExitTitle, "exit_title"));
    EXPECT_EQ(shown.informative, localized(TextKeys::kDialogExitMessage, "exit_message"));
    EXPECT_EQ(shown.buttons, QStringList({localized(TextKeys::kDialogExitConfirm, "exit_confirm"),
                                          localized(TextKeys::kDialogExitBack, "exit_back")}));
    EXPECT_EQ(shown.defaultButton, shown.buttons.first());

    answerWith(0);
    EXPECT_TRUE(ORVODialogs::confirmExit(nullptr));
    answerWith(-1);
    EXPECT_FALSE(ORVODialogs::confirmExit(nullptr));
}

TEST_F(DialogsTest, apertureFillAndAlreadyRunningShowTheirTexts) {
    answerWith(0);
    EXPECT_TRUE(ORVODialogs::confirmApertureFill(nullptr));
    EXPECT_EQ(shown.message, localized(TextKeys::kDialogApertureFillTitle, "aperture_fill_title"));
    EXPECT_EQ(shown.buttons, QStringList({localized(TextKeys::kDialogApertureFillYes, "aperture_fill_yes"),
                                          localized(TextKeys::kDialogApertureFillNo, "aperture_fill_no")}));

    shown = {};
    ORVODialogs::alreadyRunning();
    EXPECT_EQ(shown.informative,
              localized(TextKeys::kDialogAlreadyRunningMessage, "already_running_message"));
    EXPECT_EQ(shown.buttons, QStringList({localized(TextKeys::kButtonExit, "")}));
}

TEST_F(DialogsTest, saveShowsTheSummaryBetweenTextsAndButtons) {
    answerWith(1);
    EXPECT_FALSE(ORVODialogs::confirmSave(nullptr, "C", {{"A", "", "50", "1.4 / 2 / 2.8 / 4"}}));
    EXPECT_EQ(shown.buttons, QStringList({localized(TextKeys::kDialogSaveConfirm, "save_confirm"),
                                          localized(TextKeys::kDialogSaveBack, "save_back")}));
    EXPECT_TRUE(shown.accessoryLines.contains("A" + kIdeographicSpace + QStringLiteral(u"\u2014")));
}

// A language file that lacks a text shows the text's fallback.
TEST_F(DialogsTest, missingSaveHintShowsItsFallback) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile original(QStringLiteral(ORVO_SOURCE_DIR "/resources/en.json"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QJsonObject root = QJsonDocument::fromJson(original.readAll()).object();
    QJsonObject dialogs = root.value("dialogs").toObject();
    ASSERT_TRUE(dialogs.contains("save_hint"));
    dialogs.remove("save_hint");
    root.insert("dialogs", dialogs);
    QFile reduced(QDir(dir.path()).filePath("en.json"));
    ASSERT_TRUE(reduced.open(QIODevice::WriteOnly));
    reduced.write(QJsonDocument(root).toJson());
    reduced.close();

    Settings::setFilePathForTesting(QDir(dir.path()).filePath("ORVO.conf"));
    ResourceBundle::setOverrideDirectory(dir.path());
    const uint8_t english = 2;
    ASSERT_EQ(LocalizationManager::availableLanguages()[english].code, "en");
    LocalizationManager::shared().setLanguage(english);

    answerWith(0);
    EXPECT_TRUE(ORVODialogs::confirmSave(nullptr, "A", {}));
    EXPECT_EQ(shown.informative, "save_hint");
    EXPECT_EQ(shown.message, dialogs.value("save_title").toString());

    ResourceBundle::setOverrideDirectory({});
    LocalizationManager::shared().setLanguage(english);
    Settings::setFilePathForTesting({});
}
