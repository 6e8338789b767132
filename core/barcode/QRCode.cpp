#include "core/barcode/QRCode.h"

#include "core/barcode/ZintEncode.h"
#include "core/common/DocumentIssue.h"

#include <QByteArray>

#include <zint.h>

#include <memory>

namespace kestrivane {

QList<QRect> QRCodeMatrix::darkRuns() const
{
    QList<QRect> runs;
    for (int row = 0; row < moduleCount; ++row) {
        int column = 0;
        while (column < moduleCount) {
            if (!isDark(row, column)) {
                ++column;
                continue;
            }
            const int start = column;
            while (column < moduleCount && isDark(row, column))
                ++column;
            runs.append(QRect(start, row, column - start, 1));
        }
    }
    return runs;
}

namespace QRCode {

namespace {

[[noreturn]] void fail()
{
    throwIssue(DocumentIssue::invalidContent);
}

struct SymbolDeleter {
    void operator()(zint_symbol *symbol) const { ZBarcode_Delete(symbol); }
};

} // namespace

QRCodeMatrix matrix(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    if (utf8.isEmpty() || utf8.size() > maximumTextBytes)
        fail();

    std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
    if (!symbol)
        fail();
    symbol->symbology = BARCODE_QRCODE;
    symbol->option_1 = 2; // error correction level M
    // The raw bytes, as a QR generator is given them: no ECI and no conversion, so any
    // UTF-8 text encodes.
    symbol->input_mode = DATA_MODE;
    symbol->output_options = BARCODE_NO_QUIET_ZONES;
    // Half scale makes the raster output one pixel per module.
    symbol->scale = 0.5f;

    const int encoded = ZintEncode::encode(symbol.get(), utf8);
    if (encoded != 0 && encoded != ZINT_WARN_USES_ECI)
        fail();
    if (ZBarcode_Buffer(symbol.get(), 0) >= ZINT_ERROR)
        fail();

    const int count = symbol->width;
    if (count <= 0 || symbol->rows != count || !symbol->bitmap || symbol->bitmap_width != count ||
        symbol->bitmap_height != count)
        fail();

    QRCodeMatrix result;
    result.moduleCount = count;
    result.modules.resize(qsizetype(count) * count);
    const unsigned char *pixels = symbol->bitmap;
    for (qsizetype i = 0; i < result.modules.size(); ++i) {
        // Three bytes per pixel; the foreground is black, the background white.
        const unsigned char *pixel = pixels + i * 3;
        result.modules[i] = int(pixel[0]) + pixel[1] + pixel[2] < 3 * 128;
    }
    return result;
}

} // namespace QRCode

} // namespace kestrivane
