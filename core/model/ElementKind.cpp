#include "core/model/ElementKind.h"

#include "core/common/RawValue.h"

namespace kestrivane {

QString rawValue(ElementKind kind)
{
    switch (kind) {
    case ElementKind::text: return QStringLiteral("text");
    case ElementKind::qr: return QStringLiteral("qr");
    case ElementKind::barcode: return QStringLiteral("barcode");
    case ElementKind::line: return QStringLiteral("line");
    case ElementKind::rectangle: return QStringLiteral("rectangle");
    case ElementKind::ellipse: return QStringLiteral("ellipse");
    case ElementKind::image: return QStringLiteral("image");
    case ElementKind::dateTime: return QStringLiteral("dateTime");
    case ElementKind::counter: return QStringLiteral("counter");
    }
    return QString();
}

std::optional<ElementKind> elementKindFromRawValue(const QString &raw)
{
    return fromRawValue(allElementKinds, raw);
}

QString titleKey(ElementKind kind)
{
    switch (kind) {
    case ElementKind::text: return QStringLiteral("menu_text");
    case ElementKind::qr: return QStringLiteral("mac.qr");
    case ElementKind::barcode: return QStringLiteral("mac.barcode");
    case ElementKind::line: return QStringLiteral("mac.line");
    case ElementKind::rectangle: return QStringLiteral("mac.element_rectangle");
    case ElementKind::ellipse: return QStringLiteral("mac.element_ellipse");
    case ElementKind::image: return QStringLiteral("mac.image");
    case ElementKind::dateTime: return QStringLiteral("mac.dateTime");
    case ElementKind::counter: return QStringLiteral("mac.counter");
    }
    return QString();
}

bool isText(ElementKind kind)
{
    return kind == ElementKind::text || kind == ElementKind::dateTime || kind == ElementKind::counter;
}

} // namespace kestrivane
