// The parameters sheet asks its draft for the document after every keystroke (preview,
// footer hint and apply button): reading the texts, copying the document and validating it
// must stay far below a frame.

#include "app/shell/TemplateDraft.h"
#include "bench/BenchMain.h"

#include <QApplication>

#include <benchmark/benchmark.h>

using namespace kestrivane;

namespace {

LabelDocument withElements(int count)
{
    QList<LabelElement> elements;
    for (int i = 0; i < count; ++i) {
        const ElementKind kind = i % 4 == 0 ? ElementKind::qr : i % 4 == 1 ? ElementKind::barcode : ElementKind::text;
        LabelElement e(QUuid::createUuid(), kind, QStringLiteral("Item %1").arg(i), 5, 5, 20, 20, 10);
        if (kind == ElementKind::barcode)
            e.content = QStringLiteral("ITEM-%1").arg(i);
        elements.append(e);
    }
    LabelDocument document(QStringLiteral("Parameters"), 100, 100, elements);
    document.layout.columns = 2;
    document.layout.rows = 5;
    return document;
}

void defaultDraft(benchmark::State &state)
{
    TemplateDraft draft(LabelDocument(QStringLiteral("New label"), 60, 40, {}), std::nullopt);
    draft.setWidth(QStringLiteral("62,5"));
    for (auto _ : state)
        benchmark::DoNotOptimize(draft.document());
}
BENCHMARK(defaultDraft)->Unit(benchmark::kMicrosecond);

void draftOf200Elements(benchmark::State &state)
{
    TemplateDraft draft(withElements(200), QUuid::createUuid());
    draft.setColumns(QStringLiteral("3"));
    for (auto _ : state)
        benchmark::DoNotOptimize(draft.document());
}
BENCHMARK(draftOf200Elements)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
