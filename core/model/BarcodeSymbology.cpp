#include "core/model/BarcodeSymbology.h"

#include "core/common/RawValue.h"

namespace kestrivane {

namespace {

struct SymbologyInfo {
    BarcodeSymbology symbology;
    const char *raw;
    bool matrix;
    bool gs1;
    const char *example;
};

constexpr SymbologyInfo infos[] = {
    {BarcodeSymbology::ean13, "ean13", false, false, "4601234567893"},
    {BarcodeSymbology::qr, "qr", true, false, "01234567890123"},
    {BarcodeSymbology::dataMatrix, "dataMatrix", true, false, "01234567890123"},
    {BarcodeSymbology::gs1DataMatrix, "gs1DataMatrix", true, true, "[01]04601234567893[21]ABC001"},
    {BarcodeSymbology::gs1DataBarStacked, "gs1DataBarStacked", false, true, "[01]04601234567893[21]ABC001"},
    {BarcodeSymbology::ean8, "ean8", false, false, "12345670"},
    {BarcodeSymbology::code39, "code39", false, false, "MORVATH-001"},
    {BarcodeSymbology::codabar, "codabar", false, false, "A123456B"},
    {BarcodeSymbology::code128, "code128", false, false, "01234567890123"},
    {BarcodeSymbology::interleaved2of5, "interleaved2of5", false, false, "01234567890123"},
    {BarcodeSymbology::itf14, "itf14", false, false, "04601234567893"},
};

const SymbologyInfo &info(BarcodeSymbology symbology)
{
    for (const auto &entry : infos) {
        if (entry.symbology == symbology)
            return entry;
    }
    // Only reachable with a value cast from outside the enumeration.
    return infos[8];
}

} // namespace

const QList<BarcodeSymbology> &allBarcodeSymbologies()
{
    static const QList<BarcodeSymbology> all = [] {
        QList<BarcodeSymbology> list;
        for (const auto &entry : infos)
            list.append(entry.symbology);
        return list;
    }();
    return all;
}

QString rawValue(BarcodeSymbology symbology)
{
    return QLatin1String(info(symbology).raw);
}

std::optional<BarcodeSymbology> barcodeSymbologyFromRawValue(const QString &raw)
{
    return fromRawValue(allBarcodeSymbologies(), raw);
}

QString titleKey(BarcodeSymbology symbology)
{
    return QStringLiteral("mac.bar_") + rawValue(symbology);
}

bool isMatrix(BarcodeSymbology symbology)
{
    return info(symbology).matrix;
}

bool isGS1(BarcodeSymbology symbology)
{
    return info(symbology).gs1;
}

QString example(BarcodeSymbology symbology)
{
    return QLatin1String(info(symbology).example);
}

} // namespace kestrivane
