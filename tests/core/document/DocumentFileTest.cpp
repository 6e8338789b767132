#include "tests/core/model/ModelSamples.h"

#include "core/common/TableIssue.h"
#include "core/common/TextRules.h"
#include "core/document/DocumentJson.h"
#include "core/json/JsonRead.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <limits>
#include <sys/stat.h>

using namespace kestrivane;
using namespace modelsamples;

namespace {

// A minimal valid file of the given version as a JSON object, for editing in tests.
QJsonObject minimalFile(int version = 5)
{
    QJsonObject element{{"id", "0F8FAD5B-D9CB-469F-A165-70867728950E"},
                        {"kind", "text"},
                        {"content", "Hello"},
                        {"xMm", 5},
                        {"yMm", 5},
                        {"widthMm", 20},
                        {"heightMm", 8},
                        {"fontSizePt", 12}};
    QJsonObject layout{{"shape", "rectangle"}, {"cornerRadiusMm", 0}, {"medium", "directThermal"},
                       {"columns", 1},         {"rows", 1},           {"leftMarginMm", 0},
                       {"topMarginMm", 0},     {"columnGapMm", 0},    {"rowGapMm", 0}};
    return QJsonObject{{"schemaVersion", version}, {"documentID", "7C9E6679-7425-40DE-944B-E07FC1F90AE7"},
                       {"name", "Label"},          {"widthMm", 60},
                       {"heightMm", 40},           {"elements", QJsonArray{element}},
                       {"layout", layout}};
}

QByteArray bytes(const QJsonObject &object)
{
    return QJsonDocument(object).toJson();
}

LabelDocument decode(const QJsonObject &object)
{
    return LabelDocument::decode(bytes(object));
}

QJsonObject withElementKey(QJsonObject file, const QString &key, const QJsonValue &value)
{
    QJsonArray elements = file["elements"].toArray();
    QJsonObject element = elements[0].toObject();
    if (value.isUndefined())
        element.remove(key);
    else
        element[key] = value;
    elements[0] = element;
    file["elements"] = elements;
    return file;
}

#define EXPECT_DECODE(object, issue) EXPECT_ISSUE(decode(object), DocumentIssue, DocumentIssue::issue)

} // namespace

TEST(DocumentFile, VersionIsCheckedFirstAndAlwaysBecomesFive)
{
    for (int version : {0, 6}) {
        EXPECT_ISSUE(LabelDocument::decode(bytes(QJsonObject{{"schemaVersion", version}, {"name", 3}})), DocumentIssue,
                     DocumentIssue::unsupportedVersion);
    }
    EXPECT_ISSUE(LabelDocument::decode("{\"schemaVersion\": 6.0}"), DocumentIssue, DocumentIssue::unsupportedVersion);
    EXPECT_ISSUE(LabelDocument::decode("{\"schemaVersion\": 6,"), DocumentIssue, DocumentIssue::invalidDocument);
    EXPECT_ISSUE(LabelDocument::decode("{\"schemaVersion\": \"5\"}"), DocumentIssue, DocumentIssue::invalidDocument);
    EXPECT_ISSUE(LabelDocument::decode("{}"), DocumentIssue, DocumentIssue::invalidDocument);
    EXPECT_ISSUE(LabelDocument::decode("[5]"), DocumentIssue, DocumentIssue::invalidDocument);
    EXPECT_ISSUE(LabelDocument::decode("{\"schemaVersion\": null}"), DocumentIssue, DocumentIssue::invalidDocument);

    for (int version = 1; version <= 5; ++version) {
        const LabelDocument d = decode(minimalFile(version));
        EXPECT_EQ(d.schemaVersion, 5);
        EXPECT_TRUE(d.encoded().contains("\"schemaVersion\": 5"));
    }
}

TEST(DocumentFile, VersionOneIgnoresLayout)
{
    QJsonObject file = minimalFile(1);
    QJsonObject layout = file["layout"].toObject();
    layout["columns"] = 99;
    file["layout"] = layout;
    EXPECT_EQ(decode(file).layout, SheetLayout());
    file.remove("layout");
    EXPECT_NO_THROW(decode(file));

    file = minimalFile(2);
    file["layout"] = layout;
    EXPECT_DECODE(file, invalidGeometry); // read, then validated
    file.remove("layout");
    EXPECT_DECODE(file, invalidDocument);
    layout.remove("rowGapMm");
    file["layout"] = layout;
    EXPECT_DECODE(file, invalidDocument);
}

TEST(DocumentFile, ElementKeysRequiredOptionalAndDefaults)
{
    const LabelDocument d = decode(minimalFile());
    const LabelElement &e = d.elements[0];
    EXPECT_EQ(e.rotationDegrees, 0);
    EXPECT_EQ(e.strokeMm, 0.3);
    EXPECT_EQ(e.barcode, BarcodeOptions());
    EXPECT_EQ(e.textStyle, TextStyle());
    EXPECT_EQ(e.counter, CounterOptions());
    EXPECT_EQ(e.dateOptions.pattern, DatePattern::isoDate);
    EXPECT_EQ(e.dateOptions.timeZoneID, text::currentTimeZoneId());
    EXPECT_EQ(e.id.toString(QUuid::WithoutBraces), QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e"));

    // Null is absent for optional keys and missing for required ones.
    EXPECT_FALSE(decode(withElementKey(minimalFile(), "graphicID", QJsonValue::Null)).elements[0].graphicID);
    EXPECT_EQ(decode(withElementKey(minimalFile(), "strokeMm", QJsonValue::Null)).elements[0].strokeMm, 0.3);
    EXPECT_DECODE(withElementKey(minimalFile(), "fontSizePt", QJsonValue::Null), invalidDocument);
    for (const char *key : {"id", "kind", "content", "xMm", "yMm", "widthMm", "heightMm", "fontSizePt"}) {
        SCOPED_TRACE(key);
        EXPECT_DECODE(withElementKey(minimalFile(), key, QJsonValue::Undefined), invalidDocument);
    }

    // Wrong values anywhere make the file unreadable.
    EXPECT_DECODE(withElementKey(minimalFile(), "kind", "arc"), invalidDocument);
    EXPECT_DECODE(withElementKey(minimalFile(), "id", "{0F8FAD5B-D9CB-469F-A165-70867728950E}"), invalidDocument);
    EXPECT_DECODE(withElementKey(minimalFile(), "textStyle", QJsonObject()), invalidDocument);
    EXPECT_DECODE(withElementKey(minimalFile(), "textStyle", "bold"), invalidDocument);
    EXPECT_DECODE(withElementKey(minimalFile(), "imageData", "YWI"), invalidDocument);
    EXPECT_DECODE(withElementKey(minimalFile(), "filled", 1), invalidDocument);
    EXPECT_DECODE(
        withElementKey(minimalFile(), "counter",
                       QJsonObject{{"start", 1.5}, {"step", 1}, {"digits", 4}, {"prefix", ""}, {"suffix", ""}}),
        invalidDocument);
    EXPECT_DECODE(withElementKey(minimalFile(), "tableBinding", QJsonObject{{"column", 0}, {"prefix", ""}}),
                  invalidDocument);
    EXPECT_DECODE(withElementKey(minimalFile(), "webAppearance", QJsonObject{{"color", "#000"}}), invalidDocument);

    // A barcode object without a caption size reads 12; unknown keys are ignored.
    QJsonObject file = withElementKey(minimalFile(), "barcode", QJsonObject{{"symbology", "qr"}, {"showsText", true}});
    file = withElementKey(file, "unknownKey", 5);
    file["alsoUnknown"] = QJsonArray{1};
    const LabelDocument read = decode(file);
    EXPECT_EQ(read.elements[0].barcode, BarcodeOptions(BarcodeSymbology::qr, true, 12));
    EXPECT_FALSE(read.encoded().contains("nknown"));
}

TEST(DocumentFile, ValidationErrorsKeepTheirCase)
{
    QJsonObject file = minimalFile();
    file["widthMm"] = 5;
    EXPECT_DECODE(file, invalidGeometry);
    EXPECT_DECODE(withElementKey(minimalFile(), "content", ""), invalidContent);
    file = minimalFile();
    file["batch"] = QJsonObject{{"rows", ""}, {"copies", 0}, {"advanceEveryCopy", true}};
    EXPECT_ISSUE(decode(file), TableIssue, TableIssue::copies);
    file["batch"] = QJsonObject{{"rows", ""}, {"copies", 2}};
    EXPECT_DECODE(file, invalidDocument);
}

TEST(DocumentFile, WrittenTextIsSortedPrettyAndOmitsAbsentOptionals)
{
    LabelDocument d = document({element(ElementKind::text, QStringLiteral("a/b"))});
    const QByteArray text = d.encoded();
    EXPECT_LT(text.indexOf("\"batch\""), text.indexOf("\"documentID\""));
    EXPECT_LT(text.indexOf("\"documentID\""), text.indexOf("\"elements\""));
    EXPECT_LT(text.indexOf("\"barcode\""), text.indexOf("\"content\""));
    EXPECT_LT(text.indexOf("\"content\""), text.indexOf("\"counter\""));
    EXPECT_TRUE(text.contains("\"a/b\""));
    EXPECT_TRUE(text.contains('\n'));
    for (const char *absent : {"imageData", "graphicID", "webAppearance", "webMetadata", "originalImageData",
                               "tableBinding", "webSourceJSON", "webBackground", "\"table\"", "copiesColumn", "null"})
        EXPECT_FALSE(text.contains(absent)) << absent;
    EXPECT_TRUE(text.contains(json::uuidText(d.documentID).toLatin1()));
    EXPECT_EQ(LabelDocument::decode(text), d);
}

TEST(DocumentFile, NonFiniteNumbersAreNeverWritten)
{
    // The caption size is checked only on barcodes but written for every element;
    // Qt would write null and read it back as 12.
    LabelDocument d = document({element(ElementKind::text)});
    d.elements[0].barcode.captionFontSizePt = std::numeric_limits<double>::infinity();
    EXPECT_NO_THROW(d.validate());
    EXPECT_ISSUE(d.encoded(), DocumentIssue, DocumentIssue::invalidDocument);

    d.elements[0].barcode = BarcodeOptions();
    d.elements[0].webMetadata = CatalogJSON::fromNumber(std::numeric_limits<double>::quiet_NaN());
    EXPECT_ISSUE(d.encoded(), DocumentIssue, DocumentIssue::invalidDocument);
}

TEST(DocumentFile, SizeLimitOnReadingAndWriting)
{
    // Padding with blanks after the object keeps the text valid JSON.
    QByteArray text = bytes(minimalFile());
    QByteArray exact = text + QByteArray(LabelDocument::maximumFileBytes - text.size(), ' ');
    EXPECT_NO_THROW(LabelDocument::decode(exact));
    EXPECT_ISSUE(LabelDocument::decode(exact + ' '), DocumentIssue, DocumentIssue::tooLarge);
    EXPECT_ISSUE(LabelDocument::decode(QByteArray(LabelDocument::maximumFileBytes + 1, '{')), DocumentIssue,
                 DocumentIssue::tooLarge);

    // 8 MiB of web source passes validation but its Base64 form exceeds the file limit.
    LabelDocument big = document();
    big.webSourceJSON = QByteArray(8 * 1024 * 1024, 'x');
    EXPECT_NO_THROW(big.validate());
    EXPECT_ISSUE(big.encoded(), DocumentIssue, DocumentIssue::tooLarge);
}

TEST(DocumentStorage, SavesAtomicallyAndLoadsOnlyRegularFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("label.ksv");
    const LabelDocument d = document({element(ElementKind::text)});
    d.saveTo(path);
    EXPECT_EQ(LabelDocument::load(path), d);

    // A document that fails validation writes nothing and leaves the old file alone.
    LabelDocument broken = d;
    broken.name.clear();
    EXPECT_ISSUE(broken.saveTo(path), DocumentIssue, DocumentIssue::invalidDocument);
    EXPECT_EQ(LabelDocument::load(path), d);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"label.ksv"});

    EXPECT_THROW(LabelDocument::load(dir.filePath("missing.ksv")), FileError);
    EXPECT_THROW(LabelDocument::load(dir.path()), FileError);
    // A FIFO would block a plain read until someone writes to it.
    const QString fifo = dir.filePath("pipe.ksv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_THROW(LabelDocument::load(fifo), FileError);
    EXPECT_THROW(LabelDocument::load(QStringLiteral("/dev/zero")), FileError);
    EXPECT_THROW(d.saveTo(dir.filePath("no/such/folder/label.ksv")), FileError);

    QFile large(dir.filePath("large.ksv"));
    ASSERT_TRUE(large.open(QIODevice::WriteOnly));
    ASSERT_TRUE(large.resize(LabelDocument::maximumFileBytes + 1));
    large.close();
    EXPECT_ISSUE(LabelDocument::load(large.fileName()), DocumentIssue, DocumentIssue::tooLarge);

    QFile garbage(dir.filePath("garbage.ksv"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("not json");
    garbage.close();
    EXPECT_ISSUE(LabelDocument::load(garbage.fileName()), DocumentIssue, DocumentIssue::invalidDocument);
}

TEST(DocumentJson, ElementsReadAndWriteOnTheirOwn)
{
    LabelElement e = element(ElementKind::counter);
    e.counter.start = std::numeric_limits<qint64>::min();
    const LabelElement back = elementFromJson(toJson(e));
    EXPECT_EQ(back, e);
    EXPECT_ISSUE(elementFromJson(QJsonValue(3)), DocumentIssue, DocumentIssue::invalidDocument);
    EXPECT_ISSUE(elementFromJson(QJsonObject()), DocumentIssue, DocumentIssue::invalidDocument);
}
