// The shipped language files and help pages against the keys the program looks up and the captions
// the window shows.

#include "LocalizationManager.h"
#include "Mnemonic.h"
#include "ResourceBundle.h"
#include "Settings.h"
#include "TextKeys.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kResources = QStringLiteral(ORVO_SOURCE_DIR "/resources");

// Dotted paths of every text; a leaf that is no text counts as missing.
void collectTexts(const QJsonObject& object, const QString& prefix, QSet<QString>& texts) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it->isObject()) {
            collectTexts(it->toObject(), prefix + it.key() + '.', texts);
        } else if (it->isString()) {
            texts.insert(prefix + it.key());
        }
    }
}

QString joined(QStringList keys) {
    keys.sort();
    return keys.join(", ");
}

// The help page names each control by the caption the window shows (the header's menu button carries
// what a menu bar would, so its entries too). It describes no retired behaviour: the adapter is found
// as soon as it is plugged in, the udev rule comes with the package or from orvo --print-udev-rule, not
// from a source folder the installed program does not have, and a name is limited in bytes.
void expectHelpPageMatches(const LocalizationManager& manager,
                           const LocalizationManager::Language& language) {
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
    const QHash<QString, QString> pollingSentence{
        {"de", "alle 3 Sekunden"},   {"en", "every 3 seconds"},
        {"es", "cada 3 segundos"},   {"fr", "toutes les 3 secondes"},
        {"id", "setiap 3 detik"},    {"it", "ogni 3 secondi"},
        {"ja", "3 秒ごと"},          {"ko", "3초마다"},
        {"nl", "elke 3 seconden"},   {"pl", "co 3 sekundy"},
        {"pt", "a cada 3 segundos"}, {"ru", "каждые 3 секунды"},
        {"sv", "var tredje sekund"}, {"th", "ทุก 3 วินาที"},
        {"zh-Hans", "每 3 秒"},      {"zh-Hant", "每 3 秒"}};
    QFile file(QDir(kResources).filePath(language.helpPageName + ".htm"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const QString page = QString::fromUtf8(file.readAll());
    for (const QString& key : keys) {
        // A menu-style caption ("Restore…") is named in running text without its ellipsis.
        const QString shown = manager.localizedString(key).remove(QChar(0x2026)).trimmed();
        EXPECT_TRUE(page.contains(shown)) << key.toStdString() << ": " << shown.toStdString();
    }
    ASSERT_TRUE(pollingSentence.contains(language.code));
    EXPECT_FALSE(page.contains(pollingSentence.value(language.code)));
    EXPECT_FALSE(page.contains("cp packaging/udev"));
    EXPECT_TRUE(page.contains("orvo --print-udev-rule"));
    EXPECT_TRUE(page.contains("orvoctl"));
    // The name field holds the adapter's 40 bytes, no longer 46 characters.
    EXPECT_FALSE(page.contains(QRegularExpression(QStringLiteral("46(?!rem)"))));
}

TEST(LanguageFiles, everyFileHoldsExactlyTheKeysTheProgramLooksUp) {
    const QStringList keyList = TextKeys::all();
    const QSet<QString> expected(keyList.begin(), keyList.end());
    for (const auto& language : LocalizationManager::availableLanguages()) {
        SCOPED_TRACE(language.code.toStdString());
        QFile file(QDir(kResources).filePath(language.code + ".json"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
        ASSERT_TRUE(document.isObject());

        QSet<QString> texts;
        collectTexts(document.object(), {}, texts);
        EXPECT_EQ(joined((expected - texts).values()), "") << "missing";
        EXPECT_EQ(joined((texts - expected).values()), "") << "never looked up";
    }
}

TEST(LanguageFiles, everyLanguageAnswersEveryKeyWithItsOwnTextAndItsHelpPageMatches) {
    QTemporaryDir dir;
    Settings::setFilePathForTesting(dir.filePath("ORVO.conf"));
    ResourceBundle::setOverrideDirectory(kResources);
    LocalizationManager manager;

    for (uint8_t index = 0; index < LocalizationManager::languageCount; ++index) {
        manager.setLanguage(index);
        SCOPED_TRACE(LocalizationManager::availableLanguages()[index].code.toStdString());
        for (const QString& key : TextKeys::all()) {
            const QString text = manager.localizedString(key);
            EXPECT_NE(text, key);
            EXPECT_FALSE(text.trimmed().isEmpty()) << key.toStdString();
        }
        // The window's buttons each get one access key of their own.
        const std::pair<const char*, const char*> buttons[] = {
            {TextKeys::kButtonSaveToAdapter, TextKeys::kMnemonicSave},
            {TextKeys::kButtonExit, TextKeys::kMnemonicExit},
            {TextKeys::kButtonReadAgain, TextKeys::kMnemonicReadAgain},
            {TextKeys::kButtonRevert, TextKeys::kMnemonicRevert},
            {TextKeys::kButtonRestore, TextKeys::kMnemonicRestore}};
        QSet<QString> letters;
        for (const auto& [button, mnemonic] : buttons) {
            const QString letter = manager.localizedString(mnemonic);
            EXPECT_EQ(letter.size(), 1) << mnemonic;
            letters << letter.toUpper();
            const QString caption = Mnemonic::apply(manager.localizedString(button), letter);
            EXPECT_EQ(caption.count('&'), 1) << caption.toStdString();
        }
        EXPECT_EQ(letters.size(), int(std::size(buttons))) << "no two buttons share an access key";
        // The connection log fills in the adapter-port and all-port counts.
        const QString detected = manager.localizedString(TextKeys::kMessageDeviceDetected);
        EXPECT_EQ(detected.count("{0}"), 1) << detected.toStdString();
        EXPECT_EQ(detected.count("{1}"), 1) << detected.toStdString();
        expectHelpPageMatches(manager, LocalizationManager::availableLanguages()[index]);
    }

    ResourceBundle::setOverrideDirectory({});
    Settings::setFilePathForTesting({});
}

} // namespace
