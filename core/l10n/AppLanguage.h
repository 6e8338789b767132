#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace kestrivane {

// The eight interface languages, in the order the language menus list them.
enum class AppLanguage { russian, english, german, spanish, french, turkish, chinese, portuguese };

inline constexpr std::array<AppLanguage, 8> allAppLanguages = {
    AppLanguage::russian, AppLanguage::english, AppLanguage::german,  AppLanguage::spanish,
    AppLanguage::french,  AppLanguage::turkish, AppLanguage::chinese, AppLanguage::portuguese};

// The locale code that names the language's string-table folder and its number formats:
// "ru-RU", "en-US", "de-DE", "es-ES", "fr-FR", "tr-TR", "zh-CN", "pt-BR".
QString rawValue(AppLanguage language);
// The language's name in itself ("Русский", "Deutsch", "Português (Brasil)", …).
QString nativeName(AppLanguage language);
// Two capitals for compact menus; Brazilian Portuguese is "BR".
QString shortCode(AppLanguage language);
// Exactly one of the eight raw values (case-sensitive); empty for anything else.
std::optional<AppLanguage> appLanguageFromRawValue(const QString &raw);

// The language to start in: the stored choice when it is one of the raw values exactly,
// else the first of the preferred identifiers (such as QLocale::uiLanguages() gives) that
// names one of the languages: exactly, as any Simplified Chinese, or by its first
// "-"-separated piece ("en-GB" -> English, "pt-PT" -> Portuguese). Traditional Chinese
// ("Hant", "TW", "HK") is skipped. Matching is case-sensitive; English when nothing matches.
AppLanguage resolveAppLanguage(const std::optional<QString> &saved, const QStringList &preferred);

} // namespace kestrivane
