// The HTTPS transport and the catalog service against a real TLS server on loopback.
// Nothing here reaches beyond 127.0.0.1.

#include "core/catalog/TemplateCatalogService.h"

#include "tests/common/TestCatalogServer.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QUrlQuery>

#include <thread>

using namespace kestrivane;
using namespace testsupport;
using Kind = CatalogIssue::Kind;
using Clock = std::chrono::steady_clock;

namespace {

TransportConfiguration testConfiguration(bool trustTestCA = true)
{
    TransportConfiguration configuration;
    configuration.idleTimeoutMs = 300;
    configuration.totalTimeoutMs = 1500;
    configuration.useSystemProxy = false;
    configuration.diskCacheFolder.clear();
    if (trustTestCA)
        configuration.caCertificates = TestCatalogServer::caCertificates();
    return configuration;
}

qint64 msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::optional<Kind> issueOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const CatalogError &error) {
        return error.issue().kind();
    }
    return std::nullopt;
}

QByteArray designText(const char *id)
{
    return QByteArray(R"({"schemaVersion":1,"format":"kestrivane-web","id":")") + id +
           R"(","elements":[],"template":{}})";
}

class CatalogNetwork : public ::testing::Test {
protected:
    QUrl at(const QString &target) const { return QUrl(server.origin() + target); }
    QByteArray get(const QString &target, qint64 cap = catalog::maximumJSONBytes, const CancelToken &token = {})
    {
        return transport->get(at(target), cap, token);
    }

    TestCatalogServer server;
    std::shared_ptr<HTTPCatalogTransport> transport = std::make_shared<HTTPCatalogTransport>(testConfiguration());
    TemplateCatalogService service{server.base(), transport};
};

} // namespace

TEST_F(CatalogNetwork, MapsEveryStatusAndNeverFollowsARedirect)
{
    struct Row {
        int status;
        std::optional<Kind> expected;
    };
    const Row rows[] = {{200, std::nullopt},   {204, Kind::invalid},     {206, Kind::invalid}, {301, Kind::invalid},
                        {302, Kind::invalid},  {304, Kind::invalid},     {307, Kind::invalid}, {308, Kind::invalid},
                        {400, Kind::invalid},  {401, Kind::access},      {403, Kind::access},  {404, Kind::notFound},
                        {418, Kind::invalid},  {429, Kind::rateLimited}, {500, Kind::network}, {502, Kind::network},
                        {503, Kind::disabled}, {504, Kind::network},     {599, Kind::network}, {600, Kind::invalid}};
    for (const Row &row : rows) {
        ServerReply reply = ServerReply::json(row.status == 204 || row.status == 304 ? "" : "{}", row.status);
        reply.headers = {Header("Location", "/api/v1/desktop/templates/d.json"),
                         Header("WWW-Authenticate", "Basic realm=\"x\"")};
        const QString target = QStringLiteral("/status/%1").arg(row.status);
        server.route(target, {reply});
        EXPECT_EQ(issueOf([&] { get(target); }), row.expected) << row.status;
    }
    // A redirect to a valid design is refused, and its target never requested.
    server.route(server.basePath() + "/d.json", {ServerReply::json(designText("d"))});
    ServerReply redirect = ServerReply::json("", 302);
    redirect.headers = {Header("Location", server.base().toString().toUtf8() + "/d.json")};
    server.route(server.basePath() + "/moved.json", {redirect});
    const qsizetype before = server.requests().size();
    CatalogItem item;
    item.id = "d";
    item.downloadUrl = server.basePath() + "/moved.json";
    EXPECT_EQ(issueOf([&] { service.design(item); }), Kind::invalid);
    EXPECT_EQ(server.requests().size(), before + 1);
    for (const ServerRequest &request : server.requests())
        EXPECT_FALSE(request.header("Authorization").has_value());
}

TEST_F(CatalogNetwork, CapsBodiesAsTheyStream)
{
    // Twelve mebibytes through TLS on a loaded machine may pause longer than the suite's
    // idle limit; the caps, not the clock, are under test here.
    TransportConfiguration patient = testConfiguration();
    patient.idleTimeoutMs = 3000;
    patient.totalTimeoutMs = 8000;
    transport = std::make_shared<HTTPCatalogTransport>(patient);
    const TemplateCatalogService service(server.base(), transport);

    ServerReply announced = ServerReply::json("");
    announced.announcedLength = catalog::maximumJSONBytes + 1;
    server.route("/announced", {announced});
    EXPECT_EQ(issueOf([&] { get("/announced"); }), Kind::tooLarge);

    ServerReply chunked = ServerReply::json(QByteArray(catalog::maximumJSONBytes, 'a'));
    chunked.framing = ServerReply::Framing::chunked;
    server.route("/exact", {chunked});
    EXPECT_EQ(get("/exact").size(), catalog::maximumJSONBytes);
    chunked.body.append('a');
    server.route("/over", {chunked});
    EXPECT_EQ(issueOf([&] { get("/over"); }), Kind::tooLarge);

    ServerReply image = ServerReply::json(QByteArray(catalog::maximumImageBytes + 1, 'p'));
    image.framing = ServerReply::Framing::close;
    server.route("/static/img/big.png", {image});
    EXPECT_EQ(issueOf([&] { service.image(server.origin() + "/static/img/big.png"); }), Kind::tooLarge);
}

TEST_F(CatalogNetwork, BrokenAndStalledStreamsAreNetworkFailures)
{
    struct Row {
        const char *name;
        std::function<void(ServerReply &)> fault;
        std::optional<Kind> expected;
    };
    const Row rows[] = {
        {"short body", [](ServerReply &r) { r.announcedLength = 1000; }, Kind::network},
        {"no last chunk",
         [](ServerReply &r) {
             r.framing = ServerReply::Framing::chunked;
             r.omitLastChunk = true;
         },
         Kind::network},
        {"closed early", [](ServerReply &r) { r.closeAfterBytes = 100; }, Kind::network},
        {"silent before the headers", [](ServerReply &r) { r.delayBeforeHeadersMs = 3000; }, Kind::network},
        {"stall after 10 bytes", [](ServerReply &r) { r.stallAfterBytes = 10; }, Kind::network},
        {"slow but steady",
         [](ServerReply &r) {
             r.body.resize(60);
             r.trickleBytes = 10;
             r.trickleIntervalMs = 100;
         },
         std::nullopt},
        {"beyond the total limit",
         [](ServerReply &r) {
             r.body.resize(20);
             r.trickleBytes = 1;
             r.trickleIntervalMs = 100;
         },
         Kind::network},
    };
    for (const Row &row : rows) {
        ServerReply reply = ServerReply::json(QByteArray(500, 'b'));
        row.fault(reply);
        const QString target = QStringLiteral("/fault/") + QString::fromLatin1(row.name).replace(' ', '-');
        server.route(target, {reply});
        const auto start = Clock::now();
        EXPECT_EQ(issueOf([&] { get(target); }), row.expected) << row.name;
        EXPECT_LT(msSince(start), 2000) << row.name;
    }
}

TEST_F(CatalogNetwork, CancellationAbortsAtOnce)
{
    ServerReply stall = ServerReply::json(QByteArray(1000, 'c'));
    stall.trickleBytes = 1;
    stall.trickleIntervalMs = 50;
    server.route("/slow", {stall});
    CancelToken token;
    Clock::time_point cancelledAt;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancelledAt = Clock::now();
        token.cancel();
    });
    EXPECT_EQ(issueOf([&] { get("/slow", catalog::maximumJSONBytes, token); }), Kind::cancelled);
    const qint64 afterCancel = msSince(cancelledAt);
    canceller.join();
    EXPECT_LT(afterCancel, 100);
}

TEST_F(CatalogNetwork, SendsNoCookiesAndAsksForNoCompression)
{
    ServerReply cookie = ServerReply::json("{}");
    cookie.headers = {Header("Set-Cookie", "session=secret; Path=/")};
    server.route("/first", {cookie});
    server.route("/second", {ServerReply::json("{}")});
    get("/first");
    get("/second");
    const QList<ServerRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    for (const ServerRequest &request : requests) {
        EXPECT_EQ(request.method, "GET");
        EXPECT_FALSE(request.header("Cookie").has_value());
        EXPECT_FALSE(request.header("Authorization").has_value());
        EXPECT_EQ(request.header("Accept"), QByteArray("application/json, image/*"));
        EXPECT_EQ(request.header("Accept-Encoding"), QByteArray("identity"));
    }
    // Keep-alive: both went over one connection.
    EXPECT_EQ(requests[0].connection, requests[1].connection);
}

TEST_F(CatalogNetwork, ServesTheCatalogFromFixtures)
{
    CatalogFixture fixture;
    for (int i = 0; i < 60; ++i) {
        fixture.items.append(QJsonObject{{"id", QString::number(i)},
                                         {"widthMm", 50},
                                         {"heightMm", 30},
                                         {"categoryId", i < 55 ? "a+b&c é" : "other"},
                                         {"downloadUrl", "designs/x.json"},
                                         {"previewUrl", "previews/x.json"}});
    }
    fixture.categories = R"([{"id":"a+b&c é","name":"Boxes"}])";
    fixture.sizes = R"([{"widthMm":50,"heightMm":30}])";
    fixture.files.insert(server.basePath() + "/designs/x.json", " " + designText("0") + "\n");
    server.setCatalog(fixture);

    const CatalogPage second = service.page(1, QStringLiteral("a+b&c é"));
    EXPECT_EQ(second.items.size(), 5);
    EXPECT_EQ(second.total, 55);
    EXPECT_EQ(second.totalPages, 2);
    const QUrl sent(server.origin() + QString::fromLatin1(server.requests().last().target));
    EXPECT_EQ(QUrlQuery(sent).queryItemValue("categoryId", QUrl::FullyDecoded), QStringLiteral("a+b&c é"));
    EXPECT_TRUE(service.page(5, std::nullopt).items.isEmpty());
    EXPECT_EQ(service.categories().size(), 1);
    EXPECT_EQ(service.sizes().size(), 1);

    CatalogItem item;
    item.id = "0";
    item.downloadUrl = server.basePath() + "/designs/x.json";
    EXPECT_EQ(service.design(item).archivedJSON(), " " + designText("0") + "\n");

    // A page in HTML is not a page.
    ServerReply html = ServerReply::json("<html><body>maintenance</body></html>");
    html.headers = {Header("Content-Type", "text/html")};
    server.route(server.basePath() + "?page=0&size=50", {html});
    EXPECT_EQ(issueOf([&] { service.page(0, std::nullopt); }), Kind::invalid);
}

TEST_F(CatalogNetwork, RefusesHostileAddressesBeforeAnyRequest)
{
    TestCatalogServer foreign;
    for (const QString &url :
         {server.basePath() + "/x%2F..%2F..%2Fadmin", server.basePath() + "/../admin",
          foreign.base().toString() + "/d.json", server.basePath() + "/d.json?x=1",
          QStringLiteral("http://127.0.0.1:%1/api/v1/desktop/templates/d.json").arg(server.port())}) {
        CatalogItem item;
        item.id = "d";
        item.downloadUrl = url;
        EXPECT_EQ(issueOf([&] { service.design(item); }), Kind::invalid) << qPrintable(url);
    }
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_EQ(server.connectionCount(), 0);

    // Images may come from another https origin.
    foreign.route("/static/img/a.png", {ServerReply::json("PNG")});
    EXPECT_EQ(service.image(foreign.origin() + "/static/img/a.png"), "PNG");
}

TEST_F(CatalogNetwork, TrustsOnlyItsRootsAndOnlyHttps)
{
    server.route("/ok", {ServerReply::json("{}")});
    HTTPCatalogTransport untrusting(testConfiguration(false));
    EXPECT_EQ(issueOf([&] { untrusting.get(at("/ok"), 100, {}); }), Kind::network);
    EXPECT_TRUE(server.requests().isEmpty());

    QTcpServer plain;
    ASSERT_TRUE(plain.listen(QHostAddress::LocalHost, 0));
    const QUrl http(QStringLiteral("http://127.0.0.1:%1/api").arg(plain.serverPort()));
    EXPECT_EQ(issueOf([&] { transport->get(http, 100, {}); }), Kind::invalid);
    QUrl withUser = at("/ok");
    withUser.setUserName("user");
    EXPECT_EQ(issueOf([&] { transport->get(withUser, 100, {}); }), Kind::invalid);
    EXPECT_FALSE(plain.waitForNewConnection(100));
    EXPECT_EQ(get("/ok"), "{}");
    EXPECT_EQ(server.requests().size(), 1);
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

    const TemplateCatalogService quick(server.base(), transport, RetryPolicy{10, 10});
    server.route(server.basePath() + "/categories", {ServerReply::json("", 500)});
    EXPECT_EQ(issueOf([&] { quick.categories(); }), Kind::network);
    server.route(server.basePath() + "/categories", {ServerReply::json("", 429)});
    EXPECT_EQ(issueOf([&] { quick.categories(); }), Kind::rateLimited);
    EXPECT_EQ(server.requests().size(), 3 + 3 + 1);
}
