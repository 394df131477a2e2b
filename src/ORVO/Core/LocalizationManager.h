#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <cstdint>
#include <optional>

class LocalizedText;

// The interface language: the fixed table of sixteen languages, the chosen one (remembered in the
// settings store under "AppLanguageCode" and "AppLanguage"), its language file held in memory, and
// text lookup by dotted key. All calls come from the main thread.
class LocalizationManager {
public:
    struct Language {
        QString displayName;
        QString code;
        QString helpPageName;
    };
    static constexpr std::size_t languageCount = 16;
    using LanguageTable = std::array<Language, languageCount>;

    // The process's manager, created on first use.
    static LocalizationManager& shared();

    // Restores the chosen language from the settings store (migrating a choice stored by an older
    // release) and loads its file. shared() builds exactly one; tests build their own after
    // pointing the settings store and the resource bundle at folders of their own.
    LocalizationManager();
    LocalizationManager(const LocalizationManager&) = delete;
    LocalizationManager& operator=(const LocalizationManager&) = delete;

    // Makes the language at index current, stores it, loads its file and posts "LanguageDidChange"
    // with its display name, even when the file could not be loaded or the language was current.
    void setLanguage(uint8_t index);
    // The same, without storing the choice: what a picker shows before the user confirms it.
    void previewLanguage(uint8_t index);
    // Whether the user has chosen a language on this or an earlier run; a first start has not.
    bool hasStoredChoice() const { return hasStoredChoice_; }
    // The row of the first of the desktop's languages (most preferred first, as QLocale's
    // uiLanguages() gives them: "de-DE", "zh-Hant-TW", "pt_BR") that the table has.
    static std::optional<uint8_t> languageForLocale(const QStringList& uiLanguages);

    // The text at key, a dotted path through the language file. Without one: defaultValue when it
    // is not empty, else the key itself, so a missing text shows its key.
    QString localizedString(const QString& key, const QString& defaultValue = {}) const;

    // The shared manager's text for key, with the key itself as the fallback.
    static QString text(const QString& key) { return shared().localizedString(key); }
    // text with "{0}", "{1}", ... replaced by the arguments in order.
    static QString withArguments(const QString& text, const QStringList& arguments);
    // A kept text in the shared manager's language.
    static QString text(const LocalizedText& text);
    // A kept text as a notification's object, which whoever reads it as a string sees in the
    // language current at that moment.
    static QVariant notificationObject(const LocalizedText& text);

    uint8_t getCurrentLanguage() const { return currentLanguage_; }

    // Table order is the order of the language pickers; the index is what setLanguage takes.
    static const LanguageTable& availableLanguages();

    // How an earlier release numbered the same languages in "AppLanguage"; only read to migrate.
    static const QStringList& legacyLanguageOrder();

private:
    void restoreLanguage();
    void loadLanguageFile(uint8_t index);
    void applyLanguage(uint8_t index, bool store);

    uint8_t currentLanguage_ = 0;
    bool hasStoredChoice_ = false;
    QJsonObject localizationData_;
};
