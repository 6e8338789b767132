#include "core/barcode/ZintEncode.h"

#include <zint.h>

#include <atomic>

namespace kestrivane::ZintEncode {

namespace {

std::atomic<Observer> observer{nullptr};

} // namespace

Observer setObserver(Observer next)
{
    return observer.exchange(next);
}

int encode(zint_symbol *symbol, const QByteArray &data)
{
    if (const Observer watch = observer.load())
        watch();
    return ZBarcode_Encode(symbol, reinterpret_cast<const unsigned char *>(data.constData()), int(data.size()));
}

} // namespace kestrivane::ZintEncode
