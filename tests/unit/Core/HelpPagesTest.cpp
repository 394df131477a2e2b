// Each help page against its language file: the controls it names are the captions the window shows,
// and what the program no longer does is not described.

#include "LocalizationManager.h"
#include "ResourceBundle.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

const QString kResources = QStringLiteral(ORVO_SOURCE_DIR "/resources");

QString readUtf8(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

// The caption of a dotted key ("buttons.exit") in a language's file.
QString caption(const QString& code, const QString& key) {
    const QJsonDocument document =
        QJsonDocument::fromJson(readUtf8(QDir(kResources).filePath(code + ".json")).toUtf8());
    const QStringList path = key.split('.');
    return document.object().value(path.first()).toObject().value(path.last()).toString();
}

QString helpPage(const LocalizationManager::Language& language) {
    return readUtf8(QDir(kResources).filePath(language.helpPageName + ".htm"));
}

// A menu-style caption ("Restore…") is named in running text without its ellipsis.
QString withoutEllipsis(QString caption) {
    if (caption.endsWith(QChar(0x2026))) {
        caption.chop(1);
    }
    return caption.trimmed();
}

TEST(HelpPages, everyLanguageShipsItsHelpPage) {
    ResourceBundle::setOverrideDirectory(kResources);
    for (const auto& language : LocalizationManager::availableLanguages()) {
        EXPECT_FALSE(ResourceBundle::pathForResource(language.helpPageName, "htm").isEmpty())
            << language.helpPageName.toStdString();
    }
    ResourceBundle::setOverrideDirectory({});
}

// The header's menu button carries what a menu bar would: its entries are named too.
TEST(HelpPages, nameEveryControlWithTheCaptionTheWindowShows) {
    const QStringList keys{"buttons.save_to_adapter",
                           "buttons.exit",
                           "buttons.tour",
                           "buttons.read_again",
                           "buttons.revert",
                           "buttons.restore",
                           "menu.about",
                           "menu.quit",
                           "library.open",
                           "library.add",
                           "library.from",
                           "library.load_kit",
                           "library.save_kit"};
    for (const auto& language : LocalizationManager::availableLanguages()) {
        SCOPED_TRACE(language.helpPageName.toStdString());
        const QString page = helpPage(language);
        ASSERT_FALSE(page.isEmpty());
        for (const QString& key : keys) {
            const QString shown = withoutEllipsis(caption(language.code, key));
            ASSERT_FALSE(shown.isEmpty()) << key.toStdString();
            EXPECT_TRUE(page.contains(shown)) << key.toStdString() << ": " << shown.toStdString();
        }
    }
}

// The adapter is found as soon as it is plugged in, the udev rule comes with the package or from
// orvo --print-udev-rule, not from a source folder the installed program does not have, and a name
// is limited in bytes.
TEST(HelpPages, describeNoRetiredBehaviour) {
    const QHash<QString, QString> pollingSentence{
        {"de", "alle 3 Sekunden"},   {"en", "every 3 seconds"},  {"es", "cada 3 segundos"},
        {"fr", "toutes les 3 secondes"}, {"id", "setiap 3 detik"}, {"it", "ogni 3 secondi"},
        {"ja", "3 秒ごと"},           {"ko", "3초마다"},           {"nl", "elke 3 seconden"},
        {"pl", "co 3 sekundy"},      {"pt", "a cada 3 segundos"}, {"ru", "каждые 3 секунды"},
        {"sv", "var tredje sekund"}, {"th", "ทุก 3 วินาที"},       {"zh-Hans", "每 3 秒"},
        {"zh-Hant", "每 3 秒"}};
    for (const auto& language : LocalizationManager::availableLanguages()) {
        SCOPED_TRACE(language.helpPageName.toStdString());
        const QString page = helpPage(language);
        ASSERT_FALSE(page.isEmpty());
        ASSERT_TRUE(pollingSentence.contains(language.code));
        EXPECT_FALSE(page.contains(pollingSentence.value(language.code)));
        EXPECT_FALSE(page.contains("cp packaging/udev"));
        EXPECT_TRUE(page.contains("orvo --print-udev-rule"));
        EXPECT_TRUE(page.contains("orvoctl"));
        // The name field holds the adapter's 40 bytes, no longer 46 characters.
        EXPECT_FALSE(page.contains(QRegularExpression(QStringLiteral("46(?!rem)"))));
    }
}

} // namespace
