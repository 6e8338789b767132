#include "core/render/PdfPageBoxes.h"

#include "core/common/DocumentIssue.h"
#include "core/common/TextRules.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <cmath>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kestrivane {

ExactPdfWriter::ExactPdfWriter(QSizeF pageSizePt)
    : m_size(pageSizePt), m_buffer(std::make_unique<QBuffer>())
{
    m_buffer->open(QIODevice::WriteOnly);
    m_writer = std::make_unique<QPdfWriter>(m_buffer.get());
    m_writer->setResolution(72);
    m_writer->setCreator(QString());
    // Without ExactMatch Qt snaps sizes near a standard paper size to it.
    const QPageSize pageSize(pageSizePt, QPageSize::Point, QString(), QPageSize::ExactMatch);
    m_writer->setPageLayout(QPageLayout(pageSize, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
}

ExactPdfWriter::~ExactPdfWriter() = default;

QPdfWriter &ExactPdfWriter::device()
{
    return *m_writer;
}

qint64 ExactPdfWriter::bytesWritten() const
{
    return m_buffer->size();
}

QByteArray ExactPdfWriter::finish()
{
    QByteArray pdf = m_buffer->data();
    if (!rewriteMediaBoxes(pdf, m_size))
        throw DocumentError(DocumentIssue::io);
    return pdf;
}

namespace {

// The shortest fixed-point form with at most `decimals` decimals.
QByteArray number(double value, int decimals)
{
    QByteArray text = text::formatC(("%." + QByteArray::number(decimals) + "f").constData(), value).toLatin1();
    if (text.contains('.')) {
        while (text.endsWith('0'))
            text.chop(1);
        if (text.endsWith('.'))
            text.chop(1);
    }
    if (text == "-0")
        text = "0";
    return text;
}

} // namespace

bool rewriteMediaBoxes(QByteArray &pdf, QSizeF pageSizePt)
{
    static const QByteArray marker = "/MediaBox [";
    bool found = false;
    qsizetype from = 0;
    while (true) {
        const qsizetype start = pdf.indexOf(marker, from);
        if (start < 0)
            break;
        const qsizetype numbersStart = start + marker.size();
        const qsizetype end = pdf.indexOf(']', numbersStart);
        if (end < 0)
            return false;
        const QList<QByteArray> fields = pdf.mid(numbersStart, end - numbersStart).simplified().split(' ');
        if (fields.size() != 4)
            return false;
        bool ok = true;
        const double roundedHeight = fields[3].toDouble(&ok);
        if (!ok)
            return false;
        const qsizetype room = end - numbersStart;
        QByteArray box;
        // Fewer decimals only when the box would not fit; six keep far inside 0.001 pt.
        for (int decimals = 6; decimals >= 3; --decimals) {
            box = "0 " + number(roundedHeight - pageSizePt.height(), decimals) + ' '
                  + number(pageSizePt.width(), decimals) + ' ' + number(roundedHeight, decimals);
            if (box.size() <= room)
                break;
        }
        if (box.size() > room)
            return false;
        box.append(QByteArray(room - box.size(), ' '));
        pdf.replace(numbersStart, room, box);
        found = true;
        from = end;
    }
    return found;
}

void preparePdfPageBuffers()
{
#if defined(__GLIBC__)
    // Up to 32 MiB (the largest threshold glibc takes) from the heap rather than from mmap.
    // Setting the threshold also stops glibc from moving it on its own.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    // Keep up to 64 MiB free at the heap's top rather than giving it back after every page.
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
}

} // namespace kestrivane
