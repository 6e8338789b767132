#include "core/barcode/BarcodeEncoder.h"

#include "core/barcode/ZintEncode.h"

#include "core/common/DocumentIssue.h"
#include "core/common/TextRules.h"

#include <QByteArray>
#include <QStringDecoder>

#include <zint.h>

#include <cstring>
#include <memory>

namespace kestrivane {

namespace {

[[noreturn]] void fail()
{
    throwIssue(DocumentIssue::invalidBarcode);
}

struct SymbolDeleter {
    void operator()(zint_symbol *symbol) const { ZBarcode_Delete(symbol); }
};
using SymbolPointer = std::unique_ptr<zint_symbol, SymbolDeleter>;

bool isAsciiDigit(char byte)
{
    return byte >= '0' && byte <= '9';
}

bool allBytesIn(const char *begin, const char *end, const char *allowed)
{
    for (const char *p = begin; p != end; ++p) {
        if (*p == '\0' || !std::strchr(allowed, *p))
            return false;
    }
    return true;
}

void preCheck(BarcodeSymbology symbology, const QString &content, const QByteArray &utf8)
{
    switch (symbology) {
    case BarcodeSymbology::ean13: BarcodeEncoder::checkDigits(content, 13); break;
    case BarcodeSymbology::ean8: BarcodeEncoder::checkDigits(content, 8); break;
    case BarcodeSymbology::itf14: BarcodeEncoder::checkDigits(content, 14); break;
    case BarcodeSymbology::code39:
        if (!allBytesIn(utf8.cbegin(), utf8.cend(), "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%"))
            fail();
        break;
    case BarcodeSymbology::codabar: {
        // A lone start/stop letter is its own first and last character; zint judges it.
        static const char startStop[] = "ABCD";
        if (!allBytesIn(utf8.cbegin(), utf8.cbegin() + 1, startStop) ||
            !allBytesIn(utf8.cend() - 1, utf8.cend(), startStop))
            fail();
        if (utf8.size() > 2 && !allBytesIn(utf8.cbegin() + 1, utf8.cend() - 1, "0123456789-$:/.+"))
            fail();
        break;
    }
    case BarcodeSymbology::interleaved2of5:
        if (utf8.size() % 2 != 0)
            fail();
        for (char byte : utf8) {
            if (!isAsciiDigit(byte))
                fail();
        }
        break;
    case BarcodeSymbology::qr:
    case BarcodeSymbology::dataMatrix:
    case BarcodeSymbology::gs1DataMatrix:
    case BarcodeSymbology::gs1DataBarStacked:
    case BarcodeSymbology::code128: break;
    }
}

int zintSymbology(BarcodeSymbology symbology)
{
    switch (symbology) {
    case BarcodeSymbology::ean13:
    case BarcodeSymbology::ean8: return BARCODE_EANX_CHK;
    case BarcodeSymbology::qr: return BARCODE_QRCODE;
    case BarcodeSymbology::dataMatrix:
    case BarcodeSymbology::gs1DataMatrix: return BARCODE_DATAMATRIX;
    case BarcodeSymbology::gs1DataBarStacked: return BARCODE_DBAR_EXPSTK;
    case BarcodeSymbology::code39: return BARCODE_CODE39;
    case BarcodeSymbology::codabar: return BARCODE_CODABAR;
    case BarcodeSymbology::code128: return BARCODE_CODE128;
    case BarcodeSymbology::interleaved2of5: return BARCODE_C25INTER;
    case BarcodeSymbology::itf14: return BARCODE_ITF14;
    }
    fail();
}

bool hasNonAsciiByte(const QByteArray &bytes)
{
    for (char byte : bytes) {
        if (static_cast<unsigned char>(byte) >= 0x80)
            return true;
    }
    return false;
}

std::optional<QString> strictUtf8(const unsigned char *bytes, int length)
{
    if (length < 0 || (length > 0 && !bytes))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(reinterpret_cast<const char *>(bytes), length));
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

namespace BarcodeEncoder {

void checkDigits(const QString &text, int length)
{
    const QByteArray utf8 = text.toUtf8();
    if (utf8.size() != length || length < 1)
        fail();
    for (char byte : utf8) {
        if (!isAsciiDigit(byte))
            fail();
    }
    int sum = 0;
    int weight = 3;
    for (qsizetype i = utf8.size() - 2; i >= 0; --i) {
        sum += (utf8.at(i) - '0') * weight;
        weight = weight == 3 ? 1 : 3;
    }
    const int expected = (10 - sum % 10) % 10;
    if (utf8.back() - '0' != expected)
        fail();
}

BarcodeDrawing drawing(const QString &content, const BarcodeOptions &options)
{
    const QByteArray contentUtf8 = content.toUtf8();
    if (contentUtf8.isEmpty() || contentUtf8.size() > maximumContentBytes)
        fail();
    const BarcodeSymbology symbology = options.symbology;
    preCheck(symbology, content, contentUtf8);

    SymbolPointer symbol(ZBarcode_Create());
    if (!symbol)
        fail();

    symbol->symbology = zintSymbology(symbology);
    symbol->show_hrt = options.showsText ? 1 : 0;
    symbol->output_options = BARCODE_QUIET_ZONES;
    symbol->input_mode = isGS1(symbology) ? GS1_MODE : UNICODE_MODE;
    if (symbology == BarcodeSymbology::dataMatrix || symbology == BarcodeSymbology::gs1DataMatrix)
        symbol->option_3 = DM_SQUARE;
    if (symbology == BarcodeSymbology::qr) {
        symbol->option_1 = 2; // error correction level M
        symbol->option_3 = 0;
        // Without an explicit ECI zint turns non-Latin-1 text (Cyrillic among it) into
        // Shift JIS and reports the symbol as non-compliant; UTF-8 ECI keeps every text.
        if (hasNonAsciiByte(contentUtf8))
            symbol->eci = 26;
    }

    QByteArray data = contentUtf8;
    if (isGS1(symbology)) {
        data = GS1Input::bracketed(content).toUtf8();
    } else if (symbology == BarcodeSymbology::itf14) {
        // This zint takes the thirteen data digits only and appends the check digit
        // itself; the full fourteen digits were verified above, so it adds the same one.
        data.chop(1);
    }

    const int encoded = ZintEncode::encode(symbol.get(), data);
    if (encoded != 0 && encoded != ZINT_WARN_USES_ECI)
        fail();

    if (ZBarcode_Buffer_Vector(symbol.get(), 0) > 4)
        fail();
    const zint_vector *vector = symbol->vector;
    if (!vector)
        fail();

    BarcodeDrawing result;
    for (const zint_vector_rect *rect = vector->rectangles; rect; rect = rect->next)
        result.rectangles.append(QRectF(double(rect->x), double(rect->y), double(rect->width), double(rect->height)));
    for (const zint_vector_string *string = vector->strings; string; string = string->next) {
        const auto text = strictUtf8(string->text, string->length);
        if (!text)
            fail();
        result.captions.append(BarcodeDrawing::Caption{*text, double(string->x), double(string->y),
                                                       double(string->fsize), string->halign});
    }
    result.size = QSizeF(double(vector->width), double(vector->height));
    if (!(result.size.width() > 0) || !(result.size.height() > 0) || result.rectangles.isEmpty())
        fail();
    return result;
}

} // namespace BarcodeEncoder

namespace GS1Input {

namespace {

struct ApplicationIdentifier {
    const char *id;
    int length;
    bool fixed;
};

constexpr ApplicationIdentifier identifiers[] = {
    {"00", 18, true},  {"01", 14, true},  {"02", 14, true},  {"11", 6, true},   {"12", 6, true},
    {"13", 6, true},   {"15", 6, true},   {"16", 6, true},   {"17", 6, true},   {"20", 2, true},
    {"10", 20, false}, {"21", 20, false}, {"22", 20, false}, {"30", 8, false},  {"37", 8, false},
    {"90", 30, false}, {"91", 90, false}, {"92", 90, false}, {"93", 90, false}, {"94", 90, false},
    {"95", 90, false}, {"96", 90, false}, {"97", 90, false}, {"98", 90, false}, {"99", 90, false},
};

const ApplicationIdentifier *findIdentifier(const QByteArray &id)
{
    for (const auto &entry : identifiers) {
        if (id == entry.id)
            return &entry;
    }
    return nullptr;
}

constexpr char groupSeparator = '\x1D';

QString bracketedRaw(const QByteArray &bytes)
{
    for (char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        const bool allowed = byte == groupSeparator || (value >= 0x20 && value <= 0x7E);
        if (!allowed || byte == '[' || byte == ']')
            fail();
    }

    QByteArray output;
    const qsizetype size = bytes.size();
    qsizetype p = 0;
    while (p < size) {
        if (size - p < 2)
            fail();
        const QByteArray id = bytes.mid(p, 2);
        p += 2;
        const ApplicationIdentifier *identifier = findIdentifier(id);
        if (!identifier)
            fail();
        qsizetype dataLength = 0;
        if (identifier->fixed) {
            if (size - p < identifier->length)
                fail();
            dataLength = identifier->length;
            for (qsizetype i = p; i < p + dataLength; ++i) {
                if (!isAsciiDigit(bytes.at(i)))
                    fail();
            }
        } else {
            qsizetype end = bytes.indexOf(groupSeparator, p);
            if (end < 0)
                end = size;
            dataLength = end - p;
            if (dataLength < 1 || dataLength > identifier->length)
                fail();
        }
        output += '[' + id + ']' + bytes.mid(p, dataLength);
        p += dataLength;
        if (p < size && bytes.at(p) == groupSeparator) {
            ++p;
            if (p == size)
                fail();
        }
    }
    return QString::fromLatin1(output);
}

} // namespace

QString bracketed(const QString &input)
{
    if (input.startsWith(QLatin1Char('('))) {
        const QRegularExpression parenthesised = text::unicodeRegex(QStringLiteral("\\(([0-9]{2,4})\\)"));
        QString result = input;
        result.replace(parenthesised, QStringLiteral("[\\1]"));
        if (!result.startsWith(QLatin1Char('[')))
            fail();
        return result;
    }
    if (input.startsWith(QLatin1Char('[')))
        return input;
    return bracketedRaw(input.toUtf8());
}

} // namespace GS1Input

} // namespace kestrivane
