#include "core/render/WebGS1Caption.h"

#include "core/barcode/BarcodeEncoder.h"
#include "core/common/DocumentIssue.h"
#include "core/common/TextRules.h"
#include "core/model/LabelElement.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace kestrivane::WebGS1Caption {

Layout layout(const LabelElement &element)
{
    const QString bracketed = GS1Input::bracketed(element.content);

    // One compiled copy per thread: captions are laid out by print tasks and the canvas at once.
    static thread_local const QRegularExpression identifiers =
        text::unicodeRegex(QStringLiteral("\\[(\\d{2,4})\\]([^\\[]*)"));
    QHash<QString, QString> data;
    for (auto it = identifiers.globalMatch(bracketed); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        data.insert(match.captured(1), match.captured(2));
    }

    const std::optional<WebAppearance> &appearance = element.webAppearance;
    QString gtin;
    if (data.contains(QStringLiteral("01")))
        gtin = data.value(QStringLiteral("01"));
    else if (appearance && appearance->gs1GTIN)
        gtin = *appearance->gs1GTIN;
    QString serial;
    if (data.contains(QStringLiteral("21")))
        serial = data.value(QStringLiteral("21"));
    else if (appearance && appearance->gs1Serial)
        serial = *appearance->gs1Serial;

    if (text::graphemeCount(gtin) != 14 || serial.isEmpty())
        throwIssue(DocumentIssue::invalidBarcode);

    Layout result;
    result.lines = {QStringLiteral("(01)") + gtin, QStringLiteral("(21)") + serial};

    const double available = std::max(element.widthMm * 96 / 25.4 - 4, 1.0);
    const double longest = double(std::max<qsizetype>({result.lines[0].size(), result.lines[1].size(), 1}));
    const double fit = available / longest / 0.64;
    const double requested = appearance && appearance->gs1FontPx ? *appearance->gs1FontPx : 8;
    const double px = fit >= 1 ? std::min(requested, fit) : std::min(requested, 1.0);

    result.fontPt = px * 0.75;
    result.heightPt = (2 * 1.08 * px + 2) * 0.75;
    // NaN sizes fail here too: the comparison is false.
    if (!(element.heightMm * 72 / 25.4 - result.heightPt >= 8.503937007874017))
        throwIssue(DocumentIssue::invalidGeometry);
    return result;
}

} // namespace kestrivane::WebGS1Caption
