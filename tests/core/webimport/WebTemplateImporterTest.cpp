#include "core/webimport/WebTemplateImporter.h"
#include "core/catalog/TemplateCatalogService.h"
#include "core/render/LabelRenderer.h"

#include "tests/common/TestCatalogServer.h"
#include "tests/common/TestSupport.h"
#include "tests/core/webimport/WebImportSupport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QtMath>

#include <atomic>

using namespace kestrivane;
using namespace webtest;
using Kind = CatalogIssue::Kind;

namespace {

WebImageLoader loaderOf(const TemplateCatalogService &service, std::atomic<int> *calls = nullptr)
{
    return [&service, calls](const QString &src, const CancelToken &token) {
        if (calls)
            ++*calls;
        return service.image(src, token);
    };
}

QByteArray designWith(const QJsonArray &elements, const QJsonObject &tpl = {{"widthMm", 60}, {"heightMm", 40}})
{
    return QJsonDocument(QJsonObject{{"schemaVersion", 1},
                                     {"format", "kestrivane-web"},
                                     {"id", "t"},
                                     {"name", "T"},
                                     {"template", tpl},
                                     {"elements", elements}})
        .toJson(QJsonDocument::Compact);
}

QJsonObject box(const char *type)
{
    return {{"type", type}, {"x", 1}, {"y", 1}, {"w", 20}, {"h", 10}};
}

QJsonObject with(QJsonObject object, const QJsonObject &extra)
{
    for (auto it = extra.begin(); it != extra.end(); ++it)
        object.insert(it.key(), it.value());
    return object;
}

} // namespace

TEST(WebTemplateImporter, ConvertsEachGoldenDesign)
{
    struct Row {
        const char *design;
        const char *expected;
    };
    const Row rows[] = {{"all-kinds.json", "all-kinds.expected.json"},
                        {"layout.json", "layout.expected.json"},
                        {"barcodes.json", "barcodes.expected.json"},
                        {"bg-image.json", "bg-image.expected.json"}};
    const TemplateCatalogService service = fakeService();
    for (const Row &row : rows) {
        SCOPED_TRACE(row.design);
        std::atomic<int> calls = 0;
        const QByteArray bytes = fixture(QString::fromLatin1(row.design));
        const ImportedWebTemplate result = convertBytes(bytes, loaderOf(service, &calls));
        expectGolden(result, bytes, QString::fromLatin1(row.expected), servedPictures());
        EXPECT_EQ(result.document.schemaVersion, 5);
        // For a person to compare with the design: the converted label as drawn.
        const QSizeF size = LabelRenderer::size(result.document);
        QImage image(qCeil(size.width() * 4), qCeil(size.height() * 4), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::lightGray);
        QPainter painter(&image);
        painter.scale(4, 4);
        LabelRenderer::draw(result.document, painter, true, QDateTime::currentDateTime(), 0);
        painter.end();
        image.save(testsupport::outputPath("webimport-" + QString::fromLatin1(row.design).replace(".json", ".png")));
        EXPECT_NE(convertBytes(bytes, loaderOf(service)).document.documentID, result.document.documentID);
        if (QByteArray(row.design) == "all-kinds.json") { // shared, data:, photo, sign: the shared one once
            EXPECT_EQ(calls, 4);
        }
    }
    EXPECT_EQ(outcomeOf([&] { convertBytes(fixture("bg-image-no-src.json"), loaderOf(service)); }),
              Outcome(CatalogIssue::unsupported({"template.bg.image.src"})));
}

TEST(WebTemplateImporter, ConvertsOverHTTPSFromTwoHosts)
{
    testsupport::TestCatalogServer catalog;
    testsupport::TestCatalogServer photos;
    testsupport::CatalogFixture files;
    files.files.insert("/static/img/shared.png", fixture("shared.png"));
    catalog.setCatalog(files);
    testsupport::CatalogFixture photoFiles;
    photoFiles.files.insert("/static/img/photo.png", fixture("photo.png"));
    photos.setCatalog(photoFiles);

    TransportConfiguration configuration;
    configuration.useSystemProxy = false;
    configuration.diskCacheFolder.clear();
    configuration.caCertificates = testsupport::TestCatalogServer::caCertificates();
    const TemplateCatalogService service(catalog.base(), std::make_shared<HTTPCatalogTransport>(configuration));

    const QByteArray design = fixture("all-kinds.json").replace(photoOrigin().toUtf8(), photos.origin().toUtf8());
    ImportedWebTemplate result = convertBytes(design, loaderOf(service));
    // The photo's address is part of its element's metadata.
    for (LabelElement &element : result.document.elements) {
        if (element.webMetadata && (*element.webMetadata)["type"].string() == QStringLiteral("photo"))
            element.webMetadata = CatalogJSON::parse(
                element.webMetadata->toJson().replace(photos.origin().toUtf8(), photoOrigin().toUtf8()));
    }
    expectGolden(result, design, "all-kinds.expected.json", servedPictures());
    const auto requested = [](const testsupport::TestCatalogServer &server, const char *path) {
        const QList<testsupport::ServerRequest> requests = server.requests();
        return std::count_if(requests.begin(), requests.end(),
                             [&](const testsupport::ServerRequest &r) { return r.target == path; });
    };
    EXPECT_EQ(requested(catalog, "/static/img/shared.png"), 1);
    EXPECT_EQ(requested(catalog, "/static/signs/ms_0123456789abcdef0123456789abcdef.svg"), 1);
    EXPECT_EQ(requested(photos, "/static/img/photo.png"), 1);
}

TEST(WebTemplateImporter, EndsWithTheFirstErrorOrTheSortedUnsupportedPlaces)
{
    struct Row {
        const char *name;
        QList<Patch> patches;
        Outcome expected;
    };
    const Outcome invalid = CatalogIssue(Kind::invalid);
    const auto unsupported = [](QStringList paths) { return Outcome(CatalogIssue::unsupported(std::move(paths))); };
    QList<Patch> tooMany;
    for (int i = 0; i < 486; ++i)
        tooMany.append({"/elements/-", QJsonObject{{"type", "line"}, {"x", 1}, {"y", 1}, {"w", 2}, {"h", 1}}});
    const QList<Row> rows = {
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
        {"sorted as text",
         {{"/elements/9/side", "back"}, {"/elements/1/side", "back"}},
         unsupported({"elements[10].side", "elements[2].side"})},
        {"501 elements", tooMany, invalid},
        {"8 MiB", {{"/template/editorZoom", QString(8 * 1024 * 1024, u'x')}}, invalid},
        {"bad check digit", {{"/elements/4/value", "4601234567890"}}, CatalogIssue(Kind::invalidBarcode)},
        {"negative width", {{"/template/widthMm", -10}}, invalid},
    };
    const TemplateCatalogService service = fakeService();
    const QByteArray allKinds = fixture("all-kinds.json");
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<Outcome> outcome =
            outcomeOf([&] { convertBytes(patched(allKinds, row.patches), loaderOf(service)); });
        ASSERT_TRUE(outcome);
        EXPECT_TRUE(*outcome == row.expected);
        if (const auto *issue = std::get_if<CatalogIssue>(&*outcome)) {
            EXPECT_EQ(issue->paths(), std::get<CatalogIssue>(row.expected).paths());
        }
    }
}

TEST(WebTemplateImporter, ReadersTakeOnlyTheirOwnJSONType)
{
    const CatalogJSON json = *CatalogJSON::parse(R"({"n": 2.5, "whole": 2.0, "s": "12", "b": true, "z": null,
        "max": 9007199254740991, "over": 9007199254740992, "neg": -9007199254740991})");
    const auto number = [&](const char *key, std::optional<double> fallback) {
        return webimport::number(json, key, fallback);
    };
    EXPECT_EQ(number("n", std::nullopt), 2.5);
    EXPECT_EQ(number("missing", 7.0), 7.0);
    EXPECT_EQ(number("z", 7.0), 7.0);
    EXPECT_EQ(webimport::number(CatalogJSON::fromString("x"), "n", 3.0), 3.0);
    EXPECT_EQ(webimport::integer(json, "whole", 0), 2);
    EXPECT_EQ(webimport::integer(json, "max", 0), 9007199254740991);
    EXPECT_EQ(webimport::integer(json, "neg", 0), -9007199254740991);
    EXPECT_EQ(webimport::boolean(json, "b", false), true);
    EXPECT_EQ(webimport::boolean(json, "z", true), true);
    const std::function<void()> refused[] = {
        [&] { number("missing", std::nullopt); },
        [&] { number("s", 0.0); },
        [&] { number("b", 0.0); },
        [&] { webimport::integer(json, "n", 0); },
        [&] { webimport::integer(json, "over", 0); },
        [&] { webimport::integer(json, "s", 0); },
        [&] { webimport::boolean(json, "n", false); },
        [&] { webimport::boolean(json, "s", false); },
    };
    for (const auto &read : refused)
        EXPECT_ISSUE(read(), CatalogIssue, CatalogIssue(Kind::invalid));
}

TEST(WebTemplateImporter, CompletesTwelveASCIIDigitsAndSizesCaptions)
{
    EXPECT_EQ(webimport::completedEAN13("000000000000"), QStringLiteral("0000000000000"));
    EXPECT_EQ(webimport::completedEAN13("460123456789"), QStringLiteral("4601234567893"));
    EXPECT_EQ(webimport::completedEAN13("400638133393"), QStringLiteral("4006381333931"));
    for (const QString &kept : {QStringLiteral("4601234567893"), QStringLiteral("46012345678a"),
                                QStringLiteral("٤٦٠١٢٣٤٥٦٧٨٩"), QStringLiteral("46012345678 ")})
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
    struct Row {
        const char *type;
        QJsonObject keys;
        QString fit;
        bool shrink;
        QString valueFormat;
        QString vertical;
        double lineHeight;
        double fontSizePt;
    };
    const Row rows[] = {
        {"text", {{"textFitMode", "height"}, {"valign", "bottom"}}, "height", true, "plain", "bottom", 1.2, 12},
        {"text",
         {{"textValueFormat", "financial"}, {"lineHeight", 0}, {"fontSize", 0}},
         "none",
         false,
         "financial",
         "center",
         1.2,
         12},
        {"text",
         {{"textFitMode", "grow"}, {"valign", "center"}, {"fontSize", 40}},
         "none",
         false,
         "plain",
         "center",
         1.2,
         30},
        {"date",
         {{"textFitMode", "shrink"}, {"textValueFormat", "money-rub"}, {"lineHeight", 1.5}},
         "none",
         false,
         "plain",
         "center",
         1.5,
         12},
        {"numerator",
         {{"textFitMode", "height"}, {"textValueFormat", "money-rub"}, {"valign", "top"}},
         "none",
         false,
         "plain",
         "top",
         1.2,
         12},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.type);
        const ImportedWebTemplate result =
            convertBytes(designWith({with(box(row.type), row.keys)}),
                         [](const QString &, const CancelToken &) { return QByteArray(); });
        const WebAppearance appearance = *result.document.elements.at(0).webAppearance;
        EXPECT_EQ(appearance.fitMode, row.fit);
        EXPECT_EQ(appearance.shrink, row.shrink);
        EXPECT_EQ(appearance.valueFormat, row.valueFormat);
        EXPECT_EQ(appearance.vertical, row.vertical);
        EXPECT_EQ(appearance.lineHeight, row.lineHeight);
        EXPECT_EQ(result.document.elements.at(0).fontSizePt, row.fontSizePt);
        EXPECT_EQ(appearance.missingAlignment, true);
        EXPECT_TRUE(result.warnings.contains("mac.catalog_text_check"));
    }
    // An alignment that is not a string is no alignment word, but it is there.
    const ImportedWebTemplate odd =
        convertBytes(designWith({with(box("text"), {{"align", 5},
                                                    {"font", "NoSuchFamily, AlsoMissing"},
                                                    {"source", "table"},
                                                    {"converterField", "name"}}),
                                 with(box("date"), {{"dateMode", "tomorrow"}, {"converterField", QJsonValue()}})}),
                     {});
    EXPECT_EQ(odd.document.elements.at(0).webAppearance->missingAlignment, false);
    EXPECT_EQ(odd.document.elements.at(0).textStyle.fontName, QStringLiteral("NoSuchFamily, AlsoMissing"));
    EXPECT_EQ(odd.document.elements.at(1).webAppearance->date->mode, QStringLiteral("current"));
    EXPECT_EQ(odd.warnings, QStringList({"mac.catalog_bindings", "mac.catalog_font_warning",
                                         "mac.catalog_static_source", "mac.catalog_text_check"}));
}

TEST(WebTemplateImporter, MapsEveryFailureOfAPictureFetch)
{
    const QByteArray sign = fixture("signs/caution.svg");
    const QString signSrc = "/static/signs/ms_0123456789abcdef0123456789abcdef.svg";
    struct Row {
        const char *name;
        std::function<void()> fails;
        QString src;
        std::optional<Kind> expected; // none: the sign stands in
    };
    const auto issue = [](Kind kind) { return [kind] { throw CatalogError(kind); }; };
    const Row rows[] = {
        {"sign found", issue(Kind::notFound), signSrc, std::nullopt},
        {"no sign", issue(Kind::notFound), "/static/img/gone.png", Kind::imageUnavailable},
        {"invalid", issue(Kind::invalid), signSrc, Kind::imageUnavailable},
        {"access", issue(Kind::access), signSrc, Kind::access},
        {"rate limited", issue(Kind::rateLimited), signSrc, Kind::rateLimited},
        {"network", issue(Kind::network), signSrc, Kind::network},
        {"too large", issue(Kind::tooLarge), signSrc, Kind::tooLarge},
        {"cancelled", issue(Kind::cancelled), signSrc, Kind::cancelled},
        {"cancellation", [] { throw CancellationError(); }, signSrc, Kind::cancelled},
        {"file", [] { throw FileError("disk"); }, signSrc, Kind::imageUnavailable},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const WebImageLoader loader = [&](const QString &, const CancelToken &) -> QByteArray {
            row.fails();
            return {};
        };
        try {
            const auto [bytes, fromSigns] = webimport::loadImage(row.src, loader, {}, fixtureSigns());
            EXPECT_FALSE(row.expected);
            EXPECT_EQ(bytes, sign);
            EXPECT_TRUE(fromSigns);
        } catch (const CatalogError &error) {
            EXPECT_EQ(error.issue().kind(), row.expected);
        }
    }
    // A broken sign folder is no sign at all.
    const WebSignLookup broken = [](const QString &) -> std::optional<QByteArray> { throw FileError("manifest"); };
    EXPECT_ISSUE(webimport::loadImage(
                     signSrc,
                     [](const QString &, const CancelToken &) -> QByteArray { throw CatalogError(Kind::notFound); }, {},
                     broken),
                 CatalogIssue, CatalogIssue(Kind::imageUnavailable));
}

TEST(WebTemplateImporter, FetchesASharedPictureOnceAndStopsWhenCancelled)
{
    QJsonArray pictures;
    for (int i = 0; i < 20; ++i)
        pictures.append(with(box(i % 2 ? "logo" : "graphic"), {{"src", "/static/img/shared.png"}}));
    const TemplateCatalogService service = fakeService();
    std::atomic<int> calls = 0;
    const ImportedWebTemplate shared = convertBytes(designWith(pictures), loaderOf(service, &calls));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(shared.document.elements.size(), 20);

    // A fetch that is cancelled ends the conversion as the catalog's cancellation.
    QJsonArray two = {with(box("graphic"), {{"src", "/a.png"}}), with(box("graphic"), {{"src", "/b.png"}})};
    CancelToken token;
    calls = 0;
    const WebImageLoader cancelling = [&](const QString &, const CancelToken &t) -> QByteArray {
        if (++calls == 2) {
            token.cancel();
            throw CancellationError();
        }
        return service.image("/static/img/shared.png", t);
    };
    EXPECT_ISSUE(convertBytes(designWith(two), cancelling, token), CatalogIssue, CatalogIssue(Kind::cancelled));

    // A token cancelled between elements stops before the next one.
    CancelToken early;
    calls = 0;
    QJsonArray three = {with(box("graphic"), {{"src", "/a.png"}}), with(box("graphic"), {{"src", "/b.png"}}),
                        with(box("graphic"), {{"src", "/c.png"}})};
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
    const QString type = QString(59, u'a') + family + QStringLiteral("tail");
    EXPECT_EQ(outcomeOf([&] {
                  convertBytes(designWith({with(box("x"), {{"type", type}})}), {});
              }),
              Outcome(CatalogIssue::unsupported({"elements[1].type (" + QString(59, u'a') + family + ")"})));
}

TEST(WebTemplateImporter, ReplaysTheFuzzSeeds)
{
    const QList<QByteArray> seeds = testsupport::fuzzCorpus(QStringLiteral("web_convert"));
    ASSERT_GE(seeds.size(), 8);
    const QByteArray tiny = fixture("logo.png");
    const WebImageLoader loader = [&](const QString &src, const CancelToken &) -> QByteArray {
        if (src.contains("/signs/"))
            throw CatalogError(Kind::notFound);
        return tiny;
    };
    int converted = 0;
    for (const QByteArray &seed : seeds) {
        try {
            const ImportedWebTemplate result = WebTemplateImporter::convert(
                CatalogDesign::decode(seed), loader, {}, [](const QString &) { return std::nullopt; });
            EXPECT_NO_THROW(result.document.encoded());
            QStringList sorted = result.warnings;
            sorted.sort();
            sorted.removeDuplicates();
            EXPECT_EQ(result.warnings, sorted);
            ++converted;
        } catch (const CatalogError &) {
        } catch (const DocumentError &) {
        }
    }
    EXPECT_GE(converted, 3);
}
