// The HTTPS transport and the catalog service against a real TLS server on loopback.
// Nothing here reaches beyond 127.0.0.1.

#include "core/catalog/TemplateCatalogService.h"

#include "tests/common/FakeCatalogTransport.h"
#include "tests/common/TestCatalogServer.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QUrlQuery>

#include <thread>

using namespace kestrivane;
using namespace testsupport;
using Kind = CatalogIssue::Kind;
using Clock = std::chrono::steady_clock;
using Framing = ServerReply::Framing;

namespace {

TransportConfiguration configuration(bool trustTestCA = true, qint64 idleMs = 300, qint64 totalMs = 1500)
{
    TransportConfiguration c{idleMs, totalMs, false, {}, QString()};
    if (trustTestCA)
        c.caCertificates = TestCatalogServer::caCertificates();
    return c;
}

QByteArray designText(const char *id)
{
    return QByteArray(R"({"schemaVersion":1,"format":"kestrivane-web","id":")") + id +
           R"(","elements":[],"template":{}})";
}

CatalogItem designItem(const QString &url)
{
    CatalogItem item;
    item.id = "d";
    item.downloadUrl = url;
    return item;
}

class CatalogNetwork : public ::testing::Test {
protected:
    std::optional<Kind> getIssue(const QString &target, const ServerReply &reply,
                                 qint64 cap = catalog::maximumJSONBytes)
    {
        server.route(target, {reply});
        return catalogIssueOf([&] { transport->get(QUrl(server.origin() + target), cap, {}); });
    }

    TestCatalogServer server;
    std::shared_ptr<HTTPCatalogTransport> transport = std::make_shared<HTTPCatalogTransport>(configuration());
    TemplateCatalogService service{server.base(), transport};
};

} // namespace

TEST_F(CatalogNetwork, MapsEveryStatusAndNeverFollowsARedirect)
{
    const std::pair<int, std::optional<Kind>> rows[] = {
        {200, std::nullopt},   {204, Kind::invalid},     {206, Kind::invalid}, {301, Kind::invalid},
        {302, Kind::invalid},  {304, Kind::invalid},     {307, Kind::invalid}, {308, Kind::invalid},
        {400, Kind::invalid},  {401, Kind::access},      {403, Kind::access},  {404, Kind::notFound},
        {418, Kind::invalid},  {429, Kind::rateLimited}, {500, Kind::network}, {502, Kind::network},
        {503, Kind::disabled}, {504, Kind::network},     {599, Kind::network}, {600, Kind::invalid}};
    for (const auto &[status, expected] : rows) {
        ServerReply reply = ServerReply::json(status == 204 || status == 304 ? "" : "{}", status);
        reply.headers = {Header("Location", "/api/v1/desktop/templates/d.json"), Header("WWW-Authenticate", "Basic")};
        EXPECT_EQ(getIssue(QStringLiteral("/status/%1").arg(status), reply), expected) << status;
    }
    // A redirect to a valid design is refused, and its target never requested.
    server.route(server.basePath() + "/d.json", {ServerReply::json(designText("d"))});
    ServerReply redirect = ServerReply::json("", 302);
    redirect.headers = {Header("Location", server.base().toString().toUtf8() + "/d.json")};
    server.route(server.basePath() + "/moved.json", {redirect});
    const qsizetype before = server.requests().size();
    EXPECT_EQ(catalogIssueOf([&] { service.design(designItem(server.basePath() + "/moved.json")); }), Kind::invalid);
    EXPECT_EQ(server.requests().size(), before + 1);
    for (const ServerRequest &request : server.requests())
        EXPECT_FALSE(request.header("Authorization").has_value());
}

TEST_F(CatalogNetwork, CapsBodiesAsTheyStream)
{
    // Twelve mebibytes through TLS on a loaded machine may pause longer than the suite's
    // idle limit; the caps, not the clock, are under test here.
    transport = std::make_shared<HTTPCatalogTransport>(configuration(true, 3000, 8000));
    const qint64 cap = catalog::maximumJSONBytes;
    EXPECT_EQ(getIssue("/announced", ServerReply{.announcedLength = cap + 1}), Kind::tooLarge);
    EXPECT_EQ(getIssue("/exact", ServerReply{.body = QByteArray(cap, 'a'), .framing = Framing::chunked}), std::nullopt);
    EXPECT_EQ(getIssue("/over", ServerReply{.body = QByteArray(cap + 1, 'a'), .framing = Framing::chunked}),
              Kind::tooLarge);
    server.route("/static/img/big.png",
                 {ServerReply{.body = QByteArray(catalog::maximumImageBytes + 1, 'p'), .framing = Framing::close}});
    const TemplateCatalogService patient(server.base(), transport);
    EXPECT_EQ(catalogIssueOf([&] { patient.image(server.origin() + "/static/img/big.png"); }), Kind::tooLarge);
}

TEST_F(CatalogNetwork, BrokenAndStalledStreamsAreNetworkFailures)
{
    const QByteArray body(500, 'b');
    const std::pair<ServerReply, std::optional<Kind>> rows[] = {
        {{.body = body, .announcedLength = 1000}, Kind::network},
        {{.body = body, .framing = Framing::chunked, .omitLastChunk = true}, Kind::network},
        {{.body = body, .closeAfterBytes = 100}, Kind::network},
        {{.body = body, .delayBeforeHeadersMs = 3000}, Kind::network},
        {{.body = body, .stallAfterBytes = 10}, Kind::network},
        // Longer than the idle limit in all, but never silent that long.
        {{.body = body.left(60), .trickleBytes = 10, .trickleIntervalMs = 100}, std::nullopt},
        // Longer than the total limit.
        {{.body = body.left(20), .trickleBytes = 1, .trickleIntervalMs = 100}, Kind::network},
    };
    int row = 0;
    for (const auto &[reply, expected] : rows) {
        const auto start = Clock::now();
        EXPECT_EQ(getIssue(QStringLiteral("/fault/%1").arg(++row), reply), expected) << row;
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << row;
    }
}

TEST_F(CatalogNetwork, CancellationAbortsAtOnce)
{
    server.route("/slow", {ServerReply{.body = QByteArray(1000, 'c'), .trickleBytes = 1, .trickleIntervalMs = 50}});
    CancelToken token;
    Clock::time_point cancelledAt;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancelledAt = Clock::now();
        token.cancel();
    });
    EXPECT_EQ(catalogIssueOf([&] { transport->get(QUrl(server.origin() + "/slow"), 5000, token); }), Kind::cancelled);
    const auto afterCancel = Clock::now() - cancelledAt;
    canceller.join();
    EXPECT_LT(afterCancel, std::chrono::milliseconds(100));
}

TEST_F(CatalogNetwork, SendsNoCookiesAndAsksForNoCompression)
{
    ServerReply cookie = ServerReply::json("{}");
    cookie.headers = {Header("Set-Cookie", "session=secret; Path=/")};
    EXPECT_EQ(getIssue("/first", cookie), std::nullopt);
    EXPECT_EQ(getIssue("/second", ServerReply::json("{}")), std::nullopt);
    const QList<ServerRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    for (const ServerRequest &request : requests) {
        EXPECT_FALSE(request.header("Cookie").has_value());
        EXPECT_EQ(request.header("Accept"), QByteArray("application/json, image/*"));
        EXPECT_EQ(request.header("Accept-Encoding"), QByteArray("identity"));
    }
    EXPECT_EQ(requests[0].connection, requests[1].connection); // kept alive
}

TEST_F(CatalogNetwork, ServesTheCatalogFromFixtures)
{
    CatalogFixture fixture{{}, "[]", "[]", {}};
    fixture.files = {{server.basePath() + "/designs/x.json", " " + designText("d") + "\n"},
                     {server.basePath() + "/previews/x.json", "[1, 2]"}};
    QJsonObject item{{"widthMm", 50}, {"heightMm", 30}, {"downloadUrl", "d"}, {"previewUrl", "p"}};
    for (int i = 0; i < 60; ++i) {
        item["id"] = QString::number(i);
        item["categoryId"] = i < 55 ? "a+b&c é" : "other";
        fixture.items.append(item);
    }
    server.setCatalog(fixture);

    // "+" and "&" in a category reach the server as they are, and only that category is listed.
    const CatalogPage second = service.page(1, QStringLiteral("a+b&c é"));
    EXPECT_EQ(second.items.size(), 5);
    EXPECT_EQ(second.total, 55);
    const QUrl sent(server.origin() + QString::fromLatin1(server.requests().last().target));
    EXPECT_EQ(QUrlQuery(sent).queryItemValue("categoryId", QUrl::FullyDecoded), QStringLiteral("a+b&c é"));
    EXPECT_EQ(service.design(designItem(server.basePath() + "/designs/x.json")).archivedJSON(),
              " " + designText("d") + "\n");
    CatalogItem preview = designItem("previews/x.json"); // relative to the root: beside the catalog
    preview.previewUrl = preview.downloadUrl;
    EXPECT_EQ(catalogIssueOf([&] { service.preview(preview); }), Kind::invalid);
    preview.previewUrl = server.basePath() + "/previews/x.json";
    EXPECT_EQ(service.preview(preview), CatalogJSON::parse("[1,2]"));

    ServerReply html = ServerReply::json("<html><body>maintenance</body></html>");
    html.headers = {Header("Content-Type", "text/html")};
    server.route(server.basePath() + "?page=0&size=50", {html});
    EXPECT_EQ(catalogIssueOf([&] { service.page(0, std::nullopt); }), Kind::invalid);
}

TEST_F(CatalogNetwork, RefusesHostileAddressesBeforeAnyRequest)
{
    TestCatalogServer foreign;
    for (const QString &url :
         {server.basePath() + "/x%2F..%2F..%2Fadmin", server.basePath() + "/../admin",
          foreign.base().toString() + "/d.json", server.basePath() + "/d.json?x=1",
          QStringLiteral("http://127.0.0.1:%1/api/v1/desktop/templates/d.json").arg(server.port())})
        EXPECT_EQ(catalogIssueOf([&] { service.design(designItem(url)); }), Kind::invalid) << qPrintable(url);
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_EQ(server.connectionCount(), 0);

    // Images may come from another https origin.
    foreign.route("/static/img/a.png", {ServerReply::json("PNG")});
    EXPECT_EQ(service.image(foreign.origin() + "/static/img/a.png"), "PNG");
}

TEST_F(CatalogNetwork, TrustsOnlyItsRootsAndOnlyHttps)
{
    server.route("/ok", {ServerReply::json("{}")});
    HTTPCatalogTransport untrusting(configuration(false));
    EXPECT_EQ(catalogIssueOf([&] { untrusting.get(QUrl(server.origin() + "/ok"), 100, {}); }), Kind::network);
    EXPECT_TRUE(server.requests().isEmpty());

    QTcpServer plain;
    ASSERT_TRUE(plain.listen(QHostAddress::LocalHost, 0));
    const QUrl http(QStringLiteral("http://127.0.0.1:%1/ok").arg(plain.serverPort()));
    EXPECT_EQ(catalogIssueOf([&] { transport->get(http, 100, {}); }), Kind::invalid);
    QUrl withUser(server.origin() + "/ok");
    withUser.setUserName("user");
    EXPECT_EQ(catalogIssueOf([&] { transport->get(withUser, 100, {}); }), Kind::invalid);
    EXPECT_FALSE(plain.waitForNewConnection(100));
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(CatalogNetwork, RetriesTransientFailuresWithPauses)
{
    server.route(server.basePath() + "/sizes",
                 {ServerReply::json("", 503), ServerReply::json("", 503), ServerReply::json("[]")});
    EXPECT_TRUE(service.sizes().isEmpty());
    QList<ServerRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 3);
    EXPECT_GE(requests[1].time - requests[0].time, std::chrono::milliseconds(350));
    EXPECT_GE(requests[2].time - requests[1].time, std::chrono::milliseconds(900));
}
