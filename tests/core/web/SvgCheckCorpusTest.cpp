#include "core/common/DocumentIssue.h"
#include "core/graphics/ImageAsset.h"
#include "core/web/WebImageAsset.h"

#include "tests/common/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace kestrivane;

namespace {

// Runs every check on the bytes; only the picture error may leave them.
void runChecks(const QByteArray &bytes)
{
    try {
        (void)WebImageAsset::sanitizedSVG(bytes);
    } catch (const DocumentError &error) {
        EXPECT_EQ(error.issue(), DocumentIssue::invalidImage);
    }
    try {
        WebImageAsset::validate(bytes);
    } catch (const DocumentError &error) {
        EXPECT_EQ(error.issue(), DocumentIssue::invalidImage);
    }
    try {
        ImageAsset::validate(bytes);
    } catch (const DocumentError &error) {
        EXPECT_EQ(error.issue(), DocumentIssue::invalidImage);
    }
}

} // namespace

TEST(SvgCheckCorpus, ReplaysEverySeedWithoutFailure)
{
    const QList<QByteArray> seeds = testsupport::fuzzCorpus(QStringLiteral("svgcheck"));
    ASSERT_GE(seeds.size(), 20);
    for (const QByteArray &seed : seeds)
        runChecks(seed);
}

// Seeds named accepted-… pass the picture check, seeds named refused-… fail it.
TEST(SvgCheckCorpus, NamedSeedsGetTheirVerdicts)
{
    const QDir dir(QStringLiteral(KESTRIVANE_FUZZ_CORPUS "/svgcheck"));
    int named = 0;
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray bytes = testsupport::readFile(dir.filePath(name));
        if (name.startsWith(QLatin1String("accepted-"))) {
            EXPECT_NO_THROW(WebImageAsset::validate(bytes));
            ++named;
        } else if (name.startsWith(QLatin1String("refused-"))) {
            EXPECT_ISSUE(WebImageAsset::validate(bytes), DocumentIssue, DocumentIssue::invalidImage);
            ++named;
        }
    }
    EXPECT_GE(named, 20);
}
