#include "LocalizationManager.h"

#include "EventLoop.h"
#include "LocalizedText.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "ResourceBundle.h"
#include "Settings.h"
#include "TextKeys.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A throw-away settings file and resource folder, and the announcements and log lines posted.
class LocalizationTest : public testing::Test {
protected:
    void SetUp() override {
        Settings::setFilePathForTesting(dir_.filePath("ORVO.conf"));
        ResourceBundle::setOverrideDirectory(dir_.path());
        auto& center = NotificationCenter::defaultCenter();
        center.addObserver(this, NotificationNames::LanguageDidChange, [this](const Notification& n) {
            // Observers re-read their texts now, so the new file must already be in.
            announced_ << n.object.toString() + "/" + manager_->localizedString("probe");
        });
        // Log lines are put into words by the manager under test, not the process's own.
        center.addObserver(this, NotificationNames::UpdatePrintView, [this](const Notification& n) {
            logged_ << n.object.value<LocalizedText>().render(
                [this](const QString& key) { return manager_->localizedString(key); });
        });
    }

    void TearDown() override {
        NotificationCenter::defaultCenter().removeObserver(this);
        QCoreApplication::sendPostedEvents(); // queued log lines must not reach the next test
        manager_.reset();
        Settings::setFilePathForTesting({});
        ResourceBundle::setOverrideDirectory({});
    }

    void writeLanguageFile(const QString& code, const QByteArray& contents) {
        QFile file(dir_.filePath(code + ".json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
    }

    // Every language's file holds one text, "probe", naming its language; the settings hold
    // "key=value" pairs separated by spaces.
    LocalizationManager& startWithProbeFiles(const QString& settings) {
        for (const auto& language : LocalizationManager::availableLanguages()) {
            writeLanguageFile(language.code, "{\"probe\": \"" + language.code.toUtf8() + "\"}");
        }
        Settings::shared().clear();
        for (const QString& pair : settings.split(' ', Qt::SkipEmptyParts)) {
            Settings::shared().setValue(pair.section('=', 0, 0), pair.section('=', 1));
        }
        return start();
    }

    QString storedSettings() {
        QStringList pairs;
        for (const QString& key : Settings::shared().allKeys()) {
            pairs << key + "=" + Settings::shared().value(key).toString();
        }
        return pairs.join(' ');
    }

    LocalizationManager& start() {
        manager_ = std::make_unique<LocalizationManager>();
        return *manager_;
    }

    QTemporaryDir dir_;
    std::unique_ptr<LocalizationManager> manager_;
    QStringList announced_;
    QStringList logged_;
};

TEST_F(LocalizationTest, restoresTheStoredChoiceAndMigratesOnlyLegacyOnes) {
    const struct {
        const char* stored;
        int index;
        const char* afterwards;
    } cases[] = {
        {"AppLanguage=8 AppLanguageCode=ja", 3, "AppLanguage=8 AppLanguageCode=ja"},
        {"AppLanguage=8", 1, "AppLanguage=1 AppLanguageCode=zh-Hant"},
        {"AppLanguage=40", 0, "AppLanguage=0 AppLanguageCode=zh-Hans"},
        {"", 0, ""},
        // Codes are case-sensitive, so the legacy position decides.
        {"AppLanguage=2 AppLanguageCode=EN", 3, "AppLanguage=3 AppLanguageCode=ja"},
    };
    for (const auto& c : cases) {
        LocalizationManager& manager = startWithProbeFiles(c.stored);
        EXPECT_EQ(manager.getCurrentLanguage(), c.index) << c.stored;
        EXPECT_EQ(manager.localizedString("probe"), LocalizationManager::availableLanguages()[c.index].code);
        EXPECT_EQ(storedSettings(), c.afterwards) << c.stored;
    }
    EXPECT_TRUE(announced_.isEmpty());
}

TEST_F(LocalizationTest, lookupWalksTheDottedPathThenFallsBackToDefaultThenKey) {
    writeLanguageFile("zh-Hans", R"({"labels": {"lens_model": "Objektiv", "count": 3, "empty": ""}})");
    writeLanguageFile("en", R"({"labels": "Lens", "buttons": {"exit": "Quit"}})");
    LocalizationManager& m = start();
    EXPECT_EQ(m.localizedString("labels.lens_model", "lens_model"), "Objektiv");
    EXPECT_EQ(m.localizedString("labels..lens_model."), "Objektiv");
    EXPECT_EQ(m.localizedString("labels.missing"), "labels.missing");
    EXPECT_EQ(m.localizedString("labels.missing", "missing"), "missing");
    EXPECT_EQ(m.localizedString("labels.count"), "labels.count");
    EXPECT_EQ(m.localizedString("labels.empty", "fallback"), "");

    // A "labels" that is no object makes every label fall back; nothing of the earlier file remains.
    m.setLanguage(2);
    for (const QString& key : TextKeys::all()) {
        EXPECT_TRUE(!key.startsWith("labels.") || m.localizedString(key) == key) << key.toStdString();
    }
    EXPECT_EQ(m.localizedString(TextKeys::kButtonExit), "Quit");
}

TEST_F(LocalizationTest, setLanguageStoresLoadsThenAnnouncesEvenWhenAlreadyCurrent) {
    LocalizationManager& m = startWithProbeFiles("");
    m.setLanguage(11);
    m.setLanguage(11);
    EXPECT_EQ(m.localizedString("probe"), "ru");
    EXPECT_EQ(announced_, (QStringList{QStringLiteral(u"Русский/ru"), QStringLiteral(u"Русский/ru")}));
    EXPECT_EQ(storedSettings(), "AppLanguage=11 AppLanguageCode=ru");

    // Out of range: only the diagnostic.
    testing::internal::CaptureStdout();
    m.setLanguage(16);
    EXPECT_EQ(QString::fromStdString(testing::internal::GetCapturedStdout()),
              QStringLiteral(u"不支持的语言索引: 16\n"));
    runFor(20);
    EXPECT_EQ(m.getCurrentLanguage(), 11);
    EXPECT_EQ(announced_.size(), 2);
    EXPECT_TRUE(logged_.isEmpty());
    EXPECT_EQ(storedSettings(), "AppLanguage=11 AppLanguageCode=ru");
}

// The choice is made, stored and announced in every case; only the texts stay the English ones.
TEST_F(LocalizationTest, missingOrBrokenFileKeepsThePreviousTexts) {
    const struct {
        QByteArray contents; // null: no file
        const char16_t* printed;
        bool logged;
    } cases[] = {
        {QByteArray(), u"找不到语言文件: de.json\n", false},
        {"{\"probe\": ", u"", true},
        {"", u"", true},
        {"42", u"", true}, // a bare number counts as unparsable
        {R"(["probe", "de"])", u"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contents.toStdString());
        LocalizationManager& m = startWithProbeFiles("AppLanguageCode=en");
        if (c.contents.isNull()) {
            ASSERT_TRUE(QFile::remove(dir_.filePath("de.json")));
        } else {
            writeLanguageFile("de", c.contents);
        }
        announced_.clear();
        logged_.clear();

        testing::internal::CaptureStdout();
        m.setLanguage(4);
        EXPECT_EQ(QString::fromStdString(testing::internal::GetCapturedStdout()),
                  QString::fromUtf16(c.printed));
        EXPECT_EQ(announced_, QStringList{"Deutsch/en"});
        EXPECT_EQ(storedSettings(), "AppLanguage=4 AppLanguageCode=de");
        // The log line is queued, so it reaches the log after the change is through.
        EXPECT_TRUE(logged_.isEmpty());
        runFor(20);
        EXPECT_EQ(logged_, c.logged ? QStringList{QStringLiteral(u"❌ 加载语言文件失败")} : QStringList());
    }
}

} // namespace

TEST(DesktopLanguage, theFirstOfTheDesktopsLanguagesThatTheTableHasIsChosen) {
    // Languages the table lacks are passed over; nothing usable chooses nothing.
    const std::pair<const char*, QString> cases[] = {
        {"de-DE", "de"},      {"pt_BR", "pt"},           {"id-ID", "id"},           {"zh-CN", "zh-Hans"},
        {"zh-TW", "zh-Hant"}, {"zh-Hant-HK", "zh-Hant"}, {"zh-Hans-HK", "zh-Hans"}, {"eo uk-UA fr-CA", "fr"},
        {"C", "none"},        {"nb-NO", "none"}};
    for (const auto& [ui, code] : cases) {
        const auto row = LocalizationManager::languageForLocale(QString(ui).split(' '));
        EXPECT_EQ(row ? LocalizationManager::availableLanguages()[*row].code : "none", code) << ui;
    }
}
