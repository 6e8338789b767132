// Encoded symbols are drawn and read back by an independent decoder (zbarimg), so a
// wrong symbology, a lost check digit or a mangled payload shows up as a failed read.

#include "core/barcode/BarcodeEncoder.h"
#include "core/barcode/QRCode.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>

using namespace kestrivane;

namespace {

constexpr int quietPixels = 40;

QImage rasterize(const BarcodeDrawing &drawing, double pixelsPerUnit)
{
    const QSize size(qCeil(drawing.size.width() * pixelsPerUnit) + 2 * quietPixels,
                     qCeil(drawing.size.height() * pixelsPerUnit) + 2 * quietPixels);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.translate(quietPixels, quietPixels);
    painter.scale(pixelsPerUnit, pixelsPerUnit);
    for (const QRectF &rect : drawing.rectangles)
        painter.fillRect(rect, Qt::black);
    return image;
}

QImage rasterize(const QRCodeMatrix &matrix, int pixelsPerModule)
{
    const int side = matrix.moduleCount * pixelsPerModule + 2 * quietPixels;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.translate(quietPixels, quietPixels);
    painter.scale(pixelsPerModule, pixelsPerModule);
    for (const QRect &run : matrix.darkRuns())
        painter.fillRect(run, Qt::black);
    return image;
}

class ZbarDecode : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_zbar = QStandardPaths::findExecutable(QStringLiteral("zbarimg"));
        if (m_zbar.isEmpty())
            GTEST_SKIP() << "zbarimg (Debian package zbar-tools) is not installed; symbols are not read back";
    }

    // The payloads zbarimg reads from the picture, one per symbol found.
    QStringList decode(const QImage &image, const QString &name)
    {
        const QString path = testsupport::outputPath(QStringLiteral("barcode-") + name + QStringLiteral(".png"));
        EXPECT_TRUE(image.save(path));
        QProcess process;
        process.start(m_zbar, {QStringLiteral("--raw"), QStringLiteral("-q"), path});
        EXPECT_TRUE(process.waitForFinished(60000));
        const QString output = QString::fromUtf8(process.readAllStandardOutput());
        QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return lines;
    }

    QStringList decode(BarcodeSymbology symbology, const QString &content, const QString &name,
                       double pixelsPerUnit = 3)
    {
        return decode(rasterize(BarcodeEncoder::drawing(content, BarcodeOptions(symbology, true)), pixelsPerUnit),
                      name);
    }

    QString m_zbar;
};

} // namespace

TEST_F(ZbarDecode, RetailNumbersReadBackWithTheirCheckDigit)
{
    EXPECT_EQ(decode(BarcodeSymbology::ean13, QStringLiteral("4601234567893"), QStringLiteral("ean13")),
              QStringList{QStringLiteral("4601234567893")});
    EXPECT_EQ(decode(BarcodeSymbology::ean13, QStringLiteral("5901234123457"), QStringLiteral("ean13-second")),
              QStringList{QStringLiteral("5901234123457")});
    EXPECT_EQ(decode(BarcodeSymbology::ean8, QStringLiteral("12345670"), QStringLiteral("ean8")),
              QStringList{QStringLiteral("12345670")});
}

TEST_F(ZbarDecode, ShippingContainerCodeKeepsAllFourteenDigits)
{
    // Only thirteen digits reach zint; the fourteenth must come back as the same check digit.
    EXPECT_EQ(decode(BarcodeSymbology::itf14, QStringLiteral("04601234567893"), QStringLiteral("itf14")),
              QStringList{QStringLiteral("04601234567893")});
    EXPECT_EQ(decode(BarcodeSymbology::itf14, QStringLiteral("15400141288763"), QStringLiteral("itf14-second")),
              QStringList{QStringLiteral("15400141288763")});
    EXPECT_EQ(decode(BarcodeSymbology::interleaved2of5, QStringLiteral("04601234567893"), QStringLiteral("i25")),
              QStringList{QStringLiteral("04601234567893")});
    EXPECT_EQ(decode(BarcodeSymbology::interleaved2of5, QStringLiteral("123456"), QStringLiteral("i25-short")),
              QStringList{QStringLiteral("123456")});
}

TEST_F(ZbarDecode, AlphanumericLinearCodesReadBack)
{
    EXPECT_EQ(decode(BarcodeSymbology::code39, QStringLiteral("MORVATH-001"), QStringLiteral("code39")),
              QStringList{QStringLiteral("MORVATH-001")});
    EXPECT_EQ(decode(BarcodeSymbology::code39, QStringLiteral("A. $/+%9"), QStringLiteral("code39-symbols")),
              QStringList{QStringLiteral("A. $/+%9")});
    EXPECT_EQ(decode(BarcodeSymbology::codabar, QStringLiteral("A123456B"), QStringLiteral("codabar")),
              QStringList{QStringLiteral("A123456B")});
    EXPECT_EQ(decode(BarcodeSymbology::codabar, QStringLiteral("C-$:/.+0D"), QStringLiteral("codabar-symbols")),
              QStringList{QStringLiteral("C-$:/.+0D")});
    EXPECT_EQ(decode(BarcodeSymbology::code128, QStringLiteral("01234567890123"), QStringLiteral("code128")),
              QStringList{QStringLiteral("01234567890123")});
    EXPECT_EQ(decode(BarcodeSymbology::code128, QStringLiteral("Lot 7/b, x=42"), QStringLiteral("code128-mixed")),
              QStringList{QStringLiteral("Lot 7/b, x=42")});
}

TEST_F(ZbarDecode, StackedDataBarCarriesTheElementString)
{
    // The same element string in every notation reaches the symbol as the same data. The
    // decoder reads stacked symbols of up to two rows, so the payload is kept that short.
    int notation = 0;
    for (const QString &content :
         {QStringLiteral("[01]04601234567893[10]AB"), QStringLiteral("(01)04601234567893(10)AB"),
          QStringLiteral("010460123456789310AB")}) {
        const QStringList read =
            decode(BarcodeSymbology::gs1DataBarStacked, content, QStringLiteral("databar-%1").arg(++notation), 4);
        ASSERT_EQ(read.size(), 1) << content.toStdString();
        EXPECT_EQ(read.front(), QStringLiteral("010460123456789310AB")) << content.toStdString();
    }
}

TEST_F(ZbarDecode, QRSymbologyReadsBackLatinAndCyrillicText)
{
    EXPECT_EQ(decode(BarcodeSymbology::qr, QStringLiteral("01234567890123"), QStringLiteral("qr"), 4),
              QStringList{QStringLiteral("01234567890123")});
    // Cyrillic text is carried as UTF-8 (with its ECI) rather than refused.
    const QString russian = QStringLiteral("Молоко 3,2% — партия №17");
    EXPECT_EQ(decode(BarcodeSymbology::qr, russian, QStringLiteral("qr-cyrillic"), 4), QStringList{russian});
}

TEST_F(ZbarDecode, QRElementMatrixReadsBack)
{
    const QString url = QStringLiteral("https://example.com/item?id=42&lot=A7");
    EXPECT_EQ(decode(rasterize(QRCode::matrix(url), 6), QStringLiteral("qr-element")), QStringList{url});

    const QString russian = QStringLiteral("Сыр «Российский», 45%");
    EXPECT_EQ(decode(rasterize(QRCode::matrix(russian), 6), QStringLiteral("qr-element-cyrillic")),
              QStringList{russian});

    const QString longest(QRCode::maximumTextBytes, QLatin1Char('k'));
    EXPECT_EQ(decode(rasterize(QRCode::matrix(longest), 4), QStringLiteral("qr-element-longest")),
              QStringList{longest});
}
