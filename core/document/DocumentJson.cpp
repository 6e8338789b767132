#include "core/document/DocumentJson.h"

#include "core/json/JsonRead.h"

namespace kestrivane {

namespace {

using namespace json;

// Runs a reader or writer and reports every shape failure as the document's own error.
template <typename F> auto asDocumentError(F &&f) -> decltype(f())
{
    return reportingAs(DocumentIssue::invalidDocument, std::forward<F>(f));
}

template <typename Enum, typename Parse> Enum enumFrom(const QJsonObject &o, const QString &key, Parse parse)
{
    return requireEnum<Enum>(o, key, parse);
}

// --- writers (may throw JsonError) ---------------------------------------------------

QJsonObject writeLayout(const SheetLayout &l)
{
    return QJsonObject{
        {QStringLiteral("shape"), rawValue(l.shape)},
        {QStringLiteral("cornerRadiusMm"), number(l.cornerRadiusMm)},
        {QStringLiteral("medium"), rawValue(l.medium)},
        {QStringLiteral("columns"), l.columns},
        {QStringLiteral("rows"), l.rows},
        {QStringLiteral("leftMarginMm"), number(l.leftMarginMm)},
        {QStringLiteral("topMarginMm"), number(l.topMarginMm)},
        {QStringLiteral("columnGapMm"), number(l.columnGapMm)},
        {QStringLiteral("rowGapMm"), number(l.rowGapMm)},
    };
}

QJsonObject writeTable(const LabelTable &t)
{
    QJsonArray rows;
    for (const QList<QString> &row : t.rows)
        rows.append(stringArray(row));
    return QJsonObject{
        {QStringLiteral("sourceName"), t.sourceName},
        {QStringLiteral("sheetName"), t.sheetName},
        {QStringLiteral("columns"), stringArray(t.columns)},
        {QStringLiteral("rows"), rows},
    };
}

QJsonObject writeBinding(const TableBinding &b)
{
    return QJsonObject{
        {QStringLiteral("column"), b.column},
        {QStringLiteral("prefix"), b.prefix},
        {QStringLiteral("suffix"), b.suffix},
    };
}

QJsonObject writeBatch(const BatchOptions &b)
{
    QJsonObject o{
        {QStringLiteral("rows"), b.rows},
        {QStringLiteral("copies"), b.copies},
        {QStringLiteral("advanceEveryCopy"), b.advanceEveryCopy},
    };
    if (b.copiesColumn)
        o.insert(QStringLiteral("copiesColumn"), *b.copiesColumn);
    return o;
}

QJsonObject writeDateStyle(const WebDateStyle &s)
{
    QJsonObject o{
        {QStringLiteral("mode"), s.mode},
        {QStringLiteral("format"), s.format},
        {QStringLiteral("offsetDays"), number(s.offsetDays)},
    };
    if (s.baseDate)
        o.insert(QStringLiteral("baseDate"), *s.baseDate);
    return o;
}

QJsonObject writePlacement(const WebImagePlacement &p)
{
    return QJsonObject{
        {QStringLiteral("fit"), p.fit},     {QStringLiteral("scale"), number(p.scale)},
        {QStringLiteral("x"), number(p.x)}, {QStringLiteral("y"), number(p.y)},
        {QStringLiteral("shape"), p.shape},
    };
}

QJsonObject writeAppearance(const WebAppearance &a)
{
    QJsonObject o{
        {QStringLiteral("color"), a.color},       {QStringLiteral("radiusPt"), number(a.radiusPt)},
        {QStringLiteral("vertical"), a.vertical}, {QStringLiteral("lineHeight"), number(a.lineHeight)},
        {QStringLiteral("shrink"), a.shrink},
    };
    if (a.fill)
        o.insert(QStringLiteral("fill"), *a.fill);
    if (a.fitMode)
        o.insert(QStringLiteral("fitMode"), *a.fitMode);
    if (a.valueFormat)
        o.insert(QStringLiteral("valueFormat"), *a.valueFormat);
    if (a.missingAlignment)
        o.insert(QStringLiteral("missingAlignment"), *a.missingAlignment);
    if (a.date)
        o.insert(QStringLiteral("date"), writeDateStyle(*a.date));
    if (a.gs1Identification)
        o.insert(QStringLiteral("gs1Identification"), *a.gs1Identification);
    if (a.gs1FontPx)
        o.insert(QStringLiteral("gs1FontPx"), number(*a.gs1FontPx));
    if (a.gs1GTIN)
        o.insert(QStringLiteral("gs1GTIN"), *a.gs1GTIN);
    if (a.gs1Serial)
        o.insert(QStringLiteral("gs1Serial"), *a.gs1Serial);
    if (a.image)
        o.insert(QStringLiteral("image"), writePlacement(*a.image));
    return o;
}

QJsonObject writeBackground(const WebBackground &b)
{
    QJsonObject o{{QStringLiteral("definition"), b.definition.toJsonValue()}};
    if (b.originalImage)
        o.insert(QStringLiteral("originalImage"), base64Text(*b.originalImage));
    return o;
}

QJsonObject writeElement(const LabelElement &e)
{
    QJsonObject o{
        {QStringLiteral("id"), uuidText(e.id)},
        {QStringLiteral("kind"), rawValue(e.kind)},
        {QStringLiteral("content"), e.content},
        {QStringLiteral("xMm"), number(e.xMm)},
        {QStringLiteral("yMm"), number(e.yMm)},
        {QStringLiteral("widthMm"), number(e.widthMm)},
        {QStringLiteral("heightMm"), number(e.heightMm)},
        {QStringLiteral("fontSizePt"), number(e.fontSizePt)},
        {QStringLiteral("rotationDegrees"), number(e.rotationDegrees)},
        {QStringLiteral("textStyle"), toJson(e.textStyle)},
        {QStringLiteral("strokeMm"), number(e.strokeMm)},
        {QStringLiteral("filled"), e.filled},
        // The caption size is written for every kind but checked only on barcodes; the
        // barcode writer refuses a non-finite one.
        {QStringLiteral("barcode"), toJson(e.barcode)},
        {QStringLiteral("dateOptions"), toJson(e.dateOptions)},
        {QStringLiteral("counter"), toJson(e.counter)},
    };
    if (e.imageData)
        o.insert(QStringLiteral("imageData"), base64Text(*e.imageData));
    if (e.graphicID)
        o.insert(QStringLiteral("graphicID"), *e.graphicID);
    if (e.webAppearance)
        o.insert(QStringLiteral("webAppearance"), writeAppearance(*e.webAppearance));
    if (e.webMetadata)
        o.insert(QStringLiteral("webMetadata"), e.webMetadata->toJsonValue());
    if (e.originalImageData)
        o.insert(QStringLiteral("originalImageData"), base64Text(*e.originalImageData));
    if (e.tableBinding)
        o.insert(QStringLiteral("tableBinding"), writeBinding(*e.tableBinding));
    return o;
}

QJsonObject writeDocument(const LabelDocument &d)
{
    QJsonArray elements;
    for (const LabelElement &e : d.elements)
        elements.append(writeElement(e));
    QJsonObject o{
        {QStringLiteral("schemaVersion"), d.schemaVersion},
        {QStringLiteral("documentID"), uuidText(d.documentID)},
        {QStringLiteral("name"), d.name},
        {QStringLiteral("widthMm"), number(d.widthMm)},
        {QStringLiteral("heightMm"), number(d.heightMm)},
        {QStringLiteral("elements"), elements},
        {QStringLiteral("layout"), writeLayout(d.layout)},
        {QStringLiteral("batch"), writeBatch(d.batch)},
    };
    if (d.webSourceJSON)
        o.insert(QStringLiteral("webSourceJSON"), base64Text(*d.webSourceJSON));
    if (d.webBackground)
        o.insert(QStringLiteral("webBackground"), writeBackground(*d.webBackground));
    if (d.table)
        o.insert(QStringLiteral("table"), writeTable(*d.table));
    return o;
}

// --- readers (may throw JsonError or DocumentError) ----------------------------------

SheetLayout readLayout(const QJsonValue &value)
{
    const QJsonObject o = toObject(value);
    SheetLayout l;
    l.shape = enumFrom<LabelShape>(o, QStringLiteral("shape"), labelShapeFromRawValue);
    l.cornerRadiusMm = requireDouble(o, QStringLiteral("cornerRadiusMm"));
    l.medium = enumFrom<LabelMedium>(o, QStringLiteral("medium"), labelMediumFromRawValue);
    l.columns = requireInt64(o, QStringLiteral("columns"));
    l.rows = requireInt64(o, QStringLiteral("rows"));
    l.leftMarginMm = requireDouble(o, QStringLiteral("leftMarginMm"));
    l.topMarginMm = requireDouble(o, QStringLiteral("topMarginMm"));
    l.columnGapMm = requireDouble(o, QStringLiteral("columnGapMm"));
    l.rowGapMm = requireDouble(o, QStringLiteral("rowGapMm"));
    return l;
}

LabelTable readTable(const QJsonValue &value)
{
    const QJsonObject o = toObject(value);
    LabelTable t;
    t.sourceName = requireString(o, QStringLiteral("sourceName"));
    t.sheetName = requireString(o, QStringLiteral("sheetName"));
    t.columns = toStringList(requireArray(o, QStringLiteral("columns")));
    const QJsonArray rows = requireArray(o, QStringLiteral("rows"));
    t.rows.reserve(rows.size());
    for (const QJsonValue &row : rows)
        t.rows.append(toStringList(row));
    return t;
}

TableBinding readBinding(const QJsonValue &value)
{
    const QJsonObject o = toObject(value);
    TableBinding b;
    b.column = requireInt64(o, QStringLiteral("column"));
    b.prefix = requireString(o, QStringLiteral("prefix"));
    b.suffix = requireString(o, QStringLiteral("suffix"));
    return b;
}

BatchOptions readBatch(const QJsonValue &value)
{
    const QJsonObject o = toObject(value);
    BatchOptions b;
    b.rows = requireString(o, QStringLiteral("rows"));
    b.copies = requireInt64(o, QStringLiteral("copies"));
    b.copiesColumn = optionalInt64(o, QStringLiteral("copiesColumn"));
    b.advanceEveryCopy = requireBool(o, QStringLiteral("advanceEveryCopy"));
    return b;
}

WebDateStyle readDateStyle(const QJsonValue &value)
{
    const QJsonObject o = toObject(value);
    WebDateStyle s;
    s.mode = requireString(o, QStringLiteral("mode"));
    s.format = requireString(o, QStringLiteral("format"));
    s.baseDate = optionalString(o, QStringLiteral("baseDate"));
    s.offsetDays = requireDouble(o, QStringLiteral("offsetDays"));
    return s;
}

WebImagePlacement readPlacement(const QJsonValue &value)
{
    const QJsonObject o = toObject(value);
    WebImagePlacement p;
    p.fit = requireString(o, QStringLiteral("fit"));
    p.scale = requireDouble(o, QStringLiteral("scale"));
    p.x = requireDouble(o, QStringLiteral("x"));
    p.y = requireDouble(o, QStringLiteral("y"));
    p.shape = requireString(o, QStringLiteral("shape"));
    return p;
}

WebAppearance readAppearance(const QJsonValue &value)
{
    const QJsonObject o = toObject(value);
    WebAppearance a;
    a.color = requireString(o, QStringLiteral("color"));
    a.fill = optionalString(o, QStringLiteral("fill"));
    a.radiusPt = requireDouble(o, QStringLiteral("radiusPt"));
    a.vertical = requireString(o, QStringLiteral("vertical"));
    a.lineHeight = requireDouble(o, QStringLiteral("lineHeight"));
    a.shrink = requireBool(o, QStringLiteral("shrink"));
    a.fitMode = optionalString(o, QStringLiteral("fitMode"));
    a.valueFormat = optionalString(o, QStringLiteral("valueFormat"));
    a.missingAlignment = optionalBool(o, QStringLiteral("missingAlignment"));
    if (const auto date = optionalObject(o, QStringLiteral("date")))
        a.date = readDateStyle(*date);
    a.gs1Identification = optionalBool(o, QStringLiteral("gs1Identification"));
    a.gs1FontPx = optionalDouble(o, QStringLiteral("gs1FontPx"));
    a.gs1GTIN = optionalString(o, QStringLiteral("gs1GTIN"));
    a.gs1Serial = optionalString(o, QStringLiteral("gs1Serial"));
    if (const auto image = optionalObject(o, QStringLiteral("image")))
        a.image = readPlacement(*image);
    return a;
}

WebBackground readBackground(const QJsonValue &value)
{
    const QJsonObject o = toObject(value);
    const QJsonValue definition = field(o, QStringLiteral("definition"));
    // Any JSON value is a definition, null included (a background of type "none"); only
    // a missing key fails.
    if (definition.isUndefined())
        fail(QStringLiteral("missing key definition"));
    WebBackground b;
    b.definition = CatalogJSON(definition);
    b.originalImage = optionalBase64(o, QStringLiteral("originalImage"));
    return b;
}

LabelElement readElement(const QJsonValue &value)
{
    const QJsonObject o = toObject(value);
    LabelElement e;
    e.id = requireUuid(o, QStringLiteral("id"));
    e.kind = enumFrom<ElementKind>(o, QStringLiteral("kind"), elementKindFromRawValue);
    e.content = requireString(o, QStringLiteral("content"));
    e.xMm = requireDouble(o, QStringLiteral("xMm"));
    e.yMm = requireDouble(o, QStringLiteral("yMm"));
    e.widthMm = requireDouble(o, QStringLiteral("widthMm"));
    e.heightMm = requireDouble(o, QStringLiteral("heightMm"));
    e.fontSizePt = requireDouble(o, QStringLiteral("fontSizePt"));
    e.rotationDegrees = optionalDouble(o, QStringLiteral("rotationDegrees")).value_or(0);
    if (const auto style = optionalObject(o, QStringLiteral("textStyle")))
        e.textStyle = textStyleFromJson(*style);
    e.strokeMm = optionalDouble(o, QStringLiteral("strokeMm")).value_or(0.3);
    e.filled = optionalBool(o, QStringLiteral("filled")).value_or(false);
    if (const auto barcode = optionalObject(o, QStringLiteral("barcode")))
        e.barcode = barcodeOptionsFromJson(*barcode);
    e.imageData = optionalBase64(o, QStringLiteral("imageData"));
    e.graphicID = optionalString(o, QStringLiteral("graphicID"));
    if (const auto date = optionalObject(o, QStringLiteral("dateOptions")))
        e.dateOptions = dateOptionsFromJson(*date);
    if (const auto counter = optionalObject(o, QStringLiteral("counter")))
        e.counter = counterOptionsFromJson(*counter);
    if (const auto appearance = optionalObject(o, QStringLiteral("webAppearance")))
        e.webAppearance = readAppearance(*appearance);
    const QJsonValue metadata = field(o, QStringLiteral("webMetadata"));
    if (!isAbsent(metadata))
        e.webMetadata = CatalogJSON(metadata);
    e.originalImageData = optionalBase64(o, QStringLiteral("originalImageData"));
    if (const auto binding = optionalObject(o, QStringLiteral("tableBinding")))
        e.tableBinding = readBinding(*binding);
    return e;
}

LabelDocument readDocument(const QJsonValue &value)
{
    const QJsonObject o = toObject(value);
    // The version decides how the rest is read, so it is checked before any other key.
    const qint64 version = requireInt64(o, QStringLiteral("schemaVersion"));
    if (version < 1 || version > LabelDocument::currentSchemaVersion)
        throwIssue(DocumentIssue::unsupportedVersion);

    LabelDocument d;
    d.schemaVersion = LabelDocument::currentSchemaVersion;
    d.documentID = requireUuid(o, QStringLiteral("documentID"));
    d.name = requireString(o, QStringLiteral("name"));
    d.widthMm = requireDouble(o, QStringLiteral("widthMm"));
    d.heightMm = requireDouble(o, QStringLiteral("heightMm"));
    const QJsonArray elements = requireArray(o, QStringLiteral("elements"));
    d.elements.reserve(elements.size());
    for (const QJsonValue &element : elements)
        d.elements.append(readElement(element));
    // Version 1 files predate sheet layouts; a "layout" key in one is ignored.
    if (version >= 2)
        d.layout = readLayout(requireObject(o, QStringLiteral("layout")));
    d.webSourceJSON = optionalBase64(o, QStringLiteral("webSourceJSON"));
    if (const auto background = optionalObject(o, QStringLiteral("webBackground")))
        d.webBackground = readBackground(*background);
    if (const auto table = optionalObject(o, QStringLiteral("table")))
        d.table = readTable(*table);
    if (const auto batch = optionalObject(o, QStringLiteral("batch")))
        d.batch = readBatch(*batch);
    return d;
}

} // namespace

QJsonObject toJson(const LabelDocument &v)
{
    return asDocumentError([&] { return writeDocument(v); });
}
LabelDocument documentFromJson(const QJsonValue &j)
{
    return asDocumentError([&] { return readDocument(j); });
}
QJsonObject toJson(const LabelElement &v)
{
    return asDocumentError([&] { return writeElement(v); });
}
LabelElement elementFromJson(const QJsonValue &j)
{
    return asDocumentError([&] { return readElement(j); });
}
QJsonObject toJson(const SheetLayout &v)
{
    return asDocumentError([&] { return writeLayout(v); });
}
SheetLayout sheetLayoutFromJson(const QJsonValue &j)
{
    return asDocumentError([&] { return readLayout(j); });
}
QJsonObject toJson(const LabelTable &v)
{
    return asDocumentError([&] { return writeTable(v); });
}
LabelTable labelTableFromJson(const QJsonValue &j)
{
    return asDocumentError([&] { return readTable(j); });
}
QJsonObject toJson(const TableBinding &v)
{
    return asDocumentError([&] { return writeBinding(v); });
}
TableBinding tableBindingFromJson(const QJsonValue &j)
{
    return asDocumentError([&] { return readBinding(j); });
}
QJsonObject toJson(const BatchOptions &v)
{
    return asDocumentError([&] { return writeBatch(v); });
}
BatchOptions batchOptionsFromJson(const QJsonValue &j)
{
    return asDocumentError([&] { return readBatch(j); });
}
QJsonObject toJson(const WebAppearance &v)
{
    return asDocumentError([&] { return writeAppearance(v); });
}
WebAppearance webAppearanceFromJson(const QJsonValue &j)
{
    return asDocumentError([&] { return readAppearance(j); });
}
QJsonObject toJson(const WebDateStyle &v)
{
    return asDocumentError([&] { return writeDateStyle(v); });
}
WebDateStyle webDateStyleFromJson(const QJsonValue &j)
{
    return asDocumentError([&] { return readDateStyle(j); });
}
QJsonObject toJson(const WebImagePlacement &v)
{
    return asDocumentError([&] { return writePlacement(v); });
}
WebImagePlacement webImagePlacementFromJson(const QJsonValue &j)
{
    return asDocumentError([&] { return readPlacement(j); });
}
QJsonObject toJson(const WebBackground &v)
{
    return asDocumentError([&] { return writeBackground(v); });
}
WebBackground webBackgroundFromJson(const QJsonValue &j)
{
    return asDocumentError([&] { return readBackground(j); });
}

} // namespace kestrivane
