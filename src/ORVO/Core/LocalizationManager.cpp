#include "LocalizationManager.h"

#include "LocalizedText.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "ResourceBundle.h"
#include "Settings.h"
#include "TextKeys.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonValue>
#include <QLocale>
#include <cstdio>
#include <optional>

namespace {

const QString kLanguageCodeKey = QStringLiteral("AppLanguageCode");
const QString kLegacyLanguageKey = QStringLiteral("AppLanguage");

// Diagnostics go to standard output, one line each, as UTF-8.
void printLine(const QString& text) {
    std::fputs(text.toUtf8().append('\n').constData(), stdout);
    (void)std::fflush(stdout); // a diagnostic that cannot be shown changes nothing
}

std::optional<uint8_t> indexOfCode(const QString& code) {
    const auto& table = LocalizationManager::availableLanguages();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].code == code) {
            return static_cast<uint8_t>(i);
        }
    }
    return std::nullopt;
}

} // namespace

LocalizationManager& LocalizationManager::shared() {
    static LocalizationManager manager;
    return manager;
}

LocalizationManager::LocalizationManager() {
    restoreLanguage();
    loadLanguageFile(currentLanguage_);
}

const LocalizationManager::LanguageTable& LocalizationManager::availableLanguages() {
    static const LanguageTable table{{
        {QStringLiteral(u"简体中文"), "zh-Hans", "Help_ZH"},
        {QStringLiteral(u"繁體中文"), "zh-Hant", "Help_ZHT"},
        {"English", "en", "Help_EN"},
        {QStringLiteral(u"日本語"), "ja", "Help_JA"},
        {"Deutsch", "de", "Help_DE"},
        {QStringLiteral(u"Français"), "fr", "Help_FR"},
        {"Italiano", "it", "Help_IT"},
        {QStringLiteral(u"Español"), "es", "Help_ES"},
        {QStringLiteral(u"한국어"), "ko", "Help_KO"},
        {QStringLiteral(u"Português"), "pt", "Help_PT"},
        {"Nederlands", "nl", "Help_NL"},
        {QStringLiteral(u"Русский"), "ru", "Help_RU"},
        {"Polski", "pl", "Help_PL"},
        {"Svenska", "sv", "Help_SV"},
        {"Bahasa Indonesia", "id", "Help_ID"},
        {QStringLiteral(u"ไทย"), "th", "Help_TH"},
    }};
    return table;
}

const QStringList& LocalizationManager::legacyLanguageOrder() {
    static const QStringList order{"zh-Hans", "en", "ja", "de", "fr", "it", "es", "ko",
                                   "zh-Hant", "pt", "nl", "ru", "pl", "sv", "id", "th"};
    return order;
}

void LocalizationManager::restoreLanguage() {
    QSettings& settings = Settings::shared();
    if (const auto index = indexOfCode(settings.value(kLanguageCodeKey).toString())) {
        currentLanguage_ = *index;
        hasStoredChoice_ = true;
        return;
    }
    // A first start stores nothing: the guide asks for the language, and until then the window
    // speaks the desktop's language when it is one of ours.
    if (!settings.contains(kLegacyLanguageKey)) {
        currentLanguage_ = languageForLocale(QLocale::system().uiLanguages()).value_or(currentLanguage_);
        return;
    }
    hasStoredChoice_ = true;
    // The older release stored only a position in its own order, which puts Traditional Chinese
    // elsewhere; translate it once and store the choice the current way.
    const int legacy = settings.value(kLegacyLanguageKey).toInt();
    if (legacy >= 0 && legacy < legacyLanguageOrder().size()) {
        currentLanguage_ = indexOfCode(legacyLanguageOrder().at(legacy)).value_or(0);
    }
    settings.setValue(kLanguageCodeKey, availableLanguages()[currentLanguage_].code);
    settings.setValue(kLegacyLanguageKey, int(currentLanguage_));
}

void LocalizationManager::setLanguage(uint8_t index) {
    applyLanguage(index, true);
}

void LocalizationManager::previewLanguage(uint8_t index) {
    applyLanguage(index, false);
}

void LocalizationManager::applyLanguage(uint8_t index, bool store) {
    if (index >= languageCount) {
        printLine(QStringLiteral(u"不支持的语言索引: ") + QString::number(index));
        return;
    }
    currentLanguage_ = index;
    if (store) {
        QSettings& settings = Settings::shared();
        settings.setValue(kLegacyLanguageKey, int(index));
        settings.setValue(kLanguageCodeKey, availableLanguages()[index].code);
        hasStoredChoice_ = true;
    }
    loadLanguageFile(index);
    NotificationCenter::defaultCenter().post(NotificationNames::LanguageDidChange,
                                             availableLanguages()[index].displayName);
}

std::optional<uint8_t> LocalizationManager::languageForLocale(const QStringList& uiLanguages) {
    for (const QString& name : uiLanguages) {
        const QLocale locale(name);
        if (locale.language() == QLocale::C) {
            continue;
        }
        if (locale.language() == QLocale::Chinese) {
            // QLocale fills in the likely script: Traditional for Taiwan, Hong Kong and Macao.
            const bool traditional = locale.script() == QLocale::TraditionalHanScript;
            return indexOfCode(traditional ? QStringLiteral("zh-Hant") : QStringLiteral("zh-Hans"));
        }
        if (const auto index = indexOfCode(QLocale::languageToCode(locale.language()))) {
            return index;
        }
    }
    return std::nullopt;
}

void LocalizationManager::loadLanguageFile(uint8_t index) {
    if (index >= languageCount) {
        printLine(QStringLiteral(u"无效的语言索引: ") + QString::number(index));
        return;
    }
    const QString code = availableLanguages()[index].code;
    const QString path = ResourceBundle::pathForResource(code, "json");
    if (path.isEmpty()) {
        printLine(QStringLiteral(u"找不到语言文件: ") + code + ".json");
        return;
    }
    QFile file(path);
    const QJsonDocument document =
        file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()) : QJsonDocument();
    if (document.isNull()) {
        // Shown in the connection log once the window is listening; the previous texts stay.
        NotificationCenter::defaultCenter().postAsync(
            NotificationNames::UpdatePrintView,
            notificationObject(
                LocalizedText::marked("❌", LocalizedText::keyedOr(TextKeys::kMessageLanguageFileFailed,
                                                                  QStringLiteral(u"加载语言文件失败")))));
        return;
    }
    // A well-formed file that is not an object (a list) is ignored without a word.
    if (document.isObject()) {
        localizationData_ = document.object();
    }
}

QString LocalizationManager::text(const LocalizedText& text) {
    return text.render([](const QString& key) { return shared().localizedString(key); });
}

QVariant LocalizationManager::notificationObject(const LocalizedText& text) {
    static const bool converterRegistered = QMetaType::registerConverter<LocalizedText, QString>(
        [](const LocalizedText& kept) { return LocalizationManager::text(kept); });
    Q_UNUSED(converterRegistered);
    return QVariant::fromValue(text);
}

QString LocalizationManager::localizedString(const QString& key, const QString& defaultValue) const {
    // A step through anything but an object finds nothing (toObject() of it is empty), and a key
    // without segments stops at the whole file, which is no text either.
    QJsonValue value = localizationData_;
    for (const QString& segment : key.split('.', Qt::SkipEmptyParts)) {
        value = value.toObject().value(segment);
    }
    if (value.isString()) {
        return value.toString();
    }
    return defaultValue.isEmpty() ? key : defaultValue;
}

QString LocalizationManager::withArguments(const QString& text, const QStringList& arguments) {
    // One pass, as a kept text is filled: an argument holding "{1}" stays as it is.
    std::vector<LocalizedText> parts;
    for (const QString& argument : arguments) {
        parts.push_back(LocalizedText::literal(argument));
    }
    return LocalizedText::keyed(text, std::move(parts)).render([](const QString& key) { return key; });
}
