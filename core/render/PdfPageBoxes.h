#pragma once

#include <QByteArray>
#include <QSizeF>

#include <memory>

class QBuffer;
class QPdfWriter;

namespace kestrivane {

// A PDF writer into memory whose pages are exactly `pageSizePt` in size once `finish`
// has run. Qt's PDF engine writes page boxes rounded to whole points; on a roll of
// labels such an error would add up page after page, so the boxes are rewritten.
class ExactPdfWriter {
public:
    explicit ExactPdfWriter(QSizeF pageSizePt);
    ~ExactPdfWriter();

    // The paint device: 72 dots per inch, so one painter unit is one point, with the
    // origin at the page's top-left corner.
    QPdfWriter &device();

    // Bytes written so far (for size limits while pages are drawn).
    qint64 bytesWritten() const;

    // The finished document, after the painter has ended. Throws DocumentError(io)
    // when the page boxes cannot be found.
    QByteArray finish();

private:
    QSizeF m_size;
    std::unique_ptr<QBuffer> m_buffer;
    std::unique_ptr<QPdfWriter> m_writer;
};

// Rewrites every "/MediaBox [0 0 W H]" that Qt wrote for a page of `pageSizePt` so that
// the box is exactly that size, keeping the content where it was drawn: Qt places the
// top-left origin at the rounded height H, so the box becomes [0, H - h, w, H]. Every
// replacement keeps the byte length, so the cross-reference offsets stay valid.
// Returns false when no page box was found or a box could not be rewritten in place.
bool rewriteMediaBoxes(QByteArray &pdf, QSizeF pageSizePt);

// Sets up the allocator for the PDF writer's page buffers, once at start-up, before any
// thread starts: Qt takes two 16 MiB buffers each time it writes a page out, which the C
// library would otherwise map from the kernel and hand back at every page, costing a job
// fresh zeroed memory for every sheet and a time that swings from run to run. Blocks of
// that size are kept on the heap instead, and the heap's free top is kept for the next page.
void preparePdfPageBuffers();

} // namespace kestrivane
