#include "core/model/BarcodeOptions.h"

#include "core/common/DocumentIssue.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

#include <limits>

using namespace kestrivane;

namespace {

QJsonObject object(const char *json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

} // namespace

TEST(BarcodeSymbologyVocabulary, RawValuesTitlesAndKinds)
{
    const QStringList raws = {"ean13", "qr",     "dataMatrix", "gs1DataMatrix", "gs1DataBarStacked",
                              "ean8",  "code39", "codabar",    "code128",       "interleaved2of5",
                              "itf14"};
    const QList<BarcodeSymbology> &all = allBarcodeSymbologies();
    ASSERT_EQ(all.size(), raws.size());
    for (qsizetype i = 0; i < all.size(); ++i) {
        EXPECT_EQ(rawValue(all[i]), raws[i]);
        EXPECT_EQ(barcodeSymbologyFromRawValue(raws[i]), all[i]);
        EXPECT_EQ(titleKey(all[i]), QStringLiteral("mac.bar_") + raws[i]);
        EXPECT_EQ(int(all[i]), int(i)) << "listed in declaration order";
    }
    for (const char *unknown : {"", "EAN13", "Ean13", "qr ", "datamatrix", "code93"})
        EXPECT_FALSE(barcodeSymbologyFromRawValue(QString::fromLatin1(unknown))) << unknown;

    QStringList matrix;
    QStringList gs1;
    for (BarcodeSymbology symbology : all) {
        if (isMatrix(symbology))
            matrix << rawValue(symbology);
        if (isGS1(symbology))
            gs1 << rawValue(symbology);
    }
    EXPECT_EQ(matrix, (QStringList{"qr", "dataMatrix", "gs1DataMatrix"}));
    EXPECT_EQ(gs1, (QStringList{"gs1DataMatrix", "gs1DataBarStacked"}));
}

TEST(BarcodeOptionsJson, ReadsWritesAndDefaultsTheCaptionSize)
{
    const BarcodeOptions defaults;
    EXPECT_EQ(defaults, BarcodeOptions(BarcodeSymbology::code128, false, 12));
    EXPECT_TRUE(BarcodeOptions::captionFontSizeRange.contains(3));
    EXPECT_TRUE(BarcodeOptions::captionFontSizeRange.contains(72));
    EXPECT_FALSE(BarcodeOptions::captionFontSizeRange.contains(2.999));
    EXPECT_FALSE(BarcodeOptions::captionFontSizeRange.contains(72.001));

    EXPECT_EQ(barcodeOptionsFromJson(object(R"({"symbology":"itf14","showsText":true})")),
              BarcodeOptions(BarcodeSymbology::itf14, true, 12));
    EXPECT_EQ(barcodeOptionsFromJson(object(R"({"symbology":"ean8","showsText":false,"captionFontSizePt":null})")),
              BarcodeOptions(BarcodeSymbology::ean8, false, 12));
    // Out of range is kept: validation, not reading, refuses it.
    EXPECT_EQ(barcodeOptionsFromJson(object(R"({"symbology":"qr","showsText":false,"captionFontSizePt":100})")),
              BarcodeOptions(BarcodeSymbology::qr, false, 100));

    for (BarcodeSymbology symbology : allBarcodeSymbologies()) {
        const BarcodeOptions options(symbology, true, 7.25);
        const QJsonObject json = toJson(options);
        EXPECT_EQ(json.value("symbology").toString(), rawValue(symbology));
        EXPECT_EQ(json.value("captionFontSizePt").toDouble(), 7.25);
        const QByteArray text = QJsonDocument(json).toJson();
        EXPECT_EQ(barcodeOptionsFromJson(QJsonDocument::fromJson(text).object()), options);
    }
    EXPECT_TRUE(toJson(BarcodeOptions()).contains("captionFontSizePt")) << "always written";
}

TEST(BarcodeOptionsJson, RefusesWhatCannotRoundTrip)
{
    for (const char *json : {
             R"({"showsText":true})",
             R"({"symbology":"ean13"})",
             R"({"symbology":"EAN13","showsText":true})",
             R"({"symbology":3,"showsText":true})",
             R"({"symbology":"ean13","showsText":1})",
             R"({"symbology":"ean13","showsText":"true"})",
             R"({"symbology":null,"showsText":true})",
             R"({"symbology":"ean13","showsText":true,"captionFontSizePt":"12"})",
         })
        EXPECT_ISSUE(barcodeOptionsFromJson(object(json)), DocumentIssue, DocumentIssue::invalidDocument);
    EXPECT_ISSUE(barcodeOptionsFromJson(QJsonValue(QStringLiteral("ean13"))), DocumentIssue,
                 DocumentIssue::invalidDocument);

    // Qt would write these as null, which reads back as 12.
    for (double size : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity()})
        EXPECT_ISSUE(toJson(BarcodeOptions(BarcodeSymbology::ean13, true, size)), DocumentIssue,
                     DocumentIssue::invalidDocument);
}
