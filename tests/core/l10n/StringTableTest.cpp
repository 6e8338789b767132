#include "core/l10n/StringTable.h"
#include "core/l10n/TextFormat.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>

#include <thread>
#include <vector>

using namespace kestrivane;

namespace {

ParsedStringTable tableFile(AppLanguage language)
{
    return parseStringTable(testsupport::readFile(stringTablePath(language)));
}

QString baseKey(const QString &key)
{
    return key.section(QLatin1Char('#'), 0, 0);
}

// The specifiers of a pattern in their order, positions included ("%lld", "%2$@").
QStringList specifiers(const QString &pattern)
{
    static const QRegularExpression specifier(
        QStringLiteral("%(%|[0-9]+\\$)?[-+ 0#]*[0-9]*(\\.[0-9]+)?[hlqLztj]*[@sdiuf]"));
    QStringList found;
    for (auto it = specifier.globalMatch(pattern); it.hasNext();) {
        const QString text = it.next().captured();
        if (text != QLatin1String("%%"))
            found << text;
    }
    return found;
}

} // namespace

TEST(StringTableParser, ReadsEntriesCommentsAndEscapes)
{
    const ParsedStringTable parsed =
        parseStringTable(QByteArray("\xEF\xBB\xBF/* header\n spanning lines */\n"
                                    "\"plain\" = \"Plain text\";\n"
                                    "  \"spaced\"\t=\t\"x\" ;  // trailing comment\n"
                                    "\"escapes\" = \"say \\\"hi\\\"\\n\\\\path\\t\\u00e9\";\n"
                                    "\"utf8\" = \"Ünïcødé 简体 «»\";\"same line\"=\"\";\n"
                                    "\"plain\" = \"Last wins\";\n"));
    EXPECT_EQ(parsed.errorOffset, -1);
    EXPECT_EQ(parsed.table.entries.size(), 5);
    EXPECT_EQ(parsed.table.text("plain"), "Last wins");
    EXPECT_EQ(parsed.table.text("spaced"), "x");
    EXPECT_EQ(parsed.table.text("escapes"), QStringLiteral("say \"hi\"\n\\path\té"));
    EXPECT_EQ(parsed.table.text("utf8"), QStringLiteral("Ünïcødé 简体 «»"));
    EXPECT_EQ(parsed.table.text("same line"), "");
    EXPECT_EQ(parsed.conflictingKeys, QStringList({"plain"}));
    EXPECT_TRUE(parseStringTable("\"k\" = \"v\";\n\"k\" = \"v\";").conflictingKeys.isEmpty());
    EXPECT_EQ(parsed.table.text("absent.key"), "absent.key");
    EXPECT_EQ(parseStringTable(QByteArray()).errorOffset, -1);
}

TEST(StringTableParser, StopsAtTheFirstSyntaxErrorKeepingWhatCameBefore)
{
    const QList<QByteArray> broken = {
        "\"a\" = \"1\";\n\"b\" = \"2\" \"c\" = \"3\";", // missing semicolon
        "\"a\" = \"1\";\n\"b\" \"2\";",                 // missing equals sign
        "\"a\" = \"1\";\n\"b\" = \"unterminated;",
        "\"a\" = \"1\";\n\"b\" = \"bad \\q escape\";",
        "\"a\" = \"1\";\n\"b\" = \"short \\u12\";",
        "\"a\" = \"1\";\n/* never closed",
        "\"a\" = \"1\";\nb = \"unquoted key\";",
        "\"a\" = \"1\";\n\"b\" = \"2\";;",
    };
    for (const QByteArray &text : broken) {
        const ParsedStringTable parsed = parseStringTable(text);
        EXPECT_GE(parsed.errorOffset, 0) << text.toStdString();
        EXPECT_EQ(parsed.errorLine, 2) << text.toStdString();
        EXPECT_EQ(parsed.table.text("a"), "1") << text.toStdString();
        EXPECT_FALSE(parsed.table.contains("c"));
    }
}

TEST(StringTables, EveryLanguageParsesFullyWithTheSameKeys)
{
    const ParsedStringTable english = tableFile(AppLanguage::english);
    ASSERT_EQ(english.errorOffset, -1) << "line " << english.errorLine;
    QSet<QString> englishKeys;
    for (auto it = english.table.entries.cbegin(); it != english.table.entries.cend(); ++it)
        englishKeys.insert(baseKey(it.key()));
    for (const char *key : {"mac.error_version", "mac.error_document", "mac.error_geometry", "mac.error_content",
                            "mac.error_large", "mac.error_io", "mac.error_barcode", "mac.error_image"})
        EXPECT_TRUE(englishKeys.contains(QLatin1String(key))) << key;

    for (const AppLanguage language : allAppLanguages) {
        SCOPED_TRACE(rawValue(language).toStdString());
        const ParsedStringTable parsed = tableFile(language);
        ASSERT_EQ(parsed.errorOffset, -1) << "line " << parsed.errorLine;
        EXPECT_EQ(parsed.conflictingKeys, QStringList());
        QSet<QString> keys;
        for (auto it = parsed.table.entries.cbegin(); it != parsed.table.entries.cend(); ++it) {
            keys.insert(baseKey(it.key()));
            EXPECT_FALSE(it.value().trimmed().isEmpty()) << it.key().toStdString();
        }
        EXPECT_EQ(keys - englishKeys, QSet<QString>());
        EXPECT_EQ(englishKeys - keys, QSet<QString>());
    }
}

TEST(StringTables, TranslationsKeepTheFormatSpecifiersOfTheEnglishText)
{
    const StringTable english = tableFile(AppLanguage::english).table;
    for (const AppLanguage language : allAppLanguages) {
        const StringTable table = tableFile(language).table;
        for (auto it = table.entries.cbegin(); it != table.entries.cend(); ++it) {
            // Plural entries are compared with the "other" form, which every table has.
            const QString reference = it.key().contains(QLatin1Char('#'))
                                          ? english.text(baseKey(it.key()) + QStringLiteral("#other"))
                                          : english.text(it.key());
            QStringList expected = specifiers(reference);
            QStringList actual = specifiers(it.value());
            if (expected.join(QString()).contains(QLatin1Char('$')) ||
                actual.join(QString()).contains(QLatin1Char('$'))) {
                // Positional arguments may be reordered by a translation.
                expected.sort();
                actual.sort();
            }
            EXPECT_EQ(actual, expected) << rawValue(language).toStdString() << " " << it.key().toStdString();
        }
    }
}

TEST(StringTables, PluralKeysHaveEveryFormTheirLanguageUses)
{
    QSet<QString> pluralKeys;
    for (const AppLanguage language : allAppLanguages) {
        const StringTable table = tableFile(language).table;
        for (auto it = table.entries.cbegin(); it != table.entries.cend(); ++it) {
            if (it.key().contains(QLatin1Char('#')))
                pluralKeys.insert(baseKey(it.key()));
        }
    }
    ASSERT_TRUE(pluralKeys.contains("mac.items_count"));
    for (const AppLanguage language : allAppLanguages) {
        const StringTable table = tableFile(language).table;
        for (const QString &key : std::as_const(pluralKeys)) {
            EXPECT_TRUE(table.contains(key + "#other")) << rawValue(language).toStdString() << " " << key.toStdString();
            for (const qint64 n : {0, 1, 2, 3, 5, 11, 21, 22, 25, 1000000}) {
                const QString entry = key + QLatin1Char('#') + pluralCategory(language, n);
                EXPECT_TRUE(table.contains(entry)) << rawValue(language).toStdString() << " " << entry.toStdString();
            }
            for (const char *category : {"zero", "two"})
                EXPECT_FALSE(table.contains(key + QLatin1Char('#') + QLatin1String(category)));
        }
    }
}

TEST(StringTables, EachLanguageIsReadOnceAndSharedAcrossThreads)
{
    std::vector<std::shared_ptr<const StringTable>> seen(16);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = stringTable(allAppLanguages[i % allAppLanguages.size()]); });
    for (std::thread &thread : threads)
        thread.join();
    for (std::size_t i = 0; i < seen.size(); ++i) {
        ASSERT_TRUE(seen[i]);
        EXPECT_EQ(seen[i], stringTable(allAppLanguages[i % allAppLanguages.size()]));
        EXPECT_FALSE(seen[i]->entries.isEmpty());
    }
    EXPECT_NE(stringTable(AppLanguage::russian), stringTable(AppLanguage::english));
    EXPECT_EQ(stringTable(AppLanguage::german)->text("mac.close"), QStringLiteral("Schließen"));
}
