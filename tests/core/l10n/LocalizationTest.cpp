#include "core/l10n/Localization.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include <memory>

using namespace kestrivane;

namespace {

class LocalizationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_settings = openSettings();
    }

    std::unique_ptr<QSettings> openSettings() const
    {
        return std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
};

} // namespace

TEST_F(LocalizationTest, StartsInTheStoredLanguageAndWritesNothing)
{
    m_settings->setValue(Localization::preferenceKey, QStringLiteral("de-DE"));
    EXPECT_EQ(Localization(m_settings.get(), {"fr-FR"}).language(), AppLanguage::german);

    m_settings->setValue(Localization::preferenceKey, QStringLiteral("de"));
    EXPECT_EQ(Localization(m_settings.get(), {"fr-FR"}).language(), AppLanguage::french);
    EXPECT_EQ(m_settings->value(Localization::preferenceKey).toString(), "de"); // ignored, not erased

    // Only a stored string counts.
    m_settings->setValue(Localization::preferenceKey, QStringList({"de-DE"}));
    EXPECT_EQ(Localization(m_settings.get(), {}).language(), AppLanguage::english);

    m_settings->remove(Localization::preferenceKey);
    EXPECT_EQ(Localization(m_settings.get(), {"ja-JP", "pt_PT"}).language(), AppLanguage::portuguese);
    EXPECT_FALSE(m_settings->contains(Localization::preferenceKey));
}

TEST_F(LocalizationTest, SelectStoresSwitchesTextsAndAlwaysNotifies)
{
    Localization localization(m_settings.get(), {"en-US"});
    QList<AppLanguage> notified;
    QStringList textsSeenByObserver;
    QObject::connect(&localization, &Localization::languageChanged, [&](AppLanguage language) {
        notified << language;
        textsSeenByObserver << localization.text(QStringLiteral("mac.close"));
    });

    localization.select(AppLanguage::turkish);
    localization.select(AppLanguage::turkish);
    EXPECT_EQ(notified, QList<AppLanguage>({AppLanguage::turkish, AppLanguage::turkish}));
    EXPECT_EQ(textsSeenByObserver, QStringList({"Kapat", "Kapat"}));
    EXPECT_EQ(localization.language(), AppLanguage::turkish);
    EXPECT_EQ(m_settings->value(Localization::preferenceKey).toString(), "tr-TR");

    // The next start, with settings read back from disk, begins in Turkish.
    m_settings->sync();
    const auto reopened = openSettings();
    EXPECT_EQ(Localization(reopened.get(), {"ru-RU"}).language(), AppLanguage::turkish);
}

TEST_F(LocalizationTest, LookupsFormatsAndCountsFollowTheCurrentLanguage)
{
    Localization localization(m_settings.get(), {"ru-RU"});
    EXPECT_EQ(localization.text("mac.error_io"), QStringLiteral("Не удалось прочитать или записать файл."));
    EXPECT_EQ(localization.text("no.such.key"), "no.such.key");
    EXPECT_EQ(localization.text(""), "");
    EXPECT_EQ(localization.format("mac.data_row_error", {qint64(7), localization.text("mac.error_barcode")}),
              QStringLiteral("Строка 7: Содержимое нельзя закодировать выбранным типом штрихкода."));
    // A missing argument leaves its place empty; extra arguments are ignored.
    EXPECT_EQ(localization.format("mac.data_row_error", {qint64(7)}), QStringLiteral("Строка 7: "));
    EXPECT_EQ(localization.format("mac.close", {qint64(1), 2.5}), QStringLiteral("Закрыть"));
    EXPECT_EQ(localization.format("missing %@ key", {QStringLiteral("x")}), "missing x key");
    EXPECT_EQ(localization.format("%.1f", {2.25}), "2,2");

    localization.select(AppLanguage::english);
    EXPECT_EQ(localization.format("%.1f", {2.25}), "2.2");
    EXPECT_EQ(localization.format("mac.pdf_saved", {QStringLiteral("Shelf.pdf")}), "PDF saved: Shelf.pdf");
}

TEST_F(LocalizationTest, CountChoosesThePluralFormOfTheLanguage)
{
    Localization localization(m_settings.get(), {"ru-RU"});
    EXPECT_EQ(localization.count("mac.items_count", 1), QStringLiteral("1 объект"));
    EXPECT_EQ(localization.count("mac.items_count", 3), QStringLiteral("3 объекта"));
    EXPECT_EQ(localization.count("mac.items_count", 5), QStringLiteral("5 объектов"));
    EXPECT_EQ(localization.count("mac.items_count", 11), QStringLiteral("11 объектов"));
    EXPECT_EQ(localization.count("mac.items_count", 21), QStringLiteral("21 объект"));
    EXPECT_EQ(localization.count("mac.items_count", 1234567), QStringLiteral("1234567 объектов"));

    localization.select(AppLanguage::english);
    EXPECT_EQ(localization.count("mac.items_count", 1), "1 item");
    EXPECT_EQ(localization.count("mac.items_count", 0), "0 items");
    localization.select(AppLanguage::french);
    EXPECT_EQ(localization.count("mac.items_count", 0), QStringLiteral("0 élément"));
    EXPECT_EQ(localization.count("mac.items_count", 2), QStringLiteral("2 éléments"));
    localization.select(AppLanguage::chinese);
    EXPECT_EQ(localization.count("mac.items_count", 1), QStringLiteral("1 项"));

    // Without plural entries the plain key is the pattern; without that, the key itself.
    EXPECT_EQ(localization.count("mac.close", 4), QStringLiteral("关闭"));
    EXPECT_EQ(localization.count("no.such.count", 4), "no.such.count");
}
