#pragma once

#include "core/model/LabelDocument.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QWidget>

#include <optional>

class QPainter;

namespace kestrivane {

// The drawing of one whole sheet of labels fitted into a frame: the sheet with its labels,
// a grey border around the sheet and a blue outline around every label slot.
namespace SheetPreviewView {

// How a sheet of `sheet` points sits in a frame of `frame`: scaled by `scale` about its
// top-left corner, then moved by `offset` within the frame.
struct Fit {
    double scale = 0;
    QPointF offset;
};

// The largest scale that leaves 16 points free on every side, centred. Empty when nothing
// can be drawn: an empty sheet, or a frame too small to leave any room.
std::optional<Fit> fit(const QSizeF &frame, const QSizeF &sheet);

// Draws `document` into `frame`, dated now. A document that does not validate still shows
// its border and outlines, without paper or content.
void paint(QPainter &painter, const QRectF &frame, const LabelDocument &document);

} // namespace SheetPreviewView

// A widget that shows a SheetPreviewView of a copy of one document. It takes no input and
// redraws the whole sheet on every paint; date and counter elements show the last paint.
class SheetPreview final : public QWidget {
    Q_OBJECT

public:
    explicit SheetPreview(QWidget *parent = nullptr);

    const std::optional<LabelDocument> &document() const { return m_document; }
    void setDocument(const LabelDocument &document);

    // The drawing of the widget, for pictures of documents elsewhere.
    static void paint(QPainter &painter, const QRectF &frame, const LabelDocument &document)
    {
        SheetPreviewView::paint(painter, frame, document);
    }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::optional<LabelDocument> m_document;
};

} // namespace kestrivane
