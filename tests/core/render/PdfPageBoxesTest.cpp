#include "core/render/PdfPageBoxes.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QPdfWriter>

#ifdef KESTRIVANE_TEST_PDF
#include <QBuffer>
#include <QPdfDocument>
#endif

using namespace kestrivane;

namespace {

QByteArray twoPages(QSizeF size)
{
    ExactPdfWriter writer(size);
    QPainter painter(&writer.device());
    painter.fillRect(QRectF(0, 0, 10, 10), Qt::black);
    writer.device().newPage();
    painter.fillRect(QRectF(0, 0, 20, 20), Qt::black);
    painter.end();
    return writer.finish();
}

} // namespace

TEST(PdfPageBoxes, RewritesEveryPageBoxInPlace)
{
    const QSizeF size(249.4488188976378, 289.13385826771656);
    const QByteArray pdf = twoPages(size);
    EXPECT_EQ(pdf.count("/MediaBox ["), 2);
    const qsizetype at = pdf.indexOf("/MediaBox [") + 11;
    const QList<QByteArray> box = pdf.mid(at, pdf.indexOf(']', at) - at).simplified().split(' ');
    ASSERT_EQ(box.size(), 4);
    EXPECT_NEAR(box[3].toDouble() - box[1].toDouble(), size.height(), 0.0001);
    EXPECT_NEAR(box[2].toDouble() - box[0].toDouble(), size.width(), 0.0001);
    // Qt's flip puts the top-left origin at the rounded height, which stays the box's top.
    EXPECT_EQ(box[3], QByteArray("289"));
    // The cross-reference table still points at object starts.
    const qsizetype xref = pdf.lastIndexOf("startxref");
    ASSERT_GT(xref, 0);
    const qsizetype offset = pdf.mid(xref + 9).trimmed().split('\n').first().toLongLong();
    EXPECT_TRUE(pdf.mid(offset).startsWith("xref"));
}

TEST(PdfPageBoxes, RefusesDocumentsWithoutBoxes)
{
    QByteArray notPdf = "%PDF-1.4\n%%EOF";
    EXPECT_FALSE(rewriteMediaBoxes(notPdf, QSizeF(10, 10)));
}

TEST(PdfPageBoxes, KeepsLargeAndRoundedUpSizes)
{
    // 100.7 rounds up to 101 and 14399.6 to 14400: the box grows a digit less than it may.
    QByteArray pdf = "/MediaBox [0 0 14400.000000 101.000000]";
    ASSERT_TRUE(rewriteMediaBoxes(pdf, QSizeF(14399.6, 100.7)));
    EXPECT_TRUE(pdf.startsWith("/MediaBox [0 0.3 14399.6 101 ")) << pdf.constData();
    EXPECT_EQ(pdf.size(), qsizetype(sizeof "/MediaBox [0 0 14400.000000 101.000000]" - 1));
}

#ifdef KESTRIVANE_TEST_PDF
TEST(PdfPageBoxes, QtPdfReadsTheExactSizeBack)
{
    const QSizeF size(100.7, 50.6);
    QByteArray pdf = twoPages(size);
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument document;
    document.load(&buffer);
    ASSERT_EQ(document.pageCount(), 2);
    for (int page = 0; page < 2; ++page) {
        EXPECT_NEAR(document.pagePointSize(page).width(), size.width(), 0.001);
        EXPECT_NEAR(document.pagePointSize(page).height(), size.height(), 0.001);
    }
    // The black square drawn at the top-left corner is still there.
    QImage image(QSize(1007, 506), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).drawImage(0, 0, document.render(0, image.size()));
    EXPECT_LT(qGray(image.pixel(20, 20)), 64);
    EXPECT_GT(qGray(image.pixel(200, 200)), 192);
}
#endif
