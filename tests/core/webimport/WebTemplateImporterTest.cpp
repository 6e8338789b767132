#include "core/webimport/WebTemplateImporter.h"
#include "core/catalog/TemplateCatalogService.h"
#include "core/document/DocumentJson.h"
#include "core/graphics/ImageAsset.h"
#include "core/library/GraphicLibrary.h"
#include "core/render/LabelRenderer.h"

#include "tests/common/FakeCatalogTransport.h"
#include "tests/common/TestCatalogServer.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QtMath>

#include <atomic>
#include <variant>

using namespace kestrivane;
using Kind = CatalogIssue::Kind;
using Outcome = std::variant<CatalogIssue, DocumentIssue>;

namespace {

const QString photoOrigin = QStringLiteral("https://photos.test");
const QString signSrc = QStringLiteral("/static/signs/ms_0123456789abcdef0123456789abcdef.svg");

QByteArray fixture(const QString &name)
{
    return testsupport::readFile(testsupport::dataPath("webimport/" + name));
}

WebSignLookup fixtureSigns()
{
    return [](const QString &reference) {
        return GraphicLibrary::bundledWebSign(reference, testsupport::dataPath("webimport/signs"));
    };
}

// "src" as the designs write it → the bytes served for it.
QHash<QString, QByteArray> served()
{
    return {{"/static/img/shared.png", fixture("shared.png")},
            {"/static/img/background.png", fixture("background.png")},
            {photoOrigin + "/static/img/photo.png", fixture("photo.png")},
            {signSrc, fixture("signs/caution.svg")},
            {"data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAQAAAAECAYAAACp8Z5+AAAAGElEQVR42mP4DwQMDTb/"
             "YTQDMgdME1QBAAgqLblobIg/AAAAAElFTkSuQmCC",
             fixture("logo.png")}};
}

TemplateCatalogService fakeService()
{
    auto transport = std::make_shared<testsupport::FakeCatalogTransport>();
    for (const char *name : {"shared.png", "background.png"})
        transport->script("https://catalog.test/static/img/" + QString(name), {{fixture(name), std::nullopt, 0}});
    transport->script(photoOrigin + "/static/img/photo.png", {{fixture("photo.png"), std::nullopt, 0}});
    return TemplateCatalogService(QUrl("https://catalog.test/api/v1/desktop/templates"), transport, {0, 0});
}

WebImageLoader loaderOf(const TemplateCatalogService &service, std::atomic<int> *calls = nullptr)
{
    return [&service, calls](const QString &src, const CancelToken &token) {
        if (calls)
            ++*calls;
        return service.image(src, token);
    };
}

ImportedWebTemplate convertBytes(const QByteArray &bytes, const WebImageLoader &loader, const CancelToken &token = {})
{
    return WebTemplateImporter::convert(CatalogDesign::decode(bytes), loader, token, fixtureSigns());
}

std::optional<Outcome> outcomeOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const CatalogError &error) {
        return error.issue();
    } catch (const DocumentError &error) {
        return error.issue();
    }
    return std::nullopt;
}

QByteArray designWith(const QJsonArray &elements)
{
    return QJsonDocument(QJsonObject{{"schemaVersion", 1},
                                     {"format", "kestrivane-web"},
                                     {"id", "t"},
                                     {"name", "T"},
                                     {"template", QJsonObject{{"widthMm", 60}, {"heightMm", 40}}},
                                     {"elements", elements}})
        .toJson(QJsonDocument::Compact);
}

QJsonObject box(const char *type, const QJsonObject &extra = {})
{
    QJsonObject object{{"type", type}, {"x", 1}, {"y", 1}, {"w", 20}, {"h", 10}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        object.insert(it.key(), it.value());
    return object;
}

// Sets (or, without a value, removes) the key a JSON pointer names; "-" appends to an array.
using Patch = std::pair<QString, std::optional<QJsonValue>>;

QJsonValue patchedValue(const QJsonValue &node, QStringList tokens, const std::optional<QJsonValue> &value)
{
    const QString token = tokens.takeFirst();
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        if (token == "-")
            array.append(*value);
        else
            array[token.toInt()] = patchedValue(array.at(token.toInt()), tokens, value);
        return array;
    }
    QJsonObject object = node.toObject();
    if (!tokens.isEmpty())
        object.insert(token, patchedValue(object.value(token), tokens, value));
    else if (value)
        object.insert(token, *value);
    else
        object.remove(token);
    return object;
}

QByteArray patched(const QByteArray &json, const QList<Patch> &patches)
{
    QJsonValue root = QJsonDocument::fromJson(json).object();
    for (const Patch &patch : patches)
        root = patchedValue(root, patch.first.split(u'/', Qt::SkipEmptyParts), patch.second);
    return QJsonDocument(root.toObject()).toJson(QJsonDocument::Compact);
}

// The picture bytes and the design source are checked on their own and left out; the
// identifiers and time zones come from the expected file; the rest must be equal. The
// actual result is left in the test output folder for review.
void expectGolden(const ImportedWebTemplate &result, const QByteArray &design, const QString &expected)
{
    LabelDocument actual = result.document;
    EXPECT_EQ(actual.webSourceJSON, design);
    actual.webSourceJSON.reset();
    if (actual.webBackground && actual.webBackground->originalImage) {
        const auto src = actual.webBackground->definition["image"]["src"].string().value_or("");
        EXPECT_EQ(actual.webBackground->originalImage, served().value(src));
        actual.webBackground->originalImage.reset();
    }
    for (LabelElement &element : actual.elements) {
        if (!element.originalImageData)
            continue;
        const QString src = (*element.webMetadata)["src"].string().value_or("");
        EXPECT_EQ(element.originalImageData, served().value(src)) << src.toStdString();
        ASSERT_TRUE(element.imageData);
        EXPECT_NO_THROW(ImageAsset::validate(*element.imageData));
        element.originalImageData.reset();
        element.imageData.reset();
    }
    QFile out(testsupport::outputPath("webimport-" + expected));
    if (out.open(QIODevice::WriteOnly))
        out.write(QJsonDocument(QJsonObject{{"document", toJson(actual)},
                                            {"warnings", QJsonArray::fromStringList(result.warnings)}})
                      .toJson());

    const QJsonObject golden = QJsonDocument::fromJson(fixture(expected)).object();
    const LabelDocument wanted = documentFromJson(golden.value("document"));
    actual.documentID = wanted.documentID;
    ASSERT_EQ(actual.elements.size(), wanted.elements.size());
    for (qsizetype i = 0; i < actual.elements.size(); ++i) {
        actual.elements[i].id = wanted.elements.at(i).id;
        actual.elements[i].dateOptions.timeZoneID = wanted.elements.at(i).dateOptions.timeZoneID;
    }
    EXPECT_EQ(QJsonValue(QJsonArray::fromStringList(result.warnings)), golden.value("warnings"));
    EXPECT_TRUE(actual == wanted) << "differs from " << expected.toStdString() << ", see "
                                  << out.fileName().toStdString();
}

} // namespace

TEST(WebTemplateImporter, ConvertsEachGoldenDesign)
{
    const TemplateCatalogService service = fakeService();
    for (const QString name : {"all-kinds", "layout", "barcodes", "bg-image"}) {
        SCOPED_TRACE(name.toStdString());
        std::atomic<int> calls = 0;
        const QByteArray bytes = fixture(name + ".json");
        const ImportedWebTemplate result = convertBytes(bytes, loaderOf(service, &calls));
        expectGolden(result, bytes, name + ".expected.json");
        EXPECT_NE(convertBytes(bytes, loaderOf(service)).document.documentID, result.document.documentID);
        if (name == "all-kinds") {
            EXPECT_EQ(calls, 4); // shared (once for two elements), data:, photo, sign
        }
        // For a person to compare with the design.
        const QSizeF size = LabelRenderer::size(result.document) * 4;
        QImage image(qCeil(size.width()), qCeil(size.height()), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::lightGray);
        QPainter painter(&image);
        painter.scale(4, 4);
        LabelRenderer::draw(result.document, painter, RenderValidation::check, QDateTime::currentDateTime(), 0);
        painter.end();
        image.save(testsupport::outputPath("webimport-" + name + ".png"));
    }
    EXPECT_ISSUE(convertBytes(fixture("bg-image-no-src.json"), loaderOf(service)), CatalogIssue,
                 CatalogIssue::unsupported({"template.bg.image.src"}));
}

TEST(WebTemplateImporter, ConvertsOverHTTPSFromTwoHosts)
{
    testsupport::TestCatalogServer catalog;
    testsupport::TestCatalogServer photos;
    catalog.setCatalog({{}, "[]", "[]", {{"/static/img/shared.png", fixture("shared.png")}}});
    photos.setCatalog({{}, "[]", "[]", {{"/static/img/photo.png", fixture("photo.png")}}});
    const TransportConfiguration configuration{
        15000, 30000, false, testsupport::TestCatalogServer::caCertificates(), {}};
    const TemplateCatalogService service(catalog.base(), std::make_shared<HTTPCatalogTransport>(configuration));

    const QByteArray design = fixture("all-kinds.json").replace(photoOrigin.toUtf8(), photos.origin().toUtf8());
    ImportedWebTemplate result = convertBytes(design, loaderOf(service));
    for (LabelElement &element : result.document.elements) { // the photo's metadata names its host
        element.webMetadata =
            CatalogJSON::parse(element.webMetadata->toJson().replace(photos.origin().toUtf8(), photoOrigin.toUtf8()));
    }
    expectGolden(result, design, "all-kinds.expected.json");
    ASSERT_EQ(catalog.requests().size(), 2);
    EXPECT_EQ(catalog.requests()[0].target, "/static/img/shared.png");
    EXPECT_EQ(catalog.requests()[1].target, signSrc.toUtf8());
    ASSERT_EQ(photos.requests().size(), 1);
    EXPECT_EQ(photos.requests()[0].target, "/static/img/photo.png");
}

TEST(WebTemplateImporter, EndsWithTheFirstErrorOrTheSortedUnsupportedPlaces)
{
    const Outcome invalid = CatalogIssue(Kind::invalid);
    const auto unsupported = [](QStringList paths) { return Outcome(CatalogIssue::unsupported(std::move(paths))); };
    QList<Patch> tooMany;
    for (int i = 0; i < 486; ++i)
        tooMany.append({"/elements/-", box("line")});
    const QList<std::tuple<const char *, QList<Patch>, Outcome>> rows = {
        {"no width", {{"/template/widthMm", std::nullopt}}, invalid},
        {"width as text", {{"/template/widthMm", "40"}}, invalid},
        {"fractional rows", {{"/template/rows", 2.5}}, invalid},
        {"hexagon", {{"/template/shape", "hexagon"}}, unsupported({"template.shape"})},
        {"card", {{"/template/mediaType", "card"}}, unsupported({"template.card"})},
        {"back side", {{"/template/bgBack", QJsonObject{{"type", "color"}}}}, unsupported({"template.card"})},
        {"bg number", {{"/template/bg", 5}}, unsupported({"template.bg"})},
        {"bg unknown", {{"/template/bg", QJsonObject{{"type", "plaid"}}}}, unsupported({"template.bg"})},
        {"two types",
         {{"/elements/0/type", "qr"}, {"/elements/1/type", "table"}},
         unsupported({"elements[1].type (qr)", "elements[2].type (table)"})},
        {"invalid wins", {{"/elements/0/type", "qr"}, {"/elements/1/x", std::nullopt}}, invalid},
        {"type number", {{"/elements/0/type", 3}}, invalid},
        {"align", {{"/elements/0/align", "middle"}}, unsupported({"elements[1].align"})},
        {"side", {{"/elements/0/side", "back"}, {"/elements/9/side", 1}}, unsupported({"elements[1].side"})},
        {"format", {{"/elements/4/format", "qr"}}, unsupported({"elements[5].format"})},
        {"no src", {{"/elements/11/src", std::nullopt}}, unsupported({"elements[12].src"})},
        {"stretch", {{"/elements/13/fit", "stretch"}}, unsupported({"elements[14].imagePlacement"})},
        {"tiny scale", {{"/elements/13/imgScale", 0.05}}, unsupported({"elements[14].imagePlacement"})},
        {"no value", {{"/elements/4/value", std::nullopt}}, invalid},
        {"showValue text", {{"/elements/4/showValue", "yes"}}, invalid},
        {"no such day", {{"/elements/2/baseDate", "2024-02-30"}}, DocumentIssue::invalidContent},
        {"fractional pad", {{"/elements/3/pad", 4.5}}, invalid},
        {"bad colour",
         {{"/elements/0/color", "notacolor"}, {"/elements/10/color", 7}},
         unsupported({"elements[1].color"})},
        {"text order",
         {{"/elements/9/side", "back"}, {"/elements/1/side", "back"}},
         unsupported({"elements[10].side", "elements[2].side"})},
        {"501 elements", tooMany, invalid},
        {"8 MiB", {{"/template/editorZoom", QString(8 * 1024 * 1024, u'x')}}, invalid},
        {"bad check digit", {{"/elements/4/value", "4601234567890"}}, CatalogIssue(Kind::invalidBarcode)},
        {"negative width", {{"/template/widthMm", -10}}, invalid},
    };
    const TemplateCatalogService service = fakeService();
    for (const auto &[name, patches, expected] : rows) {
        SCOPED_TRACE(name);
        // The issue's == compares the unsupported paths and their order as well.
        EXPECT_TRUE(outcomeOf([&] { convertBytes(patched(fixture("all-kinds.json"), patches), loaderOf(service)); }) ==
                    expected);
    }
}

TEST(WebTemplateImporter, ReadersTakeOnlyTheirOwnJSONType)
{
    // Wrong types of real keys are rows of the failure table; these are the readers' edges.
    const CatalogJSON json = *CatalogJSON::parse(
        R"({"b": true, "z": null, "max": 9007199254740991, "over": 9007199254740992, "neg": -9007199254740991})");
    EXPECT_EQ(webimport::number(json, "z", 7.0), 7.0);
    EXPECT_EQ(webimport::number(CatalogJSON::fromString("x"), "n", 3.0), 3.0);
    EXPECT_EQ(webimport::integer(json, "max", 0), 9007199254740991);
    EXPECT_EQ(webimport::integer(json, "neg", 0), -9007199254740991);
    EXPECT_EQ(webimport::boolean(json, "z", true), true);
    EXPECT_ISSUE(webimport::integer(json, "over", 0), CatalogIssue, CatalogIssue(Kind::invalid));
    EXPECT_ISSUE(webimport::number(json, "b", 0.0), CatalogIssue, CatalogIssue(Kind::invalid));
    EXPECT_ISSUE(webimport::boolean(json, "max", false), CatalogIssue, CatalogIssue(Kind::invalid));
}

TEST(WebTemplateImporter, CompletesTwelveASCIIDigitsAndSizesCaptions)
{
    EXPECT_EQ(webimport::completedEAN13("000000000000"), QStringLiteral("0000000000000"));
    EXPECT_EQ(webimport::completedEAN13("400638133393"), QStringLiteral("4006381333931"));
    for (const QString kept : {"4601234567893", "46012345678a", "٤٦٠١٢٣٤٥٦٧٨٩", "46012345678 "})
        EXPECT_EQ(webimport::completedEAN13(kept), std::nullopt) << kept.toStdString();
    const std::pair<double, double> captions[] = {{0, 12}, {2, 3}, {16, 12}, {95, 71.25}, {96, 72}, {200, 72}, {-5, 3}};
    for (auto [px, pt] : captions)
        EXPECT_EQ(webimport::captionFontSizePt(px), pt) << px;
    const std::pair<double, double> gs1[] = {{0, 8}, {2, 4}, {50, 32}, {10, 10}, {-3, 4}};
    for (auto [in, out] : gs1)
        EXPECT_EQ(webimport::gs1FontPx(in), out) << in;
}

TEST(WebTemplateImporter, TextKindRulesDependOnTheType)
{
    // type, keys, fit mode, shrink, value format, vertical, line height, font size
    // clang-format off
    const std::tuple<const char *, QJsonObject, QString, bool, QString, QString, double, double> rows[] = {
        {"text", {{"textFitMode", "height"}, {"valign", "bottom"}}, "height", true, "plain", "bottom", 1.2, 12},
        {"text", {{"textValueFormat", "financial"}, {"lineHeight", 0}, {"fontSize", 0}}, "none", false, "financial", "center", 1.2, 12},
        {"text", {{"textFitMode", "grow"}, {"fontSize", 40}}, "none", false, "plain", "center", 1.2, 30},
        {"date", {{"textFitMode", "shrink"}, {"textValueFormat", "money-rub"}, {"lineHeight", 1.5}}, "none", false, "plain", "center", 1.5, 12},
        {"numerator", {{"textFitMode", "height"}, {"textValueFormat", "money-rub"}, {"valign", "top"}}, "none", false, "plain", "top", 1.2, 12},
    };
    // clang-format on
    for (const auto &[type, keys, fit, shrink, format, vertical, lineHeight, fontSize] : rows) {
        SCOPED_TRACE(type);
        const ImportedWebTemplate result = convertBytes(designWith({box(type, keys)}), {});
        const WebAppearance appearance = *result.document.elements.at(0).webAppearance;
        EXPECT_EQ(appearance.fitMode, fit);
        EXPECT_EQ(appearance.shrink, shrink);
        EXPECT_EQ(appearance.valueFormat, format);
        EXPECT_EQ(appearance.vertical, vertical);
        EXPECT_EQ(appearance.lineHeight, lineHeight);
        EXPECT_EQ(result.document.elements.at(0).fontSizePt, fontSize);
        EXPECT_EQ(result.warnings, QStringList{"mac.catalog_text_check"});
    }
    // An alignment that is not a string is absent as a word but present as a key.
    const ImportedWebTemplate odd = convertBytes(
        designWith({box("text", {{"align", 5}, {"font", "NoSuchFamily"}, {"source", "table"}, {"converterField", "n"}}),
                    box("date", {{"dateMode", "tomorrow"}, {"converterField", QJsonValue()}})}),
        {});
    EXPECT_EQ(odd.document.elements.at(0).webAppearance->missingAlignment, false);
    EXPECT_EQ(odd.document.elements.at(0).textStyle.fontName, QStringLiteral("NoSuchFamily"));
    EXPECT_EQ(odd.document.elements.at(1).webAppearance->date->mode, QStringLiteral("current"));
    EXPECT_EQ(odd.warnings, QStringList({"mac.catalog_bindings", "mac.catalog_font_warning",
                                         "mac.catalog_static_source", "mac.catalog_text_check"}));
}

TEST(WebTemplateImporter, MapsEveryFailureOfAPictureFetch)
{
    const auto issue = [](Kind kind) { return [kind] { throw CatalogError(kind); }; };
    // what the loader throws, the "src", the issue (none: the sign stands in)
    const std::tuple<std::function<void()>, QString, std::optional<Kind>> rows[] = {
        {issue(Kind::notFound), signSrc, std::nullopt},
        {issue(Kind::notFound), "/static/img/gone.png", Kind::imageUnavailable},
        {issue(Kind::invalid), signSrc, Kind::imageUnavailable},
        {issue(Kind::network), signSrc, Kind::network},
        {[] { throw CancellationError(); }, signSrc, Kind::cancelled},
        {[] { throw FileError("disk"); }, signSrc, Kind::imageUnavailable},
    };
    for (const auto &[fails, src, expected] : rows) {
        SCOPED_TRACE(src.toStdString());
        const WebImageLoader loader = [&](const QString &, const CancelToken &) -> QByteArray {
            fails(), std::abort();
        };
        try {
            const auto [bytes, fromSigns] = webimport::loadImage(src, loader, {}, fixtureSigns());
            EXPECT_EQ(expected, std::nullopt);
            EXPECT_EQ(bytes, fixture("signs/caution.svg"));
            EXPECT_TRUE(fromSigns);
        } catch (const CatalogError &error) {
            EXPECT_EQ(error.issue().kind(), expected);
        }
    }
    const WebSignLookup broken = [](const QString &) -> std::optional<QByteArray> { throw FileError("manifest"); };
    const WebImageLoader missing = [](const QString &, const CancelToken &) -> QByteArray {
        throw CatalogError(Kind::notFound);
    };
    EXPECT_ISSUE(webimport::loadImage(signSrc, missing, {}, broken), CatalogIssue,
                 CatalogIssue(Kind::imageUnavailable));
}

TEST(WebTemplateImporter, FetchesASharedPictureOnceAndStopsWhenCancelled)
{
    QJsonArray pictures;
    for (int i = 0; i < 20; ++i)
        pictures.append(box(i % 2 ? "logo" : "graphic", {{"src", "/static/img/shared.png"}}));
    const TemplateCatalogService service = fakeService();
    std::atomic<int> calls = 0;
    EXPECT_EQ(convertBytes(designWith(pictures), loaderOf(service, &calls)).document.elements.size(), 20);
    EXPECT_EQ(calls, 1);

    const QJsonArray three = {box("graphic", {{"src", "/a.png"}}), box("graphic", {{"src", "/b.png"}}),
                              box("graphic", {{"src", "/c.png"}})};
    // Cancelled during the second fetch: the catalog's cancellation.
    CancelToken token;
    calls = 0;
    const WebImageLoader cancelling = [&](const QString &, const CancelToken &t) -> QByteArray {
        if (++calls == 2) {
            token.cancel();
            throw CancellationError();
        }
        return service.image("/static/img/shared.png", t);
    };
    EXPECT_ISSUE(convertBytes(designWith(three), cancelling, token), CatalogIssue, CatalogIssue(Kind::cancelled));

    // Cancelled after the second fetch: the third element is not started.
    CancelToken early;
    calls = 0;
    const WebImageLoader cancelAfterTwo = [&](const QString &, const CancelToken &t) {
        const QByteArray bytes = service.image("/static/img/shared.png", t);
        if (++calls == 2)
            early.cancel();
        return bytes;
    };
    EXPECT_THROW(convertBytes(designWith(three), cancelAfterTwo, early), CancellationError);
    EXPECT_EQ(calls, 2);
}

TEST(WebTemplateImporter, CutsAnUnknownTypeAfterSixtyCharacters)
{
    const QString family = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");
    const QString type = QString(59, u'a') + family + "tail";
    EXPECT_ISSUE(convertBytes(designWith({box("x", {{"type", type}})}), {}), CatalogIssue,
                 CatalogIssue::unsupported({"elements[1].type (" + QString(59, u'a') + family + ")"}));
}

TEST(WebTemplateImporter, ReplaysTheFuzzSeeds)
{
    const QList<QByteArray> seeds = testsupport::fuzzCorpus("web_convert");
    ASSERT_GE(seeds.size(), 8);
    const WebImageLoader loader = [](const QString &src, const CancelToken &) -> QByteArray {
        if (src.contains("/signs/"))
            throw CatalogError(Kind::notFound);
        return fixture("logo.png");
    };
    int converted = 0;
    for (const QByteArray &seed : seeds) {
        std::optional<ImportedWebTemplate> result;
        if (outcomeOf([&] {
                result = WebTemplateImporter::convert(CatalogDesign::decode(seed), loader, {},
                                                      [](const QString &) { return std::nullopt; });
            }))
            continue;
        EXPECT_NO_THROW(result->document.encoded());
        QStringList sorted = result->warnings;
        sorted.sort();
        sorted.removeDuplicates();
        EXPECT_EQ(result->warnings, sorted);
        ++converted;
    }
    EXPECT_GE(converted, 3);
}
