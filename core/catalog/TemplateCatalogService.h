#pragma once

#include "core/catalog/CatalogModel.h"
#include "core/catalog/CatalogTransport.h"

#include <QUrl>

#include <memory>
#include <optional>

namespace kestrivane {

// Pauses between attempts of a request that failed with a transient issue.
struct RetryPolicy {
    qint64 firstPauseMs = 350;
    qint64 secondPauseMs = 900;
};

// The catalog client: knows the catalog's paths, queries and limits, checks every
// address it is given, retries transient failures and decodes the responses. Every
// operation blocks, honours its token and throws only CatalogError.
class TemplateCatalogService {
public:
    static constexpr qint64 pageSize = 50;
    static constexpr qint64 maximumPage = 10000;
    static constexpr qsizetype maximumListEntries = 10000;
    static constexpr int maximumAttempts = 3;

    TemplateCatalogService(QUrl baseURL, std::shared_ptr<CatalogTransport> transport, RetryPolicy retry = {});

    // The built-in origin (or a valid override from the environment variable
    // KESTRIVANE_CATALOG_ORIGIN) with the catalog's fixed path.
    static QUrl defaultURL();
    // An https origin (host, optional port, no user, path, query or fragment) as a URL;
    // empty for any other text.
    static std::optional<QUrl> originFromText(const QString &text);

    const QUrl &baseURL() const { return m_baseURL; }

    CatalogPage page(qint64 number, const std::optional<QString> &category, const CancelToken &token = {}) const;
    QList<CatalogCategory> categories(const CancelToken &token = {}) const;
    QList<CatalogSize> sizes(const CancelToken &token = {}) const;
    CatalogDesign design(const CatalogItem &item, const CancelToken &token = {}) const;
    CatalogJSON preview(const CatalogItem &item, const CancelToken &token = {}) const;
    // An https address of any host, or an inline "data:" reference decoded without a
    // request.
    QByteArray image(const QString &reference, const CancelToken &token = {}) const;

    // The address of one listing page (invalid when the base URL cannot give one).
    QUrl pageURL(qint64 number, const std::optional<QString> &category) const;
    // A text from the catalog as an address it is willing to request. Catalog addresses
    // (designs, previews) must also lie below the base path, on the base's origin,
    // without a query.
    QUrl resolved(const QString &text, bool catalog) const;
    bool sameOrigin(const QUrl &url) const;
    // The bytes of a "data:" image reference.
    static QByteArray decodeDataReference(const QString &reference);

private:
    QUrl subURL(const QString &component) const;
    QByteArray fetch(const QUrl &url, qint64 limit, const CancelToken &token) const;

    QUrl m_baseURL;
    std::shared_ptr<CatalogTransport> m_transport;
    RetryPolicy m_retry;
};

} // namespace kestrivane
