#include "core/catalog/CatalogTransport.h"

#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkDiskCache>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSslConfiguration>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <optional>

namespace kestrivane {

namespace {

using Kind = CatalogIssue::Kind;

constexpr qint64 readBufferBytes = 1 << 20;
constexpr qint64 diskCacheBytes = 64 << 20;

// Neither sends nor keeps a cookie; Qt's default jar would replay Set-Cookie.
class NoCookieJar : public QNetworkCookieJar {
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    QList<QNetworkCookie> cookiesForUrl(const QUrl &) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie> &, const QUrl &) override { return false; }
};

class SystemProxyFactory : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        return QNetworkProxyFactory::systemProxyForQuery(query);
    }
};

Kind issueForStatus(int status)
{
    if (status == 401 || status == 403)
        return Kind::access;
    if (status == 404)
        return Kind::notFound;
    if (status == 429)
        return Kind::rateLimited;
    if (status == 503)
        return Kind::disabled;
    if (status >= 500 && status <= 599)
        return Kind::network;
    return Kind::invalid;
}

// One request, shared between the waiting caller and the network thread. The network
// thread alone touches `reply` and `timer`; the rest is guarded by `mutex`.
struct Exchange {
    QUrl url;
    qint64 maximumBytes = 0;

    QPointer<QNetworkReply> reply;
    QTimer *timer = nullptr;
    QByteArray body;

    std::mutex mutex;
    std::condition_variable doneChanged;
    bool done = false;
    std::optional<Kind> issue;
    QByteArray result;

    bool isDone()
    {
        std::lock_guard lock(mutex);
        return done;
    }

    void complete(std::optional<Kind> failure, QByteArray bytes = {})
    {
        std::lock_guard lock(mutex);
        if (done)
            return;
        done = true;
        issue = failure;
        result = std::move(bytes);
        doneChanged.notify_all();
    }

    // Records why the request ends before Qt's own error code can say otherwise, then
    // stops it (abort() emits finished() at once). Inside one of the reply's own signals
    // the abort waits for the next turn of the event loop: Qt would otherwise go on
    // reporting into a reply that has already finished.
    void fail(Kind kind, bool insideReplySignal = false)
    {
        complete(kind);
        if (!reply)
            return;
        if (insideReplySignal)
            QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
        else
            reply->abort();
    }
};

} // namespace

QString TransportConfiguration::defaultDiskCacheFolder()
{
    const QString root = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (root.isEmpty())
        return QString();
    return root + QStringLiteral("/com.morvathsoftware.kestrivane/http-v1");
}

class HTTPCatalogTransport::Network {
public:
    explicit Network(TransportConfiguration configuration) : m_configuration(std::move(configuration))
    {
        m_ssl = QSslConfiguration::defaultConfiguration();
        if (!m_configuration.caCertificates.isEmpty())
            m_ssl.setCaCertificates(m_configuration.caCertificates);
        m_thread.setObjectName(QStringLiteral("catalog-network"));
        m_thread.start();
        m_context.moveToThread(&m_thread);
        QMetaObject::invokeMethod(
            &m_context, [this] { createManager(); }, Qt::BlockingQueuedConnection);
    }

    ~Network()
    {
        QMetaObject::invokeMethod(
            &m_context,
            [this] {
                delete m_manager;
                m_manager = nullptr;
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    QByteArray get(const QUrl &url, qint64 maximumBytes, const CancelToken &token)
    {
        Q_ASSERT_X(QThread::currentThread() != &m_thread, "HTTPCatalogTransport::get",
                   "called on the network thread, which it would block");
        if (url.scheme() != QLatin1String("https") || !url.userName().isEmpty() || !url.password().isEmpty() ||
            url.host().isEmpty())
            throwCatalog(Kind::invalid);
        if (token.isCancelled())
            throwCatalog(Kind::cancelled);

        auto exchange = std::make_shared<Exchange>();
        exchange->url = url;
        exchange->maximumBytes = maximumBytes;
        QMetaObject::invokeMethod(
            &m_context, [this, exchange] { start(exchange); }, Qt::QueuedConnection);
        {
            // Our own token is the only source of `cancelled`; the abort runs where the
            // reply lives.
            CancelCallbackScope onCancel(token, [this, exchange] {
                QMetaObject::invokeMethod(
                    &m_context, [exchange] { exchange->fail(Kind::cancelled); }, Qt::QueuedConnection);
            });
            std::unique_lock lock(exchange->mutex);
            exchange->doneChanged.wait(lock, [&] { return exchange->done; });
        }
        std::lock_guard lock(exchange->mutex);
        if (exchange->issue)
            throwCatalog(*exchange->issue);
        return std::move(exchange->result);
    }

private:
    void createManager()
    {
        m_manager = new QNetworkAccessManager();
        m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
        m_manager->setCookieJar(new NoCookieJar(m_manager));
        if (m_configuration.useSystemProxy)
            m_manager->setProxyFactory(new SystemProxyFactory());
        else
            m_manager->setProxy(QNetworkProxy::NoProxy);
        if (!m_configuration.diskCacheFolder.isEmpty()) {
            auto *cache = new QNetworkDiskCache(m_manager);
            cache->setCacheDirectory(m_configuration.diskCacheFolder);
            cache->setMaximumCacheSize(diskCacheBytes);
            m_manager->setCache(cache);
        }
        // authenticationRequired and proxyAuthenticationRequired stay unconnected: no
        // challenge is ever answered.
    }

    void start(const std::shared_ptr<Exchange> &exchange)
    {
        if (exchange->isDone()) // cancelled before it reached this thread
            return;
        QNetworkRequest request(exchange->url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
        request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
        request.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
        request.setRawHeader("Accept", "application/json, image/*");
        // Bodies arrive as sent, so the caps hold for the bytes received and nothing
        // small can inflate past them in memory.
        request.setRawHeader("Accept-Encoding", "identity");
        request.setTransferTimeout(
            int(std::clamp<qint64>(m_configuration.idleTimeoutMs, 1, std::numeric_limits<int>::max())));
        request.setSslConfiguration(m_ssl);

        QNetworkReply *reply = m_manager->get(request);
        reply->setReadBufferSize(readBufferBytes);
        exchange->reply = reply;

        auto *timer = new QTimer(reply);
        timer->setSingleShot(true);
        exchange->timer = timer;
        QObject::connect(timer, &QTimer::timeout, reply, [exchange] { exchange->fail(Kind::network); });
        timer->start(std::chrono::milliseconds(m_configuration.totalTimeoutMs));

        QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [exchange] { headersArrived(*exchange); });
        QObject::connect(reply, &QNetworkReply::readyRead, reply, [exchange] { readBody(*exchange); });
        QObject::connect(reply, &QNetworkReply::finished, reply, [exchange] { finished(*exchange); });
    }

    static void headersArrived(Exchange &exchange)
    {
        QNetworkReply *reply = exchange.reply;
        if (!reply || exchange.isDone())
            return;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid())
            return;
        if (status.toInt() != 200) {
            exchange.fail(issueForStatus(status.toInt()), true);
            return;
        }
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > exchange.maximumBytes)
            exchange.fail(Kind::tooLarge, true);
    }

    static void readBody(Exchange &exchange)
    {
        QNetworkReply *reply = exchange.reply;
        if (!reply || exchange.isDone())
            return;
        headersArrived(exchange);
        if (exchange.isDone())
            return;
        if (exchange.body.size() + reply->bytesAvailable() > exchange.maximumBytes) {
            exchange.fail(Kind::tooLarge, true);
            return;
        }
        exchange.body.append(reply->readAll());
    }

    static void finished(Exchange &exchange)
    {
        QNetworkReply *reply = exchange.reply;
        if (!reply)
            return;
        if (exchange.timer)
            exchange.timer->stop();
        if (!exchange.isDone()) {
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            const QNetworkReply::NetworkError error = reply->error();
            if (status.isValid()) {
                // The status decides; Qt also reports an error code for 401 and 404.
                if (status.toInt() != 200)
                    exchange.complete(issueForStatus(status.toInt()));
                else if (error != QNetworkReply::NoError) // a stall, a cut or a broken stream
                    exchange.complete(Kind::network);
                else if (exchange.body.size() + reply->bytesAvailable() > exchange.maximumBytes)
                    exchange.complete(Kind::tooLarge);
                else
                    exchange.complete(std::nullopt, exchange.body + reply->readAll());
            } else if (error == QNetworkReply::ProtocolFailure || error == QNetworkReply::ProtocolUnknownError ||
                       error == QNetworkReply::NoError) {
                exchange.complete(Kind::invalid); // not an HTTP response
            } else {
                // Qt's own transfer time-out looks like an abort; only our token, which
                // completed the exchange before aborting, yields `cancelled`.
                exchange.complete(Kind::network);
            }
        }
        exchange.body.clear();
        exchange.reply = nullptr;
        reply->deleteLater();
    }

    TransportConfiguration m_configuration;
    QSslConfiguration m_ssl;
    QThread m_thread;
    QObject m_context;
    QNetworkAccessManager *m_manager = nullptr;
};

HTTPCatalogTransport::HTTPCatalogTransport(TransportConfiguration configuration)
    : m_network(std::make_unique<Network>(std::move(configuration)))
{
}

HTTPCatalogTransport::~HTTPCatalogTransport() = default;

QByteArray HTTPCatalogTransport::get(const QUrl &url, qint64 maximumBytes, const CancelToken &token)
{
    return m_network->get(url, maximumBytes, token);
}

} // namespace kestrivane
