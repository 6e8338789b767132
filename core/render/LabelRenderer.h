#pragma once

#include "core/model/LabelDocument.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPainterPath>
#include <QRectF>
#include <QSizeF>

class QPainter;

namespace kestrivane {

class RenderCache;

// What drawing a label does with a document it cannot draw whole.
enum class RenderValidation {
    // Elements that cannot be drawn are left out and the others drawn: previews and the canvas.
    skip,
    // The document is validated first and the first element that cannot be drawn ends the
    // call with its error: output that must be whole, such as print.
    check,
};

// Whether drawing a label paints its paper white first.
enum class LabelPaper {
    // The label's own paper: a canvas draws into a transparent layer.
    white,
    // The label lies on a sheet already filled white.
    sheet,
};

// The one place where a label document becomes drawing. Every operation is stateless and
// may run on several threads at once, each with its own painter.
//
// Painters work in points with the origin at the top-left corner and y pointing down:
// give images 72 dots per inch (or scale the painter) and PDF writers a resolution of 72.
// Model lengths are millimetres and become points here, at Units::pointsPerMillimetre.
//
// A `RenderCache` may be passed to the drawing operations when many labels are drawn
// into one device (a multi-page PDF): each distinct picture is then checked and decoded
// once and the same image is drawn again, which the PDF writer embeds only once, and fonts
// are looked up once. Without one, every call reads its document afresh.
namespace LabelRenderer {

// The printed sheet in points: the layout's width and height for the document's label
// (left margin, the columns and the gaps between them; no right or bottom margin).
QSizeF sheetSize(const LabelDocument &document);
// One rectangle per label slot of a sheet, in points, at the layout's column and row
// edges, row by row and left to right: the order of label indices wherever a sheet is filled.
QList<QRectF> labelRects(const LabelDocument &document);
// One label in points.
QSizeF size(const LabelDocument &document);
// The label's outline fitted into `rect`: the inscribed ellipse, or the rectangle with
// corners rounded by cornerRadiusMm / widthMm × the rectangle's width (clamped to half the
// smaller side; a radius that is not a finite number counts as 0).
QPainterPath outline(const LabelDocument &document, const QRectF &rect);

// One label with its top-left corner at the painter's origin: outline clip, white paper,
// web background, then the elements. A document that still carries a table is drawn with
// its first row bound in. `validation` says whether a fault ends the call or is left out.
// `at` is the moment date elements show, `index` the label's position in a run, which
// counters use.
void draw(const LabelDocument &document, QPainter &painter, RenderValidation validation, const QDateTime &at,
          qint64 index, RenderCache *cache = nullptr);
// The elements alone, without outline, paper or background; errors as in `draw`.
void drawElements(const LabelDocument &document, QPainter &painter, RenderValidation validation, const QDateTime &at,
                  qint64 index, RenderCache *cache = nullptr);
// As `draw` with validation on, for a caller that has bound and validated `document` itself
// (it carries no table), such as a print job that prepares its labels on other threads
// while earlier ones are drawn: the first element that cannot be drawn throws. A caller
// that has filled its sheet white already passes LabelPaper::sheet.
void drawValidated(const LabelDocument &document, QPainter &painter, const QDateTime &at, qint64 index,
                   RenderCache *cache = nullptr, LabelPaper paper = LabelPaper::white);
// A validated sheet with its top-left corner at the origin: white paper and one label per
// slot, whose index is the slot's position. The first failing label stops the sheet.
void drawSheet(const LabelDocument &document, QPainter &painter, const QDateTime &at);
// A one-page PDF of one sheet drawn now, its page exactly the sheet's size. Throws the
// validation or drawing error, or DocumentIssue::io when no PDF can be written.
QByteArray pdf(const LabelDocument &document);

} // namespace LabelRenderer

} // namespace kestrivane
