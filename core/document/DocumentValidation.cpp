// The one gate of a document: every limit of the model, checked in a fixed order so
// that a document breaking several limits always reports the same, earliest one.

#include "core/document/DocumentValidation.h"

#include "core/barcode/BarcodeEncoder.h"
#include "core/common/TableIssue.h"
#include "core/common/TextRules.h"
#include "core/graphics/ImageAsset.h"
#include "core/render/WebGS1Caption.h"
#include "core/web/WebImageAsset.h"

#include <QDateTime>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace kestrivane {

namespace {

constexpr qsizetype maximumNameCharacters = 256;
constexpr qsizetype maximumElements = 500;
constexpr qsizetype maximumWebSourceBytes = 12582912;
constexpr double minimumLabelMm = 10;
constexpr double maximumLabelMm = 500;
constexpr double maximumLayoutLengthMm = 500;
constexpr qint64 maximumGridSide = 20;
constexpr qint64 maximumLabelsPerSheet = 100;
constexpr double maximumSheetExtentMm = 2000;
constexpr qsizetype maximumAffixCharacters = 128;
constexpr double maximumFontPt = 144;
constexpr double minimumStrokeMm = 0.05;
constexpr double maximumStrokeMm = 10;
constexpr double maximumRotation = 360;
constexpr qsizetype maximumContentCharacters = 4096;
constexpr qsizetype maximumFontNameCharacters = 256;
constexpr double minimumSquareCodeMm = 10;
constexpr double squareToleranceMm = 0.001;
constexpr qsizetype maximumQrBytes = 512;
constexpr qint64 maximumOffsetDays = 36500;

[[noreturn]] void geometry()
{
    throwIssue(DocumentIssue::invalidGeometry);
}
[[noreturn]] void content()
{
    throwIssue(DocumentIssue::invalidContent);
}

bool finiteWithin(double value, double low, double high)
{
    return std::isfinite(value) && value >= low && value <= high;
}

bool isSquare(const LabelElement &element)
{
    return element.widthMm >= minimumSquareCodeMm && std::abs(element.widthMm - element.heightMm) < squareToleranceMm;
}

void validateLayout(const LabelDocument &document)
{
    const SheetLayout &layout = document.layout;
    for (double length :
         {layout.cornerRadiusMm, layout.leftMarginMm, layout.topMarginMm, layout.columnGapMm, layout.rowGapMm}) {
        if (!finiteWithin(length, 0, maximumLayoutLengthMm))
            geometry();
    }
    if (layout.columns < 1 || layout.columns > maximumGridSide || layout.rows < 1 || layout.rows > maximumGridSide ||
        layout.columns * layout.rows > maximumLabelsPerSheet)
        geometry();
    if (layout.cornerRadiusMm > 0.5 * std::min(document.widthMm, document.heightMm))
        geometry();
    const double columns = double(layout.columns);
    const double rows = double(layout.rows);
    const double sheetWidth = layout.leftMarginMm + document.widthMm * columns + layout.columnGapMm * (columns - 1);
    const double sheetHeight = layout.topMarginMm + document.heightMm * rows + layout.rowGapMm * (rows - 1);
    if (sheetWidth > maximumSheetExtentMm || sheetHeight > maximumSheetExtentMm)
        geometry();
}

void validateBinding(const LabelDocument &document, const LabelElement &element)
{
    const TableBinding &binding = *element.tableBinding;
    if (!document.table)
        throwIssue(TableIssue::binding);
    if (binding.column < 0 || binding.column >= document.table->columns.size())
        throwIssue(TableIssue::binding);
    if (element.kind != ElementKind::text && element.kind != ElementKind::barcode && element.kind != ElementKind::qr)
        throwIssue(TableIssue::binding);
    if (text::exceedsGraphemes(binding.prefix, maximumAffixCharacters) ||
        text::exceedsGraphemes(binding.suffix, maximumAffixCharacters))
        throwIssue(TableIssue::binding);
}

void validateKind(const LabelElement &element, QList<RenderCache::ProvidedBarcode> *encoded)
{
    const bool bound = element.tableBinding.has_value();
    const bool web = element.webAppearance.has_value();
    switch (element.kind) {
    case ElementKind::text:
        if (element.content.isEmpty() && !web && !bound)
            content();
        break;
    case ElementKind::qr:
        if (!bound && (element.content.isEmpty() || utf8Length(element.content) > maximumQrBytes))
            content();
        if (!isSquare(element))
            content();
        break;
    case ElementKind::barcode:
        if (!finiteWithin(element.barcode.captionFontSizePt, BarcodeOptions::captionFontSizeRange.lowerBound,
                          BarcodeOptions::captionFontSizeRange.upperBound))
            geometry();
        if (!bound) {
            BarcodeDrawing drawing = BarcodeEncoder::drawing(element.content, element.barcode);
            if (encoded)
                encoded->append(RenderCache::ProvidedBarcode{element.content, element.barcode, std::move(drawing)});
        }
        if (element.isSquareCode() && !isSquare(element))
            geometry();
        if (web && element.webAppearance->gs1Identification.value_or(false)) {
            if (element.barcode.symbology != BarcodeSymbology::gs1DataMatrix)
                throwIssue(DocumentIssue::invalidBarcode);
            if (!bound)
                WebGS1Caption::layout(element);
        }
        break;
    case ElementKind::line:
    case ElementKind::rectangle:
    case ElementKind::ellipse: break;
    case ElementKind::image:
        if (!element.imageData)
            throwIssue(DocumentIssue::invalidImage);
        ImageAsset::validate(*element.imageData);
        if (element.originalImageData)
            WebImageAsset::validate(*element.originalImageData);
        break;
    case ElementKind::dateTime:
        if (!text::isKnownTimeZone(element.dateOptions.timeZoneID))
            content();
        if (element.dateOptions.offsetDays < -maximumOffsetDays || element.dateOptions.offsetDays > maximumOffsetDays)
            content();
        if (web && element.webAppearance->date)
            element.webAppearance->date->value(QDateTime::currentDateTime(), element.content,
                                               text::timeZoneOrUtc(text::currentTimeZoneId()));
        break;
    case ElementKind::counter:
        if (text::exceedsGraphemes(element.counter.prefix, maximumAffixCharacters) ||
            text::exceedsGraphemes(element.counter.suffix, maximumAffixCharacters))
            content();
        element.counter.value(0, web);
        break;
    }
}

void validateElement(const LabelDocument &document, const LabelElement &element,
                     QList<RenderCache::ProvidedBarcode> *encoded)
{
    if (element.tableBinding)
        validateBinding(document, element);

    const bool web = element.webAppearance.has_value();
    const double minimumSide = web ? 0.1 : 1.0;
    const double minimumFont = web ? 1 : 6;

    for (double value : {element.xMm, element.yMm, element.widthMm, element.heightMm, element.fontSizePt,
                         element.rotationDegrees, element.strokeMm}) {
        if (!std::isfinite(value))
            geometry();
    }
    if (element.widthMm < minimumSide || element.heightMm < minimumSide || element.fontSizePt > maximumFontPt ||
        element.fontSizePt < minimumFont || element.strokeMm < minimumStrokeMm || element.strokeMm > maximumStrokeMm ||
        std::abs(element.rotationDegrees) > maximumRotation)
        geometry();
    for (const QPointF &corner : element.corners()) {
        if (!LabelDocument::isSafeElementPoint(corner))
            geometry();
    }

    if (text::exceedsGraphemes(element.content, maximumContentCharacters) ||
        text::exceedsGraphemes(element.textStyle.fontName, maximumFontNameCharacters))
        content();

    if (web)
        element.webAppearance->validate();

    validateKind(element, encoded);
}

void validateDocument(const LabelDocument &document, QList<RenderCache::ProvidedBarcode> *encoded)
{
    if (document.schemaVersion != LabelDocument::currentSchemaVersion)
        throwIssue(DocumentIssue::unsupportedVersion);

    if (document.table)
        document.table->validate();

    if (text::exceedsGraphemes(document.batch.rows, BatchOptions::maximumRowsCharacters) || document.batch.copies < 1 ||
        document.batch.copies > BatchOptions::maximumCopies)
        throwIssue(TableIssue::copies);

    if (document.webSourceJSON && document.webSourceJSON->size() > maximumWebSourceBytes)
        throwIssue(DocumentIssue::tooLarge);

    if (document.webBackground)
        document.webBackground->validate();

    if (document.name.trimmed().isEmpty() || text::exceedsGraphemes(document.name, maximumNameCharacters) ||
        document.elements.size() > maximumElements)
        throwIssue(DocumentIssue::invalidDocument);
    QSet<QUuid> ids;
    ids.reserve(document.elements.size());
    for (const LabelElement &element : document.elements)
        ids.insert(element.id);
    if (ids.size() != document.elements.size())
        throwIssue(DocumentIssue::invalidDocument);

    if (!finiteWithin(document.widthMm, minimumLabelMm, maximumLabelMm) ||
        !finiteWithin(document.heightMm, minimumLabelMm, maximumLabelMm))
        geometry();

    validateLayout(document);

    for (const LabelElement &element : document.elements)
        validateElement(document, element, encoded);
}

} // namespace

void LabelDocument::validate() const
{
    validateDocument(*this, nullptr);
}

void DocumentValidation::validateKeepingBarcodes(const LabelDocument &document,
                                                 QList<RenderCache::ProvidedBarcode> &encoded)
{
    validateDocument(document, &encoded);
}

} // namespace kestrivane
