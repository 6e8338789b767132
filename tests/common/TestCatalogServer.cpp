#include "tests/common/TestCatalogServer.h"

#include "tests/common/TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMetaObject>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QThread>
#include <QTimer>
#include <QUrlQuery>

#include <mutex>

namespace testsupport {

namespace {

struct Connection {
    QSslSocket *socket = nullptr;
    int id = 0;
    QByteArray buffer;
    bool busy = false;
};

} // namespace

std::optional<QByteArray> ServerRequest::header(const QByteArray &name) const
{
    for (const Header &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return std::nullopt;
}

class TestCatalogServer::Engine {
public:
    Engine()
    {
        m_thread.setObjectName(QStringLiteral("test-catalog-server"));
        m_thread.start();
        m_context.moveToThread(&m_thread);
        QMetaObject::invokeMethod(
            &m_context, [this] { listen(); }, Qt::BlockingQueuedConnection);
    }

    ~Engine()
    {
        QMetaObject::invokeMethod(
            &m_context,
            [this] {
                delete m_server;
                m_server = nullptr;
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    quint16 port = 0;
    mutable std::mutex mutex;
    QHash<QString, QList<ServerReply>> routes;
    CatalogFixture fixture;
    QList<ServerRequest> log;
    int connections = 0;

private:
    void listen()
    {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        const QList<QSslCertificate> chain =
            QSslCertificate::fromPath(dataPath(QStringLiteral("tls/server.pem")), QSsl::Pem);
        QFile keyFile(dataPath(QStringLiteral("tls/server.key")));
        keyFile.open(QIODevice::ReadOnly);
        configuration.setLocalCertificateChain(chain);
        configuration.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Ec, QSsl::Pem));
        configuration.setAllowedNextProtocols({QByteArray(QSslConfiguration::NextProtocolHttp1_1)});
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        m_server = new QSslServer();
        m_server->setSslConfiguration(configuration);
        QObject::connect(m_server, &QTcpServer::pendingConnectionAvailable, m_server, [this] { accept(); });
        m_server->listen(QHostAddress::LocalHost, 0);
        port = m_server->serverPort();
    }

    void accept()
    {
        while (QTcpSocket *next = m_server->nextPendingConnection()) {
            auto connection = std::make_shared<Connection>();
            connection->socket = qobject_cast<QSslSocket *>(next);
            {
                std::lock_guard lock(mutex);
                connection->id = ++connections;
            }
            QObject::connect(next, &QTcpSocket::readyRead, next, [this, connection] {
                connection->buffer += connection->socket->readAll();
                serveNext(connection);
            });
            QObject::connect(next, &QTcpSocket::disconnected, next, &QObject::deleteLater);
            if (next->bytesAvailable() > 0)
                Q_EMIT next->readyRead();
        }
    }

    void serveNext(const std::shared_ptr<Connection> &connection)
    {
        if (connection->busy)
            return;
        const qsizetype end = connection->buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = connection->buffer.left(end).split('\n');
        connection->buffer.remove(0, end + 4);
        ServerRequest request;
        const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.append({lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
        }
        request.connection = connection->id;
        request.time = std::chrono::steady_clock::now();
        ServerReply reply;
        {
            std::lock_guard lock(mutex);
            log.append(request);
            reply = replyFor(request);
        }
        connection->busy = true;
        QTimer::singleShot(reply.delayBeforeHeadersMs, connection->socket,
                           [this, connection, reply] { respond(connection, reply); });
    }

    // Under the mutex.
    ServerReply replyFor(const ServerRequest &request)
    {
        const QUrl url(QStringLiteral("https://localhost") + QString::fromLatin1(request.target));
        for (const QString &key : {QString::fromLatin1(request.target), url.path(QUrl::FullyEncoded)}) {
            auto found = routes.find(key);
            if (found != routes.end() && !found->isEmpty())
                return found->size() > 1 ? found->takeFirst() : found->first();
        }
        return fromFixture(url);
    }

    ServerReply fromFixture(const QUrl &url) const
    {
        const QString base = "/api/v1/desktop/templates";
        const QString path = url.path();
        if (path == base) {
            const QUrlQuery query(url);
            if (query.queryItemValue("size") != "50")
                return ServerReply::json("{}", 400);
            const qint64 page = query.queryItemValue("page").toLongLong();
            const QString category = query.queryItemValue("categoryId", QUrl::FullyDecoded);
            QJsonArray matching;
            for (const QJsonObject &item : fixture.items) {
                if (category.isEmpty() || item.value("categoryId").toString() == category)
                    matching.append(item);
            }
            QJsonArray items;
            for (qint64 i = page * 50; i < matching.size() && i < (page + 1) * 50; ++i)
                items.append(matching.at(i));
            const QJsonObject body{
                {"schemaVersion", 1}, {"items", items},           {"page", page},
                {"size", 50},         {"total", matching.size()}, {"totalPages", (matching.size() + 49) / 50}};
            return ServerReply::json(QJsonDocument(body).toJson(QJsonDocument::Compact));
        }
        if (path == base + "/categories")
            return ServerReply::json(fixture.categories);
        if (path == base + "/sizes")
            return ServerReply::json(fixture.sizes);
        const auto file = fixture.files.constFind(path);
        if (file == fixture.files.constEnd())
            return ServerReply::json("{}", 404);
        ServerReply reply = ServerReply::json(file.value());
        if (path.startsWith("/static/img/"))
            reply.headers.append(Header("Content-Type", "image/png"));
        return reply;
    }

    static void respond(const std::shared_ptr<Connection> &connection, const ServerReply &reply)
    {
        QSslSocket *socket = connection->socket;
        QList<Header> headers{{"Cache-Control", "no-store"}, {"Content-Type", "application/json"}};
        for (const Header &h : reply.headers) {
            auto same = std::find_if(headers.begin(), headers.end(), [&](const Header &d) {
                return d.first.compare(h.first, Qt::CaseInsensitive) == 0;
            });
            if (same != headers.end())
                *same = h;
            else
                headers.append(h);
        }
        using Framing = ServerReply::Framing;
        if (reply.framing == Framing::contentLength)
            headers.append(
                Header("Content-Length", QByteArray::number(reply.announcedLength.value_or(reply.body.size()))));
        else if (reply.framing == Framing::chunked)
            headers.append(Header("Transfer-Encoding", "chunked"));
        const bool closes = reply.framing == Framing::close || reply.announcedLength || reply.omitLastChunk;
        headers.append(Header("Connection", closes ? "close" : "keep-alive"));

        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\n";
        for (const Header &h : headers)
            head += h.first + ": " + h.second + "\r\n";
        socket->write(head + "\r\n");

        qint64 limit = reply.body.size();
        if (reply.stallAfterBytes)
            limit = std::min(limit, *reply.stallAfterBytes);
        if (reply.closeAfterBytes)
            limit = std::min(limit, *reply.closeAfterBytes);
        const auto send = [connection, reply](qint64 from, qint64 count) {
            const QByteArray part = reply.body.mid(from, count);
            if (part.isEmpty())
                return;
            if (reply.framing == ServerReply::Framing::chunked)
                connection->socket->write(QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n");
            else
                connection->socket->write(part);
        };
        const auto finish = [connection, reply, limit, closes] {
            QSslSocket *socket = connection->socket;
            if (reply.stallAfterBytes && limit == *reply.stallAfterBytes)
                return; // silent, and the connection stays open
            if (reply.closeAfterBytes && limit == *reply.closeAfterBytes) {
                socket->disconnectFromHost();
                return;
            }
            if (reply.framing == ServerReply::Framing::chunked && !reply.omitLastChunk)
                socket->write("0\r\n\r\n");
            if (closes) {
                socket->disconnectFromHost();
                return;
            }
            connection->busy = false;
            if (!connection->buffer.isEmpty())
                Q_EMIT socket->readyRead();
        };

        if (reply.trickleBytes > 0) {
            auto *timer = new QTimer(socket);
            auto offset = std::make_shared<qint64>(0);
            QObject::connect(timer, &QTimer::timeout, socket, [=] {
                const qint64 count = std::min(reply.trickleBytes, limit - *offset);
                send(*offset, count);
                *offset += count;
                if (*offset >= limit) {
                    timer->stop();
                    timer->deleteLater();
                    finish();
                }
            });
            timer->start(int(reply.trickleIntervalMs));
            return;
        }
        constexpr qint64 slice = 1 << 20;
        for (qint64 offset = 0; offset < limit; offset += slice)
            send(offset, std::min(slice, limit - offset));
        finish();
    }

    QThread m_thread;
    QObject m_context;
    QSslServer *m_server = nullptr;
};

TestCatalogServer::TestCatalogServer() : m_engine(std::make_unique<Engine>()) {}

TestCatalogServer::~TestCatalogServer() = default;

quint16 TestCatalogServer::port() const
{
    return m_engine->port;
}

void TestCatalogServer::route(const QString &target, QList<ServerReply> replies)
{
    std::lock_guard lock(m_engine->mutex);
    m_engine->routes.insert(target, std::move(replies));
}

void TestCatalogServer::setCatalog(CatalogFixture fixture)
{
    std::lock_guard lock(m_engine->mutex);
    m_engine->fixture = std::move(fixture);
}

QList<ServerRequest> TestCatalogServer::requests() const
{
    std::lock_guard lock(m_engine->mutex);
    return m_engine->log;
}

int TestCatalogServer::connectionCount() const
{
    std::lock_guard lock(m_engine->mutex);
    return m_engine->connections;
}

QList<QSslCertificate> TestCatalogServer::caCertificates()
{
    return QSslCertificate::fromPath(dataPath(QStringLiteral("tls/ca.pem")), QSsl::Pem);
}

} // namespace testsupport
