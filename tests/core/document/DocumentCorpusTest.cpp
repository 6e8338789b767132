#include "core/model/LabelDocument.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace kestrivane;

// The fuzz target's seeds, replayed: every input is read or refused with one of the
// program's own errors, and whatever is read survives being written and read again.
TEST(DocumentCorpus, EverySeedIsReadOrRefusedCleanly)
{
    const QList<QByteArray> inputs = testsupport::fuzzCorpus(QStringLiteral("document"));
    ASSERT_GE(inputs.size(), 20);
    int read = 0;
    for (const QByteArray &input : inputs) {
        LabelDocument document;
        try {
            document = LabelDocument::decode(input);
        } catch (const Error &) {
            continue;
        }
        ++read;
        const QByteArray written = document.encoded();
        EXPECT_EQ(LabelDocument::decode(written), document) << input.left(200).toStdString();
    }
    // Valid documents of every version are among the seeds.
    EXPECT_GE(read, 8);
}

// The hand-written seeds say in their names whether they are valid documents.
TEST(DocumentCorpus, NamedSeedsAreReadOrRefusedAsNamed)
{
    const QDir dir(QStringLiteral(KESTRIVANE_FUZZ_CORPUS "/document"));
    for (const QString &name : dir.entryList({QStringLiteral("valid-*"), QStringLiteral("broken-*")}, QDir::Files)) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray input = testsupport::readFile(dir.filePath(name));
        if (name.startsWith(QStringLiteral("valid-")))
            EXPECT_NO_THROW(LabelDocument::decode(input));
        else
            EXPECT_THROW(LabelDocument::decode(input), Error);
    }
}
