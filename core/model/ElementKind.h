#pragma once

#include <QString>

#include <array>
#include <optional>

namespace kestrivane {

// What an element is. Raw values equal the case names and are what documents store.
enum class ElementKind { text, qr, barcode, line, rectangle, ellipse, image, dateTime, counter };

inline constexpr std::array<ElementKind, 9> allElementKinds = {
    ElementKind::text,    ElementKind::qr,    ElementKind::barcode,  ElementKind::line,   ElementKind::rectangle,
    ElementKind::ellipse, ElementKind::image, ElementKind::dateTime, ElementKind::counter};

QString rawValue(ElementKind kind);
std::optional<ElementKind> elementKindFromRawValue(const QString &raw);
// Localisation key of the kind's name (sidebar, inspector header).
QString titleKey(ElementKind kind);
// Kinds that show text set in a font: text, dateTime and counter.
bool isText(ElementKind kind);

} // namespace kestrivane
