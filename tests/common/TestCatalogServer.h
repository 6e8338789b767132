#pragma once

// A real HTTPS server on 127.0.0.1 for the catalog client's tests. It runs on a thread
// of its own, so a client blocking on any other thread never stalls it. It speaks just
// enough HTTP/1.1: scripted replies per target with every framing and timing fault a
// client must survive, and the catalog's own endpoints from fixtures. The certificate is
// the checked-in test leaf for localhost and 127.0.0.1.

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>

namespace testsupport {

using Header = std::pair<QByteArray, QByteArray>;

struct ServerReply {
    enum class Framing { contentLength, chunked, close };

    int status = 200;
    // Sent after the defaults "Cache-Control: no-store" and "Content-Type:
    // application/json"; a header of the same name replaces a default.
    QList<Header> headers{};
    QByteArray body{};
    Framing framing = Framing::contentLength;
    std::optional<qint64> announcedLength{}; // a Content-Length other than the body's
    bool omitLastChunk = false;              // chunked without its terminating chunk, then closed

    qint64 delayBeforeHeadersMs = 0;
    std::optional<qint64> stallAfterBytes{}; // body bytes sent before going silent (open)
    std::optional<qint64> closeAfterBytes{}; // body bytes sent before closing
    qint64 trickleBytes = 0;                 // when > 0: that many body bytes ...
    qint64 trickleIntervalMs = 0;            // ... every so many milliseconds

    static ServerReply json(QByteArray body, int status = 200) { return {.status = status, .body = std::move(body)}; }
};

struct ServerRequest {
    QByteArray method;
    QByteArray target; // as sent: path and query
    QList<Header> headers{};
    int connection = 0; // 1 for the first connection, and so on
    std::chrono::steady_clock::time_point time;

    // The first header of that name (case-insensitive); empty when absent.
    std::optional<QByteArray> header(const QByteArray &name) const;
};

// The catalog behind base(): pages of 50 built from `items` (filtered by their
// "categoryId"; 400 without "size=50"), the category and size lists, and byte-exact
// designs, previews and images (under /static/img/) by path.
struct CatalogFixture {
    QList<QJsonObject> items;
    QByteArray categories = "[]";
    QByteArray sizes = "[]";
    QHash<QString, QByteArray> files; // decoded path → body
};

class TestCatalogServer {
public:
    TestCatalogServer();
    ~TestCatalogServer();
    TestCatalogServer(const TestCatalogServer &) = delete;
    TestCatalogServer &operator=(const TestCatalogServer &) = delete;

    quint16 port() const;
    QString origin() const { return QStringLiteral("https://localhost:%1").arg(port()); }
    QUrl base() const { return QUrl(origin() + basePath()); }
    QString basePath() const { return QStringLiteral("/api/v1/desktop/templates"); }

    // Replies for a target ("/path?query" as sent, or a path for every query), in turn;
    // the last repeats. Unscripted targets come from the fixture or get 404.
    void route(const QString &target, QList<ServerReply> replies);
    void setCatalog(CatalogFixture fixture);

    QList<ServerRequest> requests() const;
    int connectionCount() const;

    // The test CA, for a transport that must trust this server.
    static QList<QSslCertificate> caCertificates();

private:
    class Engine;
    std::unique_ptr<Engine> m_engine;
};

} // namespace testsupport
