#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace kestrivane {

class Localization;
struct LabelDocument;

// The numbers and texts the editor window derives from its store, as plain functions so
// that each rule can be checked on its own.
namespace editorwindow {

inline constexpr double minimumZoom = 0.2;
inline constexpr double maximumZoom = 8;
inline constexpr double zoomStep = 1.25;
// Room the fit leaves around the label, on top of the rulers.
inline constexpr double fitMargin = 90;

// Any zoom the window writes: not finite → 1, else within minimumZoom…maximumZoom.
double clampedZoom(double zoom);
double zoomedIn(double zoom);
double zoomedOut(double zoom);
// The zoom that shows a label of `widthMm` × `heightMm` whole in a canvas area of
// `width` × `height` points (rulers included).
double zoomToFit(double width, double height, double widthMm, double heightMm);

// The zoom as the language writes a percentage, rounded to a whole number (ties to even).
QString percentText(double zoom, const QString &languageCode);

// `value` with at most `maximumDigits` fraction digits and no trailing zeros.
QString decimalText(double value, int maximumDigits, const QLocale &locale);
// A grid step: "2.5 mm", "2,5 mm".
QString gridStepText(double stepMm, const Localization &localization);

// The status bar's right-hand text: the message when there is one (formatted only with an
// argument), else whether the document is saved.
QString statusText(const std::optional<QString> &key, const QString &argument, bool dirty,
                   const Localization &localization);

// The label card's summary for assistive technology: "name, w × h unit, shape, medium".
QString labelAccessibilityValue(const LabelDocument &document, const Localization &localization);

} // namespace editorwindow
} // namespace kestrivane
