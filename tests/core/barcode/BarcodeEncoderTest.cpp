#include "core/barcode/BarcodeEncoder.h"

#include "core/common/DocumentIssue.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

// Readable failure messages for the geometry values.
void PrintTo(const QRectF &rect, std::ostream *out)
{
    *out << "(" << rect.x() << ", " << rect.y() << ", " << rect.width() << " x " << rect.height() << ")";
}
void PrintTo(const QSizeF &size, std::ostream *out)
{
    *out << size.width() << " x " << size.height();
}

using namespace kestrivane;

namespace {

BarcodeDrawing encode(BarcodeSymbology symbology, const QString &content, bool showsText = false)
{
    return BarcodeEncoder::drawing(content, BarcodeOptions(symbology, showsText));
}

#define EXPECT_BARCODE_REFUSED(symbology, content)                                                                     \
    EXPECT_ISSUE(encode(symbology, content), DocumentIssue, DocumentIssue::invalidBarcode)

#define EXPECT_ENCODES(symbology, content) EXPECT_NO_THROW(encode(symbology, content)) << (content).toStdString()

QString bracketed(const QString &input)
{
    return GS1Input::bracketed(input);
}

} // namespace

TEST(BarcodeCheckDigits, AcceptsOnlyExactDigitCountWithMod10CheckDigit)
{
    for (const char *valid : {"4601234567893", "5901234123457", "4006381333931", "0000000000000"})
        EXPECT_NO_THROW(BarcodeEncoder::checkDigits(QString::fromLatin1(valid), 13)) << valid;
    for (const char *valid : {"12345670", "96385074", "40170725"})
        EXPECT_NO_THROW(BarcodeEncoder::checkDigits(QString::fromLatin1(valid), 8)) << valid;
    for (const char *valid : {"04601234567893", "15400141288763", "00012345678905"})
        EXPECT_NO_THROW(BarcodeEncoder::checkDigits(QString::fromLatin1(valid), 14)) << valid;

    const QStringList wrong = {
        QStringLiteral("4601234567890"), // last digit changed
        QStringLiteral("4601234567894"),
        QStringLiteral("4061234567893"), // two digits swapped: the weights catch it
        QStringLiteral("460123456789"),  // check digit missing
        QStringLiteral("46012345678930"),
        QStringLiteral("460123456789X"),
        QStringLiteral(" 601234567893"),
        QStringLiteral("460123456789\u0663"), // another script's three
        QStringLiteral("\uFF14601234567893"), // full-width four
        QString(),
    };
    for (const QString &text : wrong)
        EXPECT_ISSUE(BarcodeEncoder::checkDigits(text, 13), DocumentIssue, DocumentIssue::invalidBarcode);
    EXPECT_ISSUE(BarcodeEncoder::checkDigits(QStringLiteral("12345670"), 13), DocumentIssue,
                 DocumentIssue::invalidBarcode);
}

TEST(BarcodeContentChecks, RetailAndShippingNumbersNeedTheirCheckDigit)
{
    EXPECT_ENCODES(BarcodeSymbology::ean13, QStringLiteral("4601234567893"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::ean13, QStringLiteral("4601234567890"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::ean13, QStringLiteral("460123456789"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::ean13, QStringLiteral("12345670"));

    EXPECT_ENCODES(BarcodeSymbology::ean8, QStringLiteral("12345670"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::ean8, QStringLiteral("1234567"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::ean8, QStringLiteral("12345671"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::ean8, QStringLiteral("4601234567893"));

    EXPECT_ENCODES(BarcodeSymbology::itf14, QStringLiteral("04601234567893"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::itf14, QStringLiteral("04601234567890"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::itf14, QStringLiteral("0460123456789"));
    EXPECT_ENCODES(BarcodeSymbology::interleaved2of5, QStringLiteral("04601234567893"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::interleaved2of5, QStringLiteral("0460123456789"));
}

TEST(BarcodeContentChecks, CharacterSetsOfTheLinearCodes)
{
    EXPECT_ENCODES(BarcodeSymbology::code39, QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::code39, QStringLiteral("morvath-001"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::code39, QStringLiteral("MORVATH*001"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::code39, QStringLiteral("ÄBC"));

    EXPECT_ENCODES(BarcodeSymbology::codabar, QStringLiteral("A123456B"));
    EXPECT_ENCODES(BarcodeSymbology::codabar, QStringLiteral("D0123456789-$:/.+C"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::codabar, QStringLiteral("123456"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::codabar, QStringLiteral("a123456b"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::codabar, QStringLiteral("A123C456B"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::codabar, QStringLiteral("A123456"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::codabar, QStringLiteral("E123456B"));

    EXPECT_BARCODE_REFUSED(BarcodeSymbology::interleaved2of5, QStringLiteral("12345"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::interleaved2of5, QStringLiteral("12345A"));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::interleaved2of5,
                           QStringLiteral("12\u0663456")); // six characters, odd bytes
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::interleaved2of5,
                           QStringLiteral("1\uFF1334")); // full-width digit, even bytes

    // Free text: anything zint can encode.
    EXPECT_ENCODES(BarcodeSymbology::code128, QStringLiteral("Lot 7/b, x=42 #ü"));
    EXPECT_ENCODES(BarcodeSymbology::dataMatrix, QStringLiteral("Партия 17 — молоко"));
}

TEST(BarcodeContentChecks, EmptyAndOverlongContentIsRefusedEverywhere)
{
    for (BarcodeSymbology symbology : allBarcodeSymbologies())
        EXPECT_BARCODE_REFUSED(symbology, QString());

    // QR holds more than 4,096 digits, so only the content limit refuses the longer one.
    EXPECT_ENCODES(BarcodeSymbology::qr, QString(4096, QLatin1Char('7')));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::qr, QString(4097, QLatin1Char('7')));
    // The limit counts UTF-8 bytes, not characters.
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::code128, QString(2049, QChar(0x00E9)));
}

TEST(BarcodeContentChecks, LengthLimitsOfTheInstalledZint)
{
    // This zint's limits are lower than those of later releases; both sides are pinned
    // so a library change shows up here rather than on a label.
    EXPECT_ENCODES(BarcodeSymbology::code128, QString(60, QLatin1Char('a')));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::code128, QString(61, QLatin1Char('a')));
    EXPECT_ENCODES(BarcodeSymbology::code128, QString(120, QLatin1Char('5'))); // two digits per symbol character
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::code128, QString(122, QLatin1Char('5')));

    EXPECT_ENCODES(BarcodeSymbology::code39, QString(85, QLatin1Char('K')));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::code39, QString(86, QLatin1Char('K')));

    EXPECT_ENCODES(BarcodeSymbology::codabar, QLatin1Char('A') + QString(58, QLatin1Char('1')) + QLatin1Char('B'));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::codabar,
                           QLatin1Char('A') + QString(59, QLatin1Char('1')) + QLatin1Char('B'));

    EXPECT_ENCODES(BarcodeSymbology::interleaved2of5, QString(90, QLatin1Char('3')));
    EXPECT_BARCODE_REFUSED(BarcodeSymbology::interleaved2of5, QString(92, QLatin1Char('3')));
}

TEST(BarcodeContentChecks, QRSymbologyEncodesTextOutsideLatin1)
{
    const QString latin = QStringLiteral("Grüße aus Köln");
    const QString russian = QStringLiteral("Молоко 3,2%");
    const QString japanese = QStringLiteral("日本語のラベル");
    const QString greek = QStringLiteral("Ελληνικά");
    for (const QString &text : {latin, russian, japanese, greek})
        EXPECT_ENCODES(BarcodeSymbology::qr, text);
    // The plain text gets no ECI, so it stays the smallest symbol it can be.
    EXPECT_EQ(encode(BarcodeSymbology::qr, QStringLiteral("01234567890123")).size, QSizeF(58, 58));
}

TEST(BarcodeDrawingOutput, CaptionsFollowTheShowsTextSetting)
{
    for (BarcodeSymbology symbology : allBarcodeSymbologies())
        EXPECT_TRUE(encode(symbology, example(symbology), false).captions.isEmpty())
            << rawValue(symbology).toStdString();

    auto joined = [](const BarcodeDrawing &drawing) {
        QString text;
        for (const auto &caption : drawing.captions)
            text += caption.text;
        return text;
    };
    const BarcodeDrawing ean = encode(BarcodeSymbology::ean13, QStringLiteral("4601234567893"), true);
    ASSERT_FALSE(ean.captions.isEmpty());
    EXPECT_EQ(joined(ean), QStringLiteral("4601234567893"));
    // Only thirteen digits go to zint; the caption still shows all fourteen.
    EXPECT_EQ(joined(encode(BarcodeSymbology::itf14, QStringLiteral("04601234567893"), true)),
              QStringLiteral("04601234567893"));
    EXPECT_EQ(joined(encode(BarcodeSymbology::code128, QStringLiteral("Grüße 42"), true)), QStringLiteral("Grüße 42"));

    // Captions sit under the bars and inside the symbol.
    for (BarcodeSymbology symbology :
         {BarcodeSymbology::ean13, BarcodeSymbology::ean8, BarcodeSymbology::code39, BarcodeSymbology::codabar,
          BarcodeSymbology::code128, BarcodeSymbology::interleaved2of5, BarcodeSymbology::itf14}) {
        const BarcodeDrawing drawing = encode(symbology, example(symbology), true);
        ASSERT_FALSE(drawing.captions.isEmpty()) << rawValue(symbology).toStdString();
        for (const auto &caption : drawing.captions) {
            EXPECT_GT(caption.fontSize, 0);
            EXPECT_GE(caption.x, 0);
            EXPECT_LE(caption.x, drawing.size.width());
            EXPECT_LE(caption.y, drawing.size.height());
            EXPECT_GE(caption.alignment, 0);
            EXPECT_LE(caption.alignment, 2);
        }
        // Showing the text grows the symbol downwards and keeps the bars.
        const BarcodeDrawing bare = encode(symbology, example(symbology), false);
        EXPECT_GT(drawing.size.height(), bare.size.height());
        EXPECT_EQ(drawing.size.width(), bare.size.width());
        EXPECT_EQ(drawing.rectangles.size(), bare.rectangles.size());
    }
}

TEST(BarcodeDrawingOutput, EveryExampleGivesBarsInsideItsSymbol)
{
    for (BarcodeSymbology symbology : allBarcodeSymbologies()) {
        const BarcodeDrawing drawing = encode(symbology, example(symbology), true);
        EXPECT_GT(drawing.size.width(), 0);
        EXPECT_GT(drawing.size.height(), 0);
        ASSERT_FALSE(drawing.rectangles.isEmpty());
        const QRectF symbol(QPointF(0, 0), drawing.size);
        for (const QRectF &rect : drawing.rectangles) {
            EXPECT_TRUE(symbol.contains(rect)) << rawValue(symbology).toStdString();
            EXPECT_GT(rect.width(), 0);
            EXPECT_GT(rect.height(), 0);
        }
        EXPECT_EQ(drawing, encode(symbology, example(symbology), true)) << "encoding is deterministic";
    }
}

TEST(BarcodeDrawingOutput, LinearCodesKeepTheirQuietZones)
{
    for (BarcodeSymbology symbology : {BarcodeSymbology::ean13, BarcodeSymbology::code39, BarcodeSymbology::codabar,
                                       BarcodeSymbology::code128, BarcodeSymbology::interleaved2of5}) {
        const BarcodeDrawing drawing = encode(symbology, example(symbology));
        double left = drawing.size.width();
        double right = 0;
        double narrowest = drawing.size.width();
        for (const QRectF &rect : drawing.rectangles) {
            left = std::min(left, rect.left());
            right = std::max(right, rect.right());
            narrowest = std::min(narrowest, rect.width());
        }
        // At least seven narrow bars of white on either side.
        EXPECT_GE(left, 7 * narrowest) << rawValue(symbology).toStdString();
        EXPECT_GE(drawing.size.width() - right, 7 * narrowest) << rawValue(symbology).toStdString();
    }
}

namespace {

// The modules of a matrix symbol, read back from its rectangles.
struct ModuleGrid {
    int columns = 0;
    int rows = 0;
    double margin[4] = {}; // left, top, right, bottom
    QList<bool> dark;
    bool at(int row, int column) const { return dark.at(row * columns + column); }
};

ModuleGrid readModules(const BarcodeDrawing &drawing)
{
    QRectF bounds;
    double module = drawing.size.width();
    for (const QRectF &rect : drawing.rectangles) {
        bounds = bounds.isNull() ? rect : bounds.united(rect);
        module = std::min({module, rect.width(), rect.height()});
    }
    ModuleGrid grid;
    grid.columns = qRound(bounds.width() / module);
    grid.rows = qRound(bounds.height() / module);
    grid.margin[0] = bounds.left();
    grid.margin[1] = bounds.top();
    grid.margin[2] = drawing.size.width() - bounds.right();
    grid.margin[3] = drawing.size.height() - bounds.bottom();
    for (int row = 0; row < grid.rows; ++row) {
        for (int column = 0; column < grid.columns; ++column) {
            const QPointF centre = bounds.topLeft() + QPointF((column + 0.5) * module, (row + 0.5) * module);
            bool isDark = false;
            for (const QRectF &rect : drawing.rectangles)
                isDark = isDark || rect.contains(centre);
            grid.dark.append(isDark);
        }
    }
    return grid;
}

void expectDataMatrixStructure(const BarcodeDrawing &drawing, const std::string &what)
{
    EXPECT_EQ(drawing.size.width(), drawing.size.height()) << what;
    const ModuleGrid grid = readModules(drawing);
    ASSERT_EQ(grid.columns, grid.rows) << what;
    ASSERT_GE(grid.columns, 10) << what;
    ASSERT_EQ(grid.columns % 2, 0) << what;
    const int n = grid.columns;
    // Square symbols up to 26 modules have one data region: a solid L on the left and at
    // the bottom, and alternating timing modules along the top and the right.
    for (int i = 0; i < n; ++i) {
        EXPECT_TRUE(grid.at(i, 0)) << what << " left column, row " << i;
        EXPECT_TRUE(grid.at(n - 1, i)) << what << " bottom row, column " << i;
        EXPECT_EQ(grid.at(0, i), i % 2 == 0) << what << " top row, column " << i;
        EXPECT_EQ(grid.at(i, n - 1), i % 2 == 1) << what << " right column, row " << i;
    }
    // A quiet zone of the same width on every side.
    EXPECT_GT(grid.margin[0], 0) << what;
    for (double margin : grid.margin)
        EXPECT_DOUBLE_EQ(margin, grid.margin[0]) << what;
}

} // namespace

TEST(BarcodeDrawingOutput, DataMatrixSymbolsAreSquareWithFinderAndTimingPatterns)
{
    expectDataMatrixStructure(encode(BarcodeSymbology::dataMatrix, QStringLiteral("01234567890123")), "example");
    expectDataMatrixStructure(encode(BarcodeSymbology::dataMatrix, QStringLiteral("Партия 17")), "cyrillic");
    expectDataMatrixStructure(encode(BarcodeSymbology::gs1DataMatrix, QStringLiteral("[01]04601234567893[21]ABC001")),
                              "gs1");
    // Lengths for which zint would otherwise pick a rectangular symbol stay square.
    for (int length = 1; length <= 40; ++length) {
        const BarcodeDrawing drawing = encode(BarcodeSymbology::dataMatrix, QString(length, QLatin1Char('Q')));
        EXPECT_EQ(drawing.size.width(), drawing.size.height()) << length;
    }
    const BarcodeDrawing large = encode(BarcodeSymbology::dataMatrix, QString(300, QLatin1Char('x')));
    EXPECT_EQ(large.size.width(), large.size.height());
}

TEST(GS1Bracketing, ThreeNotationsGiveTheSameBracketedString)
{
    const QString expected = QStringLiteral("[01]04601234567893[21]ABC001");
    EXPECT_EQ(bracketed(expected), expected);
    EXPECT_EQ(bracketed(QStringLiteral("(01)04601234567893(21)ABC001")), expected);
    EXPECT_EQ(bracketed(QStringLiteral("010460123456789321ABC001")), expected);
    EXPECT_EQ(bracketed(QStringLiteral("0104601234567893\x1D") + QStringLiteral("21ABC001")), expected);

    // A variable-length field ends at a GS, and the next identifier follows.
    EXPECT_EQ(bracketed(QStringLiteral("10LOT-7\x1D") + QStringLiteral("0104601234567893")),
              QStringLiteral("[10]LOT-7[01]04601234567893"));
    EXPECT_EQ(bracketed(QStringLiteral("0004601234567890123411260131")),
              QStringLiteral("[00]046012345678901234[11]260131"));
    EXPECT_EQ(bracketed(QStringLiteral("21") + QString(20, QLatin1Char('S'))),
              QStringLiteral("[21]") + QString(20, QLatin1Char('S')));
    EXPECT_EQ(bracketed(QStringLiteral("91") + QString(90, QLatin1Char('z'))),
              QStringLiteral("[91]") + QString(90, QLatin1Char('z')));
    EXPECT_EQ(bracketed(QString()), QString());

    // Parentheses: every group of two to four digits, anywhere; the rest is zint's to judge.
    EXPECT_EQ(bracketed(QStringLiteral("(3103)000123(10)A(B)")), QStringLiteral("[3103]000123[10]A(B)"));
    EXPECT_EQ(bracketed(QStringLiteral("(01)04601234567893(12345)")), QStringLiteral("[01]04601234567893(12345)"));
}

TEST(GS1Bracketing, RefusesWhatItCannotSplit)
{
    const QStringList refused = {
        QStringLiteral("01046012345678921ABC001"),         // 13 digits after 01: "21" is taken as data
        QStringLiteral("0104601234567893\x1D"),            // GS at the very end
        QStringLiteral("21\x1D") + QStringLiteral("10AB"), // empty variable data
        QStringLiteral("3103000123"),                      // identifier in neither table
        QStringLiteral("0104601234567893\x1D\x1D") + QStringLiteral("10AB"),
        QStringLiteral("0104601234567893") + QStringLiteral("1"), // one byte left over
        QStringLiteral("01046012345678X3"),                       // fixed data must be digits
        QStringLiteral("21") + QString(21, QLatin1Char('S')),
        QStringLiteral("30123456789"), // 30 takes at most 8
        QStringLiteral("10AB]"),
        QStringLiteral("10A\tB"),
        QStringLiteral("10Grüße"),
        QStringLiteral("(1)23"), // no group becomes an identifier
        QStringLiteral("(ABC)123"),
        QStringLiteral("(12345)678"),
    };
    for (const QString &input : refused)
        EXPECT_ISSUE(bracketed(input), DocumentIssue, DocumentIssue::invalidBarcode);
}

TEST(GS1Bracketing, EncoderUsesTheBracketedForm)
{
    for (BarcodeSymbology symbology : {BarcodeSymbology::gs1DataMatrix, BarcodeSymbology::gs1DataBarStacked}) {
        const BarcodeDrawing expected = encode(symbology, QStringLiteral("[01]04601234567893[21]ABC001"));
        EXPECT_EQ(encode(symbology, QStringLiteral("(01)04601234567893(21)ABC001")), expected);
        EXPECT_EQ(encode(symbology, QStringLiteral("010460123456789321ABC001")), expected);
        EXPECT_BARCODE_REFUSED(symbology, QStringLiteral("01046012345678921ABC001"));
        // zint checks the GTIN's own check digit.
        EXPECT_BARCODE_REFUSED(symbology, QStringLiteral("[01]04601234567890[21]ABC001"));
        // Not a GS1 element string at all.
        EXPECT_BARCODE_REFUSED(symbology, QStringLiteral("hello"));
    }
    // The four-digit identifier passes bracketing and is zint's to encode.
    EXPECT_ENCODES(BarcodeSymbology::gs1DataMatrix, QStringLiteral("(3103)000123"));
}
