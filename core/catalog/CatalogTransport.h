#pragma once

#include "core/catalog/CatalogIssue.h"
#include "core/common/CancelToken.h"

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QUrl>

#include <memory>

namespace kestrivane {

// Fetches one URL with a byte limit. Blocks the calling thread, may be called from any
// thread, and throws only CatalogError. The catalog service holds it behind this
// interface so that tests can stand in for the network.
class CatalogTransport {
public:
    virtual ~CatalogTransport() = default;
    virtual QByteArray get(const QUrl &url, qint64 maximumBytes, const CancelToken &token) = 0;
};

struct TransportConfiguration {
    // Giving up after this long without any data, and after this long per request in all.
    qint64 idleTimeoutMs = 15000;
    qint64 totalTimeoutMs = 30000;
    // The desktop's proxy settings; false connects directly.
    bool useSystemProxy = true;
    // When not empty, the only roots trusted by this transport; else the system's roots.
    QList<QSslCertificate> caCertificates;
    // Folder of the HTTP cache (64 MiB on disk); empty for none.
    QString diskCacheFolder = defaultDiskCacheFolder();

    static QString defaultDiskCacheFolder();
};

// The catalog over HTTPS. One network access manager lives on a thread of its own; each
// call hands its request to that thread and waits. It follows no redirects, sends and
// stores no cookies, answers no authentication challenge, asks for no compression and
// streams every body against its cap.
class HTTPCatalogTransport : public CatalogTransport {
public:
    explicit HTTPCatalogTransport(TransportConfiguration configuration = {});
    ~HTTPCatalogTransport() override;
    HTTPCatalogTransport(const HTTPCatalogTransport &) = delete;
    HTTPCatalogTransport &operator=(const HTTPCatalogTransport &) = delete;

    // Must not be called on the transport's own network thread.
    QByteArray get(const QUrl &url, qint64 maximumBytes, const CancelToken &token) override;

private:
    class Network;
    std::unique_ptr<Network> m_network;
};

} // namespace kestrivane
