// The editor encodes the whole document on every insert and table attachment, and
// keeps whole documents as undo steps: validation, writing, reading and copying a
// large document must stay well below a frame's worth of interaction time.

#include "bench/BenchMain.h"
#include "core/model/LabelDocument.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

using namespace kestrivane;

namespace {

LabelDocument largeDocument()
{
    QList<LabelElement> elements;
    for (int i = 0; i < 500; ++i) {
        const ElementKind kind = i % 5 == 0 ? ElementKind::qr : i % 5 == 1 ? ElementKind::barcode : ElementKind::text;
        LabelElement e(QUuid::createUuid(), kind, QStringLiteral("Item %1 4601234567893").arg(i), 5, 5, 20, 20, 10);
        if (kind == ElementKind::barcode)
            e.content = QStringLiteral("ITEM-%1").arg(i);
        elements.append(e);
    }
    LabelDocument document(QStringLiteral("Large"), 100, 100, elements);
    LabelTable table;
    table.sourceName = QStringLiteral("data.csv");
    table.sheetName = QStringLiteral("CSV");
    table.columns = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    for (int r = 0; r < 10000; ++r)
        table.rows.append({QString::number(r), QStringLiteral("name %1").arg(r), QStringLiteral("4601234567893")});
    document.table = table;
    return document;
}

const LabelDocument &sample()
{
    static const LabelDocument document = largeDocument();
    return document;
}

void validate500Elements(benchmark::State &state)
{
    for (auto _ : state)
        sample().validate();
}
BENCHMARK(validate500Elements)->Unit(benchmark::kMillisecond);

void encode500ElementsAnd10000Rows(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(sample().encoded());
}
BENCHMARK(encode500ElementsAnd10000Rows)->Unit(benchmark::kMillisecond);

void decode500ElementsAnd10000Rows(benchmark::State &state)
{
    const QByteArray bytes = sample().encoded();
    for (auto _ : state)
        benchmark::DoNotOptimize(LabelDocument::decode(bytes));
}
BENCHMARK(decode500ElementsAnd10000Rows)->Unit(benchmark::kMillisecond);

void copyAndCompare(benchmark::State &state)
{
    for (auto _ : state) {
        LabelDocument copy = sample();
        copy.elements[250].xMm += 1;
        benchmark::DoNotOptimize(copy == sample());
    }
}
BENCHMARK(copyAndCompare)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
