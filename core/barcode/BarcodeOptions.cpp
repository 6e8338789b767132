#include "barcode/BarcodeOptions.h"

#include "model/DocumentIssue.h"

#include <cmath>

namespace kestrivane {

QJsonObject toJson(const BarcodeOptions &options)
{
    if (!std::isfinite(options.captionFontSizePt))
        throwIssue(DocumentIssue::invalidDocument);
    QJsonObject object;
    object.insert(QStringLiteral("symbology"), rawValue(options.symbology));
    object.insert(QStringLiteral("showsText"), options.showsText);
    object.insert(QStringLiteral("captionFontSizePt"), options.captionFontSizePt);
    return object;
}

BarcodeOptions barcodeOptionsFromJson(const QJsonValue &json)
{
    if (!json.isObject())
        throwIssue(DocumentIssue::invalidDocument);
    const QJsonObject object = json.toObject();

    const QJsonValue symbologyValue = object.value(QStringLiteral("symbology"));
    if (!symbologyValue.isString())
        throwIssue(DocumentIssue::invalidDocument);
    const auto symbology = barcodeSymbologyFromRawValue(symbologyValue.toString());
    if (!symbology)
        throwIssue(DocumentIssue::invalidDocument);

    const QJsonValue showsTextValue = object.value(QStringLiteral("showsText"));
    if (!showsTextValue.isBool())
        throwIssue(DocumentIssue::invalidDocument);

    double captionFontSizePt = BarcodeOptions::defaultCaptionFontSizePt;
    const QJsonValue sizeValue = object.value(QStringLiteral("captionFontSizePt"));
    if (!sizeValue.isUndefined() && !sizeValue.isNull()) {
        if (!sizeValue.isDouble())
            throwIssue(DocumentIssue::invalidDocument);
        captionFontSizePt = sizeValue.toDouble();
    }
    return BarcodeOptions(*symbology, showsTextValue.toBool(), captionFontSizePt);
}

} // namespace kestrivane
