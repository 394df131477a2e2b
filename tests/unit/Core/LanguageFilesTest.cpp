// The shipped language files and help pages against the keys the program looks up.

#include "LocalizationManager.h"
#include "Mnemonic.h"
#include "ResourceBundle.h"
#include "Settings.h"
#include "TextKeys.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kResources = QStringLiteral(ORVO_SOURCE_DIR "/resources");

// Dotted paths of every leaf; leaves that are not strings are reported apart.
void collectLeaves(const QJsonObject& object, const QString& prefix, QSet<QString>& strings,
                   QStringList& others) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString path = prefix + it.key();
        if (it->isObject()) {
            collectLeaves(it->toObject(), path + '.', strings, others);
        } else if (it->isString()) {
            strings.insert(path);
        } else {
            others << path;
        }
    }
}

QString joined(QStringList keys) {
    keys.sort();
    return keys.join(", ");
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

        QSet<QString> strings;
        QStringList others;
        collectLeaves(document.object(), {}, strings, others);
        EXPECT_EQ(joined(others), "") << "leaves that are not texts";
        EXPECT_EQ(joined((expected - strings).values()), "") << "missing";
        EXPECT_EQ(joined((strings - expected).values()), "") << "never looked up";
    }
}

TEST(LanguageFiles, everyLanguageAnswersEveryKeyWithItsOwnText) {
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
    }

    ResourceBundle::setOverrideDirectory({});
    Settings::setFilePathForTesting({});
}

} // namespace
