#include "core/render/WebFonts.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QRawFont>

#include <atomic>
#include <latch>
#include <thread>
#include <vector>

using namespace kestrivane;

namespace {

// The face Qt actually picked for a font, not the one asked for.
QRawFont faceOf(const PointFont &font)
{
    return QRawFont::fromFont(font.referenceFont());
}

} // namespace

TEST(WebFonts, ConcurrentFirstRegistrationWaitsForTheFonts)
{
    // ctest runs every test in a process of its own, so this is the first call here.
    constexpr int threadCount = 8;
    std::latch start(threadCount);
    std::atomic<int> sawBoth{0};
    std::atomic<int> sawBoldFace{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < threadCount; ++i) {
        threads.emplace_back([&] {
            start.arrive_and_wait();
            WebFonts::registerFonts();
            // Whoever returns from the call must find the fonts complete, not half registered.
            // The semibold face comes from the last file registered.
            if (QFontDatabase::hasFamily(QStringLiteral("Roboto")) &&
                QFontDatabase::styles(QStringLiteral("Roboto Mono")).contains(u"SemiBold"))
                ++sawBoth;
            if (faceOf(PointFont(QStringLiteral("Roboto"), 10).withBold(true)).styleName() == u"Bold")
                ++sawBoldFace;
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(sawBoth.load(), threadCount);
    EXPECT_EQ(sawBoldFace.load(), threadCount);
    const QStringList styles = QFontDatabase::styles(QStringLiteral("Roboto"));
    EXPECT_TRUE(styles.contains(u"Regular") && styles.contains(u"Bold") && styles.contains(u"Italic") &&
                styles.contains(u"Bold Italic"))
        << styles.join(u',').toStdString();
    const QStringList monoStyles = QFontDatabase::styles(QStringLiteral("Roboto Mono"));
    EXPECT_TRUE(monoStyles.contains(u"Regular") && monoStyles.contains(u"SemiBold") && monoStyles.contains(u"Bold") &&
                monoStyles.contains(u"Italic"))
        << monoStyles.join(u',').toStdString();
}

TEST(WebFonts, BundledFacesAreRealAndNotSynthesised)
{
    WebFonts::registerFonts();
    const PointFont roboto = WebFonts::systemFont(12);
    EXPECT_EQ(faceOf(roboto).familyName(), u"Roboto");
    EXPECT_EQ(faceOf(roboto).styleName(), u"Regular");
    EXPECT_EQ(faceOf(roboto.withBold(true)).styleName(), u"Bold");
    EXPECT_EQ(faceOf(roboto.withItalic(true)).styleName(), u"Italic");
    EXPECT_EQ(faceOf(roboto.withBold(true).withItalic(true)).styleName(), u"Bold Italic");
    // A real bold face has its own, wider advances; a synthesised one would not.
    EXPECT_GT(roboto.withBold(true).width(QStringLiteral("Hello")), roboto.width(QStringLiteral("Hello")));

    const PointFont mono = WebFonts::monospacedSystemFont(12);
    EXPECT_EQ(faceOf(mono).familyName(), u"Roboto Mono");
    EXPECT_EQ(faceOf(mono).styleName(), u"Regular");
    EXPECT_EQ(faceOf(WebFonts::monospacedSystemFont(12, QFont::Bold)).styleName(), u"Bold");
    EXPECT_EQ(faceOf(mono.withItalic(true)).styleName(), u"Italic");
    // Monospaced: every character has the same advance.
    EXPECT_DOUBLE_EQ(mono.width(QStringLiteral("iiii")), mono.width(QStringLiteral("WWWW")));

    const PointFont caption = WebFonts::gs1CaptionFont(6);
    EXPECT_EQ(faceOf(caption).familyName(), u"Roboto Mono");
    EXPECT_EQ(faceOf(caption).styleName(), u"SemiBold");
    EXPECT_DOUBLE_EQ(caption.pointSize(), 6);
}

TEST(WebFonts, ResolvesCssFamilyLists)
{
    // A named family that exists wins over the generic one after it.
    auto quoted = WebFonts::resolve(QStringLiteral("'Roboto', sans-serif"), 12);
    ASSERT_TRUE(quoted.has_value());
    EXPECT_EQ(faceOf(*quoted).familyName(), u"Roboto");
    EXPECT_DOUBLE_EQ(quoted->pointSize(), 12);

    auto doubleQuoted = WebFonts::resolve(QStringLiteral("\"Roboto Mono\""), 7.5);
    ASSERT_TRUE(doubleQuoted.has_value());
    EXPECT_EQ(faceOf(*doubleQuoted).familyName(), u"Roboto Mono");

    // Unknown names are skipped; the generic words give the bundled faces.
    auto generic = WebFonts::resolve(QStringLiteral("NoSuchFamilyXYZ, system-ui"), 10);
    ASSERT_TRUE(generic.has_value());
    EXPECT_EQ(faceOf(*generic).familyName(), u"Roboto");
    EXPECT_EQ(WebFonts::resolve(QStringLiteral("sans-serif"), 10), WebFonts::systemFont(10));

    // A blank entry trims to a name no font has; an empty entry is dropped.
    auto mono = WebFonts::resolve(QStringLiteral(" , ,,monospace"), 9);
    ASSERT_TRUE(mono.has_value());
    EXPECT_EQ(faceOf(*mono).familyName(), u"Roboto Mono");
    EXPECT_EQ(mono->weight(), QFont::Normal);
    EXPECT_DOUBLE_EQ(mono->pointSize(), 9);

    // Generic words are case-sensitive; tabs are not trimmed (only spaces and quotes).
    if (!QFontDatabase::hasFamily(QStringLiteral("Sans-Serif"))) {
        EXPECT_FALSE(WebFonts::resolve(QStringLiteral("Sans-Serif"), 12).has_value());
    }
    EXPECT_FALSE(WebFonts::resolve(QStringLiteral("\tmonospace"), 12).has_value());
    EXPECT_FALSE(WebFonts::resolve(QString(), 12).has_value());
    EXPECT_FALSE(WebFonts::resolve(QStringLiteral(",,"), 12).has_value());
    EXPECT_FALSE(WebFonts::resolve(QStringLiteral("NoSuchFamilyXYZ"), 12).has_value());
    // Family names compare without regard to case, as the font database does.
    EXPECT_TRUE(WebFonts::resolve(QStringLiteral("roboto mono"), 12).has_value());
}

TEST(WebFonts, ElementFontsFallBackToTheBundledSystemFont)
{
    // Plain elements name one family; a family list is not split for them.
    EXPECT_EQ(faceOf(WebFonts::elementFont(QStringLiteral("Roboto Mono"), 14, false)).familyName(), u"Roboto Mono");
    EXPECT_EQ(WebFonts::elementFont(QStringLiteral("Roboto Mono, monospace"), 14, false), WebFonts::systemFont(14));
    EXPECT_EQ(WebFonts::elementFont(QStringLiteral("Helvetica-Bold-NotHere"), 14, false), WebFonts::systemFont(14));
    EXPECT_EQ(faceOf(WebFonts::elementFont(QStringLiteral("Nope, 'Roboto Mono'"), 14, true)).familyName(),
              u"Roboto Mono");
    EXPECT_EQ(WebFonts::elementFont(QString(), 14, true), WebFonts::systemFont(14));
    EXPECT_FALSE(WebFonts::installedFont(QString(), 14).has_value());
}
