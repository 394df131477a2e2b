#include "LocalizationManager.h"

#include "EventLoop.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "ResourceBundle.h"
#include "Settings.h"
#include "TextKeys.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace {

using StoredValues = std::map<QString, QString>;

const QString kLoadFailedLine = QStringLiteral(u"❌ 加载语言文件失败");

// A throw-away settings file and resource folder, and a record of the two notifications the
// manager posts.
class LocalizationTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        resources_ = dir_.filePath("resources");
        ASSERT_TRUE(QDir().mkpath(resources_));
        Settings::setFilePathForTesting(dir_.filePath("ORVO.conf"));
        ResourceBundle::setOverrideDirectory(resources_);
        auto& center = NotificationCenter::defaultCenter();
        center.addObserver(this, NotificationNames::LanguageDidChange, [this](const Notification& n) {
            announced_ << n.object.toString();
            probeAtAnnouncement_ << manager_->localizedString("probe");
        });
        center.addObserver(this, NotificationNames::UpdatePrintView,
                           [this](const Notification& n) { logged_ << n.object.toString(); });
    }

    void TearDown() override {
        NotificationCenter::defaultCenter().removeObserver(this);
        // Drop log lines still queued so they cannot reach the next test.
        QCoreApplication::sendPostedEvents();
        manager_.reset();
        Settings::setFilePathForTesting({});
        ResourceBundle::setOverrideDirectory({});
    }

    void writeLanguageFile(const QString& code, const QByteArray& contents) {
        QFile file(QDir(resources_).filePath(code + ".json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
    }

    // Every language gets a file whose only text, "probe", names the file it came from.
    void writeProbeFiles() {
        for (const auto& language : LocalizationManager::availableLanguages()) {
            writeLanguageFile(language.code, "{\"probe\": \"" + language.code.toUtf8() + "\"}");
        }
    }

    void store(const StoredValues& values) {
        for (const auto& [key, value] : values) {
            Settings::shared().setValue(key, value);
        }
        Settings::shared().sync();
    }

    // What the settings file holds, read back from disk.
    StoredValues storedValues() {
        Settings::shared().sync();
        QSettings file(dir_.filePath("ORVO.conf"), QSettings::IniFormat);
        StoredValues values;
        for (const QString& key : file.allKeys()) {
            values[key] = file.value(key).toString();
        }
        return values;
    }

    LocalizationManager& start() {
        manager_ = std::make_unique<LocalizationManager>();
        return *manager_;
    }

    QTemporaryDir dir_;
    QString resources_;
    std::unique_ptr<LocalizationManager> manager_;
    QStringList announced_;
    QStringList probeAtAnnouncement_;
    QStringList logged_;
};

struct RestoreCase {
    const char* name;
    StoredValues stored;
    int expectedIndex;
    StoredValues storedAfterwards;
};

void PrintTo(const RestoreCase& c, std::ostream* os) {
    *os << c.name;
}

class LanguageRestore : public LocalizationTest, public testing::WithParamInterface<RestoreCase> {};

TEST_P(LanguageRestore, picksTheLanguageLoadsItsFileAndMigratesOnlyLegacyChoices) {
    const RestoreCase& c = GetParam();
    writeProbeFiles();
    store(c.stored);

    LocalizationManager& manager = start();

    EXPECT_EQ(manager.getCurrentLanguage(), c.expectedIndex);
    EXPECT_EQ(manager.localizedString("probe"),
              LocalizationManager::availableLanguages()[c.expectedIndex].code);
    EXPECT_EQ(storedValues(), c.storedAfterwards);
    EXPECT_TRUE(announced_.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(StoredSettings, LanguageRestore,
                         testing::Values(RestoreCase{"codeWinsOverLegacyAndNothingIsWritten",
                                                     {{"AppLanguageCode", "ja"}, {"AppLanguage", "8"}},
                                                     3,
                                                     {{"AppLanguageCode", "ja"}, {"AppLanguage", "8"}}},
                                         RestoreCase{"legacyPositionOfTraditionalChineseMigrates",
                                                     {{"AppLanguage", "8"}},
                                                     1,
                                                     {{"AppLanguageCode", "zh-Hant"}, {"AppLanguage", "1"}}},
                                         RestoreCase{
                                             "legacyOutOfRangeFallsBackToSimplifiedChineseAndIsRewritten",
                                             {{"AppLanguage", "40"}},
                                             0,
                                             {{"AppLanguageCode", "zh-Hans"}, {"AppLanguage", "0"}}},
                                         RestoreCase{"negativeLegacyFallsBackAndIsRewritten",
                                                     {{"AppLanguage", "-1"}},
                                                     0,
                                                     {{"AppLanguageCode", "zh-Hans"}, {"AppLanguage", "0"}}},
                                         RestoreCase{"firstStartWritesNothing", {}, 0, {}},
                                         RestoreCase{"wrongCaseCodeIsIgnoredAndLegacyDecides",
                                                     {{"AppLanguageCode", "EN"}, {"AppLanguage", "2"}},
                                                     3,
                                                     {{"AppLanguageCode", "ja"}, {"AppLanguage", "3"}}},
                                         RestoreCase{"wrongCaseCodeAloneCountsAsFirstStart",
                                                     {{"AppLanguageCode", "EN"}},
                                                     0,
                                                     {{"AppLanguageCode", "EN"}}}),
                         [](const testing::TestParamInfo<RestoreCase>& info) { return info.param.name; });

TEST_F(LocalizationTest, lookupWalksTheDottedPathAndFallsBackToDefaultThenKey) {
    writeLanguageFile("zh-Hans", R"({
        "labels": {"lens_model": "Objektiv", "count": 3, "nested": {"x": "y"}, "empty": ""},
        "top": "T"
    })");
    LocalizationManager& m = start();

    EXPECT_EQ(m.localizedString("labels.lens_model"), "Objektiv");
    EXPECT_EQ(m.localizedString("labels.lens_model", "lens_model"), "Objektiv");
    EXPECT_EQ(m.localizedString("labels.missing"), "labels.missing");
    EXPECT_EQ(m.localizedString("labels.missing", "missing"), "missing");
    EXPECT_EQ(m.localizedString("top"), "T");
    EXPECT_EQ(m.localizedString("labels.nested.x"), "y");
    // An empty text in the file is still the file's text.
    EXPECT_EQ(m.localizedString("labels.empty", "fallback"), "");

    // Empty segments are dropped.
    EXPECT_EQ(m.localizedString("labels..lens_model"), "Objektiv");
    EXPECT_EQ(m.localizedString(".labels.lens_model."), "Objektiv");

    // Leaves that are not strings, and walks through a string, fall back.
    EXPECT_EQ(m.localizedString("labels.count"), "labels.count");
    EXPECT_EQ(m.localizedString("labels.nested", "n"), "n");
    EXPECT_EQ(m.localizedString("top.x"), "top.x");

    // A key without segments has no text.
    EXPECT_EQ(m.localizedString(""), "");
    EXPECT_EQ(m.localizedString("", "d"), "d");
    EXPECT_EQ(m.localizedString(".."), "..");
}

TEST_F(LocalizationTest, languageWithoutAPathShowsTheKeyOrTheDefaultText) {
    writeLanguageFile("zh-Hans", R"({"labels": {"lens_model": "镜头型号"}})");
    writeLanguageFile("en", R"({"labels": {}})");
    LocalizationManager& m = start();
    ASSERT_EQ(m.localizedString(TextKeys::kLabelLensModel), QStringLiteral(u"镜头型号"));

    // No fallback to the language loaded before.
    m.setLanguage(2);
    EXPECT_EQ(m.localizedString(TextKeys::kLabelLensModel), "labels.lens_model");
    EXPECT_EQ(m.localizedString(TextKeys::kLabelLensModel, "lens_model"), "lens_model");
}

TEST_F(LocalizationTest, aLabelsMemberThatIsNotAnObjectMakesEveryLabelFallBack) {
    writeLanguageFile("zh-Hans", R"({"labels": "Lens", "buttons": {"exit": "Quit"}})");
    LocalizationManager& m = start();

    int labelKeys = 0;
    for (const QString& key : TextKeys::all()) {
        if (key.startsWith("labels.")) {
            ++labelKeys;
            EXPECT_EQ(m.localizedString(key), key);
        }
    }
    EXPECT_GT(labelKeys, 0);
    EXPECT_EQ(m.localizedString(TextKeys::kButtonExit), "Quit");
}

TEST_F(LocalizationTest, setLanguageStoresLoadsThenAnnouncesEvenWhenAlreadyCurrent) {
    writeProbeFiles();
    LocalizationManager& m = start();

    m.setLanguage(11);
    m.setLanguage(11);

    EXPECT_EQ(m.getCurrentLanguage(), 11);
    EXPECT_EQ(m.localizedString("probe"), "ru");
    EXPECT_EQ(announced_, (QStringList{QStringLiteral(u"Русский"), QStringLiteral(u"Русский")}));
    // Observers re-read their texts on the announcement, so the new file must be in by then.
    EXPECT_EQ(probeAtAnnouncement_, (QStringList{"ru", "ru"}));
    EXPECT_EQ(storedValues(), (StoredValues{{"AppLanguageCode", "ru"}, {"AppLanguage", "11"}}));

    // The stored choice brings the same language back at the next start.
    EXPECT_EQ(start().getCurrentLanguage(), 11);
}

TEST_F(LocalizationTest, setLanguageOutOfRangeOnlyPrintsItsDiagnostic) {
    writeProbeFiles();
    store({{"AppLanguageCode", "en"}});
    LocalizationManager& m = start();

    for (const uint8_t index : {uint8_t{16}, uint8_t{255}}) {
        testing::internal::CaptureStdout();
        m.setLanguage(index);
        EXPECT_EQ(QString::fromStdString(testing::internal::GetCapturedStdout()),
                  QStringLiteral(u"不支持的语言索引: ") + QString::number(index) + "\n");
    }

    EXPECT_EQ(m.getCurrentLanguage(), 2);
    EXPECT_EQ(m.localizedString("probe"), "en");
    EXPECT_TRUE(announced_.isEmpty());
    EXPECT_EQ(storedValues(), (StoredValues{{"AppLanguageCode", "en"}}));
}

TEST_F(LocalizationTest, missingFileKeepsThePreviousTextsAndPrintsItsName) {
    writeProbeFiles();
    store({{"AppLanguageCode", "en"}});
    LocalizationManager& m = start();
    ASSERT_TRUE(QFile::remove(QDir(resources_).filePath("fr.json")));

    testing::internal::CaptureStdout();
    m.setLanguage(5);
    EXPECT_EQ(QString::fromStdString(testing::internal::GetCapturedStdout()),
              QStringLiteral(u"找不到语言文件: fr.json\n"));

    // The choice is made and announced although the English texts stay in memory.
    EXPECT_EQ(m.getCurrentLanguage(), 5);
    EXPECT_EQ(m.localizedString("probe"), "en");
    EXPECT_EQ(announced_, (QStringList{QStringLiteral(u"Français")}));
    EXPECT_EQ(storedValues(), (StoredValues{{"AppLanguageCode", "fr"}, {"AppLanguage", "5"}}));
    runFor(20);
    EXPECT_TRUE(logged_.isEmpty());
}

TEST_F(LocalizationTest, unparsableFileKeepsThePreviousTextsAndLogsAfterwards) {
    writeProbeFiles();
    store({{"AppLanguageCode", "en"}});
    LocalizationManager& m = start();

    // A bare number or string at the top counts as unparsable, not as a non-object document.
    for (const QByteArray& broken : {QByteArray("{\"probe\": "), QByteArray(), QByteArray("42"),
                                     QByteArray("\"de\""), QByteArray("\xff\xfe{}", 4)}) {
        SCOPED_TRACE(broken.toStdString());
        logged_.clear();
        writeLanguageFile("de", broken);

        testing::internal::CaptureStdout();
        m.setLanguage(4);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

        EXPECT_EQ(m.localizedString("probe"), "en");
        EXPECT_EQ(announced_.takeLast(), "Deutsch");
        // The log line is queued, so it reaches the log after the change is through.
        EXPECT_TRUE(logged_.isEmpty());
        ASSERT_TRUE(runUntil([&] { return !logged_.isEmpty(); }, 1000));
        EXPECT_EQ(logged_, QStringList{kLoadFailedLine});
    }
}

TEST_F(LocalizationTest, wellFormedFileThatIsNotAnObjectIsIgnoredSilently) {
    writeProbeFiles();
    store({{"AppLanguageCode", "en"}});
    LocalizationManager& m = start();
    writeLanguageFile("de", R"(["probe", "de"])");

    testing::internal::CaptureStdout();
    m.setLanguage(4);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    runFor(20);

    EXPECT_EQ(m.localizedString("probe"), "en");
    EXPECT_TRUE(logged_.isEmpty());
}

TEST_F(LocalizationTest, brokenFileAtStartLeavesEveryLookupOnItsFallback) {
    writeLanguageFile("zh-Hans", "{ not json");
    LocalizationManager& m = start();

    EXPECT_EQ(m.localizedString(TextKeys::kButtonExit), "buttons.exit");
    EXPECT_EQ(m.localizedString(TextKeys::kDialogExitTitle, "exit_title"), "exit_title");
    ASSERT_TRUE(runUntil([&] { return !logged_.isEmpty(); }, 1000));
    EXPECT_EQ(logged_, QStringList{kLoadFailedLine});
}

TEST(LanguageTable, legacyOrderNamesEveryTableLanguageOnce) {
    QStringList codes;
    QStringList helpPages;
    for (const auto& language : LocalizationManager::availableLanguages()) {
        codes << language.code;
        helpPages << language.helpPageName;
    }
    QStringList legacy = LocalizationManager::legacyLanguageOrder();
    EXPECT_EQ(codes.size(), 16);
    EXPECT_EQ(codes.removeDuplicates(), 0);
    EXPECT_EQ(helpPages.removeDuplicates(), 0);
    codes.sort();
    legacy.sort();
    // A code missing here would make an old stored choice silently become Simplified Chinese.
    EXPECT_EQ(legacy, codes);
}

} // namespace
