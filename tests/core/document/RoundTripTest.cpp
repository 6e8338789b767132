#include "tests/core/model/FullDocument.h"

#include "core/document/DocumentJson.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <atomic>
#include <thread>
#include <vector>

using namespace kestrivane;
using namespace modelsamples;

TEST(RoundTrip, EveryFieldOfEveryKindSurvivesTheFileFormat)
{
    const LabelDocument original = fullDocument();
    ASSERT_NO_THROW(original.validate());
    const QByteArray bytes = original.encoded();
    const LabelDocument back = LabelDocument::decode(bytes);
    EXPECT_EQ(back, original);
    // Writing again gives the same bytes: nothing is lost or reordered.
    EXPECT_EQ(back.encoded(), bytes);

    // Field by field, so that a failure names what changed.
    ASSERT_EQ(back.elements.size(), original.elements.size());
    for (qsizetype i = 0; i < back.elements.size(); ++i) {
        const LabelElement &a = back.elements[i];
        const LabelElement &b = original.elements[i];
        SCOPED_TRACE(rawValue(b.kind).toStdString());
        EXPECT_EQ(a.textStyle, b.textStyle);
        EXPECT_EQ(a.barcode, b.barcode);
        EXPECT_EQ(a.dateOptions, b.dateOptions);
        EXPECT_EQ(a.counter, b.counter);
        EXPECT_EQ(a.webAppearance, b.webAppearance);
        EXPECT_EQ(a.webMetadata, b.webMetadata);
        EXPECT_EQ(a.tableBinding, b.tableBinding);
    }
    EXPECT_EQ(back.webBackground, original.webBackground);
    EXPECT_EQ(back.table, original.table);
    EXPECT_EQ(back.batch, original.batch);
    EXPECT_EQ(back.layout, original.layout);

    QFile out(testsupport::outputPath("full-document.ksv"));
    if (out.open(QIODevice::WriteOnly))
        out.write(bytes);
}

TEST(RoundTrip, ElementsAsTheClipboardCarriesThem)
{
    const LabelDocument d = fullDocument();
    QJsonArray array;
    for (const LabelElement &e : d.elements)
        array.append(toJson(e));
    const QJsonArray back = QJsonDocument::fromJson(QJsonDocument(array).toJson()).array();
    ASSERT_EQ(back.size(), d.elements.size());
    for (qsizetype i = 0; i < back.size(); ++i)
        EXPECT_EQ(elementFromJson(back[i]), d.elements[i]);
}

TEST(RoundTrip, SampleDocumentOfTheTestDataReads)
{
    const LabelDocument sample = LabelDocument::load(testsupport::dataPath("documents/sample.ksv"));
    EXPECT_EQ(sample.elements.size(), 9);
    EXPECT_EQ(LabelDocument::decode(sample.encoded()), sample);
}

// Validation, encoding and decoding keep no state: print tasks and the canvas use them at once.
TEST(RoundTrip, DocumentsAreReadAndWrittenFromSeveralThreadsAtOnce)
{
    const LabelDocument original = fullDocument();
    const QByteArray bytes = original.encoded();
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20; ++i) {
                try {
                    if (LabelDocument::decode(bytes) != original || original.encoded() != bytes)
                        ++failures;
                } catch (...) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
}
