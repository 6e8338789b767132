#include "core/catalog/TemplateCatalogService.h"

#include "core/json/JsonRead.h"

#include <QSet>
#include <QStringDecoder>

#include <cmath>

#ifndef KESTRIVANE_CATALOG_ORIGIN
#define KESTRIVANE_CATALOG_ORIGIN "https://catalog.kestrivane.invalid"
#endif

namespace kestrivane {

namespace {

using Kind = CatalogIssue::Kind;

const QString catalogPath = QStringLiteral("/api/v1/desktop/templates");

[[noreturn]] void invalid()
{
    throwCatalog(Kind::invalid);
}

// The base path without a trailing "/", as the prefix of every catalog address.
QString basePath(const QUrl &base)
{
    QString path = base.path(QUrl::FullyEncoded);
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "%" must be followed by two hexadecimal digits and the result must be UTF-8.
QByteArray strictPercentDecoded(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.append(text[i]);
            continue;
        }
        const int high = i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0)
            invalid();
        out.append(char(high * 16 + low));
        i += 2;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder(out);
    Q_UNUSED(decoded);
    if (decoder.hasError())
        invalid();
    return out;
}

} // namespace

TemplateCatalogService::TemplateCatalogService(QUrl baseURL, std::shared_ptr<CatalogTransport> transport,
                                               RetryPolicy retry)
    : m_baseURL(std::move(baseURL)), m_transport(std::move(transport)), m_retry(retry)
{
}

std::optional<QUrl> TemplateCatalogService::originFromText(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("https") || url.host().isEmpty() || !url.userInfo().isEmpty() ||
        url.hasQuery() || url.hasFragment() || (!url.path().isEmpty() && url.path() != QLatin1String("/")))
        return std::nullopt;
    QUrl origin;
    origin.setScheme(url.scheme());
    origin.setHost(url.host());
    origin.setPort(url.port());
    return origin;
}

QUrl TemplateCatalogService::defaultURL()
{
    std::optional<QUrl> origin = originFromText(qEnvironmentVariable("KESTRIVANE_CATALOG_ORIGIN"));
    if (!origin)
        origin = originFromText(QStringLiteral(KESTRIVANE_CATALOG_ORIGIN));
    QUrl url = origin.value_or(QUrl(QStringLiteral("https://catalog.kestrivane.invalid")));
    url.setPath(catalogPath);
    return url;
}

QUrl TemplateCatalogService::pageURL(qint64 number, const std::optional<QString> &category) const
{
    if (!m_baseURL.isValid() || m_baseURL.isRelative() || m_baseURL.host().isEmpty())
        invalid();
    // Built by hand: QUrlQuery would leave "+" as it is, which servers read as a space.
    QString query = QStringLiteral("page=%1&size=%2").arg(number).arg(pageSize);
    if (category && !category->isEmpty())
        query += QStringLiteral("&categoryId=") + QString::fromLatin1(QUrl::toPercentEncoding(*category));
    QUrl url = m_baseURL;
    url.setFragment(QString());
    url.setQuery(query, QUrl::StrictMode);
    if (!url.isValid())
        invalid();
    return url;
}

QUrl TemplateCatalogService::subURL(const QString &component) const
{
    if (!m_baseURL.isValid() || m_baseURL.isRelative() || m_baseURL.host().isEmpty())
        invalid();
    // Setting the path: resolving "categories" would drop the base's last segment.
    QUrl url = m_baseURL;
    url.setQuery(QString());
    url.setFragment(QString());
    url.setPath(basePath(m_baseURL) + QLatin1Char('/') + component, QUrl::StrictMode);
    if (!url.isValid())
        invalid();
    return url;
}

bool TemplateCatalogService::sameOrigin(const QUrl &url) const
{
    return url.scheme() == m_baseURL.scheme() && url.host().toLower() == m_baseURL.host().toLower() &&
           url.port(443) == m_baseURL.port(443);
}

QUrl TemplateCatalogService::resolved(const QString &text, bool catalog) const
{
    QUrl root;
    root.setScheme(m_baseURL.scheme());
    root.setHost(m_baseURL.host());
    root.setPort(m_baseURL.port());
    root.setPath(QStringLiteral("/"));
    if (!m_baseURL.isValid() || !root.isValid() || root.host().isEmpty())
        invalid();
    const QUrl reference(text, QUrl::StrictMode);
    if (!reference.isValid())
        invalid();
    // Resolving removes dot segments, percent-encoded ones included.
    const QUrl url = root.resolved(reference);
    if (!url.isValid() || url.scheme() != QLatin1String("https") || !url.userName().isEmpty() ||
        !url.password().isEmpty() || url.hasFragment() || url.host().isEmpty())
        invalid();
    if (catalog) {
        // The server receives the encoded path, so the check reads that form: a decoded
        // "%2F" would hide a traversal the server may still resolve.
        const QString path = url.path(QUrl::FullyEncoded);
        if (!sameOrigin(url) || url.hasQuery() || !path.startsWith(basePath(m_baseURL) + QLatin1Char('/')) ||
            path.contains(QLatin1String("%2F"), Qt::CaseInsensitive) ||
            path.contains(QLatin1String("%5C"), Qt::CaseInsensitive))
            invalid();
    }
    return url;
}

QByteArray TemplateCatalogService::fetch(const QUrl &url, qint64 limit, const CancelToken &token) const
{
    for (int attempt = 0;; ++attempt) {
        if (token.isCancelled())
            throwCatalog(Kind::cancelled);
        try {
            return m_transport->get(url, limit, token);
        } catch (const CatalogError &error) {
            if (!error.issue().shouldRetry() || attempt + 1 >= maximumAttempts)
                throw;
            const qint64 pause = attempt == 0 ? m_retry.firstPauseMs : m_retry.secondPauseMs;
            if (!token.waitFor(pause))
                throwCatalog(Kind::cancelled);
        } catch (const CancellationError &) {
            throwCatalog(Kind::cancelled);
        }
    }
}

CatalogPage TemplateCatalogService::page(qint64 number, const std::optional<QString> &category,
                                         const CancelToken &token) const
{
    if (number < 0 || number > maximumPage)
        invalid();
    const CatalogPage page = CatalogPage::decode(fetch(pageURL(number, category), catalog::maximumJSONBytes, token));
    page.validate(number);
    return page;
}

QList<CatalogCategory> TemplateCatalogService::categories(const CancelToken &token) const
{
    const QList<CatalogCategory> list =
        CatalogCategory::decodeList(fetch(subURL(QStringLiteral("categories")), catalog::maximumJSONBytes, token));
    if (list.size() > maximumListEntries)
        invalid();
    QSet<QString> ids;
    ids.reserve(list.size());
    for (const CatalogCategory &category : list) {
        if (ids.contains(category.id))
            invalid();
        ids.insert(category.id);
    }
    return list;
}

QList<CatalogSize> TemplateCatalogService::sizes(const CancelToken &token) const
{
    const QList<CatalogSize> list =
        CatalogSize::decodeList(fetch(subURL(QStringLiteral("sizes")), catalog::maximumJSONBytes, token));
    if (list.size() > maximumListEntries)
        invalid();
    for (const CatalogSize &size : list) {
        if (!std::isfinite(size.widthMm) || !std::isfinite(size.heightMm) || size.widthMm <= 0 || size.heightMm <= 0)
            invalid();
    }
    return list;
}

CatalogDesign TemplateCatalogService::design(const CatalogItem &item, const CancelToken &token) const
{
    const QUrl url = resolved(item.downloadUrl, true);
    const CatalogDesign design = CatalogDesign::decode(fetch(url, catalog::maximumJSONBytes, token));
    design.validate(item.id);
    return design;
}

CatalogJSON TemplateCatalogService::preview(const CatalogItem &item, const CancelToken &token) const
{
    const QUrl url = resolved(item.previewUrl, true);
    std::optional<CatalogJSON> json = CatalogJSON::parse(fetch(url, catalog::maximumJSONBytes, token));
    if (!json)
        invalid();
    return *json;
}

QByteArray TemplateCatalogService::image(const QString &reference, const CancelToken &token) const
{
    if (reference.startsWith(QLatin1String("data:")))
        return decodeDataReference(reference);
    return fetch(resolved(reference, false), catalog::maximumImageBytes, token);
}

QByteArray TemplateCatalogService::decodeDataReference(const QString &reference)
{
    // Every UTF-16 unit is at least one UTF-8 byte: a cheap bound before converting.
    if (reference.size() > catalog::maximumJSONBytes || reference.toUtf8().size() > catalog::maximumJSONBytes)
        invalid();
    const qsizetype comma = reference.indexOf(QLatin1Char(','));
    if (comma < 0)
        invalid();
    const QStringList pieces = reference.left(comma).toLower().split(QLatin1Char(';'), Qt::SkipEmptyParts);
    static const QStringList mediaTypes = {QStringLiteral("data:image/png"), QStringLiteral("data:image/jpeg"),
                                           QStringLiteral("data:image/webp"), QStringLiteral("data:image/svg+xml")};
    if (pieces.isEmpty() || !mediaTypes.contains(pieces.first()))
        invalid();
    bool base64 = false;
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        if (pieces[i] == QLatin1String("base64"))
            base64 = true;
        else if (pieces[i] != QLatin1String("charset=utf-8"))
            invalid();
    }
    const QString payload = reference.mid(comma + 1);
    QByteArray bytes;
    if (base64) {
        std::optional<QByteArray> decoded = json::decodeBase64(payload);
        if (!decoded)
            invalid();
        bytes = std::move(*decoded);
    } else {
        // Plain text only for SVG.
        if (pieces.first() != QLatin1String("data:image/svg+xml"))
            invalid();
        bytes = strictPercentDecoded(payload.toUtf8());
    }
    if (bytes.size() > catalog::maximumImageBytes)
        invalid();
    return bytes;
}

} // namespace kestrivane
