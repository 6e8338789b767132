#pragma once

// The records of the template catalog: what its HTTP responses carry, a downloaded
// web design, the listing the catalog screen accumulates and a converted template as
// it is cached. Plain values, free of threads, network and disk.
//
// JSON: compact, keys named as the fields, absent optional fields left out, dates as
// seconds since 2001-01-01 00:00:00 UTC (a JSON number), bytes as Base64. Readers of
// single values (`fromJson`) throw JsonError for a value of the wrong shape; readers of
// whole texts (`decode`) throw CatalogError(invalid) instead.

#include "core/catalog/CatalogIssue.h"
#include "core/json/CatalogJSON.h"
#include "core/model/LabelDocument.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace kestrivane {

namespace catalog {
// Largest JSON response (page, lists, design, preview) and largest image, in bytes.
inline constexpr qint64 maximumJSONBytes = 12582912; // 12 MiB
inline constexpr qint64 maximumImageBytes = 8388608; // 8 MiB

// Dates in the catalog's JSON: seconds since 2001-01-01 00:00:00 UTC.
double secondsSinceReference(const QDateTime &date);
QDateTime dateFromReferenceSeconds(double seconds); // invalid when out of range

// The value of a whole JSON text (any top-level kind, a leading BOM dropped); throws
// CatalogError(invalid) when it is not well-formed.
QJsonValue parseText(const QByteArray &bytes);
} // namespace catalog

// One template of a catalog page.
struct CatalogItem {
    QString id;
    QString name; // a missing or empty name reads as the id
    std::optional<QString> description;
    std::optional<QString> categoryId;
    std::optional<QString> categoryName;
    double widthMm = 0;
    double heightMm = 0;
    std::optional<QString> updatedAt; // a revision stamp, never parsed as a date
    QString downloadUrl;
    QString previewUrl;

    static CatalogItem fromJson(const QJsonValue &json);
    QJsonObject toJson() const;

    friend bool operator==(const CatalogItem &, const CatalogItem &) = default;
};

} // namespace kestrivane

// Moved in memory as a block when a list grows: every member is a Qt implicitly shared
// value, a double or an optional of one.
Q_DECLARE_TYPEINFO(kestrivane::CatalogItem, Q_RELOCATABLE_TYPE);

namespace kestrivane {

// One response of the paged listing.
struct CatalogPage {
    qint64 schemaVersion = 1;
    QList<CatalogItem> items;
    qint64 page = 0; // counted from 0
    qint64 size = 0; // the page size the server used
    qint64 total = 0;
    qint64 totalPages = 0;

    static CatalogPage fromJson(const QJsonValue &json);
    static CatalogPage decode(const QByteArray &bytes);
    QJsonObject toJson() const;

    // The first check that fails throws: version for another schema, invalid otherwise.
    void validate(qint64 expectedPage) const;

    friend bool operator==(const CatalogPage &, const CatalogPage &) = default;
};

struct CatalogCategory {
    QString id;
    QString name;
    std::optional<QString> parentId;
    std::optional<QString> icon;
    std::optional<qint64> position;

    static CatalogCategory fromJson(const QJsonValue &json);
    QJsonObject toJson() const;
    // A JSON array of categories; no checks beyond the shape.
    static QList<CatalogCategory> decodeList(const QByteArray &bytes);

    friend bool operator==(const CatalogCategory &, const CatalogCategory &) = default;
};

// A label size the catalog offers.
struct CatalogSize {
    double widthMm = 0;
    double heightMm = 0;

    static CatalogSize fromJson(const QJsonValue &json);
    QJsonObject toJson() const;
    static QList<CatalogSize> decodeList(const QByteArray &bytes);

    friend bool operator==(const CatalogSize &, const CatalogSize &) = default;
};

size_t qHash(const CatalogSize &size, size_t seed = 0) noexcept;

// A web-editor design as downloaded.
struct CatalogDesign {
    static constexpr qint64 supportedSchemaVersion = 1;
    static constexpr qsizetype maximumElements = 500;
    static constexpr qsizetype maximumNameCharacters = 256;
    static QString supportedFormat() { return QStringLiteral("kestrivane-web"); }

    qint64 schemaVersion = supportedSchemaVersion;
    QString format = supportedFormat();
    QString id;
    QString name;
    std::optional<QString> updatedAt;
    CatalogJSON template_; // the "template" object ("template" is a C++ keyword)
    QList<CatalogJSON> elements;
    std::optional<CatalogJSON> preview;
    CatalogJSON source; // the whole top-level object as received
    std::optional<QByteArray> originalJSON;

    // From a value already read: version for a missing or foreign envelope, invalid
    // for a wrong shape, in that order.
    static CatalogDesign fromJson(const CatalogJSON &json);
    // From the received bytes, which are kept: tooLarge above 12 MiB before parsing,
    // invalid for text that is not JSON, then as `fromJson`.
    static CatalogDesign decode(const QByteArray &bytes);
    // The received bytes unchanged, or compact text of `source` when there are none.
    QByteArray archivedJSON() const;
    // version for another schema or format; invalid for another id, an empty or long
    // name, too many elements or a template that is not an object.
    void validate(const QString &expectedId) const;
};

// What the catalog screen has loaded for one category. No two items share an id.
class CatalogSnapshot {
public:
    QList<CatalogCategory> categories;
    QList<CatalogSize> sizes;
    qint64 nextPage = 0;
    qint64 totalPages = 0;
    QDateTime fetchedAt;

    CatalogSnapshot() = default;
    CatalogSnapshot(QList<CatalogItem> items, QList<CatalogCategory> categories, QList<CatalogSize> sizes,
                    qint64 nextPage, qint64 totalPages, QDateTime fetchedAt);

    const QList<CatalogItem> &items() const { return m_items; }
    // True when no two items share an id (a cached snapshot that breaks it is refused).
    bool hasUniqueIds() const { return m_index.size() == m_items.size(); }

    // Merges by id: a known id is replaced where it stands, a new one appended; then
    // the next page, the page count and the fetch date follow the page. Linear in the
    // page's items.
    void append(const CatalogPage &page);

    // Every key is required.
    static CatalogSnapshot fromJson(const QJsonValue &json);
    static CatalogSnapshot decode(const QByteArray &bytes);
    QJsonObject toJson() const;
    QByteArray encoded() const;

    friend bool operator==(const CatalogSnapshot &a, const CatalogSnapshot &b);

private:
    QList<CatalogItem> m_items;
    QHash<QString, qsizetype> m_index; // id → 1 + position of its first occurrence
};

// A converted template as stored in the cache.
struct CachedTemplate {
    static constexpr qint64 currentConverterRevision = 3;

    qint64 converterRevision = currentConverterRevision;
    QString id; // the catalog item's id
    std::optional<QString> updatedAt;
    QDateTime savedAt;
    LabelDocument document;
    QList<QString> warnings; // localisation keys

    CachedTemplate() = default;
    // Saved now, by the current converter.
    CachedTemplate(QString id, std::optional<QString> updatedAt, LabelDocument document, QList<QString> warnings);

    // A copy of the document with a new document id and a new id for every element, so
    // that two documents opened from one cached template share no identifier.
    LabelDocument independentDocument() const;

    static CachedTemplate fromJson(const QJsonValue &json);
    static CachedTemplate decode(const QByteArray &bytes);
    QJsonObject toJson() const;
    QByteArray encoded() const;

    friend bool operator==(const CachedTemplate &, const CachedTemplate &) = default;
};

} // namespace kestrivane
