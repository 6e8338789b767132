#include "core/l10n/AppLanguage.h"

#include "core/common/RawValue.h"

namespace kestrivane {

QString rawValue(AppLanguage language)
{
    switch (language) {
    case AppLanguage::russian: return QStringLiteral("ru-RU");
    case AppLanguage::english: return QStringLiteral("en-US");
    case AppLanguage::german: return QStringLiteral("de-DE");
    case AppLanguage::spanish: return QStringLiteral("es-ES");
    case AppLanguage::french: return QStringLiteral("fr-FR");
    case AppLanguage::turkish: return QStringLiteral("tr-TR");
    case AppLanguage::chinese: return QStringLiteral("zh-CN");
    case AppLanguage::portuguese: return QStringLiteral("pt-BR");
    }
    return QString();
}

QString nativeName(AppLanguage language)
{
    switch (language) {
    case AppLanguage::russian: return QStringLiteral("Русский");
    case AppLanguage::english: return QStringLiteral("English");
    case AppLanguage::german: return QStringLiteral("Deutsch");
    case AppLanguage::spanish: return QStringLiteral("Español");
    case AppLanguage::french: return QStringLiteral("Français");
    case AppLanguage::turkish: return QStringLiteral("Türkçe");
    case AppLanguage::chinese: return QStringLiteral("简体中文");
    case AppLanguage::portuguese: return QStringLiteral("Português (Brasil)");
    }
    return QString();
}

QString shortCode(AppLanguage language)
{
    switch (language) {
    case AppLanguage::russian: return QStringLiteral("RU");
    case AppLanguage::english: return QStringLiteral("EN");
    case AppLanguage::german: return QStringLiteral("DE");
    case AppLanguage::spanish: return QStringLiteral("ES");
    case AppLanguage::french: return QStringLiteral("FR");
    case AppLanguage::turkish: return QStringLiteral("TR");
    case AppLanguage::chinese: return QStringLiteral("ZH");
    case AppLanguage::portuguese: return QStringLiteral("BR");
    }
    return QString();
}

std::optional<AppLanguage> appLanguageFromRawValue(const QString &raw)
{
    return fromRawValue(allAppLanguages, raw);
}

namespace {

QString firstPiece(const QString &identifier)
{
    const QStringList pieces = identifier.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    return pieces.isEmpty() ? QString() : pieces.first();
}

} // namespace

AppLanguage resolveAppLanguage(const std::optional<QString> &saved, const QStringList &preferred)
{
    if (saved) {
        if (const auto language = appLanguageFromRawValue(*saved))
            return *language;
    }
    for (const QString &original : preferred) {
        QString identifier = original;
        identifier.replace(QLatin1Char('_'), QLatin1Char('-'));
        if (const auto language = appLanguageFromRawValue(identifier))
            return *language;
        if (identifier.startsWith(QLatin1String("zh"))) {
            // Only Simplified Chinese is offered; Traditional goes on to the next preference.
            if (identifier.contains(QLatin1String("Hant")) || identifier.contains(QLatin1String("TW")) ||
                identifier.contains(QLatin1String("HK")))
                continue;
            return AppLanguage::chinese;
        }
        const QString piece = firstPiece(identifier);
        if (piece.isEmpty())
            continue;
        for (const AppLanguage language : allAppLanguages) {
            if (firstPiece(rawValue(language)) == piece)
                return language;
        }
    }
    return AppLanguage::english;
}

} // namespace kestrivane
