#include "core/l10n/StringTable.h"
#include "core/l10n/TextFormat.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrivane;

// The fuzz target's seeds and past findings, replayed with every kind of argument.
TEST(TextPatternCorpus, EverySeedFormatsWithinBoundsAndParses)
{
    const QList<QByteArray> seeds = testsupport::fuzzCorpus(QStringLiteral("text_pattern"));
    ASSERT_FALSE(seeds.isEmpty());
    const FormatArguments arguments = {QStringLiteral("text"), qint64(-9223372036854775807LL - 1), -1.5e300};
    for (const QByteArray &seed : seeds) {
        const QString pattern = QString::fromUtf8(seed.mid(1));
        for (qsizetype given = 0; given <= arguments.size(); ++given) {
            const QString out = formatPattern(pattern, arguments.mid(0, given), QLocale(QStringLiteral("fr-FR")));
            EXPECT_LE(out.size(), pattern.size() * 400 + 400);
        }
        parseStringTable(seed);
    }
}
