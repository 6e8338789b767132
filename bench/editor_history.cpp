// The editor store keeps whole documents as its history and rebuilds the dragged document
// from the gesture's start on every pointer event. Both have to stay cheap for a crowded
// label that carries a large table: snapshots share unchanged data instead of copying it.
#include "app/editor/EditorStore.h"

#include <benchmark/benchmark.h>

using namespace kestrivane;

namespace {

LabelDocument crowdedDocument(int elementCount)
{
    QList<LabelElement> elements;
    for (int i = 0; i < elementCount; ++i)
        elements.append(LabelElement(QUuid::createUuid(), ElementKind::text, QStringLiteral("Text %1").arg(i),
                                     (i * 7) % 180, (i * 13) % 120, 5 + i % 11, 3 + i % 7, 10));
    LabelDocument document(QStringLiteral("Crowded"), 200, 140, elements);
    LabelTable table;
    table.sourceName = QStringLiteral("big.csv");
    table.sheetName = QStringLiteral("CSV");
    for (int c = 0; c < 20; ++c)
        table.columns.append(QStringLiteral("C%1").arg(c));
    for (int r = 0; r < 10000; ++r) {
        QList<QString> row;
        for (int c = 0; c < 20; ++c)
            row.append(QStringLiteral("cell %1/%2 with some text").arg(r).arg(c));
        table.rows.append(row);
    }
    document.table = table;
    return document;
}

} // namespace

static void dragStep(benchmark::State &state)
{
    EditorStore store(nullptr, crowdedDocument(int(state.range(0))), std::nullopt, false, nullptr);
    store.setZoom(2);
    store.setSelectedID(store.document().elements[0].id);
    store.beginDrag();
    double x = 0;
    for (auto _ : state) {
        x = x > 50 ? 0 : x + 0.1;
        benchmark::DoNotOptimize(store.drag(QPointF(x, x / 2), 6));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(dragStep)->Arg(50)->Arg(500)->Complexity(benchmark::oN);

// One recorded edit with a full history: copy, change, compare, push and trim.
static void recordedEdit(benchmark::State &state)
{
    EditorStore store(nullptr, crowdedDocument(500), std::nullopt, false, nullptr);
    int i = 0;
    for (auto _ : state) {
        ++i;
        store.apply([i](LabelDocument &d) { d.elements[i % 500].xMm = i % 100; });
    }
}
BENCHMARK(recordedEdit);

BENCHMARK_MAIN();
