#include "core/l10n/AppLanguage.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace kestrivane;

namespace kestrivane {
static void PrintTo(AppLanguage language, std::ostream *os)
{
    *os << rawValue(language).toStdString();
}
} // namespace kestrivane

TEST(AppLanguage, EightLanguagesWithDistinctCodesAndNames)
{
    QStringList raw;
    QSet<QString> shortCodes;
    QSet<QString> names;
    for (const AppLanguage language : allAppLanguages) {
        raw << rawValue(language);
        shortCodes.insert(shortCode(language));
        names.insert(nativeName(language));
        EXPECT_EQ(appLanguageFromRawValue(rawValue(language)), language);
    }
    EXPECT_EQ(raw, QStringList({"ru-RU", "en-US", "de-DE", "es-ES", "fr-FR", "tr-TR", "zh-CN", "pt-BR"}));
    EXPECT_EQ(shortCodes.size(), 8);
    EXPECT_EQ(names.size(), 8);
    EXPECT_EQ(shortCode(AppLanguage::portuguese), "BR");
    EXPECT_EQ(nativeName(AppLanguage::portuguese), QStringLiteral("Português (Brasil)"));
    EXPECT_EQ(nativeName(AppLanguage::chinese), QStringLiteral("简体中文"));
    for (const char *other : {"ru_RU", "RU-RU", "ru", "en-GB", "pt-PT", " zh-CN", ""})
        EXPECT_FALSE(appLanguageFromRawValue(QString::fromUtf8(other))) << other;
}

TEST(AppLanguage, StoredChoiceWinsOnlyWhenItIsAnExactRawValue)
{
    EXPECT_EQ(resolveAppLanguage(QStringLiteral("de-DE"), {"fr-FR", "ru-RU"}), AppLanguage::german);
    EXPECT_EQ(resolveAppLanguage(QStringLiteral("de"), {"fr-FR"}), AppLanguage::french);
    EXPECT_EQ(resolveAppLanguage(QStringLiteral("de_DE"), {}), AppLanguage::english);
    EXPECT_EQ(resolveAppLanguage(QString(), {"tr"}), AppLanguage::turkish);
    EXPECT_EQ(resolveAppLanguage(std::nullopt, {"ru_RU"}), AppLanguage::russian);
}

TEST(AppLanguage, PreferredIdentifiersMatchByFirstPieceCaseSensitively)
{
    struct Case {
        QStringList preferred;
        AppLanguage expected;
    };
    const QList<Case> cases = {
        {{"en_GB"}, AppLanguage::english},
        {{"pt-PT"}, AppLanguage::portuguese},
        {{"pt"}, AppLanguage::portuguese},
        {{"EN-GB"}, AppLanguage::english}, // matches nothing: the fallback
        {{"EN-GB", "de-AT"}, AppLanguage::german},
        {{"zh-Hans-CN"}, AppLanguage::chinese},
        {{"zh"}, AppLanguage::chinese},
        {{"zh_SG"}, AppLanguage::chinese},
        {{"zh-Hant-TW", "fr-CA"}, AppLanguage::french},
        {{"zh-HK"}, AppLanguage::english},
        {{"zh-TW", "zh-Hant", "es-MX"}, AppLanguage::spanish},
        {{"ja-JP"}, AppLanguage::english},
        {{}, AppLanguage::english},
        {{"", "-", "--ru--"}, AppLanguage::russian},
        {{"C"}, AppLanguage::english},
        {{"ja", "tr-CY", "de"}, AppLanguage::turkish},
        {{"es-419"}, AppLanguage::spanish},
    };
    for (const Case &c : cases)
        EXPECT_EQ(resolveAppLanguage(std::nullopt, c.preferred), c.expected) << c.preferred.join(',').toStdString();
}
