#include "core/catalog/CatalogModel.h"

#include "core/common/DocumentIssue.h"
#include "core/common/TextRules.h"
#include "core/document/DocumentJson.h"
#include "core/json/JsonRead.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QTimeZone>
#include <QUuid>

#include <cmath>

namespace kestrivane {

namespace catalog {

namespace {
// 2001-01-01 00:00:00 UTC in milliseconds since 1970.
constexpr qint64 referenceMs = 978307200000LL;
// About ±300,000 years: far beyond any real date, well inside QDateTime and qint64.
constexpr double maximumSeconds = 1e13;
} // namespace

double secondsSinceReference(const QDateTime &date)
{
    return double(date.toMSecsSinceEpoch() - referenceMs) / 1000.0;
}

QDateTime dateFromReferenceSeconds(double seconds)
{
    if (!std::isfinite(seconds) || std::fabs(seconds) > maximumSeconds)
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(referenceMs + std::llround(seconds * 1000.0), Qt::UTC);
}

QJsonValue parseText(const QByteArray &bytes)
{
    // Objects and arrays, the usual case, go straight to Qt's reader; the general
    // reader copies the text to read scalars too.
    QByteArrayView text(bytes);
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    const QByteArrayView trimmed = text.trimmed();
    if (trimmed.startsWith('{') || trimmed.startsWith('[')) {
        QJsonParseError error;
        const QJsonDocument document =
            QJsonDocument::fromJson(text.size() == bytes.size() ? bytes : text.toByteArray(), &error);
        if (error.error != QJsonParseError::NoError)
            throwCatalog(CatalogIssue::Kind::invalid);
        return document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
    }
    std::optional<CatalogJSON> value = CatalogJSON::parse(bytes);
    if (!value)
        throwCatalog(CatalogIssue::Kind::invalid);
    return value->raw();
}

} // namespace catalog

namespace {

void putOptional(QJsonObject &object, const QString &key, const std::optional<QString> &value)
{
    if (value)
        object.insert(key, *value);
}

QJsonValue date(const QDateTime &value)
{
    return json::number(catalog::secondsSinceReference(value));
}

QDateTime requireDate(const QJsonObject &object, const QString &key)
{
    const QDateTime date = catalog::dateFromReferenceSeconds(json::requireDouble(object, key));
    if (!date.isValid())
        json::fail(QStringLiteral("date out of range: ") + key);
    return date;
}

// Runs a whole-text reader; every shape failure, of the JSON layer or of a nested
// document, is the catalog's `invalid`.
template <typename F> auto readingText(F &&f) -> decltype(f())
{
    try {
        return f();
    } catch (const JsonError &) {
        throwCatalog(CatalogIssue::Kind::invalid);
    } catch (const DocumentError &) {
        throwCatalog(CatalogIssue::Kind::invalid);
    }
}

template <typename T> QList<T> listFromJson(const QJsonValue &json)
{
    const QJsonArray array = json::toArray(json);
    QList<T> list;
    list.reserve(array.size());
    for (const QJsonValue &entry : array)
        list.append(T::fromJson(entry));
    return list;
}

template <typename T> QJsonArray listToJson(const QList<T> &list)
{
    QJsonArray array;
    for (const T &entry : list)
        array.append(entry.toJson());
    return array;
}

bool positiveFinite(double value)
{
    return std::isfinite(value) && value > 0;
}

bool acceptableText(const QString &text)
{
    return !text.isEmpty() && !text::exceedsGraphemes(text, CatalogDesign::maximumNameCharacters);
}

} // namespace

// --- CatalogItem ---------------------------------------------------------------------

CatalogItem CatalogItem::fromJson(const QJsonValue &json)
{
    const QJsonObject o = json::toObject(json);
    CatalogItem item;
    item.id = json::requireString(o, QStringLiteral("id"));
    item.name = json::optionalString(o, QStringLiteral("name")).value_or(QString());
    if (item.name.isEmpty())
        item.name = item.id;
    item.description = json::optionalString(o, QStringLiteral("description"));
    item.categoryId = json::optionalString(o, QStringLiteral("categoryId"));
    item.categoryName = json::optionalString(o, QStringLiteral("categoryName"));
    item.widthMm = json::requireDouble(o, QStringLiteral("widthMm"));
    item.heightMm = json::requireDouble(o, QStringLiteral("heightMm"));
    item.updatedAt = json::optionalString(o, QStringLiteral("updatedAt"));
    item.downloadUrl = json::requireString(o, QStringLiteral("downloadUrl"));
    item.previewUrl = json::requireString(o, QStringLiteral("previewUrl"));
    return item;
}

QJsonObject CatalogItem::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("id"), id);
    o.insert(QStringLiteral("name"), name);
    putOptional(o, QStringLiteral("description"), description);
    putOptional(o, QStringLiteral("categoryId"), categoryId);
    putOptional(o, QStringLiteral("categoryName"), categoryName);
    o.insert(QStringLiteral("widthMm"), json::number(widthMm));
    o.insert(QStringLiteral("heightMm"), json::number(heightMm));
    putOptional(o, QStringLiteral("updatedAt"), updatedAt);
    o.insert(QStringLiteral("downloadUrl"), downloadUrl);
    o.insert(QStringLiteral("previewUrl"), previewUrl);
    return o;
}

// --- CatalogPage ---------------------------------------------------------------------

CatalogPage CatalogPage::fromJson(const QJsonValue &json)
{
    const QJsonObject o = json::toObject(json);
    CatalogPage page;
    page.schemaVersion = json::requireInt64(o, QStringLiteral("schemaVersion"));
    page.items = listFromJson<CatalogItem>(json::requireArray(o, QStringLiteral("items")));
    page.page = json::requireInt64(o, QStringLiteral("page"));
    page.size = json::requireInt64(o, QStringLiteral("size"));
    page.total = json::requireInt64(o, QStringLiteral("total"));
    page.totalPages = json::requireInt64(o, QStringLiteral("totalPages"));
    return page;
}

CatalogPage CatalogPage::decode(const QByteArray &bytes)
{
    return readingText([&] { return fromJson(catalog::parseText(bytes)); });
}

QJsonObject CatalogPage::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("schemaVersion"), schemaVersion);
    o.insert(QStringLiteral("items"), listToJson(items));
    o.insert(QStringLiteral("page"), page);
    o.insert(QStringLiteral("size"), size);
    o.insert(QStringLiteral("total"), total);
    o.insert(QStringLiteral("totalPages"), totalPages);
    return o;
}

void CatalogPage::validate(qint64 expectedPage) const
{
    const auto invalid = [] { throwCatalog(CatalogIssue::Kind::invalid); };
    if (schemaVersion != 1)
        throwCatalog(CatalogIssue::Kind::version);
    if (page != expectedPage || page < 0 || page > 10000)
        invalid();
    if (size < 1 || size > 100)
        invalid();
    if (size < items.size())
        invalid();
    if (total < 0)
        invalid();
    if (totalPages < 0 || totalPages > 10001)
        invalid();
    for (const CatalogItem &item : items) {
        if (!acceptableText(item.id) || !acceptableText(item.name) || !positiveFinite(item.widthMm) ||
            !positiveFinite(item.heightMm))
            invalid();
    }
}

// --- CatalogCategory and CatalogSize -------------------------------------------------

CatalogCategory CatalogCategory::fromJson(const QJsonValue &json)
{
    const QJsonObject o = json::toObject(json);
    CatalogCategory category;
    category.id = json::requireString(o, QStringLiteral("id"));
    category.name = json::requireString(o, QStringLiteral("name"));
    category.parentId = json::optionalString(o, QStringLiteral("parentId"));
    category.icon = json::optionalString(o, QStringLiteral("icon"));
    category.position = json::optionalInt64(o, QStringLiteral("position"));
    return category;
}

QJsonObject CatalogCategory::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("id"), id);
    o.insert(QStringLiteral("name"), name);
    putOptional(o, QStringLiteral("parentId"), parentId);
    putOptional(o, QStringLiteral("icon"), icon);
    if (position)
        o.insert(QStringLiteral("position"), *position);
    return o;
}

QList<CatalogCategory> CatalogCategory::decodeList(const QByteArray &bytes)
{
    return readingText([&] { return listFromJson<CatalogCategory>(catalog::parseText(bytes)); });
}

CatalogSize CatalogSize::fromJson(const QJsonValue &json)
{
    const QJsonObject o = json::toObject(json);
    return CatalogSize{json::requireDouble(o, QStringLiteral("widthMm")),
                       json::requireDouble(o, QStringLiteral("heightMm"))};
}

QJsonObject CatalogSize::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("widthMm"), json::number(widthMm));
    o.insert(QStringLiteral("heightMm"), json::number(heightMm));
    return o;
}

QList<CatalogSize> CatalogSize::decodeList(const QByteArray &bytes)
{
    return readingText([&] { return listFromJson<CatalogSize>(catalog::parseText(bytes)); });
}

size_t qHash(const CatalogSize &size, size_t seed) noexcept
{
    // +0.0 so that -0 and 0, which compare equal, hash alike.
    return qHashMulti(seed, size.widthMm + 0.0, size.heightMm + 0.0);
}

// --- CatalogDesign -------------------------------------------------------------------

CatalogDesign CatalogDesign::fromJson(const CatalogJSON &json)
{
    const QJsonObject o = json.raw().toObject();
    if (!json.raw().isObject() || o.isEmpty())
        throwCatalog(CatalogIssue::Kind::version);
    const QJsonValue version = o.value(QStringLiteral("schemaVersion"));
    if (!version.isDouble() || version.toDouble() != double(supportedSchemaVersion))
        throwCatalog(CatalogIssue::Kind::version);
    const QJsonValue format = o.value(QStringLiteral("format"));
    if (!format.isString() || format.toString() != supportedFormat())
        throwCatalog(CatalogIssue::Kind::version);
    const QJsonValue id = o.value(QStringLiteral("id"));
    const QJsonValue elements = o.value(QStringLiteral("elements"));
    const QJsonValue templateValue = o.value(QStringLiteral("template"));
    if (!id.isString() || !elements.isArray() || !templateValue.isObject())
        throwCatalog(CatalogIssue::Kind::invalid);

    CatalogDesign design;
    design.id = id.toString();
    design.name = design.id;
    const QJsonValue candidates[] = {o.value(QStringLiteral("name")),
                                     templateValue.toObject().value(QStringLiteral("name")), id};
    for (const QJsonValue &candidate : candidates) {
        // Blank means nothing but white space and line breaks; the chosen text is kept
        // as it was sent.
        if (candidate.isString() && !candidate.toString().trimmed().isEmpty()) {
            design.name = candidate.toString();
            break;
        }
    }
    const QJsonValue updatedAt = o.value(QStringLiteral("updatedAt"));
    if (updatedAt.isString())
        design.updatedAt = updatedAt.toString();
    if (o.contains(QStringLiteral("preview")))
        design.preview = CatalogJSON(o.value(QStringLiteral("preview")));
    design.template_ = CatalogJSON(templateValue);
    const QJsonArray array = elements.toArray();
    design.elements.reserve(array.size());
    for (const QJsonValue &element : array)
        design.elements.append(CatalogJSON(element));
    design.source = json;
    return design;
}

CatalogDesign CatalogDesign::decode(const QByteArray &bytes)
{
    if (bytes.size() > catalog::maximumJSONBytes)
        throwCatalog(CatalogIssue::Kind::tooLarge);
    CatalogDesign design = fromJson(CatalogJSON(catalog::parseText(bytes)));
    design.originalJSON = bytes;
    return design;
}

QByteArray CatalogDesign::archivedJSON() const
{
    if (originalJSON)
        return *originalJSON;
    return json::reportingAs(CatalogIssue(CatalogIssue::Kind::invalid), [&] { return source.toJson(); });
}

void CatalogDesign::validate(const QString &expectedId) const
{
    if (schemaVersion != supportedSchemaVersion || format != supportedFormat())
        throwCatalog(CatalogIssue::Kind::version);
    if (id != expectedId || !acceptableText(name) || elements.size() > maximumElements ||
        template_.kind() != CatalogJSON::Kind::object)
        throwCatalog(CatalogIssue::Kind::invalid);
}

// --- CatalogSnapshot -----------------------------------------------------------------

CatalogSnapshot::CatalogSnapshot(QList<CatalogItem> items, QList<CatalogCategory> categories, QList<CatalogSize> sizes,
                                 qint64 nextPage, qint64 totalPages, QDateTime fetchedAt)
    : categories(std::move(categories)), sizes(std::move(sizes)), nextPage(nextPage), totalPages(totalPages),
      fetchedAt(std::move(fetchedAt)), m_items(std::move(items))
{
    // Backwards, so that a repeated id points at its first position as append() keeps it.
    m_index.reserve(m_items.size());
    for (qsizetype i = m_items.size() - 1; i >= 0; --i)
        m_index[m_items[i].id] = i + 1;
}

void CatalogSnapshot::append(const CatalogPage &page)
{
    for (const CatalogItem &item : page.items) {
        // One lookup per item: a new id finds its slot empty (0) and fills it.
        qsizetype &position = m_index[item.id];
        if (position > 0) {
            m_items[position - 1] = item;
        } else {
            m_items.append(item);
            position = m_items.size();
        }
    }
    nextPage = page.page + 1;
    totalPages = page.totalPages;
    fetchedAt = QDateTime::currentDateTimeUtc();
}

CatalogSnapshot CatalogSnapshot::fromJson(const QJsonValue &json)
{
    const QJsonObject o = json::toObject(json);
    return CatalogSnapshot(listFromJson<CatalogItem>(json::requireArray(o, QStringLiteral("items"))),
                           listFromJson<CatalogCategory>(json::requireArray(o, QStringLiteral("categories"))),
                           listFromJson<CatalogSize>(json::requireArray(o, QStringLiteral("sizes"))),
                           json::requireInt64(o, QStringLiteral("nextPage")),
                           json::requireInt64(o, QStringLiteral("totalPages")),
                           requireDate(o, QStringLiteral("fetchedAt")));
}

CatalogSnapshot CatalogSnapshot::decode(const QByteArray &bytes)
{
    return readingText([&] { return fromJson(catalog::parseText(bytes)); });
}

QJsonObject CatalogSnapshot::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("items"), listToJson(m_items));
    o.insert(QStringLiteral("categories"), listToJson(categories));
    o.insert(QStringLiteral("sizes"), listToJson(sizes));
    o.insert(QStringLiteral("nextPage"), nextPage);
    o.insert(QStringLiteral("totalPages"), totalPages);
    o.insert(QStringLiteral("fetchedAt"), date(fetchedAt));
    return o;
}

QByteArray CatalogSnapshot::encoded() const
{
    return json::reportingAs(CatalogIssue(CatalogIssue::Kind::invalid), [&] { return json::compact(toJson()); });
}

bool operator==(const CatalogSnapshot &a, const CatalogSnapshot &b)
{
    return a.m_items == b.m_items && a.categories == b.categories && a.sizes == b.sizes && a.nextPage == b.nextPage &&
           a.totalPages == b.totalPages && a.fetchedAt == b.fetchedAt;
}

// --- CachedTemplate ------------------------------------------------------------------

CachedTemplate::CachedTemplate(QString id, std::optional<QString> updatedAt, LabelDocument document,
                               QList<QString> warnings)
    : id(std::move(id)), updatedAt(std::move(updatedAt)), savedAt(QDateTime::currentDateTimeUtc()),
      document(std::move(document)), warnings(std::move(warnings))
{
}

LabelDocument CachedTemplate::independentDocument() const
{
    LabelDocument copy = document;
    copy.documentID = QUuid::createUuid();
    for (LabelElement &element : copy.elements)
        element.id = QUuid::createUuid();
    return copy;
}

CachedTemplate CachedTemplate::fromJson(const QJsonValue &json)
{
    const QJsonObject o = json::toObject(json);
    CachedTemplate cached;
    cached.converterRevision = json::requireInt64(o, QStringLiteral("converterRevision"));
    cached.id = json::requireString(o, QStringLiteral("id"));
    cached.updatedAt = json::optionalString(o, QStringLiteral("updatedAt"));
    cached.savedAt = requireDate(o, QStringLiteral("savedAt"));
    cached.document = documentFromJson(json::requireObject(o, QStringLiteral("document")));
    cached.warnings = json::toStringList(json::requireArray(o, QStringLiteral("warnings")));
    return cached;
}

CachedTemplate CachedTemplate::decode(const QByteArray &bytes)
{
    return readingText([&] { return fromJson(catalog::parseText(bytes)); });
}

QJsonObject CachedTemplate::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("converterRevision"), converterRevision);
    o.insert(QStringLiteral("id"), id);
    putOptional(o, QStringLiteral("updatedAt"), updatedAt);
    o.insert(QStringLiteral("savedAt"), date(savedAt));
    o.insert(QStringLiteral("document"), kestrivane::toJson(document));
    o.insert(QStringLiteral("warnings"), json::stringArray(warnings));
    return o;
}

QByteArray CachedTemplate::encoded() const
{
    return readingText([&] { return json::compact(toJson()); });
}

} // namespace kestrivane
