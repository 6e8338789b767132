#include "core/catalog/TemplateCatalogService.h"

#include "tests/common/FakeCatalogTransport.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QUrlQuery>

#include <thread>

using namespace kestrivane;
using testsupport::catalogIssueOf;
using testsupport::FakeCatalogTransport;
using Kind = CatalogIssue::Kind;
using Reply = FakeCatalogTransport::Reply;

namespace {

const QString base = QStringLiteral("https://cat.example/api/v1/desktop/templates");

struct Fixture {
    std::shared_ptr<FakeCatalogTransport> transport = std::make_shared<FakeCatalogTransport>();
    TemplateCatalogService service{QUrl(base), transport, RetryPolicy{30, 60}};
};

qint64 msBetween(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(b - a).count();
}

} // namespace

TEST(CatalogService, BuildsItsRequestAddresses)
{
    Fixture f;
    const QUrl url = f.service.pageURL(3, QStringLiteral("a+b&c é"));
    EXPECT_EQ(url.toString(QUrl::FullyEncoded), base + "?page=3&size=50&categoryId=a%2Bb%26c%20%C3%A9");
    EXPECT_EQ(QUrlQuery(url).queryItemValue("categoryId", QUrl::FullyDecoded), QStringLiteral("a+b&c é"));
    EXPECT_EQ(f.service.pageURL(0, QString()).query(), "page=0&size=50");
    const TemplateCatalogService withQuery(QUrl(base + "/?x=1"), f.transport);
    EXPECT_EQ(withQuery.pageURL(1, std::nullopt).query(), "page=1&size=50");

    for (qint64 page : {-1LL, 10001LL})
        EXPECT_EQ(catalogIssueOf([&] { f.service.page(page, std::nullopt); }), Kind::invalid);
    EXPECT_TRUE(f.transport->calls().isEmpty());
    const TemplateCatalogService broken(QUrl("relative/path"), f.transport);
    EXPECT_EQ(catalogIssueOf([&] { broken.page(0, std::nullopt); }), Kind::invalid);
    EXPECT_EQ(catalogIssueOf([&] { broken.categories(); }), Kind::invalid);
}

TEST(CatalogService, ResolvesOnlyAddressesItTrusts)
{
    Fixture f;
    struct Row {
        const char *text;
        const char *catalog; // expected URL for a design, or nullptr when refused
        const char *image;   // expected URL for an image, or nullptr when refused
    };
    const char *below = "https://cat.example/api/v1/desktop/templates/d/1.json";
    const Row rows[] = {
        {"/api/v1/desktop/templates/d/1.json", below, below},
        {"api/v1/desktop/templates/d/1.json", below, below},
        {"https://cat.example/api/v1/desktop/templates/d/1.json", below, below},
        {"https://CAT.example:443/api/v1/desktop/templates/d/1.json",
         "https://cat.example:443/api/v1/desktop/templates/d/1.json",
         "https://cat.example:443/api/v1/desktop/templates/d/1.json"},
        {"https://other.example/api/v1/desktop/templates/d/1.json", nullptr,
         "https://other.example/api/v1/desktop/templates/d/1.json"},
        {"https://cat.example:8443/api/v1/desktop/templates/d/1.json", nullptr,
         "https://cat.example:8443/api/v1/desktop/templates/d/1.json"},
        {"http://cat.example/api/v1/desktop/templates/d/1.json", nullptr, nullptr},
        {"/api/v1/desktop/templates", nullptr, "https://cat.example/api/v1/desktop/templates"},
        {"/api/v1/desktop/templatesX/1.json", nullptr, "https://cat.example/api/v1/desktop/templatesX/1.json"},
        {"/api/v1/desktop/templates/d/1.json?x=1", nullptr,
         "https://cat.example/api/v1/desktop/templates/d/1.json?x=1"},
        {"/api/v1/desktop/templates/d/1.json#top", nullptr, nullptr},
        {"https://user:pw@cat.example/api/v1/desktop/templates/d/1.json", nullptr, nullptr},
        {"/api/v1/desktop/templates/../admin", nullptr, "https://cat.example/api/v1/desktop/admin"},
        {"/api/v1/desktop/templates/%2e%2e/admin", nullptr, "https://cat.example/api/v1/desktop/admin"},
        {"/api/v1/desktop/templates/x%2F..%2F..%2Fadmin", nullptr,
         "https://cat.example/api/v1/desktop/templates/x%2F..%2F..%2Fadmin"},
        {"/api/v1/desktop/templates/x%5c..", nullptr, "https://cat.example/api/v1/desktop/templates/x%5C.."},
        {"DATA:image/png;base64,AAAA", nullptr, nullptr},
    };
    for (const Row &row : rows) {
        for (const bool catalog : {true, false}) {
            std::string url = "refused";
            try {
                url =
                    f.service.resolved(QString::fromUtf8(row.text), catalog).toString(QUrl::FullyEncoded).toStdString();
            } catch (const CatalogError &error) {
                EXPECT_EQ(error.issue(), Kind::invalid);
            }
            const char *expected = catalog ? row.catalog : row.image;
            EXPECT_EQ(url, expected ? expected : "refused") << row.text << (catalog ? " (catalog)" : " (image)");
        }
    }
}

TEST(CatalogService, DecodesDataReferences)
{
    const QByteArray big(catalog::maximumImageBytes + 1, 'x');
    const std::pair<QString, std::optional<QByteArray>> rows[] = {
        {"data:image/png;base64,iVBORw==", QByteArray::fromBase64("iVBORw==")},
        {"data:IMAGE/PNG;;BASE64,iVBORw==", QByteArray::fromBase64("iVBORw==")},
        {"data:image/png;base64,iVBORw", std::nullopt},
        {"data:image/png;base64,iVBO Rw==", std::nullopt},
        {"data:image/gif;base64,R0lG", std::nullopt},
        {"data:image/png,abc", std::nullopt},
        {"data:image/png;base64;x=1,iVBORw==", std::nullopt},
        {"data:image/png;base64", std::nullopt},
        {"data:image/svg+xml;charset=utf-8,%3Csvg%3E%C3%A9", QByteArray("<svg>\xC3\xA9")},
        {"data:image/svg+xml,a%2", std::nullopt},
        {"data:image/svg+xml,a%zz", std::nullopt},
        {"data:image/svg+xml,%FF", std::nullopt},
        {"data:image/svg+xml;base64," + QString::fromLatin1(big.toBase64()), std::nullopt},
    };
    for (const auto &[reference, expected] : rows) {
        std::optional<QByteArray> bytes;
        try {
            bytes = TemplateCatalogService::decodeDataReference(reference);
        } catch (const CatalogError &error) {
            EXPECT_EQ(error.issue(), Kind::invalid);
        }
        EXPECT_EQ(bytes, expected) << qPrintable(reference.left(60));
    }
    Fixture f;
    EXPECT_EQ(f.service.image("data:image/png;base64,AAAA"), QByteArray(3, '\0'));
    f.transport->script("https://img.example/a.png", {Reply::ok("png")});
    EXPECT_EQ(f.service.image("https://img.example/a.png"), "png");
    EXPECT_EQ(f.transport->calls().last().maximumBytes, catalog::maximumImageBytes);
}

TEST(CatalogService, RetriesTransientFailuresTwice)
{
    struct Row {
        QList<Reply> replies;
        int calls;
        std::optional<Kind> expected;
    };
    const Row rows[] = {
        {{Reply::fail(Kind::network), Reply::fail(Kind::disabled), Reply::ok("[]")}, 3, std::nullopt},
        {{Reply::fail(Kind::network)}, 3, Kind::network},
        {{Reply::fail(Kind::disabled)}, 3, Kind::disabled},
        {{Reply::fail(Kind::rateLimited)}, 1, Kind::rateLimited},
        {{Reply::fail(Kind::notFound)}, 1, Kind::notFound},
        {{Reply::ok("{}")}, 1, Kind::invalid},
    };
    for (const Row &row : rows) {
        Fixture f;
        f.transport->script(base + "/sizes", row.replies);
        EXPECT_EQ(catalogIssueOf([&] { f.service.sizes(); }), row.expected);
        const auto calls = f.transport->calls();
        ASSERT_EQ(calls.size(), row.calls);
        if (row.calls == 3) {
            EXPECT_GE(msBetween(calls[0].time, calls[1].time), 30);
            EXPECT_GE(msBetween(calls[1].time, calls[2].time), 60);
        }
    }
}

TEST(CatalogService, CancellationEndsARetryPauseAtOnce)
{
    auto transport = std::make_shared<FakeCatalogTransport>();
    const TemplateCatalogService service(QUrl(base), transport); // pauses of 0.35 s and 0.9 s
    transport->script(base + "/sizes", {Reply::fail(Kind::network)});
    CancelToken token;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        token.cancel();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(catalogIssueOf([&] { service.sizes(token); }), Kind::cancelled);
    const qint64 elapsed = msBetween(start, std::chrono::steady_clock::now());
    canceller.join();
    EXPECT_LT(elapsed, 300);
    EXPECT_EQ(transport->calls().size(), 1);
}

TEST(CatalogService, ChecksTheListsItReads)
{
    QByteArray many = "[";
    for (int i = 0; i <= 10000; ++i)
        many += (i ? "," : "") + QByteArray(R"({"widthMm":1,"heightMm":1})");
    many += "]";
    const std::tuple<QString, QByteArray, std::optional<Kind>> rows[] = {
        {"/categories", R"([{"id":"a","name":"A"},{"id":"b","name":"B","position":2}])", std::nullopt},
        {"/categories", R"([{"id":"a","name":"A"},{"id":"a","name":"B"}])", Kind::invalid},
        {"/categories", R"([{"id":"a"}])", Kind::invalid},
        {"/categories", R"({"id":"a","name":"A"})", Kind::invalid},
        {"/sizes", R"([{"widthMm":50,"heightMm":30}])", std::nullopt},
        {"/sizes", R"([{"widthMm":0,"heightMm":30}])", Kind::invalid},
        {"/sizes", R"([{"widthMm":50,"heightMm":-1}])", Kind::invalid},
        {"/sizes", many, Kind::invalid},
    };
    for (const auto &[path, body, expected] : rows) {
        Fixture f;
        f.transport->script(base + path, {Reply::ok(body)});
        const auto read = [&] { path == "/sizes" ? void(f.service.sizes()) : void(f.service.categories()); };
        EXPECT_EQ(catalogIssueOf(read), expected) << body.left(80).constData();
    }
}

TEST(CatalogService, DefaultURLTakesOnlyAnHttpsOriginFromTheEnvironment)
{
    EXPECT_EQ(TemplateCatalogService::originFromText("https://localhost:8443"), QUrl("https://localhost:8443"));
    EXPECT_EQ(TemplateCatalogService::originFromText("https://Cat.Example/"), QUrl("https://cat.example"));
    for (const char *refused : {"http://cat.example", "https://u@cat.example", "https://cat.example/api",
                                "https://cat.example?x", "https://cat.example#f", ""})
        EXPECT_FALSE(TemplateCatalogService::originFromText(refused)) << refused;
}
