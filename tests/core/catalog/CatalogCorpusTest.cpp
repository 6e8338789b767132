#include "core/catalog/CatalogModel.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrivane;

namespace {

// Only the program's own errors may leave a reader.
template <typename F> void expectOwnErrorsOnly(F &&f)
{
    try {
        f();
    } catch (const Error &) {
    } catch (const std::exception &error) {
        ADD_FAILURE() << "foreign exception: " << error.what();
    }
}

} // namespace

TEST(CatalogCorpus, ReplaysEverySeedOfTheFuzzTarget)
{
    const QList<QByteArray> seeds = testsupport::fuzzCorpus(QStringLiteral("catalog_json"));
    ASSERT_GE(seeds.size(), 15);
    int designs = 0;
    int snapshots = 0;
    int templates = 0;
    for (const QByteArray &seed : seeds) {
        // Qt drops U+FEFF at the start of a string, so a key that began with it does not
        // read back; the fuzz target skips the comparison for such texts as well.
        const bool innerByteOrderMark = seed.indexOf("\xEF\xBB\xBF", 1) >= 0;
        const std::optional<CatalogJSON> value = CatalogJSON::parse(seed);
        if (value && !innerByteOrderMark)
            expectOwnErrorsOnly([&] { EXPECT_EQ(CatalogJSON::parse(value->toJson()), value); });
        expectOwnErrorsOnly([&] { CatalogPage::decode(seed).validate(0); });
        expectOwnErrorsOnly([&] { CatalogCategory::decodeList(seed); });
        expectOwnErrorsOnly([&] { CatalogSize::decodeList(seed); });
        expectOwnErrorsOnly([&] {
            const CatalogDesign design = CatalogDesign::decode(seed);
            design.validate(design.id);
            ++designs;
        });
        expectOwnErrorsOnly([&] {
            const CatalogSnapshot snapshot = CatalogSnapshot::decode(seed);
            EXPECT_EQ(CatalogSnapshot::decode(snapshot.encoded()), snapshot);
            ++snapshots;
        });
        expectOwnErrorsOnly([&] {
            const CachedTemplate cached = CachedTemplate::decode(seed);
            EXPECT_EQ(CachedTemplate::decode(cached.encoded()), cached);
            ++templates;
        });
    }
    // The corpus reaches past the envelope of each record.
    EXPECT_GE(designs, 1);
    EXPECT_GE(snapshots, 1);
    EXPECT_GE(templates, 1);
}
