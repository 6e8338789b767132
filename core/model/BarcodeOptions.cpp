#include "core/model/BarcodeOptions.h"

#include "core/common/DocumentIssue.h"
#include "core/json/JsonRead.h"

namespace kestrivane {

QJsonObject toJson(const BarcodeOptions &options)
{
    return json::reportingAs(DocumentIssue::invalidDocument, [&] {
        QJsonObject object;
        object.insert(QStringLiteral("symbology"), rawValue(options.symbology));
        object.insert(QStringLiteral("showsText"), options.showsText);
        object.insert(QStringLiteral("captionFontSizePt"), json::number(options.captionFontSizePt));
        return object;
    });
}

BarcodeOptions barcodeOptionsFromJson(const QJsonValue &value)
{
    return json::reportingAs(DocumentIssue::invalidDocument, [&] {
        const QJsonObject object = json::toObject(value);
        const auto symbology =
            json::requireEnum<BarcodeSymbology>(object, QStringLiteral("symbology"), barcodeSymbologyFromRawValue);
        const bool showsText = json::requireBool(object, QStringLiteral("showsText"));
        // Files written before the caption size existed read as the default size.
        const double captionFontSizePt = json::optionalDouble(object, QStringLiteral("captionFontSizePt"))
                                             .value_or(BarcodeOptions::defaultCaptionFontSizePt);
        return BarcodeOptions(symbology, showsText, captionFontSizePt);
    });
}

} // namespace kestrivane
