// Every symbology is drawn the way a label draws it and read back from the picture by two
// independent decoders: ZXing-C++ for every symbol, zbar (zbarimg) for the symbols it can
// read. A wrong symbology, a lost check digit or a mangled payload shows up as a failed
// or wrong read.

#include "core/barcode/BarcodeEncoder.h"
#include "core/barcode/QRCode.h"
#include "core/model/LabelElement.h"
#include "core/render/CodeDrawing.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>

#ifdef KESTRIVANE_HAVE_ZXING
#define ZX_USE_UTF8
#include <ZXing/ReadBarcode.h>
#endif

#include <optional>

using namespace kestrivane;

namespace {

constexpr int quietPixels = 40;

// Which decoders can read a symbol. zbar ignores Code 128's FNC4 (so Latin-1 letters come
// back wrong), cannot read Data Matrix at all and reads stacked DataBar of two rows at most.
enum class Readers { both, zxingOnly };

// Readers guess a character set for a symbol without an ECI, and ZXing guesses Shift JIS
// for Latin-1 letters; Code 128 and Data Matrix without an ECI carry ISO 8859-1.
enum class Charset { declared, latin1 };

struct DecodeCase {
    const char *name;
    // nullopt: a QR element, drawn from the program's own QR matrix.
    std::optional<BarcodeSymbology> symbology;
    QString content;
    // What a reader must report: the content, or for GS1 the raw element string with a
    // GS (0x1D) after each variable-length field that is not the last.
    QString expected;
    Readers readers = Readers::both;
    Charset charset = Charset::declared;
    // ZXing reports stacked DataBar in parenthesised notation, with no GS1 content type.
    const char *dataBarText = nullptr;
};

QString gs(const char *text)
{
    return QString::fromLatin1(text).replace(QLatin1Char('|'), QChar(0x1D));
}

DecodeCase same(const char *name, std::optional<BarcodeSymbology> symbology, const QString &content,
                Readers readers = Readers::both, Charset charset = Charset::declared)
{
    return DecodeCase{name, symbology, content, content, readers, charset};
}

// Latin-1 letters (each FNC4-shifted in Code 128) alone, at the start, in the middle and at
// the end, in runs of one to five and longer, between digit runs that switch to code set C.
QList<DecodeCase> code128Cases()
{
    const auto s = BarcodeSymbology::code128;
    const auto z = Readers::zxingOnly;
    const auto l = Charset::latin1;
    QList<DecodeCase> cases{
        same("code128-digits", s, QStringLiteral("01234567890123")),
        same("code128-mixed", s, QStringLiteral("Lot 7/b, x=42")),
        same("code128-gruesse", s, QStringLiteral("Grüße"), z, l),
        same("code128-alone", s, QStringLiteral("ä"), z, l),
        same("code128-first", s, QStringLiteral("Äpfel"), z, l),
        same("code128-last", s, QStringLiteral("Café"), z, l),
        same("code128-all-latin1", s, QStringLiteral("ÄÖÜäöüßéÿ"), z, l),
        same("code128-around-digits", s, QStringLiteral("ñ12345678ç90123456ø"), z, l),
        same("code128-lower-after-run", s, QStringLiteral("ABCäöüabc"), z, l),
        same("code128-control", s, QStringLiteral("Lot\t7\tb")),
        same("code128-signs", s, QStringLiteral("±5 °C, 3×½ £, ¿¡§©®µ¶·"), z, l),
    };
    static const char *runNames[] = {"code128-run-1", "code128-run-2", "code128-run-3", "code128-run-4",
                                     "code128-run-5"};
    const QString letters = QStringLiteral("äöüßé");
    for (int run = 1; run <= 5; ++run)
        cases.append(same(runNames[run - 1], s, QStringLiteral("AB%1cd%2").arg(letters.left(run)).arg(run), z, l));
    return cases;
}

QList<DecodeCase> decodeCases()
{
    using S = BarcodeSymbology;
    const auto z = Readers::zxingOnly;
    const auto l = Charset::latin1;
    const QString russian = QStringLiteral("Молоко 3,2% — партия №17");
    QList<DecodeCase> cases{
        same("ean13", S::ean13, QStringLiteral("4601234567893")),
        same("ean13-second", S::ean13, QStringLiteral("5901234123457")),
        same("ean8", S::ean8, QStringLiteral("12345670")),
        // Only thirteen digits reach the encoder; the fourteenth must come back the same.
        same("itf14", S::itf14, QStringLiteral("04601234567893")),
        same("itf14-second", S::itf14, QStringLiteral("15400141288763")),
        same("i25", S::interleaved2of5, QStringLiteral("04601234567893")),
        same("i25-short", S::interleaved2of5, QStringLiteral("123456")),
        same("code39", S::code39, QStringLiteral("MORVATH-001")),
        same("code39-symbols", S::code39, QStringLiteral("A. $/+%9")),
        same("codabar", S::codabar, QStringLiteral("A123456B")),
        same("codabar-symbols", S::codabar, QStringLiteral("C-$:/.+0D")),
        same("qr", S::qr, QStringLiteral("01234567890123")),
        // Text beyond ASCII is carried as UTF-8 with its ECI rather than refused.
        same("qr-cyrillic", S::qr, russian),
        same("qr-latin1", S::qr, QStringLiteral("Grüße aus Köln")),
        same("qr-element", std::nullopt, QStringLiteral("https://example.com/item?id=42&lot=A7")),
        same("qr-element-cyrillic", std::nullopt, QStringLiteral("Сыр «Российский», 45%")),
        same("qr-element-longest", std::nullopt, QString(QRCode::maximumTextBytes, QLatin1Char('k'))),
        same("datamatrix", S::dataMatrix, QStringLiteral("01234567890123"), z),
        same("datamatrix-latin1", S::dataMatrix, QStringLiteral("ABCäöü"), z, l),
        same("datamatrix-cyrillic", S::dataMatrix, russian, z),
        same("datamatrix-latin1-long", S::dataMatrix, QStringLiteral("Größe ÄÖÜ, Preis 3½; ").repeated(5), z, l),
        same("datamatrix-long", S::dataMatrix, QStringLiteral("Lot 2026-12/A; ").repeated(20), z),
        DecodeCase{"gs1datamatrix", S::gs1DataMatrix, QStringLiteral("[01]04601234567893[21]ABC001"),
                   gs("010460123456789321ABC001"), z},
        DecodeCase{"gs1datamatrix-separated", S::gs1DataMatrix,
                   QStringLiteral("(10)LOT-7(17)261231(01)04601234567893(21)X/9"),
                   gs("10LOT-7|17261231010460123456789321X/9"), z},
        DecodeCase{"gs1datamatrix-raw", S::gs1DataMatrix, gs("10AB12|0104601234567893"), gs("10AB12|0104601234567893"),
                   z},
    };
    // The same element string in every notation reaches the symbol as the same data.
    const QString shortDataBar = gs("010460123456789310AB");
    const char *shortDataBarText = "(01)04601234567893(10)AB";
    cases.append({DecodeCase{"databar", S::gs1DataBarStacked, QStringLiteral("[01]04601234567893[10]AB"), shortDataBar,
                             Readers::both, Charset::declared, shortDataBarText},
                  DecodeCase{"databar-parenthesised", S::gs1DataBarStacked, QStringLiteral("(01)04601234567893(10)AB"),
                             shortDataBar, Readers::both, Charset::declared, shortDataBarText},
                  DecodeCase{"databar-raw", S::gs1DataBarStacked, QStringLiteral("010460123456789310AB"), shortDataBar,
                             Readers::both, Charset::declared, shortDataBarText},
                  DecodeCase{"databar-example", S::gs1DataBarStacked, QStringLiteral("[01]04601234567893[21]ABC001"),
                             gs("010460123456789321ABC001"), z, Charset::declared, "(01)04601234567893(21)ABC001"},
                  DecodeCase{"databar-many-rows", S::gs1DataBarStacked,
                             QStringLiteral("[01]04601234567893[17]261231[10]LOT2026-A[21]SN000123456"),
                             gs("01046012345678931726123110LOT2026-A|21SN000123456"), z, Charset::declared,
                             "(01)04601234567893(17)261231(10)LOT2026-A(21)SN000123456"}});
    cases.append(code128Cases());
    return cases;
}

// The element drawn as a label draws it, at `scale` pixels per drawing unit (per module
// for a QR element), on white paper with a quiet margin.
QImage render(const DecodeCase &c)
{
    LabelElement element(QUuid::createUuid(), c.symbology ? ElementKind::barcode : ElementKind::qr, c.content, 0, 0, 40,
                         40, 12);
    QSizeF box;
    if (c.symbology) {
        element.barcode = BarcodeOptions(*c.symbology, true, 10);
        const BarcodeDrawing drawing = BarcodeEncoder::drawing(c.content, element.barcode);
        const double scale = isMatrix(*c.symbology) ? 4 : 3;
        box = drawing.size * scale;
    } else {
        const int modules = QRCode::matrix(c.content).moduleCount + 2 * CodeDrawing::qrQuietZoneModules;
        box = QSizeF(modules * 5, modules * 5);
    }
    QImage image(box.toSize() + QSize(2 * quietPixels, 2 * quietPixels), QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.translate(quietPixels, quietPixels);
    if (c.symbology)
        CodeDrawing::drawBarcode(painter, element, box.width(), box.height(), Qt::black);
    else
        CodeDrawing::drawQRCode(painter, element, box.width(), box.height(), Qt::black);
    painter.end();
    return image;
}

#ifdef KESTRIVANE_HAVE_ZXING
ZXing::BarcodeFormat zxingFormat(const DecodeCase &c)
{
    using F = ZXing::BarcodeFormat;
    if (!c.symbology)
        return F::QRCode;
    switch (*c.symbology) {
    case BarcodeSymbology::ean13: return F::EAN13;
    case BarcodeSymbology::ean8: return F::EAN8;
    case BarcodeSymbology::qr: return F::QRCode;
    case BarcodeSymbology::dataMatrix:
    case BarcodeSymbology::gs1DataMatrix: return F::DataMatrix;
    case BarcodeSymbology::gs1DataBarStacked: return F::DataBarExpanded;
    case BarcodeSymbology::code39: return F::Code39;
    case BarcodeSymbology::codabar: return F::Codabar;
    case BarcodeSymbology::code128: return F::Code128;
    case BarcodeSymbology::interleaved2of5:
    case BarcodeSymbology::itf14: return F::ITF;
    }
    return F::None;
}

// The payloads ZXing reads, one per symbol found. GS1 data (FNC1 in first position) comes
// as its raw element string, and only from the GS1 symbologies.
QStringList zxingRead(const QImage &image, const DecodeCase &c)
{
    ZXing::DecodeHints hints;
    hints.setFormats(zxingFormat(c));
    hints.setTryHarder(true);
    // More than one asks this release to merge the rows of stacked DataBar, which asserts.
    hints.setMaxNumberOfSymbols(1);
    hints.setTryCode39ExtendedMode(false);
    hints.setReturnCodabarStartEnd(true);
    if (c.charset == Charset::latin1)
        hints.setCharacterSet("ISO-8859-1");
    const ZXing::ImageView view(image.constBits(), image.width(), image.height(), ZXing::ImageFormat::Lum,
                                int(image.bytesPerLine()));
    QStringList read;
    for (const ZXing::Result &result : ZXing::ReadBarcodes(view, hints)) {
        if (!result.isValid())
            continue;
        const bool gs1 = result.contentType() == ZXing::ContentType::GS1;
        if (!c.dataBarText) {
            EXPECT_EQ(gs1, c.symbology && isGS1(*c.symbology));
        }
        const ZXing::ByteArray &raw = result.bytes();
        read.append(gs1 ? QString::fromLatin1(reinterpret_cast<const char *>(raw.data()), qsizetype(raw.size()))
                        : QString::fromStdString(result.text()));
    }
    return read;
}
#endif

// The payloads zbarimg reads from the saved picture, one per symbol found.
QStringList zbarRead(const QString &zbar, const QString &path)
{
    QProcess process;
    process.start(zbar, {QStringLiteral("--raw"), QStringLiteral("-q"), path});
    EXPECT_TRUE(process.waitForFinished(60000));
    return QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Shows a payload with its control characters visible, for failure messages.
std::string shown(const QStringList &payloads)
{
    QString text = payloads.join(QStringLiteral(" / "));
    text.replace(QChar(0x1D), QStringLiteral("<GS>"));
    return text.toStdString();
}

} // namespace

// Both readers go through the same table; each test skips when its reader is missing.
TEST(BarcodeDecode, ZXingReadsEverySymbolAsItsContent)
{
#ifdef KESTRIVANE_HAVE_ZXING
    for (const DecodeCase &c : decodeCases()) {
        SCOPED_TRACE(c.name);
        const QImage image = render(c);
        EXPECT_TRUE(image.save(testsupport::outputPath(QStringLiteral("barcode-%1.png").arg(QLatin1String(c.name)))));
        const QStringList read = zxingRead(image, c);
        EXPECT_EQ(read, QStringList{c.dataBarText ? QString::fromLatin1(c.dataBarText) : c.expected})
            << "ZXing read " << shown(read);
    }
#else
    GTEST_SKIP() << "ZXing-C++ (Debian package libzxing-dev) was not found when building; symbols are not read "
                    "back by it";
#endif
}

TEST(BarcodeDecode, ZbarReadsTheSymbolsItCanAsTheirContent)
{
    const QString zbar = QStandardPaths::findExecutable(QStringLiteral("zbarimg"));
    if (zbar.isEmpty())
        GTEST_SKIP() << "zbarimg (Debian package zbar-tools) is not installed; symbols are not read back by it";
    for (const DecodeCase &c : decodeCases()) {
        if (c.readers != Readers::both)
            continue;
        SCOPED_TRACE(c.name);
        const QString path = testsupport::outputPath(QStringLiteral("barcode-zbar-%1.png").arg(QLatin1String(c.name)));
        ASSERT_TRUE(render(c).save(path));
        const QStringList read = zbarRead(zbar, path);
        EXPECT_EQ(read, QStringList{c.expected}) << "zbar read " << shown(read);
    }
}
